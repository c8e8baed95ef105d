#include "platform/gdi/Gdi.h"
#include "platform/gdi/Picture.h"
#include "platform/gdi/Surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace {

void Put16(std::vector<BYTE>& v, size_t at, unsigned x) {
    v[at] = static_cast<BYTE>(x);
    v[at + 1] = static_cast<BYTE>(x >> 8);
}
void Put32(std::vector<BYTE>& v, size_t at, DWORD x) {
    for (int i = 0; i < 4; ++i) {
        v[at + static_cast<size_t>(i)] = static_cast<BYTE>(x >> (8 * i));
    }
}

// A BMP file: 40-byte header (plus masks for bit fields), palette, then the rows as given
// (already padded, in file order).
std::vector<BYTE> MakeBmp(int width, int height, int bits, const std::vector<DWORD>& palette,
                          const std::vector<BYTE>& rows, DWORD compression = BI_RGB,
                          const std::vector<DWORD>& masks = {}) {
    const size_t header = 14 + 40 + masks.size() * 4 + palette.size() * 4;
    std::vector<BYTE> v(header);
    v[0] = 'B';
    v[1] = 'M';
    Put32(v, 2, static_cast<DWORD>(header + rows.size()));
    Put32(v, 10, static_cast<DWORD>(header));
    Put32(v, 14, 40);
    Put32(v, 18, static_cast<DWORD>(width));
    Put32(v, 22, static_cast<DWORD>(height));
    Put16(v, 26, 1);
    Put16(v, 28, static_cast<unsigned>(bits));
    Put32(v, 30, compression);
    Put32(v, 46, static_cast<DWORD>(palette.size()));
    size_t at = 54;
    for (DWORD m : masks) {
        Put32(v, at, m);
        at += 4;
    }
    for (DWORD c : palette) {
        Put32(v, at, c);
        at += 4;
    }
    v.insert(v.end(), rows.begin(), rows.end());
    return v;
}

COLORREF At(const gdi::Bitmap& b, int x, int y) {
    return b.GetColor(x, y);
}

TEST(Bmp, ReadsEveryBitDepth) {
    const DWORD red = 0x00FF0000; // palette entries are B, G, R, 0 in memory
    const DWORD green = 0x0000FF00;
    const DWORD blue = 0x000000FF;

    // 1 bit, 3x2, bottom-up: file row 0 is the bottom row.
    auto one = gdi::DecodeBmp(MakeBmp(3, 2, 1, {red, green}, {0xA0, 0, 0, 0, 0x40, 0, 0, 0}));
    ASSERT_TRUE(one);
    EXPECT_EQ(RGB(0, 255, 0), At(*one, 0, 1)); // bits 1,0,1 on the bottom row
    EXPECT_EQ(RGB(255, 0, 0), At(*one, 1, 1));
    EXPECT_EQ(RGB(0, 255, 0), At(*one, 2, 1));
    EXPECT_EQ(RGB(255, 0, 0), At(*one, 0, 0)); // bits 0,1,0 on the top row
    EXPECT_EQ(RGB(0, 255, 0), At(*one, 1, 0));
    EXPECT_TRUE(one->BottomUp());

    // 4 bit, top-down.
    auto four = gdi::DecodeBmp(MakeBmp(3, -1, 4, {red, green, blue}, {0x21, 0x00, 0, 0}));
    ASSERT_TRUE(four);
    EXPECT_EQ(RGB(0, 0, 255), At(*four, 0, 0));
    EXPECT_EQ(RGB(0, 255, 0), At(*four, 1, 0));
    EXPECT_EQ(RGB(255, 0, 0), At(*four, 2, 0));
    EXPECT_FALSE(four->BottomUp());

    // 8 bit, an index beyond the palette reads black rather than outside the table.
    auto eight = gdi::DecodeBmp(MakeBmp(2, 1, 8, {red, blue}, {1, 200, 0, 0}));
    ASSERT_TRUE(eight);
    EXPECT_EQ(RGB(0, 0, 255), At(*eight, 0, 0));
    EXPECT_EQ(RGB(0, 0, 0), At(*eight, 1, 0));

    // 24 bit, 1x2 bottom-up, rows padded to 4 bytes.
    auto rgb = gdi::DecodeBmp(MakeBmp(1, 2, 24, {}, {1, 2, 3, 0, 4, 5, 6, 0}));
    ASSERT_TRUE(rgb);
    EXPECT_EQ(RGB(3, 2, 1), At(*rgb, 0, 1));
    EXPECT_EQ(RGB(6, 5, 4), At(*rgb, 0, 0));

    // 32 bit BI_RGB keeps the fourth byte; BI_BITFIELDS follows the masks.
    auto argb = gdi::DecodeBmp(MakeBmp(1, 1, 32, {}, {10, 20, 30, 40}));
    ASSERT_TRUE(argb);
    EXPECT_EQ(0x281E140Au, argb->GetPixel(0, 0));
    auto fields = gdi::DecodeBmp(MakeBmp(1, 1, 32, {}, {0x11, 0x22, 0x33, 0x44}, BI_BITFIELDS,
                                         {0x000000FF, 0x0000FF00, 0x00FF0000}));
    ASSERT_TRUE(fields);
    EXPECT_EQ(RGB(0x11, 0x22, 0x33), At(*fields, 0, 0)); // red in the low byte

    // 16 bit 5-5-5.
    auto sixteen = gdi::DecodeBmp(MakeBmp(1, 1, 16, {}, {0x00, 0x7C, 0, 0}));
    ASSERT_TRUE(sixteen);
    EXPECT_EQ(RGB(255, 0, 0), At(*sixteen, 0, 0));
}

