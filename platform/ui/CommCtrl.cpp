// The tooltip control and the common controls' classes. The tooltip's pop-up behaviour is in
// ToolTipPopup.cpp, the animation control in Animation.cpp.

#include "platform/ui/CommCtrl.h"
#include "platform/ui/Animation.h"
#include "platform/ui/ToolTipPopup.h"

#include "platform/base/WideChar.h"

#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace {

using Tool = platform::tooltip::ToolView;

struct ToolTipState {
    bool active = true;
    std::vector<Tool> tools;
    // The tool under the mouse (its owner and id), waiting for the initial delay or shown.
    HWND hoverOwner = nullptr;
    UINT_PTR hoverId = 0;
    bool hovering = false;
    bool shown = false;
    // A press over the tool hides the tip until the mouse goes to another tool.
    bool pressed = false;
    std::u16string shownText;
};

std::mutex& Mutex() {
    static std::mutex mutex;
    return mutex;
}
std::map<HWND, ToolTipState>& ToolTips() {
    static std::map<HWND, ToolTipState> map;
    return map;
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

} // namespace

namespace platform::tooltip {

bool WithState(HWND tooltip, const std::function<void(ToolTipView&)>& action) {
    std::lock_guard lock(Mutex());
    auto it = ToolTips().find(tooltip);
    if (it == ToolTips().end()) {
        return false;
    }
    ToolTipState& state = it->second;
    ToolTipView view{state.active, state.hoverOwner, state.hoverId,   state.hovering,
                     state.shown,  state.pressed,    state.shownText, state.tools};
    action(view);
    state.hoverOwner = view.hoverOwner;
    state.hoverId = view.hoverId;
    state.hovering = view.hovering;
    state.shown = view.shown;
    state.pressed = view.pressed;
    state.shownText = view.shownText;
    return true;
}

} // namespace platform::tooltip

namespace {

LRESULT ToolTipProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    std::unique_lock lock(Mutex());
    ToolTipState& state = ToolTips()[hwnd];
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case TTM_ACTIVATE:
        state.active = wParam != 0;
        if (!state.active) {
            lock.unlock();
            platform::tooltip::Hide(hwnd);
        }
        return 0;
    case TTM_RELAYEVENT: {
        const auto* relayed = reinterpret_cast<const MSG*>(lParam);
        lock.unlock();
        if (relayed != nullptr) {
            platform::tooltip::Relay(hwnd, *relayed);
        }
        return 0;
    }
    case WM_TIMER:
        lock.unlock();
        platform::tooltip::OnTimer(hwnd, wParam);
        return 0;
    case WM_PAINT:
        lock.unlock();
        platform::tooltip::Paint(hwnd);
        return 0;

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
        bool current = false;
        if (Tool* tool = FindTool(state, info)) {
            current =
                state.hovering && tool->owner == state.hoverOwner && tool->id == state.hoverId;
            state.tools.erase(state.tools.begin() + (tool - state.tools.data()));
        }
        if (current) {
            lock.unlock();
            platform::tooltip::Hide(hwnd); // the tool went: so does its tip
        }
        return 0;
    }
    case TTM_NEWTOOLRECTW: {
        const auto* info = reinterpret_cast<const TOOLINFOW*>(lParam);
        if (Tool* tool = FindTool(state, info)) {
            tool->rect = info->rect;
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

} // namespace

void InitCommonControls() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSW tip{};
        tip.lpfnWndProc = ToolTipProc;
        tip.lpszClassName = TOOLTIPS_CLASSW;
        RegisterClassW(&tip);
        WNDCLASSW animate{};
        animate.lpfnWndProc = platform::animation::AnimateProc;
        animate.lpszClassName = ANIMATE_CLASSW;
        RegisterClassW(&animate);
    });
}

bool platform::IsToolTipActive(HWND tooltip) {
    std::lock_guard lock(Mutex());
    const auto it = ToolTips().find(tooltip);
    return it != ToolTips().end() && it->second.active;
}
