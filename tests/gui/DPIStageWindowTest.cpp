#include "gui/DPIStageWindow.h"
#include "SkinTestSupport.h"
#include "WidgetTestSupport.h"
#include "gui/LangTable.h"
#include "gui/WidgetMessages.h"
#include "platform/gdi/Surface.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using widgettest::MakeSolidBitmap;
using widgettest::RecordingOwner;

namespace {

constexpr COLORREF kFrame = RGB(0x40, 0x40, 0x40);
constexpr COLORREF kFrameSelected = RGB(0x80, 0x00, 0x80);
constexpr COLORREF kSingleBox = RGB(0, 0, 255);
constexpr COLORREF kXBox = RGB(0, 255, 0);
constexpr COLORREF kYBox = RGB(0, 128, 0);
constexpr COLORREF kSelectedBox = RGB(255, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr int kStage = 3;
constexpr int kItemId = 340;

// The tile sits at (20, 20) of its owner, 120 x 100:
//   heading (0, 0)-(120, 20), "DPI" label (0, 25)-(40, 45), single box (50, 25)-(110, 45),
//   "DPIX" (0, 55)-(40, 75), X box (50, 55)-(110, 75), "DPIY" (0, 78)-(40, 98),
//   Y box (50, 78)-(110, 98).
class DPIStageWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_owner.CreateAt(200, 200));
        m_pictures = {MakeSolidBitmap(120, 100, kFrame), MakeSolidBitmap(120, 100, kFrameSelected),
                      MakeSolidBitmap(60, 20, kSingleBox), MakeSolidBitmap(60, 20, kXBox),
                      MakeSolidBitmap(60, 20, kYBox)};
        m_tile = std::make_unique<CDPIStageWindow>(kStage);
        std::vector<DpiStageBitmap> bitmaps{
            {u"DPIFRAME", m_pictures[0], nullptr, RECT{0, 0, 120, 100}},
            {u"DPIFRAMESELECTED", m_pictures[1], nullptr, RECT{0, 0, 120, 100}},
            {u"dpiwin", m_pictures[2], nullptr, RECT{50, 25, 110, 45}},
            {u"DPIWINX", m_pictures[3], nullptr, RECT{50, 55, 110, 75}},
            {u"DPIWINY", m_pictures[4], nullptr, RECT{50, 78, 110, 98}},
            {u"OTHER", m_pictures[2], nullptr, RECT{0, 0, 5, 5}},
        };
        std::vector<DpiStageTextArea> texts{
            {u"HEADING", u"$HEAD", RECT{0, 0, 120, 20}},
            {u"DPI", u"DPI", RECT{0, 25, 40, 45}},
            {u"DPIX", u"X:", RECT{0, 55, 40, 75}},
            {u"DPIY", u"Y:", RECT{0, 78, 40, 98}},
            {u"X", u"", RECT{}},
            {u"Y", u"", RECT{}},
            {u"NOTHING", u"skip", RECT{1, 1, 2, 2}},
        };
        ASSERT_TRUE(m_tile->LoadSkin(&m_owner, RECT{20, 20, 140, 120}, texts, bitmaps));
        m_tile->id = kItemId; // filled in after LoadSkin, as the creator does
        platform::PumpUntilIdle();
    }
    void TearDown() override {
        m_tile.reset();
        platform::PumpUntilIdle();
        m_owner.DestroyWindow();
        for (HBITMAP b : m_pictures) {
            DeleteObject(b);
        }
    }
    void Show() {
        m_tile->ready = 1;
        m_tile->Invalidate();
        platform::PumpUntilIdle();
    }
    COLORREF At(int x, int y) { return m_display.ScreenPixel(20 + x, 20 + y); }
    // True when some pixel of the tile's rectangle r differs from colour.
    bool Marked(RECT r, COLORREF colour) {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                if (At(x, y) != colour) {
                    return true;
                }
            }
        }
        return false;
    }

    skintest::ProgramFolder m_folder;
    platform::HeadlessDisplay m_display{300, 300};
    RecordingOwner m_owner;
    std::vector<HBITMAP> m_pictures;
    std::unique_ptr<CDPIStageWindow> m_tile;
};

} // namespace

