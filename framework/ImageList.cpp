#include "framework/ImageList.h"

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

int TImageList::Count() const {
    return ImageList_GetImageCount(handle_);
}

int TImageList::Add(const TBitmap& image) {
    if (image.Empty() || image.Height() != height_ || image.Width() % width_ != 0)
        throw EInvalidOperation("Invalid image size");
    const int index = ImageList_Add(handle_, image.Handle(), nullptr);
    if (index < 0)
        throw EOutOfResources("Out of system resources");
    return index;
}

int TImageList::AddResource(const char* name) {
    TBitmap image;
    image.LoadFromResourceName(nullptr, name);
    return Add(image);
}

void TImageList::Clear() {
    ImageList_Remove(handle_, -1);
}

void TImageList::Draw(HDC dc, int x, int y, int index) const {
    ImageList_Draw(handle_, index, dc, x, y, ILD_NORMAL);
}