TEST(Bmp, ReadsCoreAndVersion4Headers) {
    // 12-byte core header: 16-bit sizes and 3-byte palette entries.
    std::vector<BYTE> core(14 + 12 + 2 * 3 + 4);
    core[0] = 'B';
    core[1] = 'M';
    Put32(core, 10, 14 + 12 + 6);
    Put32(core, 14, 12);
    Put16(core, 18, 2); // width
    Put16(core, 20, 1); // height
    Put16(core, 22, 1);
    Put16(core, 24, 1); // bits
    core[26] = 0x00;    // palette 0: black
    core[27] = 0x00;
    core[28] = 0x00;
    core[29] = 0xFF; // palette 1: blue
    core[30] = 0x00;
    core[31] = 0x00;
    core[32] = 0x40; // pixels 0, 1
    auto c = gdi::DecodeBmp(core);
    ASSERT_TRUE(c);
    EXPECT_EQ(RGB(0, 0, 0), At(*c, 0, 0));
    EXPECT_EQ(RGB(0, 0, 255), At(*c, 1, 0));

    // 108-byte header with bit-field masks inside it, alpha included.
    std::vector<BYTE> v4(14 + 108 + 4);
    v4[0] = 'B';
    v4[1] = 'M';
    Put32(v4, 10, 14 + 108);
    Put32(v4, 14, 108);
    Put32(v4, 18, 1);
    Put32(v4, 22, static_cast<DWORD>(-1));
    Put16(v4, 26, 1);
    Put16(v4, 28, 32);
    Put32(v4, 30, BI_BITFIELDS);
    Put32(v4, 54, 0xFF000000); // red in the top byte
    Put32(v4, 58, 0x00FF0000);
    Put32(v4, 62, 0x0000FF00);
    Put32(v4, 66, 0x000000FF); // alpha in the low byte
    Put32(v4, 122, 0x11223344);
    auto f = gdi::DecodeBmp(v4);
    ASSERT_TRUE(f);
    EXPECT_EQ(0x44112233u, f->GetPixel(0, 0));
}

