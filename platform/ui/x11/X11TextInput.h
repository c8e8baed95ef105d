#pragma once
// Keys and text from the X keyboard, as the user's layout and input method give them: the
// desktop's input method (the server XMODIFIERS names, else Xlib's built-in one, which
// composes dead keys and Compose sequences by the locale's table), an input context for each
// window, and for each key event its virtual key, scan code and characters
// (Xutf8LookupString; an input method's committed text comes as a press without a key code).
// Every call is made with the display's X lock held, on the thread that reads the events or
// makes the windows. The method opens on a thread of its own once a window first has the
// keyboard focus (or a key comes first), so that it costs the program's start nothing.

#include "platform/base/WinTypes.h"

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Xlib's types by their tags, so that this header can come before Xlib's macros.
struct _XDisplay;
struct _XIM;
struct _XIC;
union _XEvent;

namespace platform::x11 {

// What one key event of a window means for the key messages.
struct KeyEventInput {
    int vk = 0;        // 0: no key (an input method's text)
    unsigned scan = 0; // 0xE000 added for the E0 keys
    bool down = false;
    bool altGr = false; // the key is the layout's third-level shift (AltGr)
    // What a press types; empty for a release and for keys that type nothing.
    std::u16string text;
};

// Hands a key event to the input path on the window's thread: the key with its scan code and
// characters, or an input method's text alone. AltGr goes as the right Alt key with the left
// Ctrl key held, as the system reports it, so the characters it types are typed characters and
// no Alt shortcuts.
void PostKeyEvent(DWORD thread, const KeyEventInput& key);

class X11TextInput {
public:
    X11TextInput() = default;
    ~X11TextInput();
    X11TextInput(const X11TextInput&) = delete;
    X11TextInput& operator=(const X11TextInput&) = delete;

    // Prepares for the input method on the connection (windowEvents: the events each window
    // selects of itself; wakeReader: wakes the thread that reads the events, called from the
    // thread that opens the method); without a method, keys type what their key symbols say.
    void Open(_XDisplay* dpy, long windowEvents, std::function<void()> wakeReader);
    // Destroys the input contexts and closes the input method (before the connection closes).
    void Close();
    // Makes an input context for a new window (once the method is there), selecting the
    // events the method wants of it besides the window's own.
    void Attach(unsigned long window);
    void Detach(unsigned long window);
    // The window got or lost the keyboard focus.
    void Focus(unsigned long window, bool focused);
    // Hands an event to the input method first: true when it took it (the caller drops it).
    bool Filter(_XEvent& event);
    // What a key press or release of one of the windows means (after Filter).
    KeyEventInput Translate(_XEvent& event);
    // The character the key at a scan code types without modifiers in the current group, a
    // dead key's spacing form; 0 when none (for key names, platform::SetKeyCharacterSource).
    char32_t CharacterOfScan(unsigned scan);

private:
    // The input method went away (its server ended): its contexts are gone with it.
    static void Destroyed(_XIM* im, char* self, char* unused);
    _XIC* ContextOf(unsigned long window);
    _XIC* CreateContext(unsigned long window);
    // Starts opening the method, once.
    void StartOpening();
    // Takes the opened method into use (contexts for the windows made so far), waiting for it
    // when asked to.
    void Install(bool waitForIt);

    _XDisplay* m_dpy = nullptr;
    long m_windowEvents = 0;
    std::function<void()> m_wakeReader;
    _XIM* m_im = nullptr;
    unsigned long m_focused = 0; // the window with the keyboard focus

    std::thread m_opener;
    std::mutex m_openMutex;
    std::condition_variable m_openChanged;
    bool m_openDone = false;  // under m_openMutex
    _XIM* m_opened = nullptr; // under m_openMutex: the method, until installed
    bool m_started = false;   // opening was started (once)
    bool m_installed = false; // the opened method was taken into use
    unsigned long m_style = 0;
    std::map<unsigned long, _XIC*> m_contexts;
};

} // namespace platform::x11
