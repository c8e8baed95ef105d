#include "gui/xml/PugXmlNode.h"

namespace pug {
namespace {

// Tests one character against the set that starts behind '['. Sets the end of the set (the
// position of its ']'); returns false for end when the set is not closed.
bool MatchSet(const WCHAR* set, WCHAR c, bool& matched, const WCHAR*& end) {
    bool negate = false;
    const WCHAR* p = set;
    if (*p == u'!') {
        negate = true;
        ++p;
    }
    bool found = false;
    bool first = true;
    while (*p != 0 && (*p != u']' || first)) {
        first = false;
        if (p[1] == u'-' && p[2] != 0 && p[2] != u']') {
            if (c >= p[0] && c <= p[2]) {
                found = true;
            }
            p += 3;
        } else {
            if (c == *p) {
                found = true;
            }
            ++p;
        }
    }
    if (*p != u']') {
        return false;
    }
    end = p;
    matched = found != negate;
    return true;
}

} // namespace

bool PugXmlMatchName(const WCHAR* pattern, const WCHAR* name) {
    if (pattern == nullptr || name == nullptr) {
        return false;
    }
    // Greedy matching with one backtrack point for the last '*': linear in practice and
    // never recursive.
    const WCHAR* p = pattern;
    const WCHAR* n = name;
    const WCHAR* starP = nullptr;
    const WCHAR* starN = nullptr;
    while (*n != 0) {
        bool step = false;
        const WCHAR* next = p + 1;
        if (*p == u'*') {
            starP = p++;
            starN = n;
            continue;
        }
        if (*p == u'?') {
            step = true;
        } else if (*p == u'[') {
            bool matched = false;
            const WCHAR* end = nullptr;
            if (MatchSet(p + 1, *n, matched, end)) {
                step = matched;
                next = end + 1;
            } else {
                step = (*n == u'[');
            }
        } else if (*p != 0) {
            step = (*p == *n);
        }
        if (step) {
            p = next;
            ++n;
        } else if (starP != nullptr) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (*p == u'*') {
        ++p;
    }
    return *p == 0;
}

} // namespace pug
