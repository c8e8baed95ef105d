#pragma once
// A window class whose behaviour each test sets per window, with a log of the messages seen.

#include "platform/ui/WinUser.h"

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

namespace uitest {

struct Logged {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

using Handler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

class Recorder {
public:
    static Recorder& Get();
    void Clear();
    void SetHandler(HWND hwnd, Handler handler);
    std::vector<Logged> Log();
    // Messages of one kind seen by a window, in order.
    std::vector<Logged> Of(HWND hwnd, UINT msg);
    std::vector<UINT> MessagesOf(HWND hwnd, const std::vector<UINT>& interesting);

    LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // Handler for the next window created on this thread (it sees WM_CREATE).
    void SetPendingHandler(Handler handler);

private:
    std::mutex m_mutex;
    std::vector<Logged> m_log;
    std::map<HWND, Handler> m_handlers;
    Handler m_pending;
};

// Registers the "UiTestWindow" class (once) and creates a window of it.
HWND CreateTestWindow(DWORD style, int x, int y, int cx, int cy, HWND parent = nullptr, int id = 0,
                      DWORD exStyle = 0);

} // namespace uitest
