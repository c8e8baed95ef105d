#pragma once
// The text of a one-line edit field with its selection, and what editing does to them, apart
// from windows and painting (the "Edit" control, EditControl.cpp, keeps one per field).
// Positions count UTF-16 code units, as the edit messages do; the caret never stands inside a
// surrogate pair, and characters are inserted and removed whole.

#include "platform/base/WinTypes.h"

#include <string>
#include <string_view>

namespace platform {

class EditText {
public:
    const std::u16string& Text() const { return m_text; }
    size_t Length() const { return m_text.size(); }
    // New text: the caret at the start, nothing selected.
    void SetText(std::u16string text);

    // The selection runs from the anchor to the caret, its moving end.
    size_t Anchor() const { return m_anchor; }
    size_t Caret() const { return m_caret; }
    size_t SelectionStart() const { return std::min(m_anchor, m_caret); }
    size_t SelectionEnd() const { return std::max(m_anchor, m_caret); }
    bool HasSelection() const { return m_anchor != m_caret; }
    std::u16string SelectedText() const;
    // EM_SETSEL: an anchor of -1 takes the selection away and leaves the caret; a caret of -1
    // (or beyond the text) is the end of the text.
    void SetSelection(long anchor, long caret);
    // Moves the caret; extend keeps the anchor (Shift held), else nothing stays selected.
    void MoveTo(size_t position, bool extend);

    // Where the caret goes one character back or forward, and a word back or forward (to the
    // start of the word before, or of the word after the caret's one).
    size_t CharBefore(size_t position) const;
    size_t CharAfter(size_t position) const;
    size_t WordBefore(size_t position) const;
    size_t WordAfter(size_t position) const;
    // The word around a position, for a double click: [start, end).
    std::pair<size_t, size_t> WordAround(size_t position) const;

    // Replaces the selection by text, of which only whole characters go in, as many as keep
    // the whole text within limit code units (0: no limit); the caret after them. Returns
    // whether the text changed; full tells whether some of it did not fit.
    bool ReplaceSelection(std::u16string_view text, size_t limit, bool* full = nullptr);
    // Backspace and Delete: the selection, else the character before or after the caret.
    bool DeleteBackward();
    bool DeleteForward();

private:
    // A position moved out of the middle of a surrogate pair (to the pair's start).
    size_t Snap(size_t position) const;

    std::u16string m_text;
    size_t m_anchor = 0;
    size_t m_caret = 0;
};

} // namespace platform
