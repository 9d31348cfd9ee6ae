#include "framework/ImageList.h"

#include "framework/Dpi.h"
#include "framework/Graphics.h"
#include "runtime/Exceptions.h"

TImageList::TImageList(TComponent* owner, int width, int height)
    : TComponent(owner), width_(width), height_(height) {
    // ILC_COLOR24 without ILC_MASK: the pictures carry their own background and are drawn opaque.
    handle_ = ImageList_Create(width, height, ILC_COLOR24, 4, 4);
    if (!handle_)
        throw EOutOfResources("Out of system resources");
}

TImageList::~TImageList() {
    ImageList_Destroy(handle_);
}

int TImageList::Width() const {
    return ScaleValue(width_, pixelsPerInch_);
}

int TImageList::Height() const {
    return ScaleValue(height_, pixelsPerInch_);
}

int TImageList::Count() const {
    return ImageList_GetImageCount(handle_);
}

int TImageList::Add(const TBitmap& image) {
    if (image.Empty() || image.Height() != height_ || image.Width() % width_ != 0)
        throw EInvalidOperation("Invalid image size");
    const int index = Count();
    AddScaled(image);
    images_.push_back(image);
    return index;
}

void TImageList::AddScaled(const TBitmap& image) {
    int added;
    if (pixelsPerInch_ == kDesignDpi) {
        added = ImageList_Add(handle_, image.Handle(), nullptr);
    } else {
        // A whole number of scaled images across, so that no picture takes pixels of its neighbour.
        const TBitmap scaled = ScaleBitmap(image, image.Width() / width_ * Width(), Height());
        added = ImageList_Add(handle_, scaled.Handle(), nullptr);
    }
    if (added < 0)
        throw EOutOfResources("Out of system resources");
}

void TImageList::SetPixelsPerInch(int dpi) {
    if (dpi == pixelsPerInch_ || dpi <= 0)
        return;
    pixelsPerInch_ = dpi;
    // Setting the size empties the list.
    ImageList_SetIconSize(handle_, Width(), Height());
    for (const TBitmap& image : images_)
        AddScaled(image);
}

int TImageList::AddResource(const char* name) {
    TBitmap image;
    image.LoadFromResourceName(nullptr, name);
    return Add(image);
}

void TImageList::Clear() {
    images_.clear();
    ImageList_Remove(handle_, -1);
}

void TImageList::Draw(HDC dc, int x, int y, int index) const {
    ImageList_Draw(handle_, index, dc, x, y, ILD_NORMAL);
}
