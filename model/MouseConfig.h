#pragma once
// CMouseConfig: the configuration object. It owns its profiles, the macro list and the
// fallback stage arrays that stand in for a profile when none is given or active; it never
// owns the device object.

#include "model/IMouseConfig.h"
#include "model/MacroList.h"
#include "model/MouseProfile.h"

#include <memory>
#include <vector>

class CMouseConfig : public IMouseConfig {
public:
    CMouseConfig() = default;
    CMouseConfig(const CMouseConfig&) = delete;
    CMouseConfig& operator=(const CMouseConfig&) = delete;
    ~CMouseConfig() override;

    void DeleteAllProfiles() override;
    void SetDevice(IMouseDevice* device) override;
    BOOL SetStageCapacity(UINT n, IMouseProfile* profile) override;
    void SetAccelerationRange(UINT min, UINT max) override;
    void SetStageCount(UINT n, IMouseProfile* profile) override;
    INT GetProfileCount() const override;
    INT GetMacroCount() const override;
    UINT GetStageCapacity(IMouseProfile* profile) const override;
    UINT GetStageCount(IMouseProfile* profile) const override;
    UINT GetExtraAssignmentCount(IMouseProfile* profile) const override;
    ButtonId GetExtraAssignmentButton(UINT index, IMouseProfile* profile) const override;
    // Names with a line break are refused (null); a null name gives an empty one.
    IMouseProfile* AddProfile(const WCHAR* name) override;
    IMouseProfile* AddProfileCopy(IMouseProfile* profile) override;
    IMouseProfile* GetProfile(INT index) const override;
    IMouseProfile* FindProfileByGuid(GUID guid) const override;
    IMouseProfile* FindProfileByName(const WCHAR* name) const override;
    IMouseProfile* RenameProfile(IMouseProfile* profile, const WCHAR* newName) override;
    IMouseProfile* DuplicateProfile(IMouseProfile* profile, const WCHAR* newName) override;
    void DeleteProfile(IMouseProfile* profile) override;
    IMouseProfile* GetActiveProfile() const override;
    // Null clears the active profile; a profile that is not in the list is ignored.
    void SetActiveProfile(IMouseProfile* profile) override;
    void SetExePath(IMouseProfile* profile, const WCHAR* path) override;
    const WCHAR* GetExePath(IMouseProfile* profile) const override;
    void SetAutoSwitch(IMouseProfile* profile, BYTE flag) override;
    BYTE GetAutoSwitch(IMouseProfile* profile) const override;
    void SetShowProfileOsdAll(BYTE flag) override;
    void SetShowProfileOsd(BYTE flag, IMouseProfile* profile) override;
    BYTE GetShowProfileOsd(IMouseProfile* profile) const override;
    void SetShowDpiOsd(BYTE flag, IMouseProfile* profile) override;
    BYTE GetShowDpiOsd(IMouseProfile* profile) const override;
    void SetStageSeparateXY(LONG stage, BYTE flag, IMouseProfile* profile) override;
    BYTE GetStageSeparateXY(LONG stage, IMouseProfile* profile) const override;
    void SetAccelerationEnabled(BYTE flag, IMouseProfile* ignored) override;
    BYTE GetAccelerationEnabled(IMouseProfile* ignored) const override;
    void SetAcceleration(UINT level, IMouseProfile* ignored) override;
    UINT GetAcceleration(IMouseProfile* ignored) const override;
    void SetActiveStage(LONG stage, IMouseProfile* profile) override;
    LONG GetActiveStage(IMouseProfile* profile) const override;
    LONG SetStageDpi(LONG stage, LONG value, IMouseProfile* profile) override;
    LONG GetStageDpi(LONG stage, IMouseProfile* profile) const override;
    void SetDpi(LONG value, IMouseProfile* profile) override;
    LONG GetDpi(IMouseProfile* profile) const override;
    void SetDpiX(LONG value, IMouseProfile* profile) override;
    LONG GetDpiX(IMouseProfile* profile) const override;
    void SetDpiY(LONG value, IMouseProfile* profile) override;
    LONG GetDpiY(IMouseProfile* profile) const override;
    void SetSeparateXY(BYTE flag, IMouseProfile* profile) override;
    BYTE GetSeparateXY(IMouseProfile* profile) const override;
    LONG SetStageDpiX(LONG stage, LONG value, IMouseProfile* profile) override;
    LONG GetStageDpiX(LONG stage, IMouseProfile* profile) const override;
    LONG SetStageDpiY(LONG stage, LONG value, IMouseProfile* profile) override;
    LONG GetStageDpiY(LONG stage, IMouseProfile* profile) const override;
    void SetDpiRange(LONG min, LONG max, LONG step, IMouseProfile* profile) override;
    BOOL GetDpiRange(LONG& min, LONG& max, LONG& step, IMouseProfile* profile) const override;
    void SetPollingRate(LONG choice, IMouseProfile* ignored) override;
    LONG GetPollingRate(IMouseProfile* ignored) const override;
    void SetButtonAssignment(ButtonId button, ButtonAssignment assignment,
                             IMouseProfile* profile) override;
    void GetButtonAssignment(ButtonAssignment& out, ButtonId button,
                             IMouseProfile* profile) override;
    BOOL HasClickAssignment(IMouseProfile* profile) const override;
    void SetExtraAssignment(ButtonId button, ButtonAssignment assignment,
                            IMouseProfile* profile) override;
    void GetExtraAssignment(ButtonAssignment& out, ButtonId button,
                            IMouseProfile* profile) override;
    void SetExtraAssignmentsEnabled(BYTE flag, IMouseProfile* profile) override;
    BYTE GetExtraAssignmentsEnabled(IMouseProfile* profile) const override;
    CMacro* CreateMacro(const WCHAR* name, IMouseProfile* ignored) override;
    void DeleteMacro(CMacro* macro, IMouseProfile* ignored) override;
    CMacro* FindMacroByGuid(GUID guid, IMouseProfile* ignored) const override;
    CMacro* FindMacroByName(const WCHAR* name, IMouseProfile* ignored) const override;
    CMacro* GetMacro(INT index, IMouseProfile* ignored) const override;
    CMacro* AddStoredMacro(const WCHAR* name, GUID guid) override;
    void SetScrollLightOn(BYTE on, IMouseProfile* profile) override;
    BYTE GetScrollLightOn(IMouseProfile* profile) const override;
    void SetScrollLightColor(COLORREF colour, IMouseProfile* profile) override;
    COLORREF GetScrollLightColor(IMouseProfile* profile) const override;
    void SetLogoLightOn(BYTE on, IMouseProfile* profile) override;
    BYTE GetLogoLightOn(IMouseProfile* profile) const override;
    void SetLogoLightColor(COLORREF colour, IMouseProfile* profile) override;
    COLORREF GetLogoLightColor(IMouseProfile* profile) const override;
    INT LoadProfiles() override;
    BOOL SaveProfiles() override;
    INT EnumerateProfileFiles() override;
    BOOL SaveProfile(IMouseProfile* profile) override;
    UINT GetAccelerationMin() const override { return m_accelerationMin; }
    UINT GetAccelerationMax() const override { return m_accelerationMax; }

