#pragma once

#include "framework/Dpi.h"
#include "runtime/Object.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// A colour: 0x00BBGGRR, or 0x80000000 | COLOR_xxx for a system colour looked up when drawing.
using TColor = std::int32_t;

constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u | unsigned(index));
}

constexpr TColor clScrollBar = SystemColor(COLOR_SCROLLBAR);
constexpr TColor clBackground = SystemColor(COLOR_BACKGROUND);
constexpr TColor clActiveCaption = SystemColor(COLOR_ACTIVECAPTION);
constexpr TColor clInactiveCaption = SystemColor(COLOR_INACTIVECAPTION);
constexpr TColor clMenu = SystemColor(COLOR_MENU);
constexpr TColor clWindow = SystemColor(COLOR_WINDOW);
constexpr TColor clWindowFrame = SystemColor(COLOR_WINDOWFRAME);
constexpr TColor clMenuText = SystemColor(COLOR_MENUTEXT);
constexpr TColor clWindowText = SystemColor(COLOR_WINDOWTEXT);
constexpr TColor clCaptionText = SystemColor(COLOR_CAPTIONTEXT);
constexpr TColor clActiveBorder = SystemColor(COLOR_ACTIVEBORDER);
constexpr TColor clInactiveBorder = SystemColor(COLOR_INACTIVEBORDER);
constexpr TColor clAppWorkSpace = SystemColor(COLOR_APPWORKSPACE);
constexpr TColor clHighlight = SystemColor(COLOR_HIGHLIGHT);
constexpr TColor clHighlightText = SystemColor(COLOR_HIGHLIGHTTEXT);
constexpr TColor clBtnFace = SystemColor(COLOR_BTNFACE);
constexpr TColor clBtnShadow = SystemColor(COLOR_BTNSHADOW);
constexpr TColor clGrayText = SystemColor(COLOR_GRAYTEXT);
constexpr TColor clBtnText = SystemColor(COLOR_BTNTEXT);
constexpr TColor clInactiveCaptionText = SystemColor(COLOR_INACTIVECAPTIONTEXT);
constexpr TColor clBtnHighlight = SystemColor(COLOR_BTNHIGHLIGHT);
constexpr TColor cl3DDkShadow = SystemColor(COLOR_3DDKSHADOW);
constexpr TColor cl3DLight = SystemColor(COLOR_3DLIGHT);
constexpr TColor clInfoText = SystemColor(COLOR_INFOTEXT);
constexpr TColor clInfoBk = SystemColor(COLOR_INFOBK);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;

// The RGB value of a colour, system colours looked up now.
COLORREF ColorToRGB(TColor color);

// ---- Handles with one owner --------------------------------------------------------------------------

// Owns one GDI object and deletes it exactly once.
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(HGDIOBJ handle) : handle_(handle) {}
    GdiObject(GdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    GdiObject& operator=(GdiObject&& other) noexcept;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    ~GdiObject() { Reset(); }

    HGDIOBJ Handle() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(HGDIOBJ handle = nullptr);

private:
    HGDIOBJ handle_ = nullptr;
};

// Selects a GDI object into a device context for the scope; the previous object comes back at its end.
class CanvasSelection {
public:
    CanvasSelection(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? SelectObject(dc, object) : nullptr) {}
    template <class T, class = decltype(std::declval<T&>().Handle())>
    CanvasSelection(HDC dc, T& object) : CanvasSelection(dc, static_cast<HGDIOBJ>(object.Handle())) {}
    CanvasSelection(const CanvasSelection&) = delete;
    CanvasSelection& operator=(const CanvasSelection&) = delete;
    ~CanvasSelection() {
        if (old_)
            SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// BeginPaint/EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window) { dc_ = BeginPaint(window, &ps_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    ~PaintDC() { EndPaint(window_, &ps_); }
    HDC Handle() const { return dc_; }
    const RECT& PaintRect() const { return ps_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT ps_{};
    HDC dc_;
};

// GetDC/ReleaseDC (a null window gives the screen).
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    HDC Handle() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// CreateCompatibleDC/DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC compatibleWith = nullptr) : dc_(CreateCompatibleDC(compatibleWith)) {}
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    ~MemoryDC() {
        if (dc_)
            DeleteDC(dc_);
    }
    HDC Handle() const { return dc_; }

private:
    HDC dc_;
};

// SaveDC/RestoreDC.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : dc_(dc), saved_(SaveDC(dc)) {}
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;
    ~SavedDC() { RestoreDC(dc_, saved_); }

private:
    HDC dc_;
    int saved_;
};

// ---- Fonts, brushes, pens -----------------------------------------------------------------------------

// A drawing attribute with a lazily made GDI object; every change drops the object and fires OnChange.
class TGraphicsObject : public TObject {
public:
    TNotifyEvent OnChange;

protected:
    void Changed();
    mutable GdiObject handle_;
};

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

class TFont : public TGraphicsObject {
public:
    TFont() = default;
    void Assign(const TFont& source);
    bool Equals(const TFont& other) const;

    const std::string& Name() const { return name_; }
    void SetName(const std::string& value);
    int Height() const { return height_; } // negative: character height in pixels
    void SetHeight(int value);
    int Size() const; // points at the screen's pixels per inch
    void SetSize(int points);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles value);
    BYTE Charset() const { return charset_; }
    void SetCharset(BYTE value);
    // The resolution the height is meant for (96 until scaled). Away from 96 a face made only of
    // bitmaps for 96 pixels per inch is drawn with its outline successor, which has every height.
    int PixelsPerInch() const { return pixelsPerInch_; }
    // The height as the same font at `dpi` (one change).
    void ScaleTo(int dpi);

    HFONT Handle() const;

