#include "gui/xml/PugXmlParser.h"

#include "platform/base/FileRead.h"
#include "platform/base/Path.h"
#include "platform/base/TextUnicode.h"
#include "platform/base/WideChar.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace pug {
namespace {

const WCHAR kNoValue[] = u"";

bool IsBlank(WCHAR c) {
    return c >= 1 && c <= 32;
}

bool IsNameChar(WCHAR c) {
    return iswalnum(c) || c == u'-' || c == u'.' || c == u':' || c == u'_';
}

// Builds the tree from text in [begin, end). Nothing is ever read at or beyond end. Names and
// values are cut out of the buffer by terminators written after the whole parse, so that the
// scanner never mistakes a written terminator for the end of the text; *end is the buffer's
// own terminator.
class TreeBuilder {
public:
    TreeBuilder(WCHAR* begin, WCHAR* end, unsigned options, std::deque<PugXmlNode>& nodes)
        : m_p(begin), m_end(end), m_options(options), m_nodes(nodes), m_current(&nodes.front()) {}

    WCHAR* Run() {
        while (Step()) {
        }
        for (WCHAR* cut : m_cuts) {
            *cut = 0;
        }
        return m_p;
    }

    bool SawElement() const { return m_sawElement; }

private:
    // One markup construct; false when the text ends or cannot be read further.
    bool Step() {
        while (m_p < m_end && *m_p != u'<') {
            ++m_p;
        }
        if (m_p >= m_end || ++m_p >= m_end) {
            return false;
        }
        const WCHAR c = *m_p;
        if (c == u'?') {
            return ParseProcessingInstruction();
        }
        if (c == u'!') {
            return ParseDeclaration();
        }
        if (c == u'/') {
            return ParseEndTag();
        }
        if (IsNameChar(c)) {
            return ParseElement();
        }
        return false;
    }

    bool StartsWith(std::u16string_view literal) const {
        return static_cast<size_t>(m_end - m_p) >= literal.size() &&
               std::u16string_view(m_p, literal.size()) == literal;
    }

    // The position of literal at or after m_p, or null when it is not in the text.
    WCHAR* Find(std::u16string_view literal) const {
        const std::u16string_view rest(m_p, static_cast<size_t>(m_end - m_p));
        const size_t at = rest.find(literal);
        return at == std::u16string_view::npos ? nullptr : m_p + at;
    }

    void SkipBlanks() {
        while (m_p < m_end && IsBlank(*m_p)) {
            ++m_p;
        }
    }

    WCHAR* ScanName() {
        WCHAR* start = m_p;
        while (m_p < m_end && IsNameChar(*m_p)) {
            ++m_p;
        }
        m_cuts.push_back(m_p);
        return start;
    }

    PugXmlNode* NewNode(PugXmlNode* parent, int type) {
        PugXmlNode& node = m_nodes.emplace_back();
        node.parent = parent;
        node.type = type;
        parent->children.push_back(&node);
        return &node;
    }

    static void AddAttribute(PugXmlNode* node, const WCHAR* name, const WCHAR* value) {
        auto attr = std::make_unique<PugXmlAttribute>();
        attr->name = name;
        attr->value = value;
        node->attributes.push_back(std::move(attr));
    }

    // After a tag or other markup has closed: text up to the next '<' becomes a text node of
    // the current element, leading blanks skipped and trailing blanks kept.
    void ReadText() {
        SkipBlanks();
        if (m_p >= m_end || *m_p == u'<' || m_current->type != PUGXML_ELEMENT) {
            return;
        }
        PugXmlNode* text = NewNode(m_current, PUGXML_TEXT);
        text->value = m_p;
        while (m_p < m_end && *m_p != u'<') {
            ++m_p;
        }
        m_cuts.push_back(m_p);
    }

    bool ParseElement() {
        PugXmlNode* element = NewNode(m_current, PUGXML_ELEMENT);
        element->name = ScanName();
        m_sawElement = true;
        return ParseAttributes(element, false);
    }

