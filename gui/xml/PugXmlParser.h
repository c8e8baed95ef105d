#pragma once
// The skin files' XML reader: reads a whole file into one wide text buffer and parses it in
// place into a tree of nodes. Non-validating; no entity translation; malformed text gives the
// tree built up to where the text stopped making sense.

#include "gui/xml/PugXmlBranch.h"
#include "gui/xml/PugXmlNode.h"

#include <deque>
#include <string>

namespace pug {

class CPugXmlParser {
public:
    CPugXmlParser() = default;
    virtual ~CPugXmlParser() = default;
    CPugXmlParser(const CPugXmlParser&) = delete;
    CPugXmlParser& operator=(const CPugXmlParser&) = delete;

    // The largest skin file read, in bytes. Our skin files are a few kilobytes; the bound
    // keeps a hostile file from taking memory many times its size.
    static constexpr size_t kMaxFileBytes = size_t{2} << 20;

    // Reads and parses a file (a backslash path) with the skin options. True when the file
    // gave text, whatever the parse found in it; false when it cannot be read as a file, is
    // larger than kMaxFileBytes or gives no text. Whatever was parsed stays available.
    bool ParseFile(const WCHAR* path);
    // Parses the raw bytes of a file, decoded as ParseFile decodes them; true when they held
    // at least one element. More than kMaxFileBytes are refused (false, an empty tree).
    bool ParseBytes(const BYTE* data, size_t size);
    // Parses a wide text with the given options; true when it held at least one element.
    bool Parse(std::u16string text, unsigned options = PARSE_SKIN_DEFAULT);

    // A branch on the document node (empty before the first parse).
    CPugXmlBranch GetRoot();
    // Offset in the text where the last parse stopped.
    size_t GetParsePosition() const { return m_parsePosition; }
    unsigned GetOptions() const { return m_options; }
    // The text buffer after parsing (names and values are cut out of it by terminators).
    const std::u16string& GetBuffer() const { return m_text; }

    // Reads a file whole into wide text: UTF-16 (by byte-order mark or by the text statistics
    // of its first block, whatever its length), else UTF-8, else one code unit per byte. The
    // text ends at its first NUL. False when the file cannot be read as a file (missing, a
    // folder, unreadable), is larger than kMaxFileBytes or gives no text.
    static bool ReadXmlFile(const WCHAR* path, std::u16string& text);
    // The decoding step of ReadXmlFile on bytes in memory.
    static std::u16string DecodeXmlBytes(const BYTE* data, size_t size);

private:
    void Free();

    std::deque<PugXmlNode> m_nodes; // m_nodes.front() is the document node
    std::u16string m_text;
    unsigned m_options = 0;
    size_t m_parsePosition = 0;
};

} // namespace pug
