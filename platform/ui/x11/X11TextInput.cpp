#include "platform/ui/x11/X11TextInput.h"

#include "platform/base/WideChar.h"
#include "platform/ui/Input.h"
#include "platform/ui/ThreadQueue.h"
#include "platform/ui/WinUser.h"
#include "platform/ui/x11/X11Keys.h"
#include "platform/ui/x11/X11RawInput.h"

#include <chrono>
#include <clocale>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <langinfo.h>

// Xlib last: its macros must not meet the window layer's headers.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

namespace platform::x11 {

namespace {

bool LocaleIsUtf8() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
}

// Makes the process's character type a UTF-8 one, as the input method needs it (Xlib takes
// the locale's compose table and character conversions when the method opens): the user's
// locale when it is a UTF-8 one, else C.UTF-8; unchanged when it is one already or neither is
// to be had. Done once, while the display opens, so that the method can open later on a thread
// of its own without touching the process's locale.
void UseUtf8Locale() {
    if (LocaleIsUtf8() && XSupportsLocale()) {
        return;
    }
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = current != nullptr ? current : "C";
    if (std::setlocale(LC_CTYPE, "") != nullptr && LocaleIsUtf8() && XSupportsLocale()) {
        return;
    }
    if (std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr && XSupportsLocale()) {
        return;
    }
    std::setlocale(LC_CTYPE, saved.c_str());
}

// Opens the input method: the server XMODIFIERS names; where it does not answer, the built-in
// method (which reads the locale's compose table: some milliseconds).
XIM OpenInputMethod(Display* dpy) {
    XIM im = nullptr;
    if (XSetLocaleModifiers("") != nullptr) {
        im = XOpenIM(dpy, nullptr, nullptr, nullptr);
    }
    if (im == nullptr && XSetLocaleModifiers("@im=none") != nullptr) {
        im = XOpenIM(dpy, nullptr, nullptr, nullptr);
    }
    return im;
}

// The input style: the method shows its own composition (a window of its own, or nothing).
unsigned long ChooseStyle(XIM im) {
    XIMStyles* styles = nullptr;
    if (XGetIMValues(im, XNQueryInputStyle, &styles, nullptr) != nullptr || styles == nullptr) {
        return 0;
    }
    unsigned long chosen = 0;
    for (const unsigned long wanted :
         {static_cast<unsigned long>(XIMPreeditNothing | XIMStatusNothing),
          static_cast<unsigned long>(XIMPreeditNone | XIMStatusNone)}) {
        for (unsigned short i = 0; chosen == 0 && i < styles->count_styles; ++i) {
            if (styles->supported_styles[i] == wanted) {
                chosen = wanted;
            }
        }
    }
    XFree(styles);
    return chosen;
}

// What a key types without an input method: its key symbol's character (Latin-1 and the
// Unicode key symbols), else what XLookupString gives, read as Latin-1.
std::u16string TextWithoutInputMethod(XKeyEvent& key) {
    char buffer[32];
    KeySym keysym = NoSymbol;
    const int n = XLookupString(&key, buffer, sizeof buffer, &keysym, nullptr);
    if ((keysym & 0xFF000000UL) == 0x01000000UL) {
        return FromUtf32(std::u32string(1, static_cast<char32_t>(keysym & 0x00FFFFFFUL)));
    }
    std::u16string text;
    for (int i = 0; i < n; ++i) {
        text.push_back(static_cast<char16_t>(static_cast<unsigned char>(buffer[i])));
    }
    return text;
}

// The spacing characters of the dead keys, as key caps show them.
struct DeadKey {
    KeySym keysym;
    char32_t character;
};
constexpr DeadKey kDeadKeys[] = {
    {XK_dead_grave, U'`'},        {XK_dead_acute, U'\u00B4'},     {XK_dead_circumflex, U'^'},
    {XK_dead_tilde, U'~'},        {XK_dead_diaeresis, U'\u00A8'}, {XK_dead_abovering, U'\u00B0'},
    {XK_dead_cedilla, U'\u00B8'}, {XK_dead_caron, U'\u02C7'},
};

} // namespace