    // Attributes up to the end of a tag: '>' opens the element, "/>" (for a processing
    // instruction "?>") closes it at once.
    bool ParseAttributes(PugXmlNode* node, bool instruction) {
        for (;;) {
            SkipBlanks();
            if (m_p >= m_end) {
                return false;
            }
            const WCHAR c = *m_p;
            if (c == u'>') {
                ++m_p;
                if (!instruction) {
                    m_current = node;
                }
                ReadText();
                return true;
            }
            if (c == u'/' || (instruction && c == u'?')) {
                ++m_p;
                if (m_p >= m_end || *m_p != u'>') {
                    return false;
                }
                ++m_p;
                ReadText();
                return true;
            }
            if (!IsNameChar(c)) {
                return false;
            }
            const WCHAR* name = ScanName();
            SkipBlanks();
            if (m_p >= m_end || *m_p != u'=') {
                return false;
            }
            ++m_p;
            SkipBlanks();
            if (m_p >= m_end || (*m_p != u'"' && *m_p != u'\'')) {
                return false;
            }
            const WCHAR quote = *m_p++;
            const WCHAR* value = m_p;
            while (m_p < m_end && *m_p != quote) {
                ++m_p;
            }
            AddAttribute(node, name, value);
            m_cuts.push_back(m_p);
            if (m_p >= m_end) {
                return false;
            }
            ++m_p;
        }
    }

    bool ParseEndTag() {
        WCHAR* close = Find(u">");
        if (close == nullptr) {
            m_p = m_end;
            return false;
        }
        if (m_current->type != PUGXML_DOCUMENT) {
            m_current = m_current->parent;
        }
        m_p = close + 1;
        ReadText();
        return true;
    }

    bool ParseProcessingInstruction() {
        ++m_p; // '?'
        if ((m_options & PARSE_PI) == 0 || m_p >= m_end || !IsNameChar(*m_p)) {
            return SkipPast(u"?>");
        }
        PugXmlNode* pi = NewNode(m_current, PUGXML_PI);
        pi->name = ScanName();
        return ParseAttributes(pi, true);
    }

    // Moves behind the next occurrence of literal; false (at the end) when there is none.
    bool SkipPast(std::u16string_view literal) {
        WCHAR* at = Find(literal);
        if (at == nullptr) {
            m_p = m_end;
            return false;
        }
        m_p = at + literal.size();
        return true;
    }

    // A section whose value runs from behind the opener to the closer; a missing closer
    // makes it run to the end of the text.
    bool ParseSection(size_t openerLength, std::u16string_view closer, int type, bool keep) {
        m_p += openerLength;
        WCHAR* start = m_p;
        WCHAR* close = Find(closer);
        if (keep) {
            PugXmlNode* node = NewNode(m_current, type);
            node->value = start;
            m_cuts.push_back(close == nullptr ? m_end : close);
        }
        if (close == nullptr) {
            m_p = m_end;
            return false;
        }
        m_p = close + closer.size();
        ReadText();
        return true;
    }

    bool ParseDeclaration() {
        // m_p is at '!'.
        if (StartsWith(u"!--")) {
            return ParseSection(3, u"-->", PUGXML_COMMENT, (m_options & PARSE_COMMENTS) != 0);
        }
        if (StartsWith(u"![CDATA[")) {
            return ParseSection(8, u"]]>", PUGXML_CDATA, (m_options & PARSE_CDATA) != 0);
        }
        if (StartsWith(u"![INCLUDE[")) {
            return ParseSection(10, u"]]>", PUGXML_INCLUDE, true);
        }
        if (StartsWith(u"![")) {
            return ParseSection(2, u"]]>", PUGXML_EMPTY, false);
        }
        if (StartsWith(u"!DOCTYPE")) {
            return ParseDoctype();
        }
        if (!SkipPast(u">")) {
            return false;
        }
        ReadText();
        return true;
    }

    // Reads a word or quoted string of a DOCTYPE or declaration; adds it as an attribute of
    // node when there is one. False at the end of the text.
    bool ReadDeclarationWord(PugXmlNode* node) {
        WCHAR* start = m_p;
        if (*m_p == u'"' || *m_p == u'\'') {
            const WCHAR quote = *m_p++;
            start = m_p;
            while (m_p < m_end && *m_p != quote) {
                ++m_p;
            }
            if (node != nullptr) {
                AddAttribute(node, start, kNoValue);
                m_cuts.push_back(m_p);
            }
            if (m_p >= m_end) {
                return false;
            }
            ++m_p;
            return true;
        }
        while (m_p < m_end && !IsBlank(*m_p) && *m_p != u'>' && *m_p != u'[' && *m_p != u'"' &&
               *m_p != u'\'') {
            ++m_p;
        }
        if (m_p == start) {
            ++m_p; // a lone '[' inside a declaration
            return m_p < m_end;
        }
        if (node != nullptr) {
            AddAttribute(node, start, kNoValue);
            m_cuts.push_back(m_p);
        }
        return m_p < m_end;
    }

