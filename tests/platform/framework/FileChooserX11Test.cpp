// The file chooser on the X11 display: the dialog reaches a private Xvfb as a window of its
// own and takes real keyboard input from the server.

#include "platform/base/Path.h"
#include "platform/framework/CFileDialog.h"
#include "platform/framework/FileChooserDialog.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Display.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using testsupport::FindXvfb;
using testsupport::XvfbServer;

TEST(FileChooserX11Test, TheDialogShowsOnTheServerAndTakesTypedNames) {
    const auto program = FindXvfb();
    if (!program) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    XvfbServer server;
    ASSERT_TRUE(server.Start(*program, "800x600x24"));
    platform::X11Display display(server.Name());
    ASSERT_TRUE(display.IsOpen());
    Display* x = XOpenDisplay(server.Name().c_str());
    ASSERT_NE(x, nullptr);

    namespace fs = std::filesystem;
    const fs::path folder =
        fs::temp_directory_path() / ("borvanta-chooser-x11-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const CString initial = FromNativePath(folder);
    CFileChooserDialog::Install();

    size_t next = 0;
    bool onServer = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    platform::SetModalIdleHook([&](HWND dialog) {
        SetTimer(dialog, 0x7F00, 50, nullptr); // wakes the loop while nothing else happens
        if (std::chrono::steady_clock::now() > deadline) {
            EndDialog(dialog, IDCANCEL);
            return;
        }
        // One key per idle turn, so that each is handled before the next arrives.
        static constexpr int kKeys[] = {XK_n, XK_o, XK_t, XK_e, XK_s, XK_Return};
        if (next == 0) {
            display.Flush();
            onServer = display.XWindowOf(dialog) != 0;
            RECT edit{};
            GetWindowRect(GetDlgItem(dialog, CFileChooserDialog::kNameEdit), &edit);
            XTestFakeMotionEvent(x, 0, (edit.left + edit.right) / 2, (edit.top + edit.bottom) / 2,
                                 0);
        }
        if (next < std::size(kKeys)) {
            const KeyCode code = XKeysymToKeycode(x, static_cast<KeySym>(kKeys[next++]));
            XTestFakeKeyEvent(x, code, True, 0);
            XTestFakeKeyEvent(x, code, False, 0);
            XSync(x, False);
        }
    });
    CFileDialog save(FALSE, u"qmp", u"", OFN_OVERWRITEPROMPT, u"Profiles|*.qmp||");
    save.m_ofn.lpstrInitialDir = initial.GetString();
    const INT_PTR result = save.DoModal();
    platform::SetModalIdleHook(nullptr);
    platform::SetFileChooser(nullptr);
    EXPECT_TRUE(onServer);
    ASSERT_EQ(result, IDOK);
    EXPECT_EQ(fs::path(ToNativePath(save.GetPathName())), folder / "notes.qmp");
    XCloseDisplay(x);
    fs::remove_all(folder);
}

} // namespace
