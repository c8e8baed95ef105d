#include "Canvas.h"

#include "platform/base/Path.h"
#include "platform/gdi/FontEngine.h"
#include "platform/gdi/Gdi.h"
#include "tests/support/NamedPipe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr COLORREF kBack = RGB(0, 0, 0);
constexpr COLORREF kInk = RGB(255, 255, 255);
const char* const kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

class Text : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(kFontFile)) {
            GTEST_SKIP() << "no test font";
        }
        std::u16string path;
        for (const char* p = kFontFile; *p != 0; ++p) {
            path.push_back(*p == '/' ? u'\\' : static_cast<char16_t>(*p));
        }
        fontPath = path;
        ASSERT_EQ(1, AddFontResourceExW(fontPath.c_str(), FR_PRIVATE, nullptr));
        font = CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0x20, u"DejaVu Sans");
    }
    void TearDown() override {
        if (font != nullptr) {
            DeleteObject(font);
            RemoveFontResourceExW(fontPath.c_str(), FR_PRIVATE, nullptr);
        }
    }
    // Draws into a fresh canvas and returns the inked box.
    RECT Draw(Canvas& c, const char16_t* text, RECT rect, UINT format) {
        HFONT old = SelectObject(c.dc, font);
        SetBkMode(c.dc, TRANSPARENT);
        SetTextColor(c.dc, kInk);
        DrawTextW(c.dc, text, -1, &rect, format);
        SelectObject(c.dc, old);
        return c.Ink(kBack);
    }

    std::u16string fontPath;
    HFONT font = nullptr;
};

TEST_F(Text, MetricsAndExtentsFollowTheFont) {
    Canvas c(10, 10);
    SelectObject(c.dc, font);
    TEXTMETRICW tm;
    ASSERT_TRUE(GetTextMetricsW(c.dc, &tm));
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_GE(tm.tmHeight, 20);
    EXPECT_LE(tm.tmHeight, 26);
    SIZE one;
    SIZE two;
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"Mouse", 5, &one));
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc, u"MouseMouse", 10, &two));
    EXPECT_EQ(tm.tmHeight, one.cy);
    EXPECT_EQ(2 * one.cx, two.cx);
    EXPECT_GT(one.cx, 40);
    WCHAR face[32];
    GetTextFaceW(c.dc, 32, face);
    EXPECT_EQ(std::u16string(u"DejaVu Sans"), std::u16string(face));

    // A positive height is the cell height.
    HFONT cell = CreateFontW(14, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0x20, u"DejaVu Sans");
    SelectObject(c.dc, cell);
    GetTextMetricsW(c.dc, &tm);
    EXPECT_EQ(14, tm.tmHeight);
    EXPECT_EQ(FW_BOLD, tm.tmWeight);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(cell);

    // A face's full name ("Family Style") picks that face of an added file.
    const char16_t* boldFile = u"\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans-Bold.ttf";
    if (AddFontResourceExW(boldFile, FR_PRIVATE, nullptr) == 1) {
        HFONT regular =
            CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"DejaVu Sans");
        HFONT byName =
            CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, u"DejaVu Sans Bold");
        SIZE plain;
        SIZE bold;
        SelectObject(c.dc, regular);
        GetTextExtentPoint32W(c.dc, u"Mouse", 5, &plain);
        SelectObject(c.dc, byName);
        GetTextExtentPoint32W(c.dc, u"Mouse", 5, &bold);
        EXPECT_GT(bold.cx, plain.cx);
        SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(regular);
        DeleteObject(byName);
        EXPECT_TRUE(RemoveFontResourceExW(boldFile, FR_PRIVATE, nullptr));
    }
}

