#pragma once
// The clipboard's text, as edit fields copy, cut and paste it. A desktop display keeps it
// where other programs see it (X11: the CLIPBOARD selection, DisplayBackend's clipboard
// operations); without one the process keeps its own.

#include <optional>
#include <string>

namespace platform {

// The text on the clipboard; none when it holds no text (or its owner did not answer).
std::optional<std::u16string> GetClipboardText();
// Puts the text on the clipboard; false when the desktop refused it.
bool SetClipboardText(const std::u16string& text);

} // namespace platform
