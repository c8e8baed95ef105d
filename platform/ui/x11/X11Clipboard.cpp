#include "platform/ui/x11/X11Clipboard.h"

#include "platform/base/WideChar.h"
#include "platform/ui/x11/WakePipe.h"
#include "platform/ui/x11/X11Display.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include <poll.h>

// Xlib last: its macros must not meet the window layer's headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform {

namespace {

// Latin-1 text (STRING) from UTF-8 and back; characters Latin-1 lacks become '?'.
std::string Latin1FromUtf8(const std::string& utf8) {
    std::string out;
    for (const char32_t c : ToUtf32(FromUtf8(utf8))) {
        out.push_back(c < 0x100 ? static_cast<char>(static_cast<unsigned char>(c)) : '?');
    }
    return out;
}

std::string Utf8FromLatin1(const std::string& latin1) {
    std::u16string wide;
    for (const char c : latin1) {
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return ToUtf8(wide);
}

} // namespace

struct X11Clipboard::Impl {
    Display* dpy = nullptr;
    ::Window window = 0;
    Atom clipboard = 0;
    Atom utf8 = 0;
    Atom targets = 0;
    Atom text = 0;
    Atom plainUtf8 = 0;
    Atom incr = 0;
    Atom property = 0; // where owners put their answers for us

    std::mutex xMutex; // every Xlib call
    x11::WakePipe wake;
    std::atomic<bool> stop{false};
    std::thread reader;

    std::mutex stateMutex;
    std::condition_variable answered;
    bool owned = false;
    std::string ownText;             // UTF-8, while owned
    unsigned long requestNumber = 0; // the paste being waited for
    unsigned long answeredNumber = 0;
    Atom requestedTarget = 0;
    std::optional<std::string> answer; // UTF-8

    bool Open(const std::string& name);
    void Close();
    void ReaderLoop();
    void Handle(XEvent& e);
    void AnswerRequest(const XSelectionRequestEvent& request);
    // Reads the owner's answer off our window (xMutex held).
    std::optional<std::string> ReadAnswer(Atom type);
    // Asks the owner for the selection in a target (xMutex held).
    void Request(Atom target);
};

bool X11Clipboard::Impl::Open(const std::string& name) {
    dpy = XOpenDisplay(name.empty() ? nullptr : name.c_str());
    if (dpy == nullptr) {
        return false;
    }
    if (!wake.Open()) {
        XCloseDisplay(dpy);
        dpy = nullptr;
        return false;
    }
    window = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), -10, -10, 1, 1, 0, 0, 0);
    clipboard = XInternAtom(dpy, "CLIPBOARD", False);
    utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    targets = XInternAtom(dpy, "TARGETS", False);
    text = XInternAtom(dpy, "TEXT", False);
    plainUtf8 = XInternAtom(dpy, "text/plain;charset=utf-8", False);
    incr = XInternAtom(dpy, "INCR", False);
    property = XInternAtom(dpy, "BORVANTA_CLIPBOARD", False);
    XFlush(dpy);
    reader = std::thread([this] { ReaderLoop(); });
    return true;
}

void X11Clipboard::Impl::Close() {
    if (dpy == nullptr) {
        return;
    }
    stop = true;
    wake.Wake();
    if (reader.joinable()) {
        reader.join();
    }
    std::lock_guard lock(xMutex);
    XDestroyWindow(dpy, window);
    XCloseDisplay(dpy);
    dpy = nullptr;
}

void X11Clipboard::Impl::ReaderLoop() {
    const int xfd = ConnectionNumber(dpy);
    while (!stop) {
        bool pending = false;
        {
            std::lock_guard lock(xMutex);
            pending = XPending(dpy) > 0;
        }
        if (!pending) {
            pollfd fds[2] = {{xfd, POLLIN, 0}, {wake.ReadEnd(), POLLIN, 0}};
            poll(fds, 2, -1);
        }
        wake.Drain();
        std::lock_guard lock(xMutex);
        while (!stop && XPending(dpy) > 0) {
            XEvent e;
            XNextEvent(dpy, &e);
            Handle(e);
        }
    }
}

void X11Clipboard::Impl::Handle(XEvent& e) {
    switch (e.type) {
    case SelectionRequest:
        AnswerRequest(e.xselectionrequest);
        break;
    case SelectionClear:
        if (e.xselectionclear.selection == clipboard) {
            std::lock_guard lock(stateMutex);
            owned = false;
            ownText.clear();
        }
        break;
    case SelectionNotify: {
        const XSelectionEvent& notify = e.xselection;
        if (notify.selection != clipboard || notify.requestor != window) {
            break;
        }
        std::optional<std::string> got;
        if (notify.property != None) {
            got = ReadAnswer(notify.target);
        }
        std::unique_lock lock(stateMutex);
        if (!got && notify.target == utf8 && requestedTarget == utf8) {
            // No UTF-8 from this owner: Latin-1 then.
            requestedTarget = XA_STRING;
            lock.unlock();
            Request(XA_STRING);
            break;
        }
        answer = std::move(got);
        answeredNumber = requestNumber;
        lock.unlock();
        answered.notify_all();
        break;
    }
    default:
        break;
    }
}

