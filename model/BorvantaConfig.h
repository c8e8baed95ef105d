#pragma once
// CBorvantaConfig: the product's configuration: its file names and folders, the factory
// settings, and five stages for every new profile.

#include "model/MouseConfig.h"
#include "platform/base/CString.h"

class CBorvantaConfig : public CMouseConfig {
public:
    // Builds the paths below the program folder (ExeFolder) and the factory assignments.
    CBorvantaConfig();

    // A new profile with five stages and the factory settings; null when refused.
    IMouseProfile* AddProfile(const WCHAR* name) override;
    const WCHAR* GetProfileExtension() const override { return u"qmp"; }

    // The factory settings for the profile (null = the active one; with no active profile
    // the fallback members receive them). Button assignments need a profile and are left
    // out without one. Only null, the factory settings of the whole mouse, also resets the
    // device-wide options (ResetDeviceWideDefaults); a named profile leaves them alone.
    void SetDefaults(IMouseProfile* profile);

    const CString& GetSettingsFilePath() const { return m_settingsFilePath; }
    const CString& GetProfileFolder() const { return m_profileFolder; }
    const CString& GetMacroFolder() const { return m_macroFolder; }

private:
    // The polling rate and the acceleration: device-wide, reset only with the whole mouse.
    void ResetDeviceWideDefaults();

    CString m_settingsFilePath; // program folder + "save\Borvanta.qmc"
    CString m_profileFolder;    // program folder + "save\"
    CString m_macroFolder;      // program folder + "save\"
};
