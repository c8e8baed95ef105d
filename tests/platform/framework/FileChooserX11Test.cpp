// The file chooser on the X11 display: the dialog reaches a private Xvfb as a window of its
// own and takes real keyboard input from the server.

#include "platform/base/Path.h"
#include "platform/framework/CFileDialog.h"
#include "platform/framework/FileChooserDialog.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Display.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

std::optional<std::string> FindXvfb() {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        std::string path = std::string(dir) + "/Xvfb";
        if (access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return std::nullopt;
}

// A private Xvfb on a display number of its own choosing, ended with the test.
class Xvfb {
public:
    bool Start(const std::string& program) {
        int fds[2];
        if (pipe(fds) != 0) {
            return false;
        }
        const pid_t parent = getpid();
        m_pid = fork();
        if (m_pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            if (getppid() != parent) {
                _exit(127);
            }
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execl(program.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24",
                  "-nolisten", "tcp", "-br", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        if (m_pid < 0) {
            close(fds[0]);
            return false;
        }
        std::string number;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 200) <= 0) {
                continue;
            }
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n') {
                break;
            }
            number += c;
        }
        close(fds[0]);
        if (number.empty()) {
            Stop();
            return false;
        }
        m_name = ":" + number;
        return true;
    }
    void Stop() {
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }
    ~Xvfb() { Stop(); }
    const std::string& Name() const { return m_name; }

private:
    pid_t m_pid = -1;
    std::string m_name;
};

TEST(FileChooserX11Test, TheDialogShowsOnTheServerAndTakesTypedNames) {
    const auto program = FindXvfb();
    if (!program) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    Xvfb server;
    ASSERT_TRUE(server.Start(*program));
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
