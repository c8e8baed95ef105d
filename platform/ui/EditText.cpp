#include "platform/ui/EditText.h"

#include "platform/base/WideChar.h"

#include <algorithm>

namespace platform {

namespace {

bool IsHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}
// Words are separated by white space, as the system's edit fields break them.
bool IsSpace(char16_t c) {
    return iswspace(c) || c == 0x3000;
}

} // namespace

size_t EditText::Snap(size_t position) const {
    position = std::min(position, m_text.size());
    if (position > 0 && position < m_text.size() && IsLow(m_text[position]) &&
        IsHigh(m_text[position - 1])) {
        --position;
    }
    return position;
}

void EditText::SetText(std::u16string text) {
    m_text = std::move(text);
    m_anchor = 0;
    m_caret = 0;
}

std::u16string EditText::SelectedText() const {
    return m_text.substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

void EditText::SetSelection(long anchor, long caret) {
    const size_t end = caret < 0 ? m_text.size() : Snap(static_cast<size_t>(caret));
    if (anchor < 0) {
        m_anchor = m_caret;
        return;
    }
    m_anchor = Snap(static_cast<size_t>(anchor));
    m_caret = end;
}

void EditText::MoveTo(size_t position, bool extend) {
    m_caret = Snap(position);
    if (!extend) {
        m_anchor = m_caret;
    }
}

size_t EditText::CharBefore(size_t position) const {
    position = Snap(position);
    if (position == 0) {
        return 0;
    }
    --position;
    if (position > 0 && IsLow(m_text[position]) && IsHigh(m_text[position - 1])) {
        --position;
    }
    return position;
}

size_t EditText::CharAfter(size_t position) const {
    position = Snap(position);
    if (position >= m_text.size()) {
        return m_text.size();
    }
    ++position;
    if (position < m_text.size() && IsLow(m_text[position]) && IsHigh(m_text[position - 1])) {
        ++position;
    }
    return position;
}

size_t EditText::WordBefore(size_t position) const {
    position = Snap(position);
    while (position > 0 && IsSpace(m_text[position - 1])) {
        --position;
    }
    while (position > 0 && !IsSpace(m_text[position - 1])) {
        --position;
    }
    return position;
}

size_t EditText::WordAfter(size_t position) const {
    position = Snap(position);
    while (position < m_text.size() && !IsSpace(m_text[position])) {
        ++position;
    }
    while (position < m_text.size() && IsSpace(m_text[position])) {
        ++position;
    }
    return position;
}

std::pair<size_t, size_t> EditText::WordAround(size_t position) const {
    position = Snap(position);
    const bool space = position < m_text.size() ? IsSpace(m_text[position])
                                                : position > 0 && IsSpace(m_text[position - 1]);
    size_t start = position;
    while (start > 0 && IsSpace(m_text[start - 1]) == space) {
        --start;
    }
    size_t end = position;
    while (end < m_text.size() && IsSpace(m_text[end]) == space) {
        ++end;
    }
    return {start, end};
}

bool EditText::ReplaceSelection(std::u16string_view text, size_t limit, bool* full) {
    const size_t start = SelectionStart();
    const size_t end = SelectionEnd();
    const size_t kept = m_text.size() - (end - start);
    size_t room = text.size();
    if (limit != 0) {
        room = limit > kept ? std::min(room, limit - kept) : 0;
    }
    // Whole characters only: a pair that would be cut in two stays out.
    if (room > 0 && room < text.size() && IsHigh(text[room - 1]) && IsLow(text[room])) {
        --room;
    }
    if (full != nullptr) {
        *full = room < text.size();
    }
    if (room == 0 && start == end) {
        return false;
    }
    m_text.replace(start, end - start, text.substr(0, room));
    m_caret = start + room;
    m_anchor = m_caret;
    return true;
}

bool EditText::DeleteBackward() {
    if (!HasSelection()) {
        if (m_caret == 0) {
            return false;
        }
        m_anchor = CharBefore(m_caret);
    }
    return ReplaceSelection(u"", 0);
}

bool EditText::DeleteForward() {
    if (!HasSelection()) {
        if (m_caret >= m_text.size()) {
            return false;
        }
        m_anchor = CharAfter(m_caret);
    }
    return ReplaceSelection(u"", 0);
}

} // namespace platform
