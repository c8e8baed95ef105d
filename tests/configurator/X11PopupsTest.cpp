// The single-key, predefined-command and preview popups of our own skin on the X11 display
// against a private Xvfb: real key presses and clicks, as a user meets them.
#include "PopupTestSupport.h"
#include "configurator/PopupBoxSingleKeyEntry.h"
#include "configurator/PredefinedMacroPopup.h"
#include "configurator/PreviewPopup.h"
#include "gui/DropdownListItem.h"
#include "gui/EditItemSingleKeyInput.h"
#include "gui/ListPanel.h"
#include "model/BorvantaConfig.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/x11/X11Display.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

// Xlib after the other headers: its macros must not meet them.
#include "tests/support/XKeyboard.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#ifdef BORVANTA_PROGRAM_DIR

namespace {

using testsupport::FindXvfb;
using testsupport::XvfbServer;

// Steps run by the modal loops, each waiting until its condition holds (real time, since X
// events arrive on their own); a step whose condition does not come within five seconds, or a
// popup still open five seconds after the last step, ends the dialog with -99.
class WaitingScript {
public:
    struct Step {
        std::function<bool()> ready;
        std::function<void(HWND)> act;
    };
    explicit WaitingScript(std::vector<Step> steps) : m_steps(std::move(steps)) {
        platform::SetModalIdleHook([this](HWND dialog) { Idle(dialog); });
    }
    ~WaitingScript() { platform::SetModalIdleHook(nullptr); }
    WaitingScript(const WaitingScript&) = delete;
    WaitingScript& operator=(const WaitingScript&) = delete;
    size_t StepsRun() const { return m_next; }

private:
    void Idle(HWND dialog) {
        const auto now = std::chrono::steady_clock::now();
        // After the last step the popup has five seconds to end on what it did.
        if (now - m_since > std::chrono::seconds(5)) {
            EndDialog(dialog, -99);
            PostMessageW(dialog, WM_NULL, 0, 0);
            return;
        }
        if (m_next < m_steps.size() && (!m_steps[m_next].ready || m_steps[m_next].ready())) {
            m_steps[m_next++].act(dialog);
            m_since = now;
            PostMessageW(dialog, WM_NULL, 0, 0);
        } else {
            // With the real clock the loop waits for a message after asking: wake it soon.
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            PostMessageW(dialog, WM_NULL, 0, 0);
        }
    }
    std::vector<Step> m_steps;
    size_t m_next = 0;
    std::chrono::steady_clock::time_point m_since = std::chrono::steady_clock::now();
};

CString WindowText(HWND hwnd) {
    WCHAR text[128]{};
    GetWindowTextW(hwnd, text, 128);
    return CString(text);
}

class X11PopupsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (const auto program = FindXvfb()) {
            s_server = new XvfbServer;
            if (!s_server->Start(*program)) {
                delete s_server;
                s_server = nullptr;
            }
        }
    }
    static void TearDownTestSuite() {
        if (s_server != nullptr) {
            s_server->Stop();
            delete s_server;
            s_server = nullptr;
        }
    }
    void SetUp() override {
        if (!FindXvfb()) {
            GTEST_SKIP() << "Xvfb is not installed";
        }
        ASSERT_NE(s_server, nullptr) << "Xvfb did not start";
        m_display.emplace(s_server->Name());
        ASSERT_TRUE(m_display->IsOpen());
        m_x = XOpenDisplay(s_server->Name().c_str());
        ASSERT_NE(m_x, nullptr);
        InitNameTables();
        RegisterPopupDialogTemplates();
        CListPanel::DefaultTemplateId() = IDD_WARNING_POPUP;
        SetExeFolder(BORVANTA_PROGRAM_DIR);
        SkinResourceCache::Clear();
        ASSERT_TRUE(LoadSkinFile(m_languages, u"Language.xml", nullptr));
        ASSERT_EQ(LanguageTableMap.count(LANGUAGE_ID_ENGLISH), 1u);
        CurrentLangTable = LanguageTableMap[LANGUAGE_ID_ENGLISH];
        ASSERT_TRUE(m_owner.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600,
                                     nullptr, nullptr));
        platform::PumpUntilIdle();
    }
    void TearDown() override {
        if (m_owner.m_hWnd != nullptr) {
            m_owner.DestroyWindow();
        }
        platform::PumpUntilIdle();
        CurrentLangTable = nullptr;
        LanguageTableMap.clear();
        DeleteGUIItems(m_languages);
        SkinResourceCache::Clear();
        m_display.reset();
        if (m_x != nullptr) {
            XCloseDisplay(m_x);
        }
    }
    // The popup's X window is on the screen.
    std::function<bool()> Shown(const CWnd& popup) {
        return [this, &popup] {
            m_display->Flush();
            return popup.m_hWnd != nullptr && m_display->XWindowOf(popup.m_hWnd) != 0;
        };
    }
    void Click(int x, int y) {
        XTestFakeMotionEvent(m_x, 0, x, y, 0);
        XTestFakeButtonEvent(m_x, 1, True, 0);
        XTestFakeButtonEvent(m_x, 1, False, 0);
        XSync(m_x, False);
    }
    void ClickWindow(HWND hwnd, int dx = -1, int dy = -1) {
        RECT r{};
        GetWindowRect(hwnd, &r);
        Click(dx < 0 ? (r.left + r.right) / 2 : r.left + dx,
              dy < 0 ? (r.top + r.bottom) / 2 : r.top + dy);
    }
    void ClickItem(CGUIPanel& popup, int id) {
        CGUIItem* item = FindGUIItemById(popup.items, id);
        ASSERT_NE(item, nullptr);
        ClickWindow(item->hwnd);
    }
    void Press(KeySym key) {
        const KeyCode code = XKeysymToKeycode(m_x, key);
        XTestFakeKeyEvent(m_x, code, True, 0);
        XTestFakeKeyEvent(m_x, code, False, 0);
        XSync(m_x, False);
    }
    // The window manager's close request.
    void CloseRequest(HWND hwnd) {
        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = m_display->XWindowOf(hwnd);
        close.xclient.message_type = XInternAtom(m_x, "WM_PROTOCOLS", False);
        close.xclient.format = 32;
        close.xclient.data.l[0] = static_cast<long>(XInternAtom(m_x, "WM_DELETE_WINDOW", False));
        XSendEvent(m_x, close.xclient.window, False, NoEventMask, &close);
        XSync(m_x, False);
    }

    static inline XvfbServer* s_server = nullptr;
    std::optional<platform::X11Display> m_display;
    Display* m_x = nullptr;
    popuptest::TestCreators m_creators{true};
    CGUIItemList m_languages;
    CWnd m_owner;
};

} // namespace

