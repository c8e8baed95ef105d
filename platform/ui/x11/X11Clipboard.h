#pragma once
// The desktop's clipboard on X11: the CLIPBOARD selection. Copying makes this program the
// selection's owner, which answers other programs' requests (UTF8_STRING, STRING, TEXT,
// text/plain;charset=utf-8 and TARGETS) until another program takes the selection; pasting
// asks the owner for UTF-8 text (else STRING) and waits for its answer. It has an X connection,
// a hidden window and a reader thread of its own, made when the clipboard is first used, so a
// program that never copies or pastes has none of them.

#include <chrono>
#include <memory>
#include <optional>
#include <string>

namespace platform {

class X11Clipboard {
public:
    explicit X11Clipboard(const std::string& displayName);
    ~X11Clipboard();
    X11Clipboard(const X11Clipboard&) = delete;
    X11Clipboard& operator=(const X11Clipboard&) = delete;

    bool IsOpen() const;
    // The selection's text: this program's own while it owns the selection, else what its
    // owner answers within the timeout; none when nobody owns it or the owner has no text.
    std::optional<std::u16string> Text(std::chrono::milliseconds timeout = std::chrono::seconds(2));
    // Makes the text the selection; false when the server gave the selection to nobody.
    bool SetText(const std::u16string& text);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
