#pragma once
// What one of the mouse's eleven buttons does: the assignment kind and 80 bytes of data laid
// out by kind. The record is exchanged by value with the device client and the pages, so its
// size and layout are fixed.

#include "platform/base/CString.h"
#include "platform/base/CStringArray.h"
#include "platform/base/Guid.h"
#include "platform/base/WinTypes.h"

#include <cstddef>
#include <map>
#include <span>

// Button number 1..11; 0 names no button (it selects the table of buttons 1 to 9).
using ButtonId = LONG;
inline constexpr ButtonId BUTTON_FIRST = 1;
inline constexpr ButtonId BUTTON_LAST = 11;
inline constexpr ButtonId BUTTON_SCROLL_UP = 10;
inline constexpr ButtonId BUTTON_SCROLL_DOWN = 11;

// What a button does, 0..65; ASSIGNMENT_NONE for a button that was never set. The text key of
// every kind is in AssignmentKeyMap.
using AssignmentKind = LONG;
inline constexpr AssignmentKind ASSIGNMENT_NONE = -1;
inline constexpr AssignmentKind ASSIGNMENT_CLICK = 0;
inline constexpr AssignmentKind ASSIGNMENT_MENU = 1;
inline constexpr AssignmentKind ASSIGNMENT_UNIVERSAL_SCROLLING = 2;
inline constexpr AssignmentKind ASSIGNMENT_DOUBLE_CLICK = 3;
inline constexpr AssignmentKind ASSIGNMENT_SINGLE_KEY = 4;
inline constexpr AssignmentKind ASSIGNMENT_MACRO = 5;      // data: the macro's GUID
inline constexpr AssignmentKind ASSIGNMENT_MACRO_NAME = 6; // data: the macro's name
inline constexpr AssignmentKind ASSIGNMENT_BUTTON_OFF = 7;
inline constexpr AssignmentKind ASSIGNMENT_ADVANCED = 8;
inline constexpr AssignmentKind ASSIGNMENT_ON_THE_FLY_SENSITIVITY = 9;
inline constexpr AssignmentKind ASSIGNMENT_BUTTON4 = 10;
inline constexpr AssignmentKind ASSIGNMENT_BUTTON5 = 11;
inline constexpr AssignmentKind ASSIGNMENT_BUTTON6 = 12;
inline constexpr AssignmentKind ASSIGNMENT_BUTTON7 = 13;
inline constexpr AssignmentKind ASSIGNMENT_BUTTON8 = 14;
inline constexpr AssignmentKind ASSIGNMENT_BUTTON9 = 15;
inline constexpr AssignmentKind ASSIGNMENT_STAGE_UP = 16;
inline constexpr AssignmentKind ASSIGNMENT_STAGE_DOWN = 17;
inline constexpr AssignmentKind ASSIGNMENT_STAGES = 18;
inline constexpr AssignmentKind ASSIGNMENT_DPI_STAGE1 = 19; // 19..23: stages 1..5
inline constexpr AssignmentKind ASSIGNMENT_DPI_STAGE5 = 23;
inline constexpr AssignmentKind ASSIGNMENT_PROFILE = 24;      // data: the profile's GUID
inline constexpr AssignmentKind ASSIGNMENT_PROFILE_NAME = 25; // data: the profile's name
inline constexpr AssignmentKind ASSIGNMENT_PROFILE_UP = 26;
inline constexpr AssignmentKind ASSIGNMENT_PROFILE_DOWN = 27;
inline constexpr AssignmentKind ASSIGNMENT_PROFILE1 = 28; // 28..32: profiles 1..5
inline constexpr AssignmentKind ASSIGNMENT_PROFILE5 = 32;
inline constexpr AssignmentKind ASSIGNMENT_PLAY = 33;
inline constexpr AssignmentKind ASSIGNMENT_STOP = 34;
inline constexpr AssignmentKind ASSIGNMENT_BACKWARD = 35;
inline constexpr AssignmentKind ASSIGNMENT_FORWARD = 36;
inline constexpr AssignmentKind ASSIGNMENT_PAUSE = 37;
inline constexpr AssignmentKind ASSIGNMENT_VOLUME_UP = 38;
inline constexpr AssignmentKind ASSIGNMENT_VOLUME_DOWN = 39;
inline constexpr AssignmentKind ASSIGNMENT_MUTE = 40;
inline constexpr AssignmentKind ASSIGNMENT_SKIP_BACK = 41;
inline constexpr AssignmentKind ASSIGNMENT_SKIP_FORWARD = 42;
inline constexpr AssignmentKind ASSIGNMENT_SCROLL_UP = 43;
inline constexpr AssignmentKind ASSIGNMENT_SCROLL_DOWN = 44;
// 45..61: the predefined command macros, PredefinedCommand 1..17 in the same order.
inline constexpr AssignmentKind ASSIGNMENT_FIRST_COMMAND = 45;
inline constexpr AssignmentKind ASSIGNMENT_LAST_COMMAND = 61;
inline constexpr AssignmentKind ASSIGNMENT_DPI_SETTING = 62;
inline constexpr AssignmentKind ASSIGNMENT_PROFILE_SETTING = 63;
inline constexpr AssignmentKind ASSIGNMENT_SELECT_FUNCTION = 64;
inline constexpr AssignmentKind ASSIGNMENT_LAUNCH_PROGRAM = 65;
inline constexpr AssignmentKind ASSIGNMENT_KIND_COUNT = 66;

