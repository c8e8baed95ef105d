#pragma once
// Message loops: filters of the running loop, pumping until idle, modal runs.

#include "platform/base/WinTypes.h"
#include "platform/ui/Msg.h"

#include <functional>

namespace platform {

// What the innermost loop of a thread does with a message before dispatching it: the
// framework's pre-translation, then the dialog manager of a modal dialog.
struct LoopFilter {
    HWND dialog = nullptr;
    const std::function<bool(MSG&)>* preTranslate = nullptr;
};

// Installs a filter for the calling thread for its scope (loops nest; the innermost wins).
class ScopedLoopFilter {
public:
    explicit ScopedLoopFilter(const LoopFilter& filter);
    ~ScopedLoopFilter();
    ScopedLoopFilter(const ScopedLoopFilter&) = delete;
    ScopedLoopFilter& operator=(const ScopedLoopFilter&) = delete;

private:
    LoopFilter m_filter;
};

// Filters, translates and dispatches one message as the innermost loop would.
void ProcessMessage(MSG& msg);

// Called on a loop's thread each time the loop has handled everything queued, before it
// waits: by the modal loops and by PumpUntilIdle. The application framework frees its
// temporary wrappers here, as its own message loop does when it goes idle. One handler for
// the process; null removes it.
using LoopIdleHandler = void (*)();
void SetLoopIdleHandler(LoopIdleHandler handler);
// Runs the handler, when one is set.
void RunLoopIdleHandler();

// Handles everything queued for the calling thread (sent messages, callbacks, posted
// messages and input, paints, due timers) until nothing is left; a WM_QUIT found is left for
// the loop that owns it. Returns the number of messages handled (at most maxMessages, which
// stops a window that keeps invalidating itself from looping forever).
int PumpUntilIdle(int maxMessages = 100000);

// Runs an already created dialog modally: disables its owner, shows it, runs the modal loop
// until EndDialog, enables the owner again, hides the dialog and, with destroy, destroys it.
INT_PTR RunModalDialog(HWND dialog, HWND owner, const std::function<bool(MSG&)>& preTranslate,
                       bool destroy);

} // namespace platform