std::optional<std::string> X11Clipboard::Impl::ReadAnswer(Atom wanted) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    // Up to 4 MB of text; an answer in pieces (INCR) is not taken.
    if (XGetWindowProperty(dpy, window, property, 0, 1L << 20, True, AnyPropertyType, &type,
                           &format, &count, &after, &data) != Success) {
        return std::nullopt;
    }
    std::optional<std::string> result;
    if (data != nullptr && format == 8 && type != incr) {
        std::string bytes(reinterpret_cast<const char*>(data), count);
        result = type == XA_STRING || wanted == XA_STRING ? Utf8FromLatin1(bytes) : bytes;
    }
    if (data != nullptr) {
        XFree(data);
    }
    return result;
}

void X11Clipboard::Impl::Request(Atom target) {
    XConvertSelection(dpy, clipboard, target, property, window, CurrentTime);
    XFlush(dpy);
}

void X11Clipboard::Impl::AnswerRequest(const XSelectionRequestEvent& request) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = dpy;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    // Old clients name no property: the target's name is used then.
    const Atom where = request.property != None ? request.property : request.target;
    reply.property = None;
    std::string content;
    bool owning = false;
    {
        std::lock_guard lock(stateMutex);
        owning = owned && request.selection == clipboard;
        content = ownText;
    }
    // The largest property one request can carry, with room for the request itself.
    const size_t room = static_cast<size_t>(XMaxRequestSize(dpy)) * 4 - 64;
    if (owning) {
        if (request.target == targets) {
            const Atom offered[] = {targets, utf8, plainUtf8, text, XA_STRING};
            XChangeProperty(dpy, request.requestor, where, XA_ATOM, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(offered),
                            static_cast<int>(std::size(offered)));
            reply.property = where;
        } else if (request.target == utf8 || request.target == plainUtf8 ||
                   request.target == text || request.target == XA_STRING) {
            const bool latin1 = request.target == XA_STRING;
            const std::string bytes = latin1 ? Latin1FromUtf8(content) : content;
            if (bytes.size() <= room) {
                const Atom type = latin1                        ? XA_STRING
                                  : request.target == plainUtf8 ? plainUtf8
                                                                : utf8;
                XChangeProperty(dpy, request.requestor, where, type, 8, PropModeReplace,
                                reinterpret_cast<const unsigned char*>(bytes.data()),
                                static_cast<int>(bytes.size()));
                reply.property = where;
            }
        }
    }
    XSendEvent(dpy, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(dpy);
}

X11Clipboard::X11Clipboard(const std::string& displayName) : m_impl(std::make_unique<Impl>()) {
    m_impl->Open(displayName);
}

X11Clipboard::~X11Clipboard() {
    m_impl->Close();
}

bool X11Clipboard::IsOpen() const {
    return m_impl->dpy != nullptr;
}

bool X11Clipboard::SetText(const std::u16string& text) {
    Impl& s = *m_impl;
    if (s.dpy == nullptr) {
        return false;
    }
    {
        std::lock_guard lock(s.stateMutex);
        s.ownText = ToUtf8(text);
        s.owned = true;
    }
    bool ours = false;
    {
        x11::WakingLock lock(s.xMutex, s.wake);
        XSetSelectionOwner(s.dpy, s.clipboard, s.window, CurrentTime);
        ours = XGetSelectionOwner(s.dpy, s.clipboard) == s.window;
    }
    if (!ours) {
        std::lock_guard lock(s.stateMutex);
        s.owned = false;
        s.ownText.clear();
    }
    return ours;
}

std::optional<std::u16string> X11Clipboard::Text(std::chrono::milliseconds timeout) {
    Impl& s = *m_impl;
    if (s.dpy == nullptr) {
        return std::nullopt;
    }
    unsigned long number = 0;
    {
        std::lock_guard lock(s.stateMutex);
        if (s.owned) {
            return FromUtf8(s.ownText);
        }
        number = ++s.requestNumber;
        s.requestedTarget = s.utf8;
        s.answer.reset();
    }
    {
        x11::WakingLock lock(s.xMutex, s.wake);
        if (XGetSelectionOwner(s.dpy, s.clipboard) == None) {
            return std::nullopt;
        }
        s.Request(s.utf8);
    }
    std::unique_lock lock(s.stateMutex);
    if (!s.answered.wait_for(lock, timeout, [&] { return s.answeredNumber >= number; })) {
        return std::nullopt;
    }
    if (!s.answer) {
        return std::nullopt;
    }
    return FromUtf8(*s.answer);
}

// The display's clipboard operations (X11Display.h).

X11Clipboard* X11Display::Clipboard() {
    std::lock_guard lock(m_clipboardMutex);
    if (!m_clipboard && IsOpen()) {
        m_clipboard = std::make_unique<X11Clipboard>(m_displayName);
    }
    return m_clipboard && m_clipboard->IsOpen() ? m_clipboard.get() : nullptr;
}

std::optional<std::u16string> X11Display::ReadClipboardText() {
    X11Clipboard* clipboard = Clipboard();
    return clipboard ? clipboard->Text() : std::nullopt;
}

bool X11Display::WriteClipboardText(const std::u16string& text) {
    X11Clipboard* clipboard = Clipboard();
    return clipboard != nullptr && clipboard->SetText(text);
}

} // namespace platform
