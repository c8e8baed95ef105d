#pragma once
// IMouseConfig: the whole in-memory mouse configuration: the profiles, the active one, the
// macros and the device-wide options. Profile settings are reached through operations whose
// last argument is the profile, where null means the active profile; stage numbers are
// 1-based. The declaration order below is the slot order of the interface and must not
// change; the ReservedNN slots hold places nothing calls.

#include "model/ButtonAssignment.h"
#include "model/IMouseProfile.h"
#include "platform/base/Guid.h"
#include "platform/base/WinTypes.h"

class CMacro;
class IMouseDevice;

class IMouseConfig {
public:
    virtual void DeleteAllProfiles() = 0;             // destroys every profile; no active profile
    virtual void SetDevice(IMouseDevice* device) = 0; // null is ignored
    // n = 0: false. A profile: its SetStageCapacity (n). Null here does NOT mean the active
    // profile: the fallback arrays are replaced by min(n, 10) zero entries.
    virtual BOOL SetStageCapacity(UINT n, IMouseProfile* profile) = 0;
    virtual void SetAccelerationRange(UINT min, UINT max) = 0;
    virtual void SetStageCount(UINT n, IMouseProfile* profile) = 0;
    virtual INT GetProfileCount() const = 0;
    virtual INT GetMacroCount() const = 0;
    virtual UINT GetStageCapacity(IMouseProfile* profile) const = 0;
    virtual UINT GetStageCount(IMouseProfile* profile) const = 0;
    virtual UINT GetExtraAssignmentCount(IMouseProfile* profile) const = 0;
    virtual ButtonId GetExtraAssignmentButton(UINT index, IMouseProfile* profile) const = 0;
    virtual IMouseProfile* AddProfile(const WCHAR* name) = 0; // appended; null when refused
    virtual IMouseProfile* AddProfileCopy(IMouseProfile* profile) = 0; // same guid
    virtual IMouseProfile* GetProfile(INT index) const = 0;
    virtual IMouseProfile* FindProfileByGuid(GUID guid) const = 0;
    virtual IMouseProfile* FindProfileByName(const WCHAR* name) const = 0; // ignoring case
    // The profile is replaced by a renamed copy, which is returned; callers use it from then
    // on. Null when nothing was renamed.
    virtual IMouseProfile* RenameProfile(IMouseProfile* profile, const WCHAR* newName) = 0;
    virtual IMouseProfile* DuplicateProfile(IMouseProfile* profile, const WCHAR* newName) = 0;
    virtual void DeleteProfile(IMouseProfile* profile) = 0;
    virtual IMouseProfile* GetActiveProfile() const = 0;
    virtual void SetActiveProfile(IMouseProfile* profile) = 0;
    virtual void Reserved21() = 0;
    virtual LONG Reserved22() = 0;
    // 23 and 25 take the profile first; null there means no profile (nothing happens).
    virtual void SetExePath(IMouseProfile* profile, const WCHAR* path) = 0;
    virtual const WCHAR* GetExePath(IMouseProfile* profile) const = 0;
    virtual void SetAutoSwitch(IMouseProfile* profile, BYTE flag) = 0;
    virtual BYTE GetAutoSwitch(IMouseProfile* profile) const = 0;
    virtual void SetShowProfileOsdAll(BYTE flag) = 0;
    virtual void SetShowProfileOsd(BYTE flag, IMouseProfile* profile) = 0;
    virtual BYTE GetShowProfileOsd(IMouseProfile* profile) const = 0;
    virtual void SetShowDpiOsd(BYTE flag, IMouseProfile* profile) = 0;
    virtual BYTE GetShowDpiOsd(IMouseProfile* profile) const = 0;
    virtual void SetStageSeparateXY(LONG stage, BYTE flag, IMouseProfile* profile) = 0;
    virtual BYTE GetStageSeparateXY(LONG stage, IMouseProfile* profile) const = 0;
    // 34..37 and 62, 63: device-wide; the profile argument is ignored.
    virtual void SetAccelerationEnabled(BYTE flag, IMouseProfile* ignored) = 0;
    virtual BYTE GetAccelerationEnabled(IMouseProfile* ignored) const = 0;
    virtual void SetAcceleration(UINT level, IMouseProfile* ignored) = 0; // clamped to range
    virtual UINT GetAcceleration(IMouseProfile* ignored) const = 0;
    virtual void Reserved38() = 0;
    virtual LONG Reserved39() = 0;
    virtual void SetActiveStage(LONG stage, IMouseProfile* profile) = 0;
    virtual LONG GetActiveStage(IMouseProfile* profile) const = 0;
    virtual LONG SetStageDpi(LONG stage, LONG value, IMouseProfile* profile) = 0;
    virtual LONG GetStageDpi(LONG stage, IMouseProfile* profile) const = 0;
    virtual void SetDpi(LONG value, IMouseProfile* profile) = 0;
    virtual LONG GetDpi(IMouseProfile* profile) const = 0;
    virtual void SetDpiX(LONG value, IMouseProfile* profile) = 0;
    virtual LONG GetDpiX(IMouseProfile* profile) const = 0;
    virtual void SetDpiY(LONG value, IMouseProfile* profile) = 0;
    virtual LONG GetDpiY(IMouseProfile* profile) const = 0;
    virtual void SetSeparateXY(BYTE flag, IMouseProfile* profile) = 0;
    virtual BYTE GetSeparateXY(IMouseProfile* profile) const = 0;
    virtual LONG SetStageDpiX(LONG stage, LONG value, IMouseProfile* profile) = 0;
    virtual LONG GetStageDpiX(LONG stage, IMouseProfile* profile) const = 0;
    virtual LONG SetStageDpiY(LONG stage, LONG value, IMouseProfile* profile) = 0;
    virtual LONG GetStageDpiY(LONG stage, IMouseProfile* profile) const = 0;
    virtual void SetDpiRange(LONG min, LONG max, LONG step, IMouseProfile* profile) = 0;
    virtual BOOL GetDpiRange(LONG& min, LONG& max, LONG& step, IMouseProfile* profile) const = 0;
    virtual void Reserved58() = 0;
    virtual BOOL Reserved59() = 0;
    virtual void Reserved60() = 0;
    virtual BOOL Reserved61() = 0;
    virtual void SetPollingRate(LONG choice, IMouseProfile* ignored) = 0;
    virtual LONG GetPollingRate(IMouseProfile* ignored) const = 0;
    virtual void SetButtonAssignment(ButtonId button, ButtonAssignment assignment,
                                     IMouseProfile* profile) = 0;
    virtual void GetButtonAssignment(ButtonAssignment& out, ButtonId button,
                                     IMouseProfile* profile) = 0;
    virtual BOOL HasClickAssignment(IMouseProfile* profile) const = 0;
    virtual void SetExtraAssignment(ButtonId button, ButtonAssignment assignment,
                                    IMouseProfile* profile) = 0;
    virtual void GetExtraAssignment(ButtonAssignment& out, ButtonId button,
                                    IMouseProfile* profile) = 0;
    virtual void SetExtraAssignmentsEnabled(BYTE flag, IMouseProfile* profile) = 0;
    virtual BYTE GetExtraAssignmentsEnabled(IMouseProfile* profile) const = 0;
    // 71..75: the macro list; the profile argument is ignored.
    virtual CMacro* CreateMacro(const WCHAR* name, IMouseProfile* ignored) = 0;
    virtual void DeleteMacro(CMacro* macro, IMouseProfile* ignored) = 0;
    virtual CMacro* FindMacroByGuid(GUID guid, IMouseProfile* ignored) const = 0;
    virtual CMacro* FindMacroByName(const WCHAR* name, IMouseProfile* ignored) const = 0;
    virtual CMacro* GetMacro(INT index, IMouseProfile* ignored) const = 0;
    virtual void Reserved76() = 0;
    virtual BOOL Reserved77() = 0;
    virtual void Reserved78() = 0;
    virtual BOOL Reserved79() = 0;
    virtual void Reserved80() = 0;
    virtual void Reserved81() = 0;
    virtual BOOL Reserved82() = 0;
    virtual void Reserved83() = 0;
    virtual LONG Reserved84() = 0;
    virtual void Reserved85() = 0;
    virtual BOOL Reserved86() = 0;
    virtual void Reserved87() = 0;
    virtual BOOL Reserved88() = 0;
    virtual void Reserved89() = 0;
    virtual BOOL Reserved90() = 0;
    virtual void Reserved91() = 0;
    virtual LONG Reserved92() = 0;
    virtual void Reserved93() = 0;
    virtual LONG Reserved94() = 0;
    virtual void SetScrollLightOn(BYTE on, IMouseProfile* profile) = 0;
    virtual BYTE GetScrollLightOn(IMouseProfile* profile) const = 0;
    virtual void SetScrollLightColor(COLORREF colour, IMouseProfile* profile) = 0;
    virtual COLORREF GetScrollLightColor(IMouseProfile* profile) const = 0;
    virtual void SetLogoLightOn(BYTE on, IMouseProfile* profile) = 0;
    virtual BYTE GetLogoLightOn(IMouseProfile* profile) const = 0;
    virtual void SetLogoLightColor(COLORREF colour, IMouseProfile* profile) = 0;
    virtual COLORREF GetLogoLightColor(IMouseProfile* profile) const = 0;
    virtual void Reserved103() = 0;
    virtual BOOL Reserved104() = 0;
    virtual void Reserved105() = 0;
    virtual BOOL Reserved106() = 0;
    virtual void Reserved107() = 0;
    virtual LONG Reserved108() = 0;
    // 109..112: the profiles' own settings files.
    virtual INT LoadProfiles() = 0;
    virtual BOOL SaveProfiles() = 0;
    virtual INT EnumerateProfileFiles() = 0;
    virtual BOOL SaveProfile(IMouseProfile* profile) = 0;
    virtual LONG Reserved113() = 0;
    virtual LONG Reserved114() = 0;
    virtual LONG Reserved115() = 0;
    virtual LONG Reserved116() = 0;
    virtual LONG Reserved117() = 0;
    virtual LONG Reserved118() = 0;
    virtual UINT GetAccelerationMin() const = 0;
    virtual UINT GetAccelerationMax() const = 0;
    virtual LONG Reserved121() = 0;
    virtual LONG Reserved122() = 0;
    virtual LONG Reserved123() = 0;
    virtual BOOL Reserved124() = 0;
    virtual BOOL Reserved125() = 0;
    virtual BOOL Reserved126() = 0;
    virtual BOOL Reserved127() = 0;
    virtual BOOL Reserved128() = 0;
    virtual BOOL Reserved129() = 0;
    virtual void Reserved130() = 0;
    virtual ~IMouseConfig() = default;
    virtual const WCHAR* GetProfileExtension() const = 0;
    // 133: a macro the device holds, appended with that identifier under its own name, also
    // when another macro has that name (the device tells macros apart by identifier). Null
    // for the null identifier or one already listed. The device client's read uses it.
    virtual CMacro* AddStoredMacro(const WCHAR* name, GUID guid) = 0;

protected:
    IMouseConfig() = default;
    IMouseConfig(const IMouseConfig&) = default;
    IMouseConfig& operator=(const IMouseConfig&) = default;
};
