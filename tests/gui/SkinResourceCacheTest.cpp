#include "gui/SkinResourceCache.h"
#include "SkinTestSupport.h"
#include "gui/GUIItem.h"
#include "gui/SkinFile.h"
#include "platform/base/WideChar.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Surface.h"

#include <gtest/gtest.h>

#include <filesystem>

using skintest::MakeBmp;
using skintest::ProgramFolder;

TEST(SkinResourceCache, OneEntryPerKeyAndKind) {
    ProgramFolder folder;
    folder.Write("skins/Face.bmp", MakeBmp(4, 3, [](int, int) { return 0x102030u; }));
    SkinResource* picture = SkinResourceCache::Find(u"Face.bmp", SKINRES_PICTURE);
    ASSERT_NE(picture, nullptr);
    ASSERT_NE(picture->GetBitmap(), nullptr);
    EXPECT_EQ(SkinResourceCache::Find(u"FACE.BMP", SKINRES_PICTURE), picture);
    EXPECT_EQ(picture->name.str(), u"Face.bmp");
    SkinResource* bitmap = SkinResourceCache::Find(u"face.bmp", SKINRES_BITMAP);
    EXPECT_NE(bitmap, picture);
    ASSERT_NE(bitmap->GetBitmap(), nullptr);
    EXPECT_NE(bitmap->GetBitmap(), picture->GetBitmap());
    EXPECT_EQ(bitmap->size, 54 + 4 * 3 * 4);
    EXPECT_EQ(SkinResourceCache::GetCount(), 2);
    BITMAP info{};
    ASSERT_NE(GetObjectW(picture->GetBitmap(), sizeof(info), &info), 0);
    EXPECT_EQ(info.bmWidth, 4);
    EXPECT_EQ(info.bmHeight, 3);
    EXPECT_EQ(SkinResourceCache::GetSize(u"never.bmp"), 0);
    EXPECT_EQ(SkinResourceCache::GetSize(u"FACE.bmp"), 0); // the first entry is a picture
}

TEST(SkinResourceCache, LoadSkinBitmapByNameTakesTheBmpKind) {
    ProgramFolder folder;
    folder.Write("skins/Thumb.bmp", MakeBmp(6, 4, [](int, int) { return 0x405060u; }));
    HBITMAP thumb = LoadSkinBitmapByName(u"THUMB.bmp");
    ASSERT_NE(thumb, nullptr);
    EXPECT_EQ(thumb, SkinResourceCache::Find(u"thumb.bmp", SKINRES_BITMAP)->GetBitmap());
    EXPECT_NE(thumb, SkinResourceCache::Find(u"Thumb.bmp", SKINRES_PICTURE)->GetBitmap());
    EXPECT_EQ(LoadSkinBitmapByName(u"Thumb.bmp"), thumb); // loaded once
    EXPECT_EQ(SkinResourceCache::GetCount(), 2);
    EXPECT_EQ(LoadSkinBitmapByName(u"missing.bmp"), nullptr);
    EXPECT_EQ(LoadSkinBitmapByName(nullptr), nullptr);
}

TEST(SkinResourceCache, MissingFilesAreNotTriedAgain) {
    ProgramFolder folder;
    SkinResource* missing = SkinResourceCache::Find(u"late.bmp", SKINRES_PICTURE);
    ASSERT_NE(missing, nullptr);
    EXPECT_FALSE(missing->HasObject());
    folder.Write("skins/late.bmp", MakeBmp(2, 2, [](int, int) { return 0u; }));
    EXPECT_EQ(SkinResourceCache::Find(u"late.bmp", SKINRES_PICTURE), missing);
    EXPECT_FALSE(missing->HasObject());
    EXPECT_EQ(SkinResourceCache::GetCount(), 1);
    folder.Write("skins/broken.bmp", "BM not really a bitmap");
    EXPECT_EQ(SkinResourceCache::Find(u"broken.bmp", SKINRES_PICTURE)->GetBitmap(), nullptr);
    EXPECT_EQ(SkinResourceCache::Find(u"broken.bmp", SKINRES_BITMAP)->GetBitmap(), nullptr);
}

