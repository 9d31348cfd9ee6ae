#pragma once

#include "framework/Component.h"
#include "framework/Dpi.h"

#include <windows.h>

#include <commctrl.h> // after windows.h, which it needs

#include <vector>

class TBitmap;

// A list of equally sized images drawn by index (the platform's image list). The images are 24-bit and
// have no mask: each is drawn whole, background included. They are given at 96 dpi; at another
// resolution the list holds them resampled (ScaleBitmap) at the scaled size.
class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner, int width = 16, int height = 16);
    ~TImageList() override;
    TImageList(const TImageList&) = delete;
    TImageList& operator=(const TImageList&) = delete;

    int Width() const; // as drawn now
    int Height() const;
    int Count() const;
    HIMAGELIST Handle() const { return handle_; }
    int PixelsPerInch() const { return pixelsPerInch_; }
    // Makes the images again at `dpi`; the handle stays the same.
    void SetPixelsPerInch(int dpi);

    // Appends the bitmap's pictures (one per `Width` pixels across); returns the index of the first.
    int Add(const TBitmap& image);
    // Appends a bitmap resource of this program (raises EInvalidImage when there is none).
    int AddResource(const char* name);
    void Clear();
    // Draws image `index` with its top-left corner at (x, y).
    void Draw(HDC dc, int x, int y, int index) const;

private:
    void AddScaled(const TBitmap& image);

    HIMAGELIST handle_ = nullptr; // owned
    int width_, height_;          // at 96 dpi
    int pixelsPerInch_ = kDesignDpi;
    std::vector<TBitmap> images_; // as given, for making them again at another resolution
};
