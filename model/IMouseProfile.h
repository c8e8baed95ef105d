#pragma once
// IMouseProfile: one complete set of mouse settings as the device stores it. Stage numbers
// are 1-based; a number above the stage capacity addresses the last stage. The declaration
// order below is the slot order of the interface and must not change.

#include "model/ButtonAssignment.h"
#include "platform/base/CString.h"
#include "platform/base/CStringArray.h"
#include "platform/base/Guid.h"
#include "platform/base/WinTypes.h"

class IMouseProfile {
public:
    // 0: clamps n to 1..10, replaces the stage array by n all-zero entries, makes stage 1
    // active; true.
    virtual BOOL SetStageCapacity(UINT n) = 0;
    virtual UINT GetStageCapacity() const = 0;                       // 1
    virtual UINT GetStageCount() const = 0;                          // 2
    virtual UINT GetExtraAssignmentCount() const = 0;                // 3
    virtual void SetStageCount(UINT n) = 0;                          // 4: at most the capacity
    virtual ButtonId GetExtraAssignmentButton(UINT index) const = 0; // 5: 0 outside the list
    virtual const WCHAR* GetName() const = 0;                        // 6
    virtual GUID GetGuid(GUID& out) const = 0;                       // 7: copies out and returns
    virtual BOOL HasFile() const = 0;                                // 8
    virtual void SetName(const WCHAR* name) = 0;                     // 9: null = empty
    virtual void SetGuid(GUID guid) = 0;                             // 10
    virtual const WCHAR* GetExeName() const = 0;                     // 11
    virtual void SetExeName(const WCHAR* name) = 0;                  // 12: null = empty
    virtual const WCHAR* GetFilePath() const = 0;                    // 13
    virtual const WCHAR* GetExePath() const = 0;                     // 14
    virtual void SetExePath(const WCHAR* path) = 0;                  // 15: also sets the exe name
    virtual void SetAutoSwitch(BYTE flag) = 0;                       // 16
    virtual BYTE GetAutoSwitch() const = 0;                          // 17
    virtual void SetShowDpiOsd(BYTE flag) = 0;                       // 18
    virtual BYTE GetShowDpiOsd() const = 0;                          // 19
    virtual void SetShowProfileOsd(BYTE flag) = 0;                   // 20
    virtual BYTE GetShowProfileOsd() const = 0;                      // 21
    virtual void SetStageSeparateXY(LONG stage, BYTE flag) = 0;      // 22
    virtual BYTE GetStageSeparateXY(LONG stage) const = 0;           // 23
    virtual void SetActiveStage(LONG stage) = 0;                     // 24
    virtual LONG GetActiveStage() const = 0;                         // 25: 0 = none
    // 26..31: the value setters clamp to the sensitivity range and return the stored value.
    virtual LONG SetStageDpi(LONG stage, LONG value) = 0;  // 26
    virtual LONG GetStageDpi(LONG stage) const = 0;        // 27
    virtual LONG SetStageDpiX(LONG stage, LONG value) = 0; // 28
    virtual LONG GetStageDpiX(LONG stage) const = 0;       // 29
    virtual LONG SetStageDpiY(LONG stage, LONG value) = 0; // 30
    virtual LONG GetStageDpiY(LONG stage) const = 0;       // 31
    // 32..39: the current sensitivity, stored unclamped.
    virtual void SetDpi(LONG value) = 0;                                  // 32
    virtual LONG GetDpi() const = 0;                                      // 33
    virtual void SetDpiX(LONG value) = 0;                                 // 34
    virtual LONG GetDpiX() const = 0;                                     // 35
    virtual void SetDpiY(LONG value) = 0;                                 // 36
    virtual LONG GetDpiY() const = 0;                                     // 37
    virtual void SetSeparateXY(BYTE flag) = 0;                            // 38
    virtual BYTE GetSeparateXY() const = 0;                               // 39
    virtual void SetDpiRange(LONG min, LONG max, LONG step) = 0;          // 40
    virtual BOOL GetDpiRange(LONG& min, LONG& max, LONG& step) const = 0; // 41
    virtual void SetScrollLightOn(BYTE on) = 0;                           // 42
    virtual BYTE GetScrollLightOn() const = 0;                            // 43
    virtual void SetScrollLightColor(COLORREF colour) = 0;                // 44
    virtual COLORREF GetScrollLightColor() const = 0;                     // 45
    virtual void SetLogoLightOn(BYTE on) = 0;                             // 46
    virtual BYTE GetLogoLightOn() const = 0;                              // 47
    virtual void SetLogoLightColor(COLORREF colour) = 0;                  // 48
    virtual COLORREF GetLogoLightColor() const = 0;                       // 49
    virtual void Reserved50() = 0;
    virtual LONG Reserved51() = 0;
    // 52: stores the assignment when its kind is allowed on the button; nothing otherwise.
    virtual void SetButtonAssignment(ButtonId button, ButtonAssignment assignment) = 0;
    // 53: a button without an entry first gets one of kind -1 with zero data.
    virtual void GetButtonAssignment(ButtonAssignment& out, ButtonId button) = 0;
    virtual BOOL HasClickAssignment() const = 0;                                            // 54
    virtual void SetExtraAssignment(ButtonId button, ButtonAssignment assignment) = 0;      // 55
    virtual void GetExtraAssignment(ButtonAssignment& out, ButtonId button) = 0;            // 56
    virtual void SetExtraAssignmentsEnabled(BYTE flag) = 0;                                 // 57
    virtual BYTE GetExtraAssignmentsEnabled() const = 0;                                    // 58
    virtual BOOL IsAssignmentAllowed(AssignmentKind kind, ButtonId button) const = 0;       // 59
    virtual void GetAllowedAssignmentNames(CStringArray& names, ButtonId button) const = 0; // 60
    virtual BOOL SetAssignmentFromText(ButtonId button, const WCHAR* text) = 0;             // 61
    virtual LONG Reserved62() = 0;
    virtual BOOL Reserved63() = 0;
    virtual BOOL Reserved64() = 0;
    virtual BOOL Reserved65() = 0;
    virtual void Reserved66() = 0;
    virtual BOOL Reserved67() = 0;
    // 68: writes the profile's settings file folder + fileName + "." + extension; an empty
    // file name is made from the profile's name and handed back. True on success.
    virtual BOOL SaveToFile(CString& fileName, const WCHAR* folder, const WCHAR* extension) = 0;
    // 69: reads a settings file into this profile; true on success.
    virtual BOOL LoadFromFile(const WCHAR* fileName, const WCHAR* folder,
                              const WCHAR* extension) = 0;
    virtual ~IMouseProfile() = default; // 70
    virtual void Reserved71() = 0;
    virtual BOOL Reserved72() = 0;
    virtual void Reserved73() = 0;

protected:
    IMouseProfile() = default;
    IMouseProfile(const IMouseProfile&) = default;
    IMouseProfile& operator=(const IMouseProfile&) = default;
};
