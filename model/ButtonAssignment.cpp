#include "model/ButtonAssignment.h"

#include "model/NameTables.h"
#include "platform/base/WideChar.h"

#include <array>
#include <cstring>

namespace {

struct ButtonNames {
    const WCHAR* textKey;
    const WCHAR* skinItem;
};

// Indexed by ButtonId; 0 names no button.
constexpr std::array<ButtonNames, 12> kButtons = {{
    {u"<null>", nullptr},
    {u"$LeftButton", u"BUTTON_ASSNLEFTCLICK"},
    {u"$RightButton", u"BUTTON_ASSNRIGHTCLICK"},
    {u"$Wheel", u"BUTTON_ASSNSCROLLBUTTON"},
    {u"$Button4", u"BUTTON_ASSNLSIDEREAR"},
    {u"$Button5", u"BUTTON_ASSNLSIDEFRONT"},
    {u"$Button6", u"BUTTON_ASSNRSIDEREAR"},
    {u"$Button7", u"BUTTON_ASSNRSIDEFRONT"},
    {u"$Button8", u"BUTTON_ASSNCENTREFRONT"},
    {u"$Button9", u"BUTTON_ASSNCENTREREAR"},
    {u"$ScrollUp", u"BUTTON_ASSNSCROLLUP"},
    {u"$ScrollDown", u"BUTTON_ASSNSCROLLDOWN"},
}};

constexpr AssignmentKind kMainButtonKinds[] = {0, 1, 2, 3, 5, 16, 17, 36, 35, 9, 4, 24, 43, 44, 7};
constexpr AssignmentKind kWheelButtonKinds[] = {5, 16, 17, 43, 44, 7};

constexpr AssignmentKind kFactoryKinds[] = {
    ASSIGNMENT_CLICK,      ASSIGNMENT_MENU,        ASSIGNMENT_UNIVERSAL_SCROLLING,
    ASSIGNMENT_BACKWARD,   ASSIGNMENT_FORWARD,     ASSIGNMENT_BUTTON_OFF,
    ASSIGNMENT_BUTTON_OFF, ASSIGNMENT_STAGE_UP,    ASSIGNMENT_STAGE_DOWN,
    ASSIGNMENT_SCROLL_UP,  ASSIGNMENT_SCROLL_DOWN,
};
static_assert(std::size(kFactoryKinds) == BUTTON_LAST, "one factory kind per button");

std::map<ButtonId, ButtonAssignment> g_defaultAssignments;

bool IsButtonNumber(ButtonId button, ButtonId first) {
    return button >= first && button <= BUTTON_LAST;
}

} // namespace

const std::map<ButtonId, ButtonAssignment>& DefaultAssignmentMap = g_defaultAssignments;

ButtonAssignment ButtonAssignment::Of(AssignmentKind kind) {
    ButtonAssignment a;
    a.kind = kind;
    return a;
}

ButtonAssignment ButtonAssignment::SingleKey(WORD scanCode, WORD virtualKey, BYTE keyFlags) {
    ButtonAssignment a = Of(ASSIGNMENT_SINGLE_KEY);
    std::memcpy(a.data, &scanCode, sizeof scanCode);
    std::memcpy(a.data + 2, &virtualKey, sizeof virtualKey);
    a.data[4] = keyFlags;
    return a;
}

ButtonAssignment ButtonAssignment::WithGuid(AssignmentKind kind, const GUID& guid) {
    ButtonAssignment a = Of(kind);
    static_assert(sizeof(GUID) <= ASSIGNMENT_DATA_BYTES);
    std::memcpy(a.data, &guid, sizeof guid);
    return a;
}

ButtonAssignment ButtonAssignment::WithName(AssignmentKind kind, const WCHAR* name) {
    ButtonAssignment a = Of(kind);
    WCHAR field[ASSIGNMENT_NAME_CHARS] = {};
    if (name != nullptr) {
        // At most ASSIGNMENT_NAME_CHARS - 1 characters; the last unit stays the terminator. A
        // longer name is cut before a surrogate pair that would be split.
        size_t length = wcsnlen(name, ASSIGNMENT_NAME_CHARS - 1);
        if (length == ASSIGNMENT_NAME_CHARS - 1 && name[length] != 0 &&
            name[length - 1] >= 0xD800 && name[length - 1] <= 0xDBFF) {
            --length;
        }
        std::memcpy(field, name, length * sizeof(WCHAR));
    }
    std::memcpy(a.data, field, sizeof field);
    return a;
}

WORD ButtonAssignment::GetScanCode() const {
    WORD value = 0;
    std::memcpy(&value, data, sizeof value);
    return value;
}

WORD ButtonAssignment::GetVirtualKey() const {
    WORD value = 0;
    std::memcpy(&value, data + 2, sizeof value);
    return value;
}

BYTE ButtonAssignment::GetKeyFlags() const {
    return data[4];
}

GUID ButtonAssignment::GetGuid() const {
    GUID guid{};
    std::memcpy(&guid, data, sizeof guid);
    return guid;
}

CString ButtonAssignment::GetName() const {
    WCHAR field[ASSIGNMENT_NAME_CHARS] = {};
    std::memcpy(field, data, sizeof field);
    // Data from outside may lack the terminator: never read past the field.
    return CString(field, static_cast<int>(wcsnlen(field, ASSIGNMENT_NAME_CHARS)));
}

const WCHAR* GetButtonTextKey(ButtonId button) {
    return IsButtonNumber(button, 0) ? kButtons[static_cast<size_t>(button)].textKey : nullptr;
}

const WCHAR* GetButtonSkinItemName(ButtonId button) {
    return IsButtonNumber(button, 0) ? kButtons[static_cast<size_t>(button)].skinItem : nullptr;
}

std::span<const AssignmentKind> GetAllowedAssignmentKinds(ButtonId button) {
    if (button == BUTTON_SCROLL_UP || button == BUTTON_SCROLL_DOWN) {
        return kWheelButtonKinds;
    }
    return kMainButtonKinds;
}

bool IsAssignmentKindAllowed(AssignmentKind kind, ButtonId button) {
    // The by-name kinds stand in for their by-identifier partners.
    if (kind == ASSIGNMENT_MACRO_NAME) {
        kind = ASSIGNMENT_MACRO;
    } else if (kind == ASSIGNMENT_PROFILE_NAME) {
        kind = ASSIGNMENT_PROFILE;
    }
    for (const AssignmentKind allowed : GetAllowedAssignmentKinds(button)) {
        if (allowed == kind) {
            return true;
        }
    }
    return false;
}

void GetAllowedAssignmentKeys(CStringArray& names, ButtonId button) {
    names.RemoveAll();
    for (const AssignmentKind kind : GetAllowedAssignmentKinds(button)) {
        names.Add(CString(GetAssignmentKindKey(kind)));
    }
}

void BuildDefaultAssignments() {
    g_defaultAssignments.clear();
    for (ButtonId button = BUTTON_FIRST; button <= BUTTON_LAST; ++button) {
        g_defaultAssignments.emplace(
            button, ButtonAssignment::Of(kFactoryKinds[static_cast<size_t>(button - 1)]));
    }
}

ButtonAssignment GetDefaultAssignment(ButtonId button) {
    const auto it = g_defaultAssignments.find(button);
    return it == g_defaultAssignments.end() ? ButtonAssignment{} : it->second;
}
