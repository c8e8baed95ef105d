#include "platform/base/TextUnicode.h"

BOOL IsTextUnicode(const void* buffer, int size, int* result) {
    int flags = 0;
    auto finish = [&](BOOL answer) {
        if (result != nullptr) {
            *result = flags;
        }
        return answer;
    };
    if (buffer == nullptr || size < 2) {
        return finish(FALSE);
    }
    const auto* bytes = static_cast<const BYTE*>(buffer);
    const auto count = static_cast<size_t>(size);
    if (count % 2 != 0) {
        flags |= IS_TEXT_UNICODE_ODD_LENGTH;
    }
    if (bytes[0] == 0xFF && bytes[1] == 0xFE) {
        flags |= IS_TEXT_UNICODE_SIGNATURE;
        return finish((flags & IS_TEXT_UNICODE_ODD_LENGTH) == 0 ? TRUE : FALSE);
    }
    if (bytes[0] == 0xFE && bytes[1] == 0xFF) {
        flags |= IS_TEXT_UNICODE_REVERSE_SIGNATURE;
        return finish(FALSE);
    }
    // Count the code units shaped like Latin text in either byte order, and units that are
    // entirely zero (which text of neither kind holds).
    size_t units = count / 2;
    size_t latin = 0;
    size_t reversed = 0;
    size_t nulls = 0;
    for (size_t i = 0; i + 1 < count; i += 2) {
        const BYTE lo = bytes[i];
        const BYTE hi = bytes[i + 1];
        if (lo == 0 && hi == 0) {
            ++nulls;
        } else if (hi == 0) {
            ++latin;
        } else if (lo == 0) {
            ++reversed;
        }
    }
    if (nulls > 0) {
        flags |= IS_TEXT_UNICODE_NULL_BYTES;
    }
    // Most units must be Latin-shaped for the statistics to count; text in other scripts still
    // carries its markup, line ends and blanks in that shape.
    if (latin * 2 > units - nulls && latin > reversed * 4) {
        flags |= IS_TEXT_UNICODE_STATISTICS;
    } else if (reversed * 2 > units - nulls && reversed > latin * 4) {
        flags |= IS_TEXT_UNICODE_REVERSE_STATISTICS;
    }
    const bool unicode = (flags & IS_TEXT_UNICODE_STATISTICS) != 0 &&
                         (flags & IS_TEXT_UNICODE_ODD_LENGTH) == 0 && nulls * 8 <= units;
    return finish(unicode ? TRUE : FALSE);
}
