#pragma once
// Per-thread message queues.
//
// Every thread that owns windows or runs a message loop has one ThreadQueue. It holds, in the
// order a message loop takes them:
//   1. incoming work from other threads: messages sent with SendMessage from another thread
//      (the sender blocks until this thread has handled them) and callbacks queued with
//      PostThreadCallback. Both run inside this thread's GetMessage/PeekMessage, and also
//      while this thread itself waits in a cross-thread SendMessage, so two threads that send
//      to each other never deadlock;
//   2. posted messages (PostMessage, PostThreadMessage) in FIFO order;
//   3. user input (mouse and keys from the display, injected or real), one event at a time and
//      only when no posted message is waiting: an event is routed to its window (capture,
//      hit testing, focus) when the loop comes to it, as the system does, so a window that
//      takes the capture while it handles a press also gets the moves and the release that
//      were already on their way;
//   4. WM_QUIT once the posted messages and the input are drained;
//   5. WM_PAINT for windows of this thread with something to repaint;
//   6. WM_TIMER for due timers.
//
// Cross-thread callbacks (for connection-point events and similar "run this on the thread
// that asked for it" needs, as apartment-threaded objects behave):
//
//     DWORD owner = GetCurrentThreadId();   // on the thread whose loop should run the calls
//     EnsureMessageQueue();                  // make sure that thread has a queue
//     ...
//     PostThreadCallback(owner, [=] { sink->OnEvent(...); });   // from any thread
//
// The callback runs on the owner thread the next time it pumps messages (GetMessage,
// PeekMessage, a modal loop, or while it waits in SendMessage), in the order posted. It
// returns FALSE (and drops the callback) when the thread has no queue or has exited; a
// callback queued to a thread that exits before pumping is destroyed without running.

#include "platform/base/WinTypes.h"
#include "platform/ui/Msg.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

// Small, stable, non-zero id of the calling thread (1 for the first thread that asks).
DWORD GetCurrentThreadId();

// Creates the calling thread's queue if it has none yet (windows and message calls do this
// on their own).
void EnsureMessageQueue();

// Runs fn on thread threadId's message loop (see above). Thread-safe.
BOOL PostThreadCallback(DWORD threadId, std::function<void()> fn);

namespace platform {

class ThreadQueue {
public:
    explicit ThreadQueue(DWORD threadId) : m_threadId(threadId) {}
    ThreadQueue(const ThreadQueue&) = delete;
    ThreadQueue& operator=(const ThreadQueue&) = delete;

    // The calling thread's queue, created on first use and retired when the thread exits.
    static std::shared_ptr<ThreadQueue> Current();
    // The queue of a live thread, or null.
    static std::shared_ptr<ThreadQueue> Find(DWORD threadId);
    // Wakes every waiting message loop (the clock moved, a window was invalidated...).
    static void WakeAll();
    // Called with the id of each thread whose queue retires (the window manager removes the
    // windows the thread left behind, as the system does when a thread ends).
    static void SetRetireHook(void (*hook)(DWORD threadId));

    DWORD ThreadId() const { return m_threadId; }

    // Any thread. Return false when the queue's thread has exited.
    bool Post(const MSG& msg);
    // Posts a message that the owner takes before every other posted one (the characters
    // TranslateMessage makes of a key message are read right after it).
    bool PostFront(const MSG& msg);
    bool PostWork(std::function<void()> fn);
    // Queues one input event; route runs on the owner thread when the loop comes to it (it
    // posts the message the event makes).
    bool PostInput(std::function<void()> route);
    void PostQuit(int exitCode);
    void Wake();

    // Owner thread only.
    // Runs queued incoming work (sent messages, callbacks); returns true if any ran.
    bool RunIncoming();
    // Takes (or peeks) the first posted message matching the filter.
    std::optional<MSG> TakePosted(HWND hwnd, UINT minMsg, UINT maxMsg, bool remove);
    bool HasPosted();
    // Whether a posted message in [minMsg, maxMsg] is still waiting.
    bool HasPosted(UINT minMsg, UINT maxMsg);
    // Routes the next input event when no posted message waits; true when one was routed.
    bool RouteInput();
    // Quit request: returns the exit code and clears it when remove is set.
    std::optional<int> TakeQuit(bool remove);
    // The wake-up count: every Post, PostWork, PostQuit and Wake adds one. A loop reads it
    // before it looks for work and hands it to Wait, so that whatever arrives after that look
    // (and before the wait begins) is not slept through.
    std::uint64_t WakeCount();
    // Blocks until the wake-up count is no longer seen, incoming work or a quit request is
    // queued (also posted messages when postedCounts is set: a loop without a message
    // filter), or the clock reaches deadlineMs.
    void Wait(std::optional<std::uint64_t> deadlineMs, std::uint64_t seen,
              bool postedCounts = false);
    // Removes posted messages for a destroyed window.
    void DropWindow(HWND hwnd);

    // Called when the owner thread exits: refuses new work; pending work is discarded
    // (cross-thread senders are released by their own completion guards).
    void Retire();

private:
    const DWORD m_threadId;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<MSG> m_posted;
    std::deque<std::function<void()>> m_incoming;
    std::deque<std::function<void()>> m_input;
    std::optional<int> m_quit;
    std::uint64_t m_wakeups = 0;
    bool m_retired = false;
};

} // namespace platform