TEST_F(DPIStageWindowTest, PaintsNothingUntilReady) {
    EXPECT_EQ(m_tile->type, GUIITEM_DPISTAGEWINDOW);
    EXPECT_EQ(m_tile->GetDlgCtrlID(), -1);
    EXPECT_EQ(m_tile->GetStageIndex(), kStage);
    EXPECT_EQ(m_tile->GetFrameRect(), (RECT{0, 0, 120, 100}));
    EXPECT_EQ(m_tile->GetAreaText(CDPIStageWindow::AREA_DPIX), CString(u"X:"));
    for (int i = 0; i < 3; ++i) {
        m_tile->Invalidate();
        platform::PumpUntilIdle();
        EXPECT_NE(At(5, 90), kFrame);
        EXPECT_NE(At(60, 30), kSingleBox);
    }
    Show();
    EXPECT_EQ(At(5, 50), kFrame);
    EXPECT_EQ(At(51, 26), kSingleBox);
}

TEST_F(DPIStageWindowTest, OneOrTwoBoxesWithTheirLabelsAndNumbers) {
    Show();
    // One axis: the single box with its number drawn straight on it, the "DPI" label.
    EXPECT_EQ(At(51, 26), kSingleBox);
    EXPECT_EQ(At(55, 28), kSingleBox); // no black fill inside the box
    EXPECT_TRUE(Marked(RECT{0, 25, 40, 45}, kFrame));
    EXPECT_TRUE(Marked(RECT{53, 27, 107, 43}, kSingleBox));
    EXPECT_EQ(m_tile->GetNumberText(0), CString(u"0")); // a value of 0 draws "0"
    EXPECT_EQ(At(51, 56), kFrame);                      // no X box
    EXPECT_FALSE(Marked(RECT{0, 55, 40, 75}, kFrame));  // no X label

    m_tile->twoAxis = 1;
    m_tile->xValue = 800;
    m_tile->yValue = 1600;
    m_tile->Invalidate();
    platform::PumpUntilIdle();
    EXPECT_EQ(At(51, 26), kFrame);                     // the single box is gone
    EXPECT_FALSE(Marked(RECT{0, 25, 40, 45}, kFrame)); // and its label
    EXPECT_EQ(At(51, 56), kXBox);                      // X box border
    EXPECT_EQ(At(51, 79), kYBox);
    EXPECT_EQ(At(54, 58), kBlack);                      // black behind the number
    EXPECT_TRUE(Marked(RECT{53, 57, 107, 73}, kBlack)); // the number itself
    EXPECT_TRUE(Marked(RECT{0, 55, 40, 75}, kFrame));   // "X:"
    EXPECT_EQ(m_tile->GetNumberText(1), CString(u"800"));
    EXPECT_EQ(m_tile->GetNumberText(2), CString(u"1600"));
}

TEST_F(DPIStageWindowTest, AClickSelectsOnceAndTellsTheParent) {
    CWnd other;
    ASSERT_TRUE(
        other.Create(nullptr, u"", WS_CHILD | WS_VISIBLE, RECT{150, 150, 160, 160}, &m_owner, 5));
    other.SetFocus();
    Show();
    m_display.Click(60, 60);
    auto clicked = m_owner.Of(WM_DPISTAGE_CLICKED);
    ASSERT_EQ(clicked.size(), 1u);
    EXPECT_EQ(clicked[0], (std::pair<WPARAM, LPARAM>{kStage, kItemId}));
    EXPECT_EQ(m_tile->selected, 1);
    EXPECT_EQ(::GetFocus(), m_tile->m_hWnd);
    EXPECT_EQ(m_tile->GetPreviousFocus(), other.m_hWnd);
    EXPECT_EQ(At(5, 50), kFrameSelected);
    // No "stageSelected.bmp" in the skin: nothing is copied into the boxes.
    EXPECT_EQ(At(51, 26), kFrameSelected);

    m_display.Click(60, 60); // a selected tile ignores further clicks
    EXPECT_EQ(m_owner.Of(WM_DPISTAGE_CLICKED).size(), 1u);

    other.SetFocus(); // losing the focus keeps the selection
    platform::PumpUntilIdle();
    EXPECT_EQ(m_tile->selected, 1);

    m_tile->selected = 0;
    m_tile->clickable = 0;
    m_display.Click(60, 60);
    EXPECT_EQ(m_owner.Of(WM_DPISTAGE_CLICKED).size(), 1u);
    EXPECT_EQ(m_tile->selected, 0);
    other.DestroyWindow();
}