private:
    std::string name_ = "MS Sans Serif";
    int height_ = -11;
    int pixelsPerInch_ = kDesignDpi;
    TColor color_ = clWindowText;
    TFontStyles style_ = 0;
    BYTE charset_ = DEFAULT_CHARSET;
};

enum TBrushStyle { bsSolid, bsClear };

class TBrush : public TGraphicsObject {
public:
    void Assign(const TBrush& source);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle value);
    HBRUSH Handle() const;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

enum TPenStyle { psSolid = PS_SOLID, psDash = PS_DASH, psDot = PS_DOT, psClear = PS_NULL };

class TPen : public TGraphicsObject {
public:
    void Assign(const TPen& source);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    int Width() const { return width_; }
    void SetWidth(int value);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle value);
    HPEN Handle() const;

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
};

// ---- Canvas ----------------------------------------------------------------------------------------

class TBitmap;

// Drawing on a device context with its own font, brush and pen. The canvas selects them while it draws
// and puts the context's own objects back when the handle is released, so nothing leaks into the next
// paint. Text is drawn on the brush colour, or transparently when the brush style is bsClear.
class TCanvas : public TObject {
public:
    TCanvas();
    ~TCanvas() override;

    HDC Handle(); // may create one (see CreateHandle)
    bool HandleAllocated() const { return dc_ != nullptr; }
    void SetHandle(HDC dc); // attaches a context the caller owns; nullptr detaches

    TFont& Font() { return font_; }
    TBrush& Brush() { return brush_; }
    TPen& Pen() { return pen_; }
    DWORD CopyMode = SRCCOPY;

    void TextOut(int x, int y, const std::string& text);
    int DrawText(const std::string& text, RECT& rect, UINT format); // returns the text height
    SIZE TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    void FillRect(const RECT& rect);  // with the brush
    void FrameRect(const RECT& rect); // one pixel, with the brush
    void Rectangle(const RECT& rect); // pen outline, brush inside
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void DrawFocusRect(const RECT& rect);
    // Copies a rectangle of another canvas, stretched to `dest`, with CopyMode.
    void CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect);
    // Draws a bitmap at its size; a transparent bitmap leaves its transparent colour undrawn.
    void Draw(int x, int y, TBitmap& bitmap);
    TColor Pixel(int x, int y);
    void SetPixel(int x, int y, TColor color);

    TNotifyEvent OnChange; // after every drawing call

protected:
    virtual void CreateHandle() {} // a canvas over a window or bitmap makes its context here
    void Changed();

private:
    void RequireState(bool font, bool brush, bool pen);
    void DeselectObjects();

    HDC dc_ = nullptr;
    TFont font_;
    TBrush brush_;
    TPen pen_;
    HGDIOBJ oldFont_ = nullptr, oldBrush_ = nullptr, oldPen_ = nullptr; // the context's own objects
    bool fontSelected_ = false, brushSelected_ = false, penSelected_ = false;
};

// ---- Bitmap ----------------------------------------------------------------------------------------

enum TPixelFormat { pf24bit, pf32bit };

// A device-independent bitmap whose pixels are readable and writable. Copying copies the pixels.
// OnChange fires after every change of size, content or drawing through its canvas.
class TBitmap : public TObject {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pf24bit);
    TBitmap(const TBitmap& other);
    TBitmap& operator=(const TBitmap& other);
    ~TBitmap() override;

    void Assign(const TBitmap& source) { *this = source; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetWidth(int value) { SetSize(value, height_); }
    void SetHeight(int value) { SetSize(width_, value); }
    void SetSize(int width, int height); // keeps the top-left content; new pixels are white
    bool Empty() const { return width_ == 0 || height_ == 0; }
    TPixelFormat PixelFormat() const { return format_; }
    void SetPixelFormat(TPixelFormat value);
    void Clear() { SetSize(0, 0); }

    // Replaces the content with a bitmap resource of `instance` (nullptr: this program).
    // Raises EInvalidImage when there is no such resource.
    void LoadFromResourceName(HINSTANCE instance, const std::string& name);

    TColor Pixel(int x, int y) const; // clNone outside the bitmap
    void SetPixel(int x, int y, TColor color);
    BYTE* ScanLine(int y); // top row first; 3 or 4 bytes per pixel, blue first
    const BYTE* ScanLine(int y) const;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    // The colour of the bottom-left pixel, unless set; clNone for an empty bitmap.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor value); // clNone returns to the bottom-left rule

    TCanvas& Canvas();
    HBITMAP Handle() const { return static_cast<HBITMAP>(bitmap_.Handle()); }

    TNotifyEvent OnChange;

private:
    class BitmapCanvas;
    void Changed();
    void ReleaseCanvasSelection();
    void CreateDib(int width, int height, TPixelFormat format);
    int BytesPerPixel() const { return format_ == pf32bit ? 4 : 3; }
    int Stride() const { return ((width_ * BytesPerPixel()) + 3) & ~3; }

    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = pf24bit;
    GdiObject bitmap_;
    BYTE* bits_ = nullptr; // owned by bitmap_
    bool transparent_ = false;
    TColor transparentColor_ = clNone;
    std::unique_ptr<BitmapCanvas> canvas_;
};
