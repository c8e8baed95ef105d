#include "UiTestSupport.h"

#include <algorithm>

namespace uitest {

Recorder& Recorder::Get() {
    static Recorder recorder;
    return recorder;
}

void Recorder::Clear() {
    std::lock_guard lock(m_mutex);
    m_log.clear();
    m_handlers.clear();
    m_pending = nullptr;
}

void Recorder::SetHandler(HWND hwnd, Handler handler) {
    std::lock_guard lock(m_mutex);
    m_handlers[hwnd] = std::move(handler);
}

void Recorder::SetPendingHandler(Handler handler) {
    std::lock_guard lock(m_mutex);
    m_pending = std::move(handler);
}

std::vector<Logged> Recorder::Log() {
    std::lock_guard lock(m_mutex);
    return m_log;
}

std::vector<Logged> Recorder::Of(HWND hwnd, UINT msg) {
    std::lock_guard lock(m_mutex);
    std::vector<Logged> out;
    std::copy_if(m_log.begin(), m_log.end(), std::back_inserter(out),
                 [&](const Logged& l) { return l.hwnd == hwnd && l.msg == msg; });
    return out;
}

std::vector<UINT> Recorder::MessagesOf(HWND hwnd, const std::vector<UINT>& interesting) {
    std::lock_guard lock(m_mutex);
    std::vector<UINT> out;
    for (const Logged& l : m_log) {
        if (l.hwnd == hwnd &&
            std::find(interesting.begin(), interesting.end(), l.msg) != interesting.end()) {
            out.push_back(l.msg);
        }
    }
    return out;
}

LRESULT Recorder::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Handler handler;
    {
        std::lock_guard lock(m_mutex);
        m_log.push_back(Logged{hwnd, msg, wParam, lParam});
        if (msg == WM_NCCREATE && m_pending) {
            m_handlers[hwnd] = std::move(m_pending);
            m_pending = nullptr;
        }
        auto it = m_handlers.find(hwnd);
        if (it != m_handlers.end()) {
            handler = it->second;
        }
    }
    if (handler) {
        if (auto result = handler(hwnd, msg, wParam, lParam)) {
            return *result;
        }
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

namespace {
LRESULT TestProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return Recorder::Get().Proc(hwnd, msg, wParam, lParam);
}
} // namespace

HWND CreateTestWindow(DWORD style, int x, int y, int cx, int cy, HWND parent, int id,
                      DWORD exStyle) {
    static const bool registered = [] {
        WNDCLASSW wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = TestProc;
        wc.lpszClassName = u"UiTestWindow";
        return RegisterClassW(&wc) != 0;
    }();
    (void)registered;
    return CreateWindowExW(exStyle, u"UiTestWindow", u"test", style, x, y, cx, cy, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

} // namespace uitest