TEST_F(DPIStageWindowTest, SelectedTilesShowTheSharedSelectionPicture) {
    m_folder.Write("skins/stageSelected.bmp", skintest::MakeBmp(60, 20, [](int, int) {
                       return 0xFFFF00u; // yellow, as 0x00RRGGBB
                   }));
    m_tile->selected = 1;
    m_tile->twoAxis = 1;
    Show();
    EXPECT_EQ(At(5, 50), kFrameSelected);
    EXPECT_EQ(At(51, 56), kSelectedBox);
    EXPECT_EQ(At(51, 79), kSelectedBox);
    m_tile->twoAxis = 0;
    m_tile->Invalidate();
    platform::PumpUntilIdle();
    EXPECT_EQ(At(51, 26), kSelectedBox);
}

TEST_F(DPIStageWindowTest, HeadingThroughTheLanguageTableWithCapsAndLineBreak) {
    CLangTable table;
    std::u16string text = u"Title\r\nignored\r\nHEAD\r\nStage\\nOne\r\n";
    std::vector<BYTE> bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<BYTE>(c & 0xFF));
        bytes.push_back(static_cast<BYTE>(c >> 8));
    }
    ASSERT_TRUE(CLangTable::Parse(bytes.size(), bytes.data(), &table));
    CurrentLangTable = &table;

    m_tile->caps = 1;
    m_tile->SetText(u"$head");
    EXPECT_EQ(m_tile->GetHeading(), CString(u"STAGE\r\nONE"));
    m_tile->caps = 2;
    m_tile->SetText(u"Not A Key\\n\\n");
    EXPECT_EQ(m_tile->GetHeading(), CString(u"not a key\r\n\\n")); // only the first break
    m_tile->caps = 0;
    m_tile->SetText(nullptr);
    EXPECT_EQ(m_tile->GetHeading(), CString(u""));

    m_tile->SetText(u"$HEAD");
    Show();
    EXPECT_TRUE(Marked(RECT{0, 0, 120, 20}, kFrame)); // the heading is drawn
    CurrentLangTable = nullptr;
}

TEST_F(DPIStageWindowTest, ATileLeavesNoGdiObjectBehind) {
    Show(); // the first drawing of the process may set up shared objects
    const size_t before = gdi::LiveObjectCount();
    {
        CDPIStageWindow tile(2);
        const std::vector<DpiStageBitmap> bitmaps{
            {u"DPIFRAME", m_pictures[0], nullptr, RECT{0, 0, 60, 50}},
            {u"DPIFRAMESELECTED", m_pictures[1], nullptr, RECT{0, 0, 60, 50}},
            {u"DPIWINX", m_pictures[3], nullptr, RECT{5, 5, 55, 20}},
            {u"DPIWINY", m_pictures[4], nullptr, RECT{5, 25, 55, 40}}};
        ASSERT_TRUE(tile.LoadSkin(&m_owner, RECT{0, 130, 60, 180}, {}, bitmaps));
        tile.ready = 1;
        tile.twoAxis = 1;
        tile.Invalidate();
        platform::PumpUntilIdle();
        m_display.Click(30, 150);
        EXPECT_EQ(tile.selected, 1);
        EXPECT_EQ(m_display.ScreenPixel(6, 136),
                  kFrameSelected);                         // box border, no selection picture
        EXPECT_EQ(m_display.ScreenPixel(10, 137), kBlack); // behind the number
    }
    platform::PumpUntilIdle();
    EXPECT_EQ(gdi::LiveObjectCount(), before);
}

TEST(DPIStageWindow, NoParentNoWindow) {
    platform::HeadlessDisplay display{100, 100};
    CDPIStageWindow tile(1);
    EXPECT_FALSE(tile.LoadSkin(nullptr, RECT{0, 0, 10, 10}, {}, {}));
    EXPECT_EQ(tile.m_hWnd, nullptr);
    tile.SetText(u"x"); // no window to invalidate: nothing happens
    EXPECT_EQ(tile.GetHeading(), CString(u"x"));
}