    bool ParseDoctype() {
        m_p += 8; // "!DOCTYPE"
        PugXmlNode* doctype = nullptr;
        if ((m_options & PARSE_DOCTYPE) != 0) {
            doctype = NewNode(m_current, PUGXML_DOCTYPE);
        }
        SkipBlanks();
        if (m_p < m_end && IsNameChar(*m_p)) {
            WCHAR* name = ScanName();
            if (doctype != nullptr) {
                doctype->name = name;
            }
        }
        for (;;) {
            SkipBlanks();
            if (m_p >= m_end) {
                return false;
            }
            if (*m_p == u'>') {
                ++m_p;
                ReadText();
                return true;
            }
            if (*m_p == u'[') {
                ++m_p;
                if (!ParseInternalSubset(doctype)) {
                    return false;
                }
                continue;
            }
            if (!ReadDeclarationWord(doctype)) {
                return false;
            }
        }
    }

    // The bracketed internal subset of a DOCTYPE, up to its ']'.
    bool ParseInternalSubset(PugXmlNode* doctype) {
        const bool keep = doctype != nullptr && (m_options & PARSE_DTD) != 0;
        for (;;) {
            SkipBlanks();
            if (m_p >= m_end) {
                return false;
            }
            if (*m_p == u']') {
                ++m_p;
                return true;
            }
            if (StartsWith(u"<!--")) {
                if (!SkipPast(u"-->")) {
                    return false;
                }
            } else if (StartsWith(u"<?")) {
                if (!SkipPast(u"?>")) {
                    return false;
                }
            } else if (StartsWith(u"<!ENTITY")) {
                if (!ParseMarkupDeclaration(8, PUGXML_ENTITY, keep ? doctype : nullptr)) {
                    return false;
                }
            } else if (StartsWith(u"<!ATTLIST")) {
                if (!ParseMarkupDeclaration(9, PUGXML_ATTLIST, keep ? doctype : nullptr)) {
                    return false;
                }
            } else if (StartsWith(u"<!ELEMENT")) {
                if (!ParseMarkupDeclaration(9, PUGXML_ELEMENTDECL, keep ? doctype : nullptr)) {
                    return false;
                }
            } else if (StartsWith(u"<!NOTATION")) {
                if (!ParseMarkupDeclaration(10, PUGXML_NOTATION, keep ? doctype : nullptr)) {
                    return false;
                }
            } else if (*m_p == u'<') {
                if (!SkipPast(u">")) {
                    return false;
                }
            } else {
                ++m_p; // parameter entity references and stray characters
            }
        }
    }

    // <!KEYWORD name words "strings" ...>: the first word names the node, the rest are its
    // attributes.
    bool ParseMarkupDeclaration(size_t keywordLength, int type, PugXmlNode* doctype) {
        m_p += keywordLength;
        PugXmlNode* decl = doctype == nullptr ? nullptr : NewNode(doctype, type);
        SkipBlanks();
        if (m_p < m_end && IsNameChar(*m_p)) {
            WCHAR* name = ScanName();
            if (decl != nullptr) {
                decl->name = name;
            }
        }
        for (;;) {
            SkipBlanks();
            if (m_p >= m_end) {
                return false;
            }
            if (*m_p == u'>') {
                ++m_p;
                return true;
            }
            if (!ReadDeclarationWord(decl)) {
                return false;
            }
        }
    }

