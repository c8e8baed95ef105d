#pragma once
// The in-memory form of an INI ("private profile") file: section lines ("[name]"), key lines
// ("key=value"), and every other line kept as it stands so that a rewrite loses nothing.
// Section and key names match ignoring letter case; the first section (and the first key in
// it) of a name is the one that counts. Values round-trip exactly: a value that the file
// syntax would change (surrounding blanks, surrounding quotes) is written in double quotes,
// which reading removes.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniDocument {
public:
    // Reads file contents: UTF-16LE or UTF-16BE with a byte-order mark, UTF-8 (with or without
    // its mark), ASCII; bytes that are not valid UTF-8 are read as Latin-1. Lines end at CR
    // LF, LF or CR; NUL characters are dropped. Never fails.
    static IniDocument Parse(std::string_view bytes);

    // The file contents: UTF-16LE with a byte-order mark, lines ended by CR LF.
    std::string Serialize() const;

    bool HasSection(std::u16string_view section) const;
    // The value of the key in the first section of that name; nothing when either is absent.
    std::optional<std::u16string> GetValue(std::u16string_view section,
                                           std::u16string_view key) const;
    // Section names in file order (each name once, as first written).
    std::vector<std::u16string> GetSectionNames() const;
    // Key names of the section in file order (each name once, as first written).
    std::vector<std::u16string> GetKeyNames(std::u16string_view section) const;
    // The section's lines: "key=value" for key lines, other non-comment lines as they stand.
    std::vector<std::u16string> GetSectionLines(std::u16string_view section) const;

    // Changes: false (nothing changes) when a name or value cannot be stored in the file
    // syntax (see IsValidSectionName, IsValidKeyName, IsValidValue).
    // Sets the key's value; the section and the key are added when missing.
    bool SetValue(std::u16string_view section, std::u16string_view key, std::u16string_view value);
    // Removes the key (every line of that key in the section); true when the section and key
    // names are valid, also when there was nothing to remove.
    bool DeleteKey(std::u16string_view section, std::u16string_view key);
    // Removes every section of that name with all its lines.
    bool DeleteSection(std::u16string_view section);

    // A section name is not empty after trimming blanks and holds no ']', CR, LF or NUL.
    static bool IsValidSectionName(std::u16string_view name);
    // A key name is not empty after trimming blanks, holds no '=', CR, LF or NUL, and does not
    // start with '[' or ';'.
    static bool IsValidKeyName(std::u16string_view name);
    // A value holds no CR, LF or NUL.
    static bool IsValidValue(std::u16string_view value);

private:
    enum class LineKind { Other, Comment, Section, Key };
    struct Line {
        LineKind kind = LineKind::Other;
        std::u16string text;  // the line as written in the file
        std::u16string name;  // section name or key name (trimmed)
        std::u16string value; // decoded value of a key line
    };

    static Line ParseLine(std::u16string text);
    static Line MakeKeyLine(std::u16string_view key, std::u16string_view value);
    // Index of the first section line of that name, or npos.
    size_t FindSection(std::u16string_view section) const;
    // One past the last line of the section that starts at index.
    size_t SectionEnd(size_t index) const;

    std::vector<Line> m_lines;
};