    IMouseDevice* GetDevice() const { return m_device; }
    CMacroList& GetMacroList() { return m_macros; }

    void Reserved21() override {}
    LONG Reserved22() override { return 0; }
    void Reserved38() override {}
    LONG Reserved39() override { return 0; }
    void Reserved58() override {}
    BOOL Reserved59() override { return FALSE; }
    void Reserved60() override {}
    BOOL Reserved61() override { return FALSE; }
    void Reserved76() override {}
    BOOL Reserved77() override { return FALSE; }
    void Reserved78() override {}
    BOOL Reserved79() override { return FALSE; }
    void Reserved80() override {}
    void Reserved81() override {}
    BOOL Reserved82() override { return FALSE; }
    void Reserved83() override {}
    LONG Reserved84() override { return 0; }
    void Reserved85() override {}
    BOOL Reserved86() override { return FALSE; }
    void Reserved87() override {}
    BOOL Reserved88() override { return FALSE; }
    void Reserved89() override {}
    BOOL Reserved90() override { return FALSE; }
    void Reserved91() override {}
    LONG Reserved92() override { return 0; }
    void Reserved93() override {}
    LONG Reserved94() override { return 0; }
    void Reserved103() override {}
    BOOL Reserved104() override { return FALSE; }
    void Reserved105() override {}
    BOOL Reserved106() override { return FALSE; }
    void Reserved107() override {}
    LONG Reserved108() override { return 0; }
    LONG Reserved113() override { return 0; }
    LONG Reserved114() override { return 0; }
    LONG Reserved115() override { return 0; }
    LONG Reserved116() override { return 0; }
    LONG Reserved117() override { return 0; }
    LONG Reserved118() override { return 0; }
    LONG Reserved121() override { return 0; }
    LONG Reserved122() override { return 0; }
    LONG Reserved123() override { return 0; }
    BOOL Reserved124() override { return FALSE; }
    BOOL Reserved125() override { return FALSE; }
    BOOL Reserved126() override { return FALSE; }
    BOOL Reserved127() override { return FALSE; }
    BOOL Reserved128() override { return FALSE; }
    BOOL Reserved129() override { return FALSE; }
    void Reserved130() override {}

protected:
    // The listed profile behind an interface pointer, or null when it is not in the list.
    CMouseProfile* FindListed(const IMouseProfile* profile) const;
    // The profile an operation works on: the given one, else the active one (may be null).
    IMouseProfile* Target(IMouseProfile* profile) const {
        return profile != nullptr ? profile : m_activeProfile;
    }
    // The file name under which SaveProfile writes a listed profile (product configuration).
    CString FreeFileName(const IMouseProfile& profile) const;
    // True when a listed profile other than the given one has that settings file.
    bool IsFileOfAnotherProfile(const IMouseProfile* profile, const WCHAR* path) const;
    // Deletes a profile's settings file unless another listed profile still uses it.
    void DeleteProfileFile(const CMouseProfile& profile) const;

private:
    // Clamps to the fallback range and stores into the fallback array's addressed entry.
    LONG SetFallbackStageValue(std::vector<LONG>& values, LONG stage, LONG value);
    LONG GetFallbackStageValue(const std::vector<LONG>& values, LONG stage) const;