TEST(SkinResourceCache, KindFoldersAndFiles) {
    ProgramFolder folder;
    const CString root = CString(ExeFolder);
    EXPECT_EQ(SkinResourceCache::Find(u"a.ttf", SKINRES_FONTFILE)->path, root + u"fonts\\a.ttf");
    EXPECT_EQ(SkinResourceCache::Find(u"a.txt", SKINRES_LANGFILE)->path, root + u"lang\\a.txt");
    EXPECT_EQ(SkinResourceCache::Find(u"a.bmp", 2)->path, root + u"skins\\a.bmp");
    EXPECT_EQ(SkinResourceCache::Find(u"a.bmp", SKINRES_BITMAP)->path, root + u"skins\\a.bmp");

    folder.Write("lang/English.txt", std::string("\xFF\xFEx\0", 4));
    SkinResource* text = SkinResourceCache::Find(u"english.TXT", SKINRES_LANGFILE);
    ASSERT_NE(text->GetData(), nullptr);
    EXPECT_EQ(text->size, 4);
    EXPECT_EQ(text->GetData()[2], 'x');
    EXPECT_EQ(SkinResourceCache::GetSize(u"ENGLISH.txt"), 4);
    folder.Write("lang/empty.txt", "");
    EXPECT_FALSE(SkinResourceCache::Find(u"empty.txt", SKINRES_LANGFILE)->HasObject());

    const std::filesystem::path font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (std::filesystem::exists(font)) {
        std::filesystem::copy_file(font, folder.Root() / "fonts" / "Skin.ttf");
        SkinResource* entry = SkinResourceCache::Find(u"Skin.ttf", SKINRES_FONTFILE);
        EXPECT_GT(entry->GetFontCount(), 0);
        EXPECT_EQ(entry->size, static_cast<int>(std::filesystem::file_size(font)));
        entry->Unload();
        EXPECT_EQ(entry->kind, -1);
        EXPECT_FALSE(entry->HasObject());
    }
    SkinResourceCache::Clear();
    EXPECT_EQ(SkinResourceCache::GetCount(), 0);
}

TEST(SkinResourceCache, CopyBitmapSection) {
    ProgramFolder folder;
    folder.Write("skins/grid.bmp", MakeBmp(10, 8, [](int x, int y) {
                     return static_cast<std::uint32_t>(x * 16 + y);
                 }));
    HBITMAP source = SkinResourceCache::Find(u"grid.bmp", SKINRES_PICTURE)->GetBitmap();
    ASSERT_NE(source, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP target = nullptr;
    CopyBitmapSection(target, dc, nullptr, 0, 0, 5, 5);
    EXPECT_EQ(target, nullptr);
    CopyBitmapSection(target, dc, source, 2, 3, 7, 8);
    ASSERT_NE(target, nullptr);
    BITMAP info{};
    GetObjectW(target, sizeof(info), &info);
    EXPECT_EQ(info.bmWidth, 5);
    EXPECT_EQ(info.bmHeight, 5);
    // The cut reads the cached picture's pixels instead of a copy of them.
    EXPECT_TRUE(gdi::BitmapFromHandle(target)->SharesPixelsWith(*gdi::BitmapFromHandle(source)));
    HBITMAP other = nullptr;
    CopyBitmapSection(other, dc, source, 2, 3, 7, 8);
    HGDIOBJ old = SelectObject(dc, ToGdiObj(target));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 2 * 16 + 3));
    EXPECT_EQ(GetPixel(dc, 4, 4), RGB(0, 0, 6 * 16 + 7));
    // Drawing on one cut changes neither the picture nor the other cut.
    SetPixel(dc, 0, 0, RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(1, 2, 3));
    EXPECT_FALSE(gdi::BitmapFromHandle(target)->SharesPixelsWith(*gdi::BitmapFromHandle(source)));
    SelectObject(dc, ToGdiObj(other));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(0, 0, 2 * 16 + 3));
    SelectObject(dc, ToGdiObj(source));
    EXPECT_EQ(GetPixel(dc, 2, 3), RGB(0, 0, 2 * 16 + 3));
    // A rectangle reaching out of the picture: its own pixels, 0 outside.
    CopyBitmapSection(other, dc, source, 8, 6, 12, 9);
    SelectObject(dc, ToGdiObj(other));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(0, 0, 9 * 16 + 7));
    EXPECT_EQ(GetPixel(dc, 2, 1), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 2), RGB(0, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(target);
    DeleteObject(other);
    EXPECT_EQ(GetFileSize(u"\\no\\such\\file"), 0u);
}

