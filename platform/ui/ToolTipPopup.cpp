#include "platform/ui/ToolTipPopup.h"

#include "platform/gdi/Gdi.h"
#include "platform/ui/Display.h"
#include "platform/ui/TipLook.h"

namespace platform::tooltip {

namespace {

constexpr UINT_PTR kDelayTimer = 1;
constexpr UINT_PTR kAutoPopTimer = 2;
constexpr UINT_PTR kWatchTimer = 3;

bool Inside(const RECT& r, POINT pt) {
    return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom;
}

// The tool of the view under a point in the owner's client coordinates.
const ToolView* ToolAt(const ToolTipView& view, HWND owner, POINT pt) {
    for (const ToolView& tool : view.tools) {
        if (tool.owner == owner && Inside(tool.rect, pt)) {
            return &tool;
        }
    }
    return nullptr;
}

// Whether the cursor is still on the tool and its window is shown in the active window.
bool ToolStillUnderCursor(const ToolTipView& view) {
    if (!view.hovering || !IsWindow(view.hoverOwner) || !IsWindowVisible(view.hoverOwner)) {
        return false;
    }
    HWND root = GetAncestor(view.hoverOwner, GA_ROOT);
    HWND active = GetActiveWindow();
    if (active == nullptr || (active != root && GetAncestor(active, GA_ROOT) != root &&
                              GetWindow(root, GW_OWNER) != active)) {
        return false; // the program or the window was deactivated
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(view.hoverOwner, &cursor);
    for (const ToolView& tool : view.tools) {
        if (tool.owner == view.hoverOwner && tool.id == view.hoverId) {
            return Inside(tool.rect, cursor) && !tool.text.empty();
        }
    }
    return false; // the tool went
}

void ShowNow(HWND tooltip) {
    std::u16string text;
    WithState(tooltip, [&](ToolTipView& view) {
        if (!view.active || view.pressed || !ToolStillUnderCursor(view)) {
            view.hovering = view.hovering && !view.pressed && ToolStillUnderCursor(view);
            return;
        }
        for (const ToolView& tool : view.tools) {
            if (tool.owner == view.hoverOwner && tool.id == view.hoverId) {
                text = tool.text;
            }
        }
        view.shown = !text.empty();
        view.shownText = text;
    });
    if (text.empty()) {
        return;
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    const SIZE size = tiplook::TipSize(text);
    const int width = size.cx;
    const int height = size.cy;
    const SIZE screen = platform::ScreenSize();
    // Below the cursor, kept on the screen.
    int x = cursor.x;
    int y = cursor.y + 20;
    if (x + width > screen.cx) {
        x = screen.cx - width;
    }
    if (y + height > screen.cy) {
        y = cursor.y - height - 4;
    }
    x = x < 0 ? 0 : x;
    y = y < 0 ? 0 : y;
    SetWindowPos(tooltip, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE);
    ShowWindow(tooltip, SW_SHOWNOACTIVATE);
    InvalidateRect(tooltip, nullptr, TRUE);
    SetTimer(tooltip, kAutoPopTimer, kAutoPopMs, nullptr);
}

} // namespace

void Hide(HWND tooltip) {
    WithState(tooltip, [](ToolTipView& view) {
        view.shown = false;
        view.hovering = false;
    });
    KillTimer(tooltip, kDelayTimer);
    KillTimer(tooltip, kAutoPopTimer);
    KillTimer(tooltip, kWatchTimer);
    if (IsWindowVisible(tooltip)) {
        ShowWindow(tooltip, SW_HIDE);
    }
}

namespace {

// Hides the tip but keeps the tool it was over, marked so that the tip stays hidden there
// until the mouse goes to another tool; the watch timer sees the mouse leave. With
// `overTool` the tool counts as under the mouse whatever the state says.
void HideOverTool(HWND tooltip, bool overTool) {
    HWND owner = nullptr;
    UINT_PTR id = 0;
    bool hovering = overTool;
    WithState(tooltip, [&](ToolTipView& view) {
        owner = view.hoverOwner;
        id = view.hoverId;
        hovering = hovering || view.hovering;
    });
    Hide(tooltip);
    WithState(tooltip, [&](ToolTipView& view) {
        view.pressed = hovering;
        view.hoverOwner = owner;
        view.hoverId = id;
        view.hovering = hovering;
    });
    if (hovering) {
        SetTimer(tooltip, kWatchTimer, kWatchMs, nullptr);
    }
}

} // namespace

void Relay(HWND tooltip, const MSG& msg) {
    switch (msg.message) {
    case WM_MOUSEMOVE: {
        const auto packed = static_cast<DWORD_PTR>(msg.lParam);
        const POINT pt{static_cast<SHORT>(LOWORD(packed)), static_cast<SHORT>(HIWORD(packed))};
        bool startDelay = false;
        bool hide = false;
        WithState(tooltip, [&](ToolTipView& view) {
            const ToolView* tool = ToolAt(view, msg.hwnd, pt);
            if (tool == nullptr || tool->text.empty() || !view.active) {
                hide = view.shown || view.hovering;
                view.pressed = false;
                return;
            }
            const bool same =
                view.hovering && tool->owner == view.hoverOwner && tool->id == view.hoverId;
            if (same) {
                return; // kept while the mouse stays on the tool
            }
            hide = view.shown;
            view.pressed = false;
            view.hoverOwner = tool->owner;
            view.hoverId = tool->id;
            startDelay = true;
        });
        if (hide) {
            Hide(tooltip);
        }
        if (startDelay) {
            WithState(tooltip, [](ToolTipView& view) { view.hovering = true; });
            SetTimer(tooltip, kDelayTimer, kInitialDelayMs, nullptr);
            SetTimer(tooltip, kWatchTimer, kWatchMs, nullptr);
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_KEYDOWN: {
        // A press hides the tip; it stays hidden over this tool.
        HideOverTool(tooltip, false);
        break;
    }
    default:
        break;
    }
}

void OnTimer(HWND tooltip, UINT_PTR timerId) {
    switch (timerId) {
    case kDelayTimer:
        KillTimer(tooltip, kDelayTimer);
        ShowNow(tooltip);
        break;
    case kAutoPopTimer: {
        // Timed out: hidden, and not shown again until the mouse comes back to the tool.
        HideOverTool(tooltip, true);
        break;
    }
    case kWatchTimer: {
        bool gone = false;
        WithState(tooltip, [&](ToolTipView& view) {
            gone = !ToolStillUnderCursor(view) || (view.shown && IsWindowVisible(tooltip) == FALSE);
        });
        if (gone) {
            Hide(tooltip);
            WithState(tooltip, [](ToolTipView& view) { view.pressed = false; });
        }
        break;
    }
    default:
        break;
    }
}

void Paint(HWND tooltip) {
    std::u16string text;
    WithState(tooltip, [&](ToolTipView& view) { text = view.shownText; });
    tiplook::PaintTip(tooltip, text);
}

} // namespace platform::tooltip
