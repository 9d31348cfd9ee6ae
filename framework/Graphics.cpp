#include "framework/Graphics.h"

#include "framework/Dpi.h"
#include "io/Os.h"
#include "runtime/Exceptions.h"

#include <algorithm>
#include <cstring>

COLORREF ColorToRGB(TColor color) {
    if (color < 0)
        return GetSysColor(color & 0xFF);
    return static_cast<COLORREF>(color) & 0xFFFFFF;
}

GdiObject& GdiObject::operator=(GdiObject&& other) noexcept {
    if (this != &other)
        Reset(std::exchange(other.handle_, nullptr));
    return *this;
}

void GdiObject::Reset(HGDIOBJ handle) {
    if (handle_ && handle_ != handle)
        DeleteObject(handle_);
    handle_ = handle;
}

// ---- Fonts, brushes, pens -----------------------------------------------------------------------------

void TGraphicsObject::Changed() {
    handle_.Reset();
    if (OnChange)
        OnChange(this);
}

void TFont::Assign(const TFont& source) {
    if (Equals(source))
        return;
    name_ = source.name_;
    height_ = source.height_;
    pixelsPerInch_ = source.pixelsPerInch_;
    color_ = source.color_;
    style_ = source.style_;
    charset_ = source.charset_;
    Changed();
}

bool TFont::Equals(const TFont& other) const {
    return name_ == other.name_ && height_ == other.height_ && color_ == other.color_ &&
           style_ == other.style_ && charset_ == other.charset_ && pixelsPerInch_ == other.pixelsPerInch_;
}

#define QV_SETTER(Class, Setter, field)                                                                      \
    if (field == value)                                                                                      \
        return;                                                                                              \
    field = value;                                                                                           \
    Changed();

void TFont::SetName(const std::string& value) {
    QV_SETTER(TFont, SetName, name_)
}
void TFont::SetHeight(int value) {
    QV_SETTER(TFont, SetHeight, height_)
}
void TFont::SetColor(TColor value) {
    // The colour is not part of the GDI font, so the font object stays: text drawn in alternating
    // colours does not make a new font for every change.
    if (color_ == value)
        return;
    color_ = value;
    if (OnChange)
        OnChange(this);
}
void TFont::SetStyle(TFontStyles value) {
    QV_SETTER(TFont, SetStyle, style_)
}
void TFont::SetCharset(BYTE value) {
    QV_SETTER(TFont, SetCharset, charset_)
}

void TFont::ScaleTo(int dpi) {
    if (dpi == pixelsPerInch_ || dpi <= 0)
        return;
    height_ = MulDiv(height_, dpi, pixelsPerInch_);
    pixelsPerInch_ = dpi;
    Changed();
}

static int ScreenPixelsPerInch() {
    WindowDC screen(nullptr);
    return GetDeviceCaps(screen.Handle(), LOGPIXELSY);
}

int TFont::Size() const {
    return -MulDiv(height_, 72, ScreenPixelsPerInch());
}
void TFont::SetSize(int points) {
    SetHeight(-MulDiv(points, ScreenPixelsPerInch(), 72));
}