TEST(Bmp, RejectsTruncatedAndHostileFiles) {
    std::vector<BYTE> good = MakeBmp(2, 2, 24, {}, std::vector<BYTE>(16, 0x7F));
    ASSERT_TRUE(gdi::DecodeBmp(good));
    for (size_t cut : {size_t{0}, size_t{2}, size_t{20}, size_t{54}, good.size() - 1}) {
        std::vector<BYTE> part(good.begin(), good.begin() + static_cast<long>(cut));
        EXPECT_FALSE(gdi::DecodeBmp(part)) << cut;
    }
    std::vector<BYTE> bad = good;
    Put32(bad, 10, 0xFFFFFFF0u); // pixel offset far beyond the file
    EXPECT_FALSE(gdi::DecodeBmp(bad));
    bad = good;
    Put32(bad, 18, 0x7FFFFFFF); // enormous width
    EXPECT_FALSE(gdi::DecodeBmp(bad));
    bad = good;
    Put32(bad, 22, 0x80000000u); // the most negative height
    EXPECT_FALSE(gdi::DecodeBmp(bad));
    bad = good;
    Put32(bad, 14, 0xFFFFFFFFu); // header size beyond the file
    EXPECT_FALSE(gdi::DecodeBmp(bad));
    bad = good;
    Put32(bad, 30, BI_RLE8);
    EXPECT_FALSE(gdi::DecodeBmp(bad));
    bad = good;
    bad[0] = 'P';
    EXPECT_FALSE(gdi::DecodeBmp(bad));
    EXPECT_EQ(nullptr, gdi::LoadPictureFromMemory(bad.data(), bad.size()));
    EXPECT_EQ(nullptr, gdi::LoadPictureFromMemory(nullptr, 0));
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/gditestXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::filesystem::path dir;
};

using BmpFiles = TempDir;

TEST_F(BmpFiles, LoadImageReadsAFileIntoADibSection) {
    const std::vector<BYTE> bytes = MakeBmp(1, 2, 24, {}, {1, 2, 3, 0, 4, 5, 6, 0});
    std::ofstream(dir / "Pic.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
    // The name is found regardless of case, as the skin names its files.
    std::u16string path = dir.u16string() + u"/pic.BMP";
    std::replace(path.begin(), path.end(), u'/', u'\\');
    HANDLE h = LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                          LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    ASSERT_NE(nullptr, h);
    HBITMAP bm = static_cast<HBITMAP>(h);
    BITMAP info;
    GetObjectW(bm, sizeof(info), &info);
    EXPECT_EQ(1, info.bmWidth);
    EXPECT_EQ(2, info.bmHeight);
    EXPECT_NE(nullptr, info.bmBits);
    EXPECT_EQ(RGB(6, 5, 4), gdi::BitmapFromHandle(bm)->GetColor(0, 0));

    HANDLE copy = CopyImage(h, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(RGB(3, 2, 1), gdi::BitmapFromHandle(static_cast<HBITMAP>(copy))->GetColor(0, 1));
    DeleteObject(static_cast<HBITMAP>(copy));
    EXPECT_EQ(nullptr, CopyImage(h, IMAGE_BITMAP, 100000, 100000, 0)); // far too large
    DeleteObject(bm);

    // A requested size stretches the picture.
    HANDLE sized = LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 2, 4, LR_LOADFROMFILE);
    ASSERT_NE(nullptr, sized);
    const gdi::Bitmap* big = gdi::BitmapFromHandle(static_cast<HBITMAP>(sized));
    EXPECT_EQ(2, big->Width());
    EXPECT_EQ(4, big->Height());
    EXPECT_EQ(RGB(6, 5, 4), big->GetColor(1, 1));
    EXPECT_EQ(RGB(3, 2, 1), big->GetColor(1, 3));
    DeleteObject(static_cast<HBITMAP>(sized));

    EXPECT_EQ(nullptr,
              LoadImageW(nullptr, u"/no/such/file.bmp", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

TEST_F(BmpFiles, SavesAPngFile) {
    gdi::Bitmap b(3, 2);
    b.Fill(gdi::PixelFromColorRef(RGB(1, 2, 3)));
    const auto file = dir / "shot.png";
    ASSERT_TRUE(gdi::SaveBitmapAsPng(b, file));
    std::ifstream in(file, std::ios::binary);
    char signature[8] = {};
    in.read(signature, 8);
    EXPECT_EQ(std::string("\x89PNG\r\n\x1a\n", 8), std::string(signature, 8));
    EXPECT_FALSE(gdi::SaveBitmapAsPng(b, dir / "missing" / "x.png"));
}

} // namespace