TEST_F(Text, AlignmentPlacesTheInk) {
    const RECT box{10, 10, 190, 50};
    Canvas left(200, 60);
    const RECT l = Draw(left, u"Hello", box, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    EXPECT_GE(l.left, 10);
    EXPECT_LE(l.left, 13);

    Canvas right(200, 60);
    const RECT r = Draw(right, u"Hello", box, DT_RIGHT | DT_SINGLELINE | DT_VCENTER);
    EXPECT_LE(r.right, 190);
    EXPECT_GE(r.right, 186);

    Canvas centre(200, 60);
    const RECT m = Draw(centre, u"Hello", box, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    EXPECT_NEAR(100, (m.left + m.right) / 2, 2);
    // Vertically centred: the ink's middle is near the box's middle (cap letters sit a
    // little above the cell's centre because of the descent).
    EXPECT_NEAR(30, (m.top + m.bottom) / 2, 4);
    EXPECT_EQ(l.right - l.left, m.right - m.left);

    Canvas bottom(200, 60);
    const RECT b = Draw(bottom, u"Hello", box, DT_SINGLELINE | DT_BOTTOM);
    EXPECT_LE(b.bottom, 50);
    EXPECT_GE(b.bottom, 40);

    // Drawing is deterministic.
    Canvas again(200, 60);
    Draw(again, u"Hello", box, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x) {
            ASSERT_EQ(centre.At(x, y), again.At(x, y));
        }
    }
}

TEST_F(Text, WordBreakCalcRectEllipsisAndClipping) {
    Canvas c(200, 200);
    SelectObject(c.dc, font);
    TEXTMETRICW tm;
    GetTextMetricsW(c.dc, &tm);

    RECT calc{0, 0, 60, 0};
    const int h = DrawTextW(c.dc, u"one two three four", -1, &calc, DT_WORDBREAK | DT_CALCRECT);
    EXPECT_GE(h, 3 * tm.tmHeight);
    EXPECT_EQ(h, calc.bottom);
    EXPECT_LE(calc.right, 60);
    EXPECT_EQ(kBack, c.At(5, 5) & 0xFFFFFF); // CALCRECT draws nothing

    SIZE ext;
    GetTextExtentPoint32W(c.dc, u"Hello", 5, &ext);
    RECT single{0, 0, 0, 0};
    DrawTextW(c.dc, u"Hello", -1, &single, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ(ext.cx, single.right);
    EXPECT_EQ(ext.cy, single.bottom);

    // Wrapped text runs over several lines inside the width.
    Canvas wrapped(200, 200);
    const RECT ink = Draw(wrapped, u"one two three four", RECT{0, 0, 60, 200}, DT_WORDBREAK);
    EXPECT_GT(ink.bottom - ink.top, 2 * tm.tmHeight);
    EXPECT_LE(ink.right, 60);

    // A CR LF breaks the line even without DT_WORDBREAK; DT_SINGLELINE keeps one line.
    Canvas two(200, 100);
    const RECT twoInk = Draw(two, u"AB\r\nCD", RECT{0, 0, 200, 100}, DT_LEFT);
    EXPECT_GT(twoInk.bottom, tm.tmHeight);
    Canvas one(200, 100);
    const RECT oneInk = Draw(one, u"AB\r\nCD", RECT{0, 0, 200, 100}, DT_SINGLELINE);
    EXPECT_LE(oneInk.bottom, tm.tmHeight);

    // An ellipsis keeps the text inside the rectangle even with DT_NOCLIP.
    Canvas dots(200, 40);
    const RECT dotsInk = Draw(dots, u"A rather long profile name", RECT{0, 0, 80, 40},
                              DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_LE(dotsInk.right, 80);
    Canvas noDots(200, 40);
    const RECT noDotsInk =
        Draw(noDots, u"A rather long profile name", RECT{0, 0, 80, 40}, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(noDotsInk.right, 80);
    // Without DT_NOCLIP the rectangle clips.
    Canvas clipped(200, 40);
    const RECT clippedInk =
        Draw(clipped, u"A rather long profile name", RECT{0, 0, 80, 40}, DT_SINGLELINE);
    EXPECT_LE(clippedInk.right, 80);
}

TEST_F(Text, TextWithoutSpacesWrapsBetweenCharacters) {
    Canvas c(400, 200);
    SelectObject(c.dc, font);
    TEXTMETRICW tm;
    GetTextMetricsW(c.dc, &tm);
    auto width = [&](const char16_t* text) {
        SIZE size{};
        GetTextExtentPoint32W(c.dc, text, static_cast<int>(std::u16string(text).size()), &size);
        return static_cast<int>(size.cx);
    };
    auto calc = [&](const char16_t* text, int boxWidth) {
        RECT r{0, 0, boxWidth, 0};
        DrawTextW(c.dc, text, -1, &r, DT_WORDBREAK | DT_CALCRECT);
        return r;
    };
    // A Japanese sentence in a box half its width: two lines or more, none wider than the box.
    const char16_t* sentence = u"\u5404\u7DDA\u306F\u30DC\u30BF\u30F3\u3068\u305D\u306E\u6B04"
                               u"\u3092\u7D50\u3093\u3067\u3044\u307E\u3059\u3002";
    const int whole = width(sentence);
    const RECT half = calc(sentence, whole / 2 + 1);
    EXPECT_LE(half.right, whole / 2 + 1);
    EXPECT_GE(half.bottom, 2 * tm.tmHeight);
    // A closing mark never starts a line: with room for three of "abc." in kana, the full stop
    // takes the third character along to the second line, so the first line ends after two.
    const char16_t* four = u"\u3042\u3044\u3046\u3002";
    const int two = width(u"\u3042\u3044");
    const int three = width(u"\u3042\u3044\u3046");
    EXPECT_EQ(calc(four, three).bottom, 2 * tm.tmHeight);
    Canvas kept(200, 100);
    Draw(kept, four, RECT{0, 0, three, 100}, DT_WORDBREAK);
    int inkAfterTwo = 0;
    for (int y = 0; y < tm.tmHeight; ++y) {
        for (int x = two + 1; x < three; ++x) {
            inkAfterTwo += (kept.At(x, y) & 0xFFFFFF) != kBack ? 1 : 0;
        }
    }
    EXPECT_EQ(inkAfterTwo, 0);
    // Mixed with Latin words, the blanks still break and Latin words stay whole.
    const RECT mixed = calc(u"Borvanta 5600 \u30DE\u30A6\u30B9", width(u"Borvanta 5600"));
    EXPECT_EQ(mixed.bottom, 2 * tm.tmHeight);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
}

TEST_F(Text, PrefixUnderlinesAndTextOutBlendsTheColour) {
    Canvas plain(100, 40);
    const RECT a = Draw(plain, u"&File", RECT{0, 0, 100, 40}, DT_SINGLELINE);
    Canvas noPrefix(100, 40);
    const RECT b = Draw(noPrefix, u"&File", RECT{0, 0, 100, 40}, DT_SINGLELINE | DT_NOPREFIX);
    // With prefix processing the '&' is not drawn (narrower) and F is underlined (lower).
    EXPECT_LT(a.right - a.left, b.right - b.left);
    Canvas ref(100, 40);
    const RECT c = Draw(ref, u"File", RECT{0, 0, 100, 40}, DT_SINGLELINE);
    EXPECT_GT(a.bottom, c.bottom);
    Canvas amp(100, 40);
    const RECT d = Draw(amp, u"A&&B", RECT{0, 0, 100, 40}, DT_SINGLELINE);
    Canvas ampRef(100, 40);
    const RECT e = Draw(ampRef, u"A&B", RECT{0, 0, 100, 40}, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(e.right, d.right);

    // TextOut at (5, 2): ink starts right of and below that point, in the text colour.
    Canvas out(100, 40, RGB(0, 0, 0));
    SelectObject(out.dc, font);
    SetTextColor(out.dc, RGB(0, 255, 0));
    SetBkMode(out.dc, TRANSPARENT);
    ASSERT_TRUE(TextOutW(out.dc, 5, 2, u"I", 1));
    const RECT ink = out.Ink(RGB(0, 0, 0));
    EXPECT_GE(ink.left, 5);
    EXPECT_GE(ink.top, 2);
    bool solid = false;
    for (int y = ink.top; y < ink.bottom; ++y) {
        for (int x = ink.left; x < ink.right; ++x) {
            const COLORREF p = out.At(x, y);
            EXPECT_EQ(0, GetRValue(p));
            EXPECT_EQ(0, GetBValue(p));
            solid = solid || p == RGB(0, 255, 0);
        }
    }
    EXPECT_TRUE(solid);

    // An opaque background fills the text cell.
    Canvas opaque(100, 40, RGB(0, 0, 0));
    SelectObject(opaque.dc, font);
    SetBkColor(opaque.dc, RGB(0, 0, 255));
    TextOutW(opaque.dc, 0, 0, u"I", 1);
    EXPECT_EQ(RGB(0, 0, 255), opaque.At(0, 0));
    SelectObject(out.dc, GetStockObject(SYSTEM_FONT));
    SelectObject(opaque.dc, GetStockObject(SYSTEM_FONT));
}

TEST_F(Text, ThreadsDrawWithSharedFontsAndStockObjects) {
    // Each thread draws into its own bitmap with the same font and stock brush.
    auto drawAll = [this](std::vector<COLORREF>& pixels) {
        Canvas c(80, 30);
        for (int i = 0; i < 20; ++i) {
            RECT all{0, 0, 80, 30};
            FillRect(c.dc, &all, GetStockBrush(BLACK_BRUSH));
            Draw(c, u"Stage 1", all, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 80; ++x) {
                pixels.push_back(c.At(x, y));
            }
        }
    };
    std::vector<COLORREF> a;
    std::vector<COLORREF> b;
    std::thread first([&] { drawAll(a); });
    std::thread second([&] { drawAll(b); });
    first.join();
    second.join();
    EXPECT_EQ(a, b);
    EXPECT_NE(std::count(a.begin(), a.end(), kBack), static_cast<long>(a.size()));
}

TEST_F(Text, CharactersTheFontLacksComeFromAnotherFace) {
    if (!std::filesystem::exists("/usr/share/fonts/truetype/dejavu/DejaVuMathTeXGyre.ttf")) {
        GTEST_SKIP() << "no face with the test character";
    }
    // U+1D400 is not in DejaVu Sans but in the math face; U+4E2D is in no installed face and
    // draws the font's own blank glyph. Without the fallback both draw that same glyph.
    Canvas math(60, 40);
    const RECT a = Draw(math, u"\U0001D400", RECT{0, 0, 60, 40}, DT_SINGLELINE);
    Canvas none(60, 40);
    const RECT b = Draw(none, u"\u4E2D", RECT{0, 0, 60, 40}, DT_SINGLELINE);
    EXPECT_NE(0, a.right);
    bool differ = false;
    for (int y = 0; y < 40 && !differ; ++y) {
        for (int x = 0; x < 60 && !differ; ++x) {
            differ = math.At(x, y) != none.At(x, y);
        }
    }
    EXPECT_TRUE(differ);
    EXPECT_NE(0, b.right);
}

TEST(TextFallback, UnknownFamiliesFallBackToAnInstalledFont) {
    Canvas c(100, 30);
    HFONT arial = CreateFontW(14, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0x20, u"Arial");
    SelectObject(c.dc, arial);
    SIZE size;
    if (!GetTextExtentPoint32W(c.dc, u"Stage", 5, &size)) {
        SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
        DeleteObject(arial);
        GTEST_SKIP() << "no fonts installed";
    }
    EXPECT_GT(size.cx, 0);
    EXPECT_EQ(14, size.cy);
    if (std::filesystem::exists("/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf")) {
        // With the metric-compatible family installed, "Arial" draws in it.
        WCHAR face[32];
        GetTextFaceW(c.dc, 32, face);
        EXPECT_EQ(std::u16string(u"Liberation Sans"), std::u16string(face));
    }
    SetTextColor(c.dc, kInk);
    SetBkMode(c.dc, TRANSPARENT);
    TextOutW(c.dc, 0, 0, u"Stage", 5);
    EXPECT_NE(0, c.Ink(kBack).right);
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(arial);
}

TEST(TextFiles, ANamedPipeIsNoFontFileAndIsNotWaitedOn) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("borvanta-fontpipe-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        testsupport::NamedPipe pipe(folder / "pipe.ttf");
        ASSERT_TRUE(pipe.Made());
        int added = -1;
        EXPECT_TRUE(pipe.ReturnsWithoutAWriter(
            [&] { added = AddFontResourceExW(FromNativePath(pipe.Path()), FR_PRIVATE, nullptr); }));
        EXPECT_EQ(added, 0);
    }
    std::filesystem::remove_all(folder);
}

// Run in a fresh process (the other tests may have set fontconfig up already): the window
// system's dialog face and the program's own font files draw without fontconfig, which is set
// up only when a family has to be looked for among the installed fonts.
TEST(TextFallback, FontconfigIsSetUpOnlyForFamiliesLookedUpAmongInstalledFonts) {
    if (!std::filesystem::exists(kFontFile)) {
        GTEST_SKIP() << "no test font";
    }
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            Canvas c(200, 40);
            auto extent = [&](const char16_t* face, int weight) {
                HFONT font = CreateFontW(-13, 0, 0, 0, weight, 0, 0, 0, 0, 0, 0, 0, 0, face);
                HFONT old = SelectObject(c.dc, font);
                SIZE size{};
                TEXTMETRICW tm{};
                const bool ok = GetTextExtentPoint32W(c.dc, u"Stage", 5, &size) &&
                                GetTextMetricsW(c.dc, &tm) && size.cx > 0 && tm.tmHeight > 0;
                SelectObject(c.dc, old);
                DeleteObject(font);
                return ok ? size.cx : 0;
            };
            std::u16string path;
            for (const char* p = kFontFile; *p != 0; ++p) {
                path.push_back(*p == '/' ? u'\\' : static_cast<char16_t>(*p));
            }
            const bool added = AddFontResourceExW(path.c_str(), FR_PRIVATE, nullptr) == 1;
            const LONG own = extent(u"DejaVu Sans", FW_NORMAL);
            const LONG dialog = extent(u"MS Shell Dlg", FW_NORMAL);
            const LONG dialogBold = extent(u"MS Shell Dlg", FW_BOLD);
            const bool before = gdi::FontEngine::Instance().FontconfigLoaded();
            // The dialog face is DejaVu Sans: the same text is as wide.
            const bool same = own == dialog && dialogBold > dialog;
            const LONG other = extent(u"Arial", FW_NORMAL);
            const bool after = gdi::FontEngine::Instance().FontconfigLoaded();
            std::exit(added && own > 0 && same && !before && other > 0 && after ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