    WCHAR* m_p;
    WCHAR* m_end;
    unsigned m_options;
    std::deque<PugXmlNode>& m_nodes;
    PugXmlNode* m_current;
    std::vector<WCHAR*> m_cuts;
    bool m_sawElement = false;
};

// Decodes strict UTF-8; nothing when the bytes are not valid UTF-8.
std::optional<std::u16string> DecodeUtf8(const BYTE* data, size_t size) {
    std::u16string out;
    out.reserve(size);
    size_t i = 0;
    while (i < size) {
        const BYTE b = data[i];
        char32_t cp = 0;
        size_t extra = 0;
        char32_t minimum = 0;
        if (b < 0x80) {
            out.push_back(b);
            ++i;
            continue;
        }
        if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1Fu;
            extra = 1;
            minimum = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0Fu;
            extra = 2;
            minimum = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07u;
            extra = 3;
            minimum = 0x10000;
        } else {
            return std::nullopt;
        }
        if (size - i <= extra) {
            return std::nullopt;
        }
        for (size_t k = 1; k <= extra; ++k) {
            const BYTE next = data[i + k];
            if ((next & 0xC0) != 0x80) {
                return std::nullopt;
            }
            cp = (cp << 6) | (next & 0x3Fu);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return std::nullopt;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<WCHAR>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<WCHAR>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<WCHAR>(cp));
        }
        i += extra + 1;
    }
    return out;
}

std::u16string DecodeUtf16(const BYTE* data, size_t size, bool bigEndian) {
    std::u16string out;
    out.reserve(size / 2);
    for (size_t i = 0; i + 1 < size; i += 2) {
        const auto lo = static_cast<unsigned>(data[bigEndian ? i + 1 : i]);
        const auto hi = static_cast<unsigned>(data[bigEndian ? i : i + 1]);
        out.push_back(static_cast<WCHAR>(lo | (hi << 8)));
    }
    return out;
}

// The size of the block whose statistics decide the form of the whole file.
constexpr size_t kProbeBytes = 4094;

} // namespace

std::u16string CPugXmlParser::DecodeXmlBytes(const BYTE* data, size_t size) {
    std::u16string text;
    if (data == nullptr || size == 0) {
        return text;
    }
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        text = DecodeUtf16(data + 2, size - 2, false);
    } else if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
        text = DecodeUtf16(data + 2, size - 2, true);
    } else if (IsTextUnicode(data, static_cast<int>(std::min(size, kProbeBytes) & ~size_t{1}),
                             nullptr) != FALSE) {
        text = DecodeUtf16(data, size, false);
    } else {
        size_t skip = 0;
        if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
            skip = 3;
        }
        if (auto utf8 = DecodeUtf8(data + skip, size - skip)) {
            text = std::move(*utf8);
        } else {
            // Not UTF-8: every byte is one character.
            text.assign(data, data + size);
        }
    }
    const size_t nul = text.find(u'\0');
    if (nul != std::u16string::npos) {
        text.resize(nul);
    }
    return text;
}

bool CPugXmlParser::ReadXmlFile(const WCHAR* path, std::u16string& text) {
    text.clear();
    if (path == nullptr) {
        return false;
    }
    // A folder, a device or anything else that is not a readable file counts as missing; a
    // file beyond the bound is refused before it is read.
    std::vector<BYTE> raw;
    if (ReadWholeFile(ToNativePath(path), raw, kMaxFileBytes) != FileReadResult::Ok) {
        return false;
    }
    text = DecodeXmlBytes(raw.data(), raw.size());
    return !text.empty();
}

void CPugXmlParser::Free() {
    m_nodes.clear();
    m_text.clear();
    m_parsePosition = 0;
}

bool CPugXmlParser::ParseFile(const WCHAR* path) {
    Free();
    std::u16string text;
    if (!ReadXmlFile(path, text)) {
        return false;
    }
    // True for any text that was read, whatever the parse found in it.
    Parse(std::move(text), PARSE_SKIN_DEFAULT);
    return true;
}

bool CPugXmlParser::ParseBytes(const BYTE* data, size_t size) {
    if (size > kMaxFileBytes) {
        Free();
        return false;
    }
    return Parse(DecodeXmlBytes(data, size), PARSE_SKIN_DEFAULT);
}

bool CPugXmlParser::Parse(std::u16string text, unsigned options) {
    Free();
    m_text = std::move(text);
    m_options = options;
    PugXmlNode& document = m_nodes.emplace_back();
    document.type = PUGXML_DOCUMENT;
    document.parent = &document;
    WCHAR* begin = m_text.data();
    TreeBuilder builder(begin, begin + m_text.size(), options, m_nodes);
    m_parsePosition = static_cast<size_t>(builder.Run() - begin);
    return builder.SawElement();
}

CPugXmlBranch CPugXmlParser::GetRoot() {
    return CPugXmlBranch(m_nodes.empty() ? nullptr : &m_nodes.front());
}

} // namespace pug