TEST(SkinResourceCache, WhatCannotBeReadAsAFileIsMissing) {
    ProgramFolder folder;
    std::filesystem::create_directories(folder.Root() / "skins" / "folder.bmp");
    std::filesystem::create_directories(folder.Root() / "lang" / "folder.txt");
    std::filesystem::create_directories(folder.Root() / "fonts" / "folder.ttf");
    // A folder named as a resource, and the kind folders themselves (an empty key): entries
    // without an object, as for a missing file.
    for (const WCHAR* key : {u"folder.bmp", u""}) {
        EXPECT_EQ(SkinResourceCache::Find(key, SKINRES_PICTURE)->GetBitmap(), nullptr);
        EXPECT_EQ(SkinResourceCache::Find(key, SKINRES_BITMAP)->GetBitmap(), nullptr);
    }
    for (const WCHAR* key : {u"folder.txt", u""}) {
        SkinResource* text = SkinResourceCache::Find(key, SKINRES_LANGFILE);
        EXPECT_FALSE(text->HasObject());
        EXPECT_EQ(text->size, 0);
    }
    for (const WCHAR* key : {u"folder.ttf", u""}) {
        EXPECT_EQ(SkinResourceCache::Find(key, SKINRES_FONTFILE)->GetFontCount(), 0);
    }
    HBITMAP bitmap = nullptr;
    EXPECT_FALSE(LoadPictureFile(CString(ExeFolder) + u"skins\\folder.bmp", bitmap));
    EXPECT_EQ(bitmap, nullptr);
    EXPECT_EQ(GetFileSize(CString(ExeFolder) + u"skins\\folder.bmp"), 0u);
}

TEST(SkinResourceCache, PicturesLoadedAheadAreTheOnesFindGives) {
    ProgramFolder folder;
    folder.Write("skins/ahead.bmp", MakeBmp(6, 4, [](int x, int y) {
                     return static_cast<std::uint32_t>(x * 16 + y);
                 }));
    SkinResourceCache::Clear();
    const size_t objects = gdi::LiveObjectCount();
    // Loaded ahead, then found: one entry, the picture's pixels, nothing loaded twice.
    SkinResourceCache::LoadPictureAhead(u"ahead.bmp");
    SkinResourceCache::LoadPictureAhead(u"AHEAD.bmp"); // on its way already
    EXPECT_EQ(SkinResourceCache::GetCount(), 0);
    SkinResource* entry = SkinResourceCache::Find(u"ahead.bmp", SKINRES_PICTURE);
    ASSERT_NE(entry->GetBitmap(), nullptr);
    EXPECT_EQ(entry->kind, SKINRES_PICTURE);
    EXPECT_EQ(gdi::BitmapFromHandle(entry->GetBitmap())->GetColor(5, 3), RGB(0, 0, 5 * 16 + 3));
    EXPECT_EQ(SkinResourceCache::Find(u"Ahead.BMP", SKINRES_PICTURE), entry);
    EXPECT_EQ(SkinResourceCache::GetCount(), 1);
    EXPECT_EQ(gdi::LiveObjectCount(), objects + 1);
    SkinResourceCache::LoadPictureAhead(u"ahead.bmp"); // cached: nothing to do
    // A missing file loaded ahead gives an entry without a picture, as a Find does.
    SkinResourceCache::LoadPictureAhead(u"missing.bmp");
    EXPECT_EQ(SkinResourceCache::Find(u"missing.bmp", SKINRES_PICTURE)->GetBitmap(), nullptr);
    // Pictures loaded ahead and then dropped, or still on their way at Clear, are freed.
    folder.Write("skins/other.bmp", MakeBmp(2, 2, [](int, int) { return 0u; }));
    SkinResourceCache::LoadPictureAhead(u"other.bmp");
    SkinResourceCache::DropPictureAhead(u"other.bmp");
    SkinResourceCache::LoadPictureAhead(u"other.bmp");
    SkinResourceCache::Clear();
    EXPECT_EQ(gdi::LiveObjectCount(), objects);
    EXPECT_EQ(SkinResourceCache::GetCount(), 0);

    // A skin file's panel pictures, loaded ahead of its window: found in the cache by the
    // skin's own load; the ones never asked for are dropped.
    folder.Write("xml/Ahead.xml", "<GUIPANEL><BACKGROUND>ahead.bmp</BACKGROUND>"
                                  "<MASK>other.bmp</MASK></GUIPANEL>");
    LoadSkinPicturesAhead(u"Ahead.xml");
    EXPECT_EQ(SkinResourceCache::GetCount(), 0);
    EXPECT_EQ(
        gdi::BitmapFromHandle(SkinResourceCache::Find(u"ahead.bmp", SKINRES_PICTURE)->GetBitmap())
            ->GetColor(1, 2),
        RGB(0, 0, 1 * 16 + 2));
    EXPECT_EQ(SkinResourceCache::GetCount(), 1);
    DropSkinPicturesAhead(); // the mask was never asked for
    EXPECT_EQ(gdi::LiveObjectCount(), objects + 1);
    SkinResourceCache::Clear();
    EXPECT_EQ(gdi::LiveObjectCount(), objects);
}
