#pragma once
// One entry of a drop-down or list-panel list: its text (a language key or plain text) and
// the second-level list it opens, if any (not owned by the entry).

#include "platform/base/CString.h"

#include <vector>

class CListPanelItem;

struct DropdownEntry {
    CString text;
    CListPanelItem* subList = nullptr;
};

using DropdownEntryList = std::vector<DropdownEntry>;
