#include "platform/ui/ThreadQueue.h"

#include "platform/ui/Clock.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <map>

namespace platform {

namespace {

std::mutex g_registryMutex;
std::map<DWORD, std::shared_ptr<ThreadQueue>>& Registry() {
    static auto* registry = new std::map<DWORD, std::shared_ptr<ThreadQueue>>();
    return *registry;
}

std::atomic<DWORD> g_nextThreadId{1};
std::atomic<void (*)(DWORD)> g_retireHook{nullptr};

// Retires the thread's queue when the thread exits.
struct QueueHolder {
    std::shared_ptr<ThreadQueue> queue;
    ~QueueHolder() {
        if (!queue) {
            return;
        }
        {
            std::lock_guard lock(g_registryMutex);
            Registry().erase(queue->ThreadId());
        }
        queue->Retire();
        if (auto hook = g_retireHook.load()) {
            hook(queue->ThreadId());
        }
    }
};

thread_local QueueHolder t_holder;

} // namespace

std::shared_ptr<ThreadQueue> ThreadQueue::Current() {
    if (!t_holder.queue) {
        auto queue = std::make_shared<ThreadQueue>(::GetCurrentThreadId());
        std::lock_guard lock(g_registryMutex);
        Registry()[queue->ThreadId()] = queue;
        t_holder.queue = queue;
    }
    return t_holder.queue;
}

std::shared_ptr<ThreadQueue> ThreadQueue::Find(DWORD threadId) {
    std::lock_guard lock(g_registryMutex);
    auto it = Registry().find(threadId);
    return it == Registry().end() ? nullptr : it->second;
}

void ThreadQueue::SetRetireHook(void (*hook)(DWORD)) {
    g_retireHook.store(hook);
}

void ThreadQueue::WakeAll() {
    std::vector<std::shared_ptr<ThreadQueue>> queues;
    {
        std::lock_guard lock(g_registryMutex);
        for (auto& [id, queue] : Registry()) {
            queues.push_back(queue);
        }
    }
    for (auto& queue : queues) {
        queue->Wake();
    }
}

bool ThreadQueue::Post(const MSG& msg) {
    {
        std::lock_guard lock(m_mutex);
        if (m_retired) {
            return false;
        }
        m_posted.push_back(msg);
        ++m_wakeups;
    }
    m_cv.notify_all();
    return true;
}

bool ThreadQueue::PostFront(const MSG& msg) {
    {
        std::lock_guard lock(m_mutex);
        if (m_retired) {
            return false;
        }
        m_posted.push_front(msg);
        ++m_wakeups;
    }
    m_cv.notify_all();
    return true;
}

bool ThreadQueue::PostWork(std::function<void()> fn) {
    {
        std::lock_guard lock(m_mutex);
        if (m_retired) {
            return false;
        }
        m_incoming.push_back(std::move(fn));
        ++m_wakeups;
    }
    m_cv.notify_all();
    return true;
}

bool ThreadQueue::PostInput(std::function<void()> route) {
    {
        std::lock_guard lock(m_mutex);
        if (m_retired) {
            return false;
        }
        m_input.push_back(std::move(route));
        ++m_wakeups;
    }
    m_cv.notify_all();
    return true;
}

bool ThreadQueue::RouteInput() {
    std::function<void()> route;
    {
        std::lock_guard lock(m_mutex);
        if (!m_posted.empty() || m_input.empty()) {
            return false;
        }
        route = std::move(m_input.front());
        m_input.pop_front();
    }
    route();
    return true;
}

void ThreadQueue::PostQuit(int exitCode) {
    {
        std::lock_guard lock(m_mutex);
        m_quit = exitCode;
        ++m_wakeups;
    }
    m_cv.notify_all();
}

void ThreadQueue::Wake() {
    {
        std::lock_guard lock(m_mutex);
        ++m_wakeups;
    }
    m_cv.notify_all();
}

bool ThreadQueue::RunIncoming() {
    bool ran = false;
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(m_mutex);
            if (m_incoming.empty()) {
                return ran;
            }
            work = std::move(m_incoming.front());
            m_incoming.pop_front();
        }
        work();
        ran = true;
    }
}

std::optional<MSG> ThreadQueue::TakePosted(HWND hwnd, UINT minMsg, UINT maxMsg, bool remove) {
    std::lock_guard lock(m_mutex);
    for (auto it = m_posted.begin(); it != m_posted.end(); ++it) {
        if (hwnd && it->hwnd != hwnd) {
            continue;
        }
        if ((minMsg || maxMsg) && (it->message < minMsg || it->message > maxMsg)) {
            continue;
        }
        MSG msg = *it;
        if (remove) {
            m_posted.erase(it);
        }
        return msg;
    }
    return std::nullopt;
}

bool ThreadQueue::HasPosted() {
    std::lock_guard lock(m_mutex);
    return !m_posted.empty();
}

bool ThreadQueue::HasPosted(UINT minMsg, UINT maxMsg) {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_posted.begin(), m_posted.end(), [&](const MSG& msg) {
        return msg.message >= minMsg && msg.message <= maxMsg;
    });
}

std::optional<int> ThreadQueue::TakeQuit(bool remove) {
    std::lock_guard lock(m_mutex);
    auto quit = m_quit;
    if (remove) {
        m_quit.reset();
    }
    return quit;
}

std::uint64_t ThreadQueue::WakeCount() {
    std::lock_guard lock(m_mutex);
    return m_wakeups;
}

void ThreadQueue::Wait(std::optional<std::uint64_t> deadlineMs, std::uint64_t seen,
                       bool postedCounts) {
    std::unique_lock lock(m_mutex);
    // Anything that arrived since the caller last looked wakes it, and so does work still
    // queued, whenever it came.
    auto woken = [&] {
        return m_wakeups != seen || !m_incoming.empty() || m_quit.has_value() ||
               (postedCounts && (!m_posted.empty() || !m_input.empty()));
    };
    if (woken()) {
        return;
    }
    Clock& clock = GetClock();
    if (!deadlineMs) {
        m_cv.wait(lock, woken);
        return;
    }
    if (clock.IsVirtual()) {
        // Virtual time moves only through Advance, which wakes every queue.
        if (clock.NowMs() >= *deadlineMs) {
            return;
        }
        m_cv.wait(lock, woken);
        return;
    }
    const std::uint64_t now = clock.NowMs();
    if (now >= *deadlineMs) {
        return;
    }
    m_cv.wait_for(lock, std::chrono::milliseconds(*deadlineMs - now), woken);
}

void ThreadQueue::DropWindow(HWND hwnd) {
    std::lock_guard lock(m_mutex);
    std::erase_if(m_posted, [hwnd](const MSG& msg) { return msg.hwnd == hwnd; });
}

void ThreadQueue::Retire() {
    std::deque<std::function<void()>> pending;
    std::deque<std::function<void()>> input;
    {
        std::lock_guard lock(m_mutex);
        m_retired = true;
        pending.swap(m_incoming);
        input.swap(m_input);
        m_posted.clear();
    }
    // Destroyed outside the lock: their destructors may release waiting senders.
    pending.clear();
    input.clear();
}

} // namespace platform

DWORD GetCurrentThreadId() {
    thread_local const DWORD id = platform::g_nextThreadId.fetch_add(1);
    return id;
}

void EnsureMessageQueue() {
    platform::ThreadQueue::Current();
}

BOOL PostThreadCallback(DWORD threadId, std::function<void()> fn) {
    if (!fn) {
        return FALSE;
    }
    auto queue = platform::ThreadQueue::Find(threadId);
    return queue && queue->PostWork(std::move(fn)) ? TRUE : FALSE;
}
