#pragma once
// Hooks of the window manager for the application framework and for tests.

#include "platform/base/WinTypes.h"
#include "platform/ui/Msg.h"

#include <functional>

namespace platform {

// Called once, on the creating thread, for the next window that thread creates, right after
// its handle exists and before it receives any message (the framework attaches its window
// object and subclasses the procedure here).
using CreateHook = void (*)(HWND hwnd, void* context);
void SetThreadCreateHook(CreateHook hook, void* context);

// Called by every modal loop (modal dialogs, framework modal runs) each time its queue is
// empty, before it waits; `dialog` is the modal window. Lets a test act while a modal loop
// runs (inject input, advance the virtual clock, end the dialog). nullptr removes the hook.
// Process-wide; the hook runs on the modal loop's thread. Under a virtual clock the loop
// does not sleep while a hook is installed: it calls the hook again each time it is idle, so
// the hook must make progress (advance the clock, inject input, end the dialog).
using ModalIdleHook = std::function<void(HWND dialog)>;
void SetModalIdleHook(ModalIdleHook hook);

// Default painting of the built-in controls (static, button, edit): owner-drawn controls ask
// their parent with WM_DRAWITEM, others fill with the WM_CTLCOLOR* brush and draw their text.
LRESULT PaintControl(HWND hwnd, UINT ownerDrawType);
// Paints a top-level window's frame and caption bar (title text in the caption) when it has
// WS_CAPTION: the non-client area, which nothing else draws.
void PaintNonClient(HWND hwnd);

// Runs a modal loop for `dialog` until EndDialog is called on it (or WM_QUIT arrives, which
// is posted again for the outer loop). preTranslate may consume a message before the
// dialog manager and dispatch see it. Returns the dialog result (-1 when the window died).
INT_PTR RunModalLoop(HWND dialog, const std::function<bool(MSG&)>& preTranslate);

} // namespace platform
