#pragma once
// Framework header control over "SysHeader32" (the column headings of a report list).

#include "platform/framework/CWnd.h"
#include "platform/ui/HeaderCtrl.h"

class CHeaderCtrl : public CWnd {
public:
    int GetItemCount() const { return static_cast<int>(SendMessage(HDM_GETITEMCOUNT)); }
    BOOL GetItem(int index, HDITEMW* item) const {
        return static_cast<BOOL>(
            SendMessage(HDM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
    }
    BOOL SetItem(int index, HDITEMW* item) {
        return static_cast<BOOL>(
            SendMessage(HDM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
    }
    BOOL GetItemRect(int index, LPRECT rect) const {
        return static_cast<BOOL>(SendMessage(HDM_GETITEMRECT, static_cast<WPARAM>(index),
                                             reinterpret_cast<LPARAM>(rect)));
    }
};