void PostKeyEvent(DWORD thread, const KeyEventInput& key) {
    PostThreadCallback(thread, [key] {
        if (key.vk == 0) {
            if (!key.text.empty()) {
                input::Text(key.text);
            }
            return;
        }
        input::KeyDetail detail;
        detail.scan = key.scan;
        if (key.down) {
            detail.text = key.text;
        }
        if (key.altGr && key.down) {
            input::Key(VK_LCONTROL, true);
        }
        input::Key(key.vk, key.down, detail);
        if (key.altGr && !key.down) {
            input::Key(VK_LCONTROL, false);
        }
    });
}

X11TextInput::~X11TextInput() {
    Close();
}

void X11TextInput::Open(Display* dpy, long windowEvents, std::function<void()> wakeReader) {
    m_dpy = dpy;
    m_windowEvents = windowEvents;
    m_wakeReader = std::move(wakeReader);
    UseUtf8Locale();
}

void X11TextInput::StartOpening() {
    if (m_dpy == nullptr || m_started) {
        return;
    }
    m_started = true;
    // The method opens beside the program's start instead of in its way; the first key waits
    // for it (Filter).
    Display* dpy = m_dpy;
    m_opener = std::thread([this, dpy] {
        XIM im = OpenInputMethod(dpy);
        {
            std::lock_guard lock(m_openMutex);
            m_opened = im;
            m_openDone = true;
        }
        m_openChanged.notify_all();
        // Its round trips may have read events into Xlib's queue, where the reader's poll
        // cannot see them.
        if (m_wakeReader) {
            m_wakeReader();
        }
    });
}

void X11TextInput::Install(bool waitForIt) {
    if (!m_started || m_installed) {
        return;
    }
    XIM im = nullptr;
    {
        std::unique_lock lock(m_openMutex);
        if (waitForIt) {
            m_openChanged.wait_for(lock, std::chrono::seconds(5), [this] { return m_openDone; });
        }
        if (!m_openDone) {
            return;
        }
        im = std::exchange(m_opened, nullptr);
    }
    m_opener.join();
    m_installed = true;
    m_im = im;
    if (m_im == nullptr) {
        return;
    }
    m_style = ChooseStyle(m_im);
    XIMCallback destroyed;
    destroyed.client_data = reinterpret_cast<XPointer>(this);
    destroyed.callback = &X11TextInput::Destroyed;
    XSetIMValues(m_im, XNDestroyCallback, &destroyed, nullptr);
    // The windows made before the method was there get their contexts now.
    for (auto& [window, ic] : m_contexts) {
        if (ic == nullptr) {
            ic = CreateContext(window);
        }
    }
    if (m_focused != 0) {
        Focus(m_focused, true);
    }
}

void X11TextInput::Close() {
    if (m_opener.joinable()) {
        m_opener.join();
        if (m_opened != nullptr) {
            XCloseIM(std::exchange(m_opened, nullptr));
        }
    }
    for (auto& [window, ic] : m_contexts) {
        if (ic != nullptr) {
            XDestroyIC(ic);
        }
    }
    m_contexts.clear();
    if (m_im != nullptr) {
        XCloseIM(m_im);
        m_im = nullptr;
    }
}

void X11TextInput::Destroyed(XIM, XPointer self, XPointer) {
    // Called from inside Xlib: the method and its contexts are already freed.
    auto* input = reinterpret_cast<X11TextInput*>(self);
    input->m_im = nullptr;
    for (auto& [window, ic] : input->m_contexts) {
        ic = nullptr;
    }
}

XIC X11TextInput::CreateContext(unsigned long window) {
    if (m_im == nullptr || m_style == 0) {
        return nullptr;
    }
    XIC ic = XCreateIC(m_im, XNInputStyle, m_style, XNClientWindow, window, XNFocusWindow, window,
                       nullptr);
    long events = 0;
    if (ic != nullptr && XGetICValues(ic, XNFilterEvents, &events, nullptr) == nullptr &&
        (events & ~m_windowEvents) != 0) {
        // The method wants events the window does not select yet.
        XSelectInput(m_dpy, window, m_windowEvents | events);
    }
    return ic;
}

void X11TextInput::Attach(unsigned long window) {
    m_contexts[window] = CreateContext(window);
}

void X11TextInput::Detach(unsigned long window) {
    auto it = m_contexts.find(window);
    if (it == m_contexts.end()) {
        return;
    }
    if (it->second != nullptr) {
        XDestroyIC(it->second);
    }
    m_contexts.erase(it);
    if (m_focused == window) {
        m_focused = 0;
    }
}

