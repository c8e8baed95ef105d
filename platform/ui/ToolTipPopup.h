#pragma once
// The pop-up behaviour of the tooltip control: which tool the relayed mouse messages point
// at, the timers, and the pop-up's place and face.
//
//   mouse on a tool with a text --(initial delay)--> shown near the cursor
//   shown --(mouse leaves the tool, a press, the owner's window inactive or gone, the tool
//            deleted, TTM_ACTIVATE FALSE, time-out)--> hidden
// A press keeps the tip hidden until the mouse goes to another tool.

#include "platform/ui/WinUser.h"

#include <functional>
#include <string>
#include <vector>

namespace platform::tooltip {

inline constexpr UINT kInitialDelayMs = 500;
inline constexpr UINT kAutoPopMs = 5000;
inline constexpr UINT kWatchMs = 100;

struct ToolView {
    HWND owner = nullptr;
    UINT_PTR id = 0;
    RECT rect{};
    std::u16string text;
};

// A copy of a tooltip's state; the fields after `tools` are written back.
struct ToolTipView {
    bool active = true;
    HWND hoverOwner = nullptr;
    UINT_PTR hoverId = 0;
    bool hovering = false;
    bool shown = false;
    bool pressed = false;
    std::u16string shownText;
    std::vector<ToolView> tools;
};

// Runs action on the tooltip's state under the control's lock; false for no tooltip.
bool WithState(HWND tooltip, const std::function<void(ToolTipView&)>& action);

void Relay(HWND tooltip, const MSG& msg);
void OnTimer(HWND tooltip, UINT_PTR timerId);
void Paint(HWND tooltip);
void Hide(HWND tooltip);

} // namespace platform::tooltip