TEST_F(X11PopupsTest, SingleKeyPopupTakesEnterAndEscapeAsKeysAndClosesByItsOk) {
    SingleKeyResult result;
    CPopupBoxSingleKeyEntry popup(&m_owner, &result);
    bool openAfterClose = false;
    auto text = [&] { return popup.edit != nullptr ? WindowText(popup.edit->m_hWnd) : CString(); };
    WaitingScript script({
        {Shown(popup), [&](HWND) { Press(XK_Return); }},
        {[&] { return text() == u"Enter"; },
         [&](HWND dialog) {
             CloseRequest(dialog); // the window manager's close leaves it open
             Press(XK_Escape);
         }},
        {[&] { return text() == u"Esc"; },
         [&](HWND dialog) {
             openAfterClose = IsWindowVisible(dialog) != FALSE;
             ClickItem(popup, BUTTON_POPUP_OK);
         }},
    });
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(script.StepsRun(), 3u);
    EXPECT_TRUE(openAfterClose);
    EXPECT_EQ(result.keyName, u"Esc");
    EXPECT_EQ(result.virtualKey, VK_ESCAPE);
}

TEST_F(X11PopupsTest, SingleKeyPopupNamesKeysAsTheDesktopsLayoutLabelsThem) {
    if (!testsupport::HaveSetxkbmap()) {
        GTEST_SKIP() << "setxkbmap is not installed";
    }
    SingleKeyResult result;
    CPopupBoxSingleKeyEntry popup(&m_owner, &result);
    auto text = [&] { return popup.edit != nullptr ? WindowText(popup.edit->m_hWnd) : CString(); };
    const std::string name = s_server->Name();
    WaitingScript script({
        {Shown(popup),
         [&](HWND) {
             testsupport::SetKeyboardLayout(name, "de");
             testsupport::PressKeysym(m_x, XK_z);
         }},
        {[&] { return text() == u"Z"; },
         [&](HWND) { testsupport::PressKeysym(m_x, XK_odiaeresis); }},
        {[&] { return text() == u"\u00D6"; },
         [&](HWND) {
             testsupport::SetKeyboardLayout(name, "ru");
             testsupport::PressKeysym(m_x, XK_Cyrillic_ef);
         }},
        {[&] { return text() == u"\u0424"; }, [&](HWND) { ClickItem(popup, BUTTON_POPUP_OK); }},
    });
    const INT_PTR answer = popup.DoModal();
    testsupport::SetKeyboardLayout(name, "us");
    EXPECT_EQ(answer, IDOK);
    EXPECT_EQ(script.StepsRun(), 4u) << "the popup showed " << text().ToUtf8();
    // The key is the one where a US keyboard has "A", whatever it is called.
    EXPECT_EQ(result.keyName, u"\u0424");
    EXPECT_EQ(result.scanCode, 0x1E);
    EXPECT_EQ(result.virtualKey, 'A');
}

