// The tooltip and animation controls.

#include "platform/ui/CommCtrl.h"

#include "platform/base/WideChar.h"

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

struct Tool {
    HWND owner = nullptr;
    UINT_PTR id = 0;
    RECT rect{};
    std::u16string text;
};

struct ToolTipState {
    bool active = true;
    std::vector<Tool> tools;
};

struct AnimationState {
    std::u16string clip;
    bool open = false;
    int plays = 0;
};

std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
}
std::map<HWND, ToolTipState>& ToolTips() {
    static std::map<HWND, ToolTipState> map;
    return map;
}
std::map<HWND, AnimationState>& Animations() {
    static std::map<HWND, AnimationState> map;
    return map;
}
std::set<std::u16string>& Clips() {
    static std::set<std::u16string> clips;
    return clips;
}

Tool* FindTool(ToolTipState& state, const TOOLINFOW* info) {
    if (!info) {
        return nullptr;
    }
    for (Tool& tool : state.tools) {
        if (tool.owner == info->hwnd && tool.id == info->uId) {
            return &tool;
        }
    }
    return nullptr;
}

LRESULT ToolTipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::unique_lock lock(Mutex());
    ToolTipState& state = ToolTips()[hwnd];
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case TTM_ACTIVATE:
        state.active = wParam != 0;
        return 0;
    case TTM_RELAYEVENT:
        return 0; // no pop-up is shown, so mouse messages change nothing
    case TTM_GETTOOLCOUNT:
        return static_cast<LRESULT>(state.tools.size());
    case TTM_ADDTOOLW: {
        const auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        if (!info || FindTool(state, info)) {
            return FALSE;
        }
        state.tools.push_back(Tool{info->hwnd, info->uId, info->rect,
                                   info->lpszText ? std::u16string(info->lpszText) : u""});
        return TRUE;
    }
    case TTM_DELTOOLW: {
        const auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        if (Tool* tool = FindTool(state, info)) {
            state.tools.erase(state.tools.begin() + (tool - state.tools.data()));
        }
        return 0;
    }
    case TTM_UPDATETIPTEXTW: {
        const auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        if (Tool* tool = FindTool(state, info)) {
            tool->text = info->lpszText ? std::u16string(info->lpszText) : u"";
        }
        return 0;
    }
    case TTM_GETTEXTW: {
        auto* info = reinterpret_cast<TOOLINFOW*>(lParam);
        if (!info || !info->lpszText || wParam == 0) {
            return 0;
        }
        const Tool* tool = FindTool(state, info);
        const std::u16string text = tool ? tool->text : u"";
        const size_t count = std::min(text.size(), static_cast<size_t>(wParam) - 1);
        text.copy(info->lpszText, count);
        info->lpszText[count] = u'\0';
        return static_cast<LRESULT>(count);
    }
    case WM_NCDESTROY:
        ToolTips().erase(hwnd);
        lock.unlock();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    default:
        lock.unlock();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

LRESULT AnimateProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::unique_lock lock(Mutex());
    AnimationState& state = Animations()[hwnd];
    switch (msg) {
    case ACM_OPENW: {
        const auto* name = reinterpret_cast<LPCWSTR>(lParam);
        state.plays = 0;
        state.open = name && Clips().count(name) != 0;
        state.clip = state.open ? std::u16string(name) : u"";
        return state.open ? TRUE : FALSE;
    }
    case ACM_PLAY:
        if (!state.open) {
            return FALSE;
        }
        ++state.plays;
        return TRUE;
    case ACM_STOP:
        return state.open ? TRUE : FALSE;
    case ACM_ISPLAYING:
        return FALSE; // a play ends at once: there are no frames to show
    case WM_NCDESTROY:
        Animations().erase(hwnd);
        lock.unlock();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    default:
        lock.unlock();
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
}

} // namespace

void InitCommonControls() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSW tip{};
        tip.lpfnWndProc = ToolTipProc;
        tip.lpszClassName = TOOLTIPS_CLASSW;
        RegisterClassW(&tip);
        WNDCLASSW animate{};
        animate.lpfnWndProc = AnimateProc;
        animate.lpszClassName = ANIMATE_CLASSW;
        RegisterClassW(&animate);
    });
}

bool platform::IsToolTipActive(HWND tooltip) {
    std::lock_guard lock(Mutex());
    const auto it = ToolTips().find(tooltip);
    return it != ToolTips().end() && it->second.active;
}

void AddAnimationClip(LPCWSTR name) {
    if (name) {
        std::lock_guard lock(Mutex());
        Clips().insert(name);
    }
}

void ClearAnimationClips() {
    std::lock_guard lock(Mutex());
    Clips().clear();
}

int platform::AnimationPlayCount(HWND animation) {
    std::lock_guard lock(Mutex());
    const auto it = Animations().find(animation);
    return it == Animations().end() ? 0 : it->second.plays;
}