    IMouseDevice* m_device = nullptr;
    CMouseProfile* m_activeProfile = nullptr; // one of m_profiles, or null
    // During a rename: the listed profile that the renamed copy is about to replace.
    const CMouseProfile* m_replacedProfile = nullptr;
    std::vector<std::unique_ptr<CMouseProfile>> m_profiles;
    CMacroList m_macros;
    BYTE m_fallbackSeparateXY = 0;
    LONG m_fallbackDpiMin = 0;
    LONG m_fallbackDpiMax = 0;
    LONG m_fallbackDpiStep = 0;
    std::vector<LONG> m_fallbackStageDpi;
    std::vector<LONG> m_fallbackStageDpiX;
    std::vector<LONG> m_fallbackStageDpiY;
    UINT m_fallbackStageCapacity = 0; // entries in each fallback array
    UINT m_fallbackStageCount = 0;
    LONG m_fallbackActiveStage = -1;
    UINT m_accelerationMin = 0;
    UINT m_accelerationMax = 0;
    UINT m_acceleration = 0;
    BYTE m_accelerationOn = 0;
    LONG m_pollingRate = -1; // 0, 1 or 2; -1 = not read yet or not mapped
    BYTE m_fallbackLogoLightOn = 0;
    BYTE m_fallbackScrollLightOn = 0;
    COLORREF m_fallbackLogoColor = 0x00FF0000;
    COLORREF m_fallbackScrollColor = 0x00FF0000;
};
