#pragma once
// Process-wide vocabulary tables: the maps between the numbers the code works with and the
// names that skin files, language files, the registry and the user interface use. They are
// filled once by InitNameTables at start-up and only read afterwards.

#include "platform/base/WinTypes.h"

#include <map>

// Number to constant text; the strings are program constants that the maps never own.
using NameTable = std::map<LONG, const WCHAR*>;
// Colour value (0x00BBGGRR) to colour name.
using ColourNameTable = std::map<COLORREF, const WCHAR*>;

// The built-in command macros, in the order of their text keys and of assignment kinds 45..61.
enum PredefinedCommand : LONG {
    PREDEFINED_CUT = 1,
    PREDEFINED_COPY = 2,
    PREDEFINED_PASTE = 3,
    PREDEFINED_UNDO = 4,
    PREDEFINED_ALL = 5,
    PREDEFINED_FIND = 6,
    PREDEFINED_NEW = 7,
    PREDEFINED_PRINT = 8,
    PREDEFINED_SAVE = 9,
    PREDEFINED_SWAPWINDOWS = 10,
    PREDEFINED_CLOSEWINDOW = 11,
    PREDEFINED_LOCKPC = 12,
    PREDEFINED_OPENEXPLORER = 13,
    PREDEFINED_RUN = 14,
    PREDEFINED_SHOWDESKTOP = 15,
    PREDEFINED_ZOOMIN = 16,
    PREDEFINED_ZOOMOUT = 17,
};

// Language ids; the same numbers are the LANGUAGE_ skin item ids and the language table ids.
inline constexpr LONG LANGUAGE_ID_ENGLISH = 320;
inline constexpr LONG LANGUAGE_ID_JAPANESE = 328;

extern const NameTable& CommandKeyMap;    // PredefinedCommand 1..17
extern const NameTable& AssignmentKeyMap; // AssignmentKind 0..65
extern const NameTable& SkinItemNameMap;  // skin item id 0..370
extern const NameTable& KeyShortNameMap;  // virtual-key code to short label
extern const ColourNameTable& ColourNameMap;
extern const NameTable& LanguageNameMap;    // language id 320..328
extern const NameTable& ListColumnItemMap;  // list column item 0..5
extern const NameTable& CellControlTypeMap; // cell control type 0..5
extern const NameTable& MacroColumnTypeMap; // macro column type 0..1

// Fills every table; a second call refills them with the same entries.
void InitNameTables();

// Forward lookups: the text of the entry, or null when the table has no such number. The
// table is never changed by a lookup.
const WCHAR* LookupName(const NameTable& table, LONG key);
const WCHAR* LookupColourName(COLORREF colour);
// Text key of an assignment kind 0..65 straight from the constant table, so that it is
// available before InitNameTables; null for other numbers.
const WCHAR* GetAssignmentKindKey(LONG kind);

// Reverse lookups: the smallest key whose text equals the given one ignoring letter case;
// -1 when none does (and for a null text).
LONG FindCommandKeyId(const WCHAR* text);
LONG FindAssignmentKindId(const WCHAR* text);
LONG FindSkinItemId(const WCHAR* text);
LONG FindColourByName(const WCHAR* text);
LONG FindLanguageId(const WCHAR* text);
LONG FindListColumnItemId(const WCHAR* text);
LONG FindCellControlType(const WCHAR* text);
LONG FindMacroColumnType(const WCHAR* text);