TEST_F(X11PopupsTest, CommandPopupOpensItsListAndAddsTheClickedCommand) {
    CBorvantaPredefinedMacroPopup popup(&m_owner);
    HWND listPanel = nullptr;
    WaitingScript script({
        {Shown(popup), [&](HWND) { ClickWindow(popup.additionalList->m_hWnd, 10); }},
        // The list panel runs its own modal loop: its steps see its window.
        {[&] { return popup.additionalList->open != 0; },
         [&](HWND dialog) {
             listPanel = dialog;
             // The second entry, "$closewindow", where the list draws it.
             HWND rows = GetWindow(dialog, GW_CHILD);
             RECT row{};
             SendMessageW(rows, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
             POINT centre{(row.left + row.right) / 2, (row.top + row.bottom) / 2};
             ClientToScreen(rows, &centre);
             Click(centre.x, centre.y);
         }},
        {[&] { return !IsWindow(listPanel); },
         [&](HWND) { ClickItem(popup, BUTTON_ADD_ADV_MACRO_CMDS); }},
    });
    EXPECT_EQ(popup.DoModal(), IDOK);
    EXPECT_EQ(script.StepsRun(), 3u);
    EXPECT_EQ(popup.chosenCommand, u"$closewindow");
}

TEST_F(X11PopupsTest, PreviewPopupStaysOnCloseRequestAndClosesByItsButton) {
    CBorvantaConfig config;
    IMouseProfile* profile = config.AddProfile(u"Profile 1");
    ASSERT_NE(profile, nullptr);
    CBorvantaPreviewPopup popup(&m_owner, profile, &config);
    bool openAfterClose = false;
    WaitingScript script({
        {Shown(popup),
         [&](HWND dialog) {
             CloseRequest(dialog);
             Press(XK_Escape);
         }},
        {[calls = 0]() mutable { return ++calls > 100; },
         [&](HWND dialog) {
             openAfterClose = IsWindowVisible(dialog) != FALSE;
             ClickItem(popup, BUTTON_POPUP_PREVIEW_OK);
         }},
    });
    EXPECT_EQ(popup.DoModal(), IDCANCEL);
    EXPECT_EQ(script.StepsRun(), 2u);
    EXPECT_TRUE(openAfterClose);
}

#endif