// Key flags of a "$SingleKey" assignment (the flags of a key description).
inline constexpr BYTE SINGLE_KEY_EXTENDED = 0x01;
inline constexpr BYTE SINGLE_KEY_ALT = 0x02;
inline constexpr BYTE SINGLE_KEY_CTRL = 0x04;
inline constexpr BYTE SINGLE_KEY_SHIFT = 0x08;

// Characters of the name field of kinds 6 and 25, terminator included.
inline constexpr size_t ASSIGNMENT_NAME_CHARS = 39;
inline constexpr size_t ASSIGNMENT_DATA_BYTES = 80;

struct ButtonAssignment {
    AssignmentKind kind = ASSIGNMENT_NONE;
    // Kind 4: WORD scan code, WORD virtual-key code, BYTE key flags. Kinds 5 and 24: GUID.
    // Kinds 6 and 25: WCHAR name[39]. Zero everywhere else.
    BYTE data[ASSIGNMENT_DATA_BYTES] = {};

    // A kind whose data is all zero.
    static ButtonAssignment Of(AssignmentKind kind);
    // Kind 4 "$SingleKey".
    static ButtonAssignment SingleKey(WORD scanCode, WORD virtualKey, BYTE keyFlags);
    // Kind 5 or 24 naming a macro or profile by the device service's identifier.
    static ButtonAssignment WithGuid(AssignmentKind kind, const GUID& guid);
    // Kind 6 or 25 naming a macro or profile by name. A name longer than the field is cut to
    // ASSIGNMENT_NAME_CHARS - 1 characters; the field always ends with a terminator.
    static ButtonAssignment WithName(AssignmentKind kind, const WCHAR* name);

    WORD GetScanCode() const;
    WORD GetVirtualKey() const;
    BYTE GetKeyFlags() const;
    GUID GetGuid() const;
    // The name field, read up to its terminator or its end, whichever comes first.
    CString GetName() const;

    friend bool operator==(const ButtonAssignment&, const ButtonAssignment&) = default;
};
static_assert(sizeof(ButtonAssignment) == 84, "a button assignment is 84 bytes");
static_assert(offsetof(ButtonAssignment, data) == 4, "the data follows the 32-bit kind");
static_assert(ASSIGNMENT_NAME_CHARS * sizeof(WCHAR) <= ASSIGNMENT_DATA_BYTES,
              "the name field fits the data area");

// Text key of a button ("$LeftButton" .. "$ScrollDown"; "<null>" for 0); null outside 0..11.
const WCHAR* GetButtonTextKey(ButtonId button);
// Name of the button's drop-down skin item on the assignment page; null for 0 and outside.
const WCHAR* GetButtonSkinItemName(ButtonId button);

// The kinds offered for a button, in offered order: fifteen for buttons 1 to 9 (and every
// other number, 0 included), six for buttons 10 and 11.
std::span<const AssignmentKind> GetAllowedAssignmentKinds(ButtonId button);
// True when the kind stands in the button's table; kind 6 passes wherever 5 does and kind 25
// wherever 24 does.
bool IsAssignmentKindAllowed(AssignmentKind kind, ButtonId button);
// Empties the array and appends the text key of each allowed kind in offered order.
void GetAllowedAssignmentKeys(CStringArray& names, ButtonId button);

// Factory assignment of every button, filled once by BuildDefaultAssignments.
extern const std::map<ButtonId, ButtonAssignment>& DefaultAssignmentMap;
void BuildDefaultAssignments();
// The button's factory assignment; kind -1 for a button the map does not hold.
ButtonAssignment GetDefaultAssignment(ButtonId button);
