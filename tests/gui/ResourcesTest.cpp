#include "resources/ResourceNames.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "runtime/Messages.h"

namespace {

struct BitmapInfo {
    int Width = 0;
    int Height = 0;
    int BitsPerPixel = 0;
    COLORREF BottomLeft = CLR_INVALID;
    COLORREF Corners[4] = {CLR_INVALID, CLR_INVALID, CLR_INVALID, CLR_INVALID}; // tl, tr, bl, br
};

// Loads a bitmap resource of this module as a DIB section, so its pixels keep their stored colours
// whatever the display's depth, and reads its size, depth and corner pixels.
BitmapInfo ReadBitmap(const char* name) {
    BitmapInfo info;
    HBITMAP bitmap = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap)
        return info;
    DIBSECTION dib{};
    GetObjectA(bitmap, sizeof dib, &dib);
    info.Width = dib.dsBm.bmWidth;
    info.Height = dib.dsBm.bmHeight;
    info.BitsPerPixel = dib.dsBm.bmBitsPixel;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const int right = info.Width - 1, bottom = info.Height - 1;
    info.Corners[0] = GetPixel(dc, 0, 0);
    info.Corners[1] = GetPixel(dc, right, 0);
    info.Corners[2] = info.BottomLeft = GetPixel(dc, 0, bottom);
    info.Corners[3] = GetPixel(dc, right, bottom);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return info;
}

TEST(ResourcesTest, StringTableHoldsEveryMessageOfThePortableTable) {
    int count = 0;
    for (const MessageEntry* entry = MessageTableBegin(); entry != MessageTableEnd(); ++entry, ++count) {
        char text[1024] = {};
        const int length = LoadStringA(GetModuleHandleA(nullptr), entry->Ident, text, sizeof text);
        EXPECT_EQ(std::string(text, length > 0 ? length : 0), entry->Text) << "message " << entry->Ident;
        EXPECT_EQ(LoadResString(entry->Ident), entry->Text);
    }
    EXPECT_GT(count, 10);
    char text[16] = {};
    EXPECT_EQ(LoadStringA(GetModuleHandleA(nullptr), 61440 + 4095, text, sizeof text), 0);
}

TEST(ResourcesTest, MainIconIs32By32) {
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), kMainIcon);
    ASSERT_NE(icon, nullptr);
    ICONINFO iconInfo{};
    ASSERT_TRUE(GetIconInfo(icon, &iconInfo));
    BITMAP mask{};
    GetObjectA(iconInfo.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(iconInfo.hbmColor ? mask.bmHeight : mask.bmHeight / 2, 32);
    ASSERT_NE(iconInfo.hbmColor, nullptr);
    BITMAP colour{};
    GetObjectA(iconInfo.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 32);
    EXPECT_EQ(colour.bmHeight, 32);
    DeleteObject(iconInfo.hbmMask);
    DeleteObject(iconInfo.hbmColor);
}

TEST(ResourcesTest, FolderGlyphIs14By12WithMagentaBottomLeft) {
    const BitmapInfo folder = ReadBitmap(kFolderGlyph);
    EXPECT_EQ(folder.Width, 14);
    EXPECT_EQ(folder.Height, 12);
    EXPECT_EQ(folder.BitsPerPixel, 4);
    EXPECT_EQ(folder.BottomLeft, RGB(255, 0, 255));
}

TEST(ResourcesTest, GlyphStripsHoldThree32By32ImagesOnOlive) {
    for (const char* name : {kRescanGlyph, kExitGlyph, kAboutGlyph}) {
        SCOPED_TRACE(name);
        const BitmapInfo strip = ReadBitmap(name);
        EXPECT_EQ(strip.Width, 96);
        EXPECT_EQ(strip.Height, 32);
        EXPECT_EQ(strip.BitsPerPixel, 4);
        EXPECT_EQ(strip.BottomLeft, RGB(128, 128, 0));
    }
}

TEST(ResourcesTest, NodeImagesAre16By16OnOlive) {
    for (const char* name : kNodeImages) {
        SCOPED_TRACE(name);
        const BitmapInfo image = ReadBitmap(name);
        EXPECT_EQ(image.Width, 16);
        EXPECT_EQ(image.Height, 16);
        EXPECT_EQ(image.BitsPerPixel, 24);
        EXPECT_EQ(image.Corners[0], RGB(127, 127, 0));
    }
    // The two window pictures stand on olive all round; the component's field turns white to the
    // lower right.
    for (const char* name : {kFormNodeImage, kEmptyFormNodeImage}) {
        SCOPED_TRACE(name);
        const BitmapInfo image = ReadBitmap(name);
        for (COLORREF corner : image.Corners)
            EXPECT_EQ(corner, RGB(127, 127, 0));
    }
    EXPECT_EQ(ReadBitmap(kComponentNodeImage).Corners[3], RGB(255, 255, 255));
}

// The manifest asks for common controls 6: the loader then takes comctl32 from the side-by-side
// assembly of version 6 instead of the system folder's older one.
TEST(ResourcesTest, ManifestSelectsCommonControls6) {
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(comctl, path, MAX_PATH);
    std::string lower(path);
    FreeLibrary(comctl);
    CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
    EXPECT_NE(lower.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::string::npos)
        << path;
}

TEST(ResourcesTest, VersionNamesTheProductAndItsAuthors) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, size, block.data()));
    auto value = [&](const char* key) {
        char* text = nullptr;
        UINT length = 0;
        const std::string query = std::string("\\StringFileInfo\\040904E4\\") + key;
        if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &length) || !text)
            return std::string();
        return std::string(text);
    };
    EXPECT_EQ(value("ProductName"), "Quorvel");
    EXPECT_EQ(value("CompanyName"), "The Quorvel authors");
    EXPECT_EQ(value("ProductVersion"), QUORVEL_VERSION);
    EXPECT_EQ(value("FileVersion"), QUORVEL_VERSION);
}

} // namespace