HFONT TFont::Handle() const {
    if (!handle_) {
        LOGFONTW lf{};
        lf.lfHeight = height_;
        lf.lfWeight = (style_ & fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = (style_ & fsItalic) ? 1 : 0;
        lf.lfUnderline = (style_ & fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = (style_ & fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = charset_;
        lf.lfQuality = DEFAULT_QUALITY;
        lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
        lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        lf.lfPitchAndFamily = DEFAULT_PITCH;
        // MS Sans Serif has bitmaps for a few heights at 96 pixels per inch only: scaled, its text would
        // snap to the next smaller of them. Tahoma, which followed it on every system since, has them all.
        const bool scaled = pixelsPerInch_ != kDesignDpi;
        const std::wstring name = os::Widen(name_);
        const std::wstring face = scaled && lstrcmpiW(name.c_str(), L"MS Sans Serif") == 0 ? L"Tahoma" : name;
        lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
        handle_.Reset(CreateFontIndirectW(&lf));
        if (!handle_)
            throw EOutOfResources("Out of system resources");
    }
    return static_cast<HFONT>(handle_.Handle());
}

void TBrush::Assign(const TBrush& source) {
    if (color_ == source.color_ && style_ == source.style_)
        return;
    color_ = source.color_;
    style_ = source.style_;
    Changed();
}
void TBrush::SetColor(TColor value) {
    if (color_ == value && style_ == bsSolid)
        return;
    color_ = value;
    style_ = bsSolid; // a colour makes the brush solid again
    Changed();
}
void TBrush::SetStyle(TBrushStyle value){QV_SETTER(TBrush, SetStyle, style_)}

HBRUSH TBrush::Handle() const {
    if (!handle_) {
        handle_.Reset(style_ == bsClear ? GetStockObject(NULL_BRUSH) : CreateSolidBrush(ColorToRGB(color_)));
        if (!handle_)
            throw EOutOfResources("Out of system resources");
    }
    return static_cast<HBRUSH>(handle_.Handle());
}

void TPen::Assign(const TPen& source) {
    if (color_ == source.color_ && width_ == source.width_ && style_ == source.style_)
        return;
    color_ = source.color_;
    width_ = source.width_;
    style_ = source.style_;
    Changed();
}
void TPen::SetColor(TColor value) {
    QV_SETTER(TPen, SetColor, color_)
}
void TPen::SetWidth(int value) {
    QV_SETTER(TPen, SetWidth, width_)
}
void TPen::SetStyle(TPenStyle value){QV_SETTER(TPen, SetStyle, style_)}
#undef QV_SETTER

HPEN TPen::Handle() const {
    if (!handle_) {
        handle_.Reset(CreatePen(style_, width_, ColorToRGB(color_)));
        if (!handle_)
            throw EOutOfResources("Out of system resources");
    }
    return static_cast<HPEN>(handle_.Handle());
}

// ---- Canvas ----------------------------------------------------------------------------------------

TCanvas::TCanvas() {
    // A changed attribute is selected again at the next drawing call: the old object is about to be
    // deleted, so take it out of the context first.
    font_.OnChange = [this](TObject*) {
        if (fontSelected_ && dc_)
            SelectObject(dc_, oldFont_);
        fontSelected_ = false;
    };
    brush_.OnChange = [this](TObject*) {
        if (brushSelected_ && dc_)
            SelectObject(dc_, oldBrush_);
        brushSelected_ = false;
    };
    pen_.OnChange = [this](TObject*) {
        if (penSelected_ && dc_)
            SelectObject(dc_, oldPen_);
        penSelected_ = false;
    };
}

TCanvas::~TCanvas() {
    DeselectObjects();
}

HDC TCanvas::Handle() {
    if (!dc_)
        CreateHandle();
    if (!dc_)
        throw EOutOfResources("Canvas does not allow drawing");
    return dc_;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc_ == dc)
        return;
    DeselectObjects();
    dc_ = dc;
}

void TCanvas::DeselectObjects() {
    if (!dc_)
        return;
    if (fontSelected_)
        SelectObject(dc_, oldFont_);
    if (brushSelected_)
        SelectObject(dc_, oldBrush_);
    if (penSelected_)
        SelectObject(dc_, oldPen_);
    fontSelected_ = brushSelected_ = penSelected_ = false;
}

void TCanvas::RequireState(bool font, bool brush, bool pen) {
    HDC dc = Handle();
    if (font && !fontSelected_) {
        oldFont_ = SelectObject(dc, font_.Handle());
        fontSelected_ = true;
    }
    if (font) {
        SetTextColor(dc, ColorToRGB(font_.Color()));
    }
    if (brush && !brushSelected_) {
        oldBrush_ = SelectObject(dc, brush_.Handle());
        brushSelected_ = true;
    }
    if (brush) {
        if (brush_.Style() == bsClear) {
            SetBkMode(dc, TRANSPARENT);
        } else {
            SetBkColor(dc, ColorToRGB(brush_.Color()));
            SetBkMode(dc, OPAQUE);
        }
    }
    if (pen && !penSelected_) {
        oldPen_ = SelectObject(dc, pen_.Handle());
        penSelected_ = true;
    }
}

void TCanvas::Changed() {
    if (OnChange)
        OnChange(this);
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    RequireState(true, true, false);
    const std::wstring wide = os::Widen(text);
    ExtTextOutW(dc_, x, y, 0, nullptr, wide.data(), static_cast<UINT>(wide.size()), nullptr);
    Changed();
}

int TCanvas::DrawText(const std::string& text, RECT& rect, UINT format) {
    RequireState(true, true, false);
    const std::wstring wide = os::Widen(text);
    int height = ::DrawTextW(dc_, wide.data(), static_cast<int>(wide.size()), &rect, format);
    if (!(format & DT_CALCRECT))
        Changed();
    return height;
}

SIZE TCanvas::TextExtent(const std::string& text) {
    RequireState(true, false, false);
    SIZE size{};
    const std::wstring wide = os::Widen(text);
    GetTextExtentPoint32W(dc_, wide.data(), static_cast<int>(wide.size()), &size);
    return size;
}

void TCanvas::FillRect(const RECT& rect) {
    RequireState(false, true, false);
    ::FillRect(dc_, &rect, brush_.Handle());
    Changed();
}

void TCanvas::FrameRect(const RECT& rect) {
    RequireState(false, true, false);
    ::FrameRect(dc_, &rect, brush_.Handle());
    Changed();
}

void TCanvas::Rectangle(const RECT& rect) {
    RequireState(false, true, true);
    ::Rectangle(dc_, rect.left, rect.top, rect.right, rect.bottom);
    Changed();
}

void TCanvas::MoveTo(int x, int y) {
    RequireState(false, false, true);
    MoveToEx(dc_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
    RequireState(false, false, true);
    ::LineTo(dc_, x, y);
    Changed();
}

void TCanvas::DrawFocusRect(const RECT& rect) {
    RequireState(false, true, false);
    ::DrawFocusRect(dc_, &rect);
    Changed();
}

void TCanvas::CopyRect(const RECT& dest, TCanvas& source, const RECT& sourceRect) {
    RequireState(false, true, false);
    HDC sourceDC = source.Handle();
    StretchBlt(dc_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, sourceDC,
               sourceRect.left, sourceRect.top, sourceRect.right - sourceRect.left,
               sourceRect.bottom - sourceRect.top, CopyMode);
    Changed();
}

void TCanvas::Draw(int x, int y, TBitmap& bitmap) {
    if (bitmap.Empty())
        return;
    HDC dc = Handle();
    HDC source = bitmap.Canvas().Handle();
    const int w = bitmap.Width(), h = bitmap.Height();
    if (!bitmap.Transparent()) {
        BitBlt(dc, x, y, w, h, source, 0, 0, SRCCOPY);
    } else {
        // A monochrome mask holds 1 where the source has the transparent colour: the classic
        // invert / and / invert sequence then leaves those pixels of the destination alone.
        GdiObject mask(CreateBitmap(w, h, 1, 1, nullptr));
        MemoryDC maskDC(dc);
        CanvasSelection selectMask(maskDC.Handle(), mask.Handle());
        COLORREF oldBk = SetBkColor(source, ColorToRGB(bitmap.TransparentColor()));
        BitBlt(maskDC.Handle(), 0, 0, w, h, source, 0, 0, SRCCOPY);
        SetBkColor(source, oldBk);
        COLORREF oldDestBk = SetBkColor(dc, RGB(255, 255, 255));
        COLORREF oldDestText = SetTextColor(dc, RGB(0, 0, 0));
        BitBlt(dc, x, y, w, h, source, 0, 0, SRCINVERT);
        BitBlt(dc, x, y, w, h, maskDC.Handle(), 0, 0, SRCAND);
        BitBlt(dc, x, y, w, h, source, 0, 0, SRCINVERT);
        SetBkColor(dc, oldDestBk);
        SetTextColor(dc, oldDestText);
    }
    Changed();
}

TColor TCanvas::Pixel(int x, int y) {
    COLORREF c = GetPixel(Handle(), x, y);
    return c == CLR_INVALID ? clNone : static_cast<TColor>(c);
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    ::SetPixel(Handle(), x, y, ColorToRGB(color));
    Changed();
}

// ---- Bitmap ----------------------------------------------------------------------------------------

// The bitmap's canvas: a memory context holding the DIB section for as long as the canvas lives.
class TBitmap::BitmapCanvas : public TCanvas {
public:
    explicit BitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}
    ~BitmapCanvas() override { Release(); }
    void Release() {
        if (!memDC_)
            return;
        HDC dc = memDC_;
        SetHandle(nullptr);
        SelectObject(dc, oldBitmap_);
        DeleteDC(dc);
        memDC_ = nullptr;
    }

protected:
    void CreateHandle() override {
        if (bitmap_->Empty())
            bitmap_->CreateDib(1, 1, bitmap_->format_); // a canvas always has something to draw on
        memDC_ = CreateCompatibleDC(nullptr);
        if (!memDC_)
            throw EOutOfResources("Out of system resources");
        oldBitmap_ = SelectObject(memDC_, bitmap_->bitmap_.Handle());
        SetHandle(memDC_);
    }

private:
    TBitmap* bitmap_; // not owned: the bitmap owns its canvas
    HDC memDC_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) : format_(format) {
    SetSize(width, height);
}

TBitmap::TBitmap(const TBitmap& other) : TObject() {
    *this = other;
}

TBitmap& TBitmap::operator=(const TBitmap& other) {
    if (this == &other)
        return *this;
    ReleaseCanvasSelection();
    transparent_ = other.transparent_;
    transparentColor_ = other.transparentColor_;
    if (other.Empty()) {
        bitmap_.Reset();
        bits_ = nullptr;
        width_ = height_ = 0;
        format_ = other.format_;
    } else {
        CreateDib(other.width_, other.height_, other.format_);
        std::memcpy(bits_, other.bits_, static_cast<size_t>(Stride()) * static_cast<size_t>(height_));
    }
    Changed();
    return *this;
}

TBitmap::~TBitmap() {
    canvas_.reset();
}

void TBitmap::ReleaseCanvasSelection() {
    if (canvas_)
        canvas_->Release();
}

void TBitmap::CreateDib(int width, int height, TPixelFormat format) {
    ReleaseCanvasSelection();
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = format == pf32bit ? 32 : 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib)
        throw EOutOfResources("Out of system resources");
    GdiFlush();
    bitmap_.Reset(dib);
    bits_ = static_cast<BYTE*>(bits);
    width_ = width;
    height_ = height;
    format_ = format;
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == width_ && height == height_ && (bits_ || width == 0 || height == 0))
        return;
    if (width == 0 || height == 0) {
        ReleaseCanvasSelection();
        bitmap_.Reset();
        bits_ = nullptr;
        width_ = width;
        height_ = height;
        Changed();
        return;
    }
    TBitmap old;
    if (!Empty())
        old = *this;
    CreateDib(width, height, format_);
    std::memset(bits_, 0xFF, static_cast<size_t>(Stride()) * static_cast<size_t>(height_));
    if (!old.Empty()) {
        const size_t rowBytes = static_cast<size_t>(std::min(width_, old.width_) * BytesPerPixel());
        for (int y = 0; y < std::min(height_, old.height_); ++y)
            std::memcpy(ScanLine(y), old.ScanLine(y), rowBytes);
    }
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
    if (value == format_)
        return;
    if (Empty()) {
        format_ = value;
        return;
    }
    TBitmap old(*this);
    CreateDib(old.width_, old.height_, value);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            SetPixel(x, y, old.Pixel(x, y));
    Changed();
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
    if (!instance)
        instance = GetModuleHandleW(nullptr);
    HBITMAP loaded = static_cast<HBITMAP>(
        LoadImageW(instance, os::Widen(name).c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!loaded)
        throw EInvalidImage("Bitmap resource " + name + " not found");
    GdiObject owner(loaded);
    BITMAP info{};
    GetObjectW(loaded, sizeof info, &info);
    CreateDib(info.bmWidth, info.bmHeight, format_);
    MemoryDC source;
    CanvasSelection selectSource(source.Handle(), loaded);
    MemoryDC dest;
    CanvasSelection selectDest(dest.Handle(), bitmap_.Handle());
    BitBlt(dest.Handle(), 0, 0, width_, height_, source.Handle(), 0, 0, SRCCOPY);
    GdiFlush();
    Changed();
}

TColor TBitmap::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return clNone;
    GdiFlush();
    const BYTE* p = ScanLine(y) + x * BytesPerPixel();
    return static_cast<TColor>(RGB(p[2], p[1], p[0]));
}

