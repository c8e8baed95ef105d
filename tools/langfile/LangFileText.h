#pragma once
// Turns a language text file kept as UTF-8 (lines ended by LF or CR LF) into the form the
// programs read: UTF-16 little-endian with a byte-order mark, every line ended by CR LF.
// The lines themselves are kept as they stand, so the source reads line for line like the
// file the programs load.

#include <string>
#include <string_view>

namespace langfile {

struct ConvertResult {
    bool ok = false;
    // The UTF-16LE bytes (mark included) when ok.
    std::string bytes;
    // What is wrong, with the 1-based line number, when not ok.
    std::string error;
};

// Converts the UTF-8 text. Refused (ok false): bytes that are not UTF-8 (overlong forms,
// surrogate code points, values above U+10FFFF, cut-off sequences), NUL characters and a CR
// that does not end a line (the programs would split the line there). A UTF-8 byte-order mark
// at the start is dropped; a last line without LF still gets CR LF; characters above U+FFFF
// become surrogate pairs.
ConvertResult ConvertUtf8ToLangFile(std::string_view utf8);

} // namespace langfile