XIC X11TextInput::ContextOf(unsigned long window) {
    auto it = m_contexts.find(window);
    return it == m_contexts.end() ? nullptr : it->second;
}

void X11TextInput::Focus(unsigned long window, bool focused) {
    if (focused) {
        m_focused = window;
        StartOpening(); // a window of the program can now be typed into
    } else if (m_focused == window) {
        m_focused = 0;
    }
    if (XIC ic = ContextOf(window)) {
        if (focused) {
            XSetICFocus(ic);
        } else {
            XUnsetICFocus(ic);
        }
    }
}

bool X11TextInput::Filter(XEvent& event) {
    const bool key = event.type == KeyPress || event.type == KeyRelease;
    if (key) {
        StartOpening();
    }
    // A key waits for the method that is opening; other events take it when it is there.
    Install(key);
    return m_im != nullptr && XFilterEvent(&event, None) == True;
}

char32_t X11TextInput::CharacterOfScan(unsigned scan) {
    const unsigned keycode = KeycodeFromScanCode(scan);
    if (m_dpy == nullptr || keycode == 0) {
        return 0;
    }
    Install(false);
    XkbStateRec state{};
    XkbGetState(m_dpy, XkbUseCoreKbd, &state);
    const KeySym keysym = XkbKeycodeToKeysym(m_dpy, static_cast<KeyCode>(keycode), state.group, 0);
    for (const DeadKey& dead : kDeadKeys) {
        if (dead.keysym == keysym) {
            return dead.character;
        }
    }
    // The key pressed alone, as a lookup of a made-up press of it reads it.
    XEvent press{};
    press.xkey.type = KeyPress;
    press.xkey.display = m_dpy;
    press.xkey.keycode = keycode;
    press.xkey.state = static_cast<unsigned>(XkbBuildCoreState(0, state.group));
    std::u16string text;
    XIC ic = nullptr;
    for (const auto& [window, context] : m_contexts) {
        if (context != nullptr) {
            ic = context;
            press.xkey.window = window;
            break;
        }
    }
    if (ic != nullptr) {
        char buffer[16];
        KeySym ignored = NoSymbol;
        Status status = 0;
        const int n = Xutf8LookupString(ic, &press.xkey, buffer, sizeof buffer, &ignored, &status);
        if ((status == XLookupChars || status == XLookupBoth) && n > 0) {
            text = FromUtf8(std::string_view(buffer, static_cast<size_t>(n)));
        }
    } else {
        text = TextWithoutInputMethod(press.xkey);
    }
    const std::u32string characters = ToUtf32(text);
    return characters.size() == 1 ? characters[0] : 0;
}

KeyEventInput X11TextInput::Translate(XEvent& event) {
    XKeyEvent& key = event.xkey;
    KeyEventInput input;
    input.down = event.type == KeyPress;
    if (key.keycode != 0) {
        const auto group = static_cast<unsigned>(XkbGroupForCoreState(key.state));
        input.vk = VirtualKeyFromKeycode(m_dpy, key.keycode, group);
        input.scan = ScanCodeFromKeycode(key.keycode);
        input.altGr = XkbKeycodeToKeysym(m_dpy, static_cast<KeyCode>(key.keycode),
                                         static_cast<int>(group), 0) == XK_ISO_Level3_Shift;
    }
    if (!input.down) {
        return input;
    }
    XIC ic = ContextOf(key.window);
    if (ic == nullptr) {
        input.text = TextWithoutInputMethod(key);
        return input;
    }
    std::vector<char> buffer(64);
    KeySym keysym = NoSymbol;
    Status status = 0;
    int n = Xutf8LookupString(ic, &key, buffer.data(), static_cast<int>(buffer.size()), &keysym,
                              &status);
    if (status == XBufferOverflow) {
        buffer.resize(static_cast<size_t>(n));
        n = Xutf8LookupString(ic, &key, buffer.data(), n, &keysym, &status);
    }
    if ((status == XLookupChars || status == XLookupBoth) && n > 0) {
        input.text = FromUtf8(std::string_view(buffer.data(), static_cast<size_t>(n)));
    }
    return input;
}

} // namespace platform::x11
