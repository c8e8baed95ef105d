#pragma once
// Records of the XML tree: nodes and attributes. Names and values point into the parser's
// text buffer; attributes added later own copies of their texts.

#include "platform/base/WinTypes.h"

#include <memory>
#include <vector>

namespace pug {

// Node type codes.
enum PugXmlNodeType : int {
    PUGXML_EMPTY = 0,
    PUGXML_DOCUMENT = 1,
    PUGXML_ELEMENT = 2,
    PUGXML_TEXT = 3,
    PUGXML_CDATA = 4,
    PUGXML_COMMENT = 5,
    PUGXML_PI = 6,
    PUGXML_INCLUDE = 7,
    PUGXML_DOCTYPE = 8,
    PUGXML_ENTITY = 9,
    PUGXML_ATTLIST = 10,
    PUGXML_ELEMENTDECL = 11,
    PUGXML_NOTATION = 12,
};

// Parse options.
inline constexpr unsigned PARSE_PI = 0x0002;
inline constexpr unsigned PARSE_DOCTYPE = 0x0004;
inline constexpr unsigned PARSE_COMMENTS = 0x0008;
inline constexpr unsigned PARSE_CDATA = 0x0010;
inline constexpr unsigned PARSE_DTD = 0x2000;
// What the skin files are read with: processing instructions, DOCTYPE with its declarations
// and comments; CDATA sections are skipped.
inline constexpr unsigned PARSE_SKIN_DEFAULT =
    PARSE_PI | PARSE_DOCTYPE | PARSE_COMMENTS | PARSE_DTD;

struct PugXmlAttribute {
    const WCHAR* name = nullptr;
    const WCHAR* value = nullptr;
    // Copies held by attributes that were added after parsing; null for parsed ones.
    std::unique_ptr<WCHAR[]> ownedName;
    std::unique_ptr<WCHAR[]> ownedValue;
};

struct PugXmlNode {
    PugXmlNode* parent = nullptr;
    const WCHAR* name = nullptr;
    int type = PUGXML_EMPTY;
    std::vector<std::unique_ptr<PugXmlAttribute>> attributes;
    // Children are owned by the parser's node store, not by their parent, so that freeing a
    // deeply nested tree needs no recursion.
    std::vector<PugXmlNode*> children;
    const WCHAR* value = nullptr;
};

// Matches a whole name against a pattern: '*' any run, '?' any one character, "[set]" one
// character of the set (ranges "a-z", "!" first for the complement), everything else itself.
// Case-sensitive.
bool PugXmlMatchName(const WCHAR* pattern, const WCHAR* name);

} // namespace pug
