#include "platform/framework/CAnimateCtrl.h"
#include "platform/framework/CToolTipCtrl.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class CommonControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_host.CreateEx(0, nullptr, u"host", WS_POPUP | WS_VISIBLE, 0, 0, 100, 80,
                                    nullptr, nullptr));
    }
    void TearDown() override { ClearAnimationClips(); }

    platform::HeadlessDisplay m_display{200, 150, RGB(0, 0, 0)};
    CWnd m_host;
};

} // namespace

TEST_F(CommonControlsTest, ToolTipKeepsToolsTextsAndActiveFlag) {
    CToolTipCtrl tip;
    ASSERT_TRUE(tip.Create(&m_host));
    EXPECT_EQ(tip.GetOwner()->m_hWnd, m_host.m_hWnd);
    EXPECT_FALSE(tip.IsWindowVisible());
    EXPECT_TRUE(platform::IsToolTipActive(tip));
    tip.Activate(FALSE);
    EXPECT_FALSE(platform::IsToolTipActive(tip));

    EXPECT_EQ(tip.GetToolCount(), 0);
    EXPECT_TRUE(tip.AddTool(&m_host, u"first", nullptr, 1));
    EXPECT_FALSE(tip.AddTool(&m_host, u"again", nullptr, 1)); // one tool per window and id
    EXPECT_TRUE(tip.AddTool(&m_host, nullptr, nullptr, 2));
    EXPECT_EQ(tip.GetToolCount(), 2);

    CString text;
    tip.GetText(text, &m_host, 1);
    EXPECT_EQ(text, CString(u"first"));
    tip.UpdateTipText(u"second", &m_host, 1);
    tip.GetText(text, &m_host, 1);
    EXPECT_EQ(text, CString(u"second"));
    tip.GetText(text, &m_host, 7); // no such tool
    EXPECT_TRUE(text.IsEmpty());

    MSG msg{};
    msg.hwnd = m_host;
    msg.message = WM_MOUSEMOVE;
    tip.RelayEvent(&msg);
    tip.Activate(TRUE);
    EXPECT_TRUE(platform::IsToolTipActive(tip));

    HWND handle = tip;
    tip.DestroyWindow();
    EXPECT_FALSE(platform::IsToolTipActive(handle));
}

TEST_F(CommonControlsTest, AnimationOpensOnlyRegisteredClips) {
    CAnimateCtrl animation;
    ASSERT_TRUE(animation.Create(WS_CHILD | WS_VISIBLE, RECT{1, 1, 41, 31}, &m_host, 0));
    EXPECT_FALSE(animation.Open(u"intro"));
    EXPECT_FALSE(animation.Play(0, static_cast<UINT>(-1), 1));
    EXPECT_EQ(platform::AnimationPlayCount(animation), 0);

    AddAnimationClip(u"intro");
    EXPECT_TRUE(animation.Open(u"intro"));
    EXPECT_TRUE(animation.Play(0, static_cast<UINT>(-1), 1));
    EXPECT_TRUE(animation.Play(0, static_cast<UINT>(-1), 1));
    EXPECT_EQ(platform::AnimationPlayCount(animation), 2);
    EXPECT_FALSE(animation.Open(nullptr)); // closing
    EXPECT_FALSE(animation.Play(0, 1, 1));
}

namespace {

class CommandHost : public CWnd {
public:
    BOOL OnCommand(WPARAM wParam, LPARAM) override {
        codes.push_back(HIWORD(wParam));
        return TRUE;
    }
    std::vector<WORD> codes;
};

} // namespace

TEST_F(CommonControlsTest, OwnerDrawnButtonsReportDoubleClicks) {
    CommandHost host;
    ASSERT_TRUE(
        host.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 100, 80, nullptr, nullptr));
    HWND ownerDrawn = CreateWindowExW(0, u"Button", u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 0, 0,
                                      40, 20, host, nullptr, nullptr, nullptr);
    HWND plain = CreateWindowExW(0, u"Button", u"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 50, 0,
                                 40, 20, host, nullptr, nullptr, nullptr);
    ASSERT_TRUE(ownerDrawn && plain);
    // A double-click on an owner-drawn button is one click and one double-click notice: the
    // release of its second press reports nothing more.
    m_display.DoubleClick(10, 10);
    EXPECT_EQ(host.codes, (std::vector<WORD>{BN_CLICKED, BN_DOUBLECLICKED}));
    host.codes.clear();
    m_display.DoubleClick(60, 10);
    EXPECT_EQ(host.codes, (std::vector<WORD>{BN_CLICKED, BN_CLICKED}));
}