void TBitmap::SetPixel(int x, int y, TColor color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return;
    GdiFlush();
    const COLORREF rgb = ColorToRGB(color);
    BYTE* p = ScanLine(y) + x * BytesPerPixel();
    p[0] = GetBValue(rgb);
    p[1] = GetGValue(rgb);
    p[2] = GetRValue(rgb);
    if (format_ == pf32bit)
        p[3] = 0;
    Changed();
}

BYTE* TBitmap::ScanLine(int y) {
    if (y < 0 || y >= height_)
        throw EInvalidImage("Scan line index out of range");
    GdiFlush();
    return bits_ + static_cast<size_t>(y) * static_cast<size_t>(Stride());
}

const BYTE* TBitmap::ScanLine(int y) const {
    return const_cast<TBitmap*>(this)->ScanLine(y);
}

void TBitmap::SetTransparent(bool value) {
    if (transparent_ == value)
        return;
    transparent_ = value;
    Changed();
}

TColor TBitmap::TransparentColor() const {
    if (transparentColor_ != clNone)
        return transparentColor_;
    if (Empty())
        return clNone;
    return Pixel(0, height_ - 1);
}

void TBitmap::SetTransparentColor(TColor value) {
    if (transparentColor_ == value)
        return;
    transparentColor_ = value;
    Changed();
}

TCanvas& TBitmap::Canvas() {
    if (!canvas_) {
        canvas_ = std::make_unique<BitmapCanvas>(this);
        canvas_->OnChange = [this](TObject*) { Changed(); };
    }
    return *canvas_;
}

void TBitmap::Changed() {
    if (OnChange)
        OnChange(this);
}
