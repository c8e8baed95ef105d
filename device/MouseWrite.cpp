// The device object's write (on the write thread, inside the connection SyncDevice opened)
// and the macro slots that run inside a connection their caller opened.

#include "device/Mouse.h"

#include "device/MouseSupport.h"
#include "model/NameLookup.h"
#include "model/ProfileNames.h"
#include "platform/base/WideChar.h"
#include "platform/ui/Clock.h"

#include <cstring>

using namespace mousesupport;

namespace {

// Whether a by-name macro assignment names a macro that the configuration holds but that has
// neither events nor a device identifier (it has never been recorded).
bool NamesUnrecordedMacro(const IMouseConfig* config, const ButtonAssignment& assignment) {
    const CString name = assignment.GetName();
    const CMacro* macro = FindMacroExactFirst(*config, name.GetString());
    return macro != nullptr && macro->GetEvents().empty() && SameGuid(macro->GetGuid(), GUID_NULL);
}

// Whether a by-name macro assignment names a recorded macro that the mouse does not hold yet:
// while the macro was empty the button kept its previous function on the mouse, so it goes up
// with the macro.
bool NamesMacroToStore(const IMouseConfig* config, const ButtonAssignment& assignment) {
    if (assignment.kind != ASSIGNMENT_MACRO_NAME) {
        return false;
    }
    const CString name = assignment.GetName();
    const CMacro* macro = FindMacroExactFirst(*config, name.GetString());
    return macro != nullptr && !macro->GetEvents().empty() && SameGuid(macro->GetGuid(), GUID_NULL);
}

bool WriteSwitch(IProfileProperties* properties, WORD mask, BYTE value) {
    const ProfileSwitchWrite record{mask, static_cast<WORD>(value != 0 ? 1 : 0)};
    return SUCCEEDED(properties->SetProperty(PROFILE_PROP_SWITCHES, &record, 0, sizeof record, 0));
}

} // namespace

namespace mousesupport {

void ReplaceAssignedGuid(IMouseConfig* config, INT kind, const GUID& from, const GUID& to) {
    for (INT index = 0; index < config->GetProfileCount(); ++index) {
        IMouseProfile* profile = config->GetProfile(index);
        if (profile == nullptr) {
            continue;
        }
        for (ButtonId button = BUTTON_FIRST; button <= BUTTON_LAST; ++button) {
            ButtonAssignment assignment;
            profile->GetButtonAssignment(assignment, button);
            if (assignment.kind == kind && SameGuid(assignment.GetGuid(), from)) {
                profile->SetButtonAssignment(button, ButtonAssignment::WithGuid(kind, to));
            }
        }
    }
}

} // namespace mousesupport

// ---- writing -----------------------------------------------------------------------------

void CMouse::WriteThreadProc(IMouseConfig* config, int sections) {
    m_writeIncomplete = false;
    const bool written = m_found.load() && WriteAll(config, sections) && !m_writeIncomplete;
    // Let the device settle before the connection closes.
    Sleep(kSettleMs);
    m_lastWriteResult.store(written, std::memory_order_release);
    Disconnect();
    m_writing.store(false, std::memory_order_release);
}

bool CMouse::WriteAll(IMouseConfig* config, int sections) {
    if (!m_device) {
        return false;
    }
    const CComPtr<IProfileManager> manager = DeviceFeature<IProfileManager>();
    if (!manager) {
        return false;
    }
    // The device always holds a profile, so a configuration without any was never read from
    // it: writing that would only strip the device of its profiles.
    if (config->GetProfileCount() <= 0) {
        return false;
    }
    // The active profile is written only when the user chose another one in this
    // configuration (a new profile has no identifier yet), so that a switch another program
    // made (the tray, the mouse's profile button, automatic switching) stays.
    IMouseProfile* const activeProfile = config->GetActiveProfile();
    const bool activeChosen =
        activeProfile != nullptr && !SameGuid(GuidOf(activeProfile), Known(config).active);
    const bool activeMoved = DeleteProfilesNotIn(config, manager);

    CComPtr<IProfile> activeTwin;
    const INT profileCount = config->GetProfileCount();
    for (INT index = 0; index < profileCount; ++index) {
        IMouseProfile* profile = config->GetProfile(index);
        if (profile == nullptr) {
            continue;
        }
        const CComPtr<IProfile> twin = TwinOf(config, manager, profile);
        if (!twin) {
            m_writeIncomplete = true; // this profile's changes did not reach the device
            continue;
        }
        if (!WriteProfileProperties(twin, profile)) {
            m_writeIncomplete = true;
        }
        if (profile == activeProfile) {
            activeTwin = twin;
        }
        if ((sections & SECTION_SENSITIVITY) && !WriteSensitivity(config, profile, twin)) {
            m_writeIncomplete = true;
        }
        if ((sections & SECTION_BUTTONS) && !WriteButtons(config, profile, twin, false)) {
            m_writeIncomplete = true;
        }
        // A write of the macros alone still takes the buttons that name a macro it stores for
        // the first time, which could not be written while that macro was empty.
        if (!(sections & SECTION_BUTTONS) && (sections & SECTION_MACROS) &&
            !WriteButtons(config, profile, twin, true)) {
            m_writeIncomplete = true;
        }
        if ((sections & SECTION_LIGHTS) && !WriteLights(config, profile, twin)) {
            m_writeIncomplete = true;
        }
    }

    // Each device-wide section sets the result in turn; a failed one also marks the write
    // incomplete, so that a later section's success does not hide it.
    bool result = true;
    if (sections & SECTION_ACCELERATION) {
        result = WriteAcceleration(config);
        m_writeIncomplete = m_writeIncomplete || !result;
    }
    if (sections & SECTION_POLLING_RATE) {
        result = WritePollingRate(config);
        m_writeIncomplete = m_writeIncomplete || !result;
    }

    const CComPtr<IMacroManager> macros = DeviceFeature<IMacroManager>();
    if (!macros) {
        return false;
    }
    DeleteMacrosNotIn(config, macros);
    if (sections & SECTION_MACROS) {
        result = SyncMacros(config);
    }

    if (!activeTwin) {
        return false;
    }
    // Also when deleting a profile the user dropped made the device give up its active one.
    if (activeChosen || activeMoved) {
        if (FAILED(manager->SetActiveProfile(activeTwin))) {
            result = false;
        } else {
            Known(config).active = GuidOf(activeProfile);
        }
    }
    return result;
}

CComPtr<IProfile> CMouse::TwinOf(IMouseConfig* config, IProfileManager* manager,
                                 IMouseProfile* profile) {
    const GUID guid = GuidOf(profile);
    // A profile that another program removed from the mouse is stored anew, as a new
    // profile would be: the configuration still holds it, and without this every later
    // write would fail on it. A profile that is listed but cannot be opened stays a failure
    // of this write.
    if (SameGuid(guid, GUID_NULL) || IsGoneFromDevice<IProfile>(manager, guid)) {
        return StoreProfile(config, manager, profile);
    }
    CComPtr<IProfile> twin;
    if (FAILED(manager->GetProfileByGuid(guid, &twin)) || !twin) {
        return nullptr;
    }
    const ServiceString name = NameOf(twin);
    if (!name) {
        return nullptr;
    }
    if (wcsicmp(name.get(), profile->GetName()) != 0 && FAILED(twin->SetName(profile->GetName()))) {
        return nullptr;
    }
    return twin;
}

CComPtr<IProfile> CMouse::StoreProfile(IMouseConfig* config, IProfileManager* manager,
                                       IMouseProfile* profile) {
    CComPtr<IProfile> created;
    GUID guid{};
    if (FAILED(manager->CreateProfile(&created)) || !created || FAILED(created->GetGuid(&guid))) {
        return nullptr;
    }
    const GUID old = GuidOf(profile);
    profile->SetGuid(guid);
    KnownState& known = Known(config);
    known.profiles.insert(guid);
    if (!SameGuid(old, GUID_NULL)) {
        // The buttons that named the removed profile name the one stored in its place.
        known.profiles.erase(old);
        ReplaceAssignedGuid(config, ASSIGNMENT_PROFILE, old, guid);
        if (SameGuid(known.active, old)) {
            known.active = guid;
        }
    }
    if (FAILED(created->SetName(profile->GetName()))) {
        return nullptr;
    }
    return created;
}

GUID CMouse::StoredProfileGuid(IMouseConfig* config, IMouseProfile* profile) {
    const CComPtr<IProfileManager> manager = DeviceFeature<IProfileManager>();
    if (!manager) {
        return GUID_NULL;
    }
    const GUID guid = GuidOf(profile);
    if (!SameGuid(guid, GUID_NULL) && !IsGoneFromDevice<IProfile>(manager.Get(), guid)) {
        return guid;
    }
    return StoreProfile(config, manager, profile) ? GuidOf(profile) : GUID_NULL;
}

GUID CMouse::StoredMacroGuid(IMouseConfig* config, CMacro* macro) {
    const CComPtr<IMacroManager> manager = DeviceFeature<IMacroManager>();
    if (!manager) {
        return GUID_NULL;
    }
    const GUID old = macro->GetGuid();
    if (!SameGuid(old, GUID_NULL) && !IsGoneFromDevice<IMacro>(manager.Get(), old)) {
        return old;
    }
    // A macro without identifier, or one another program removed from the mouse, is stored
    // (again); the buttons that named the removed one follow it.
    if (!WriteMacroNow(macro) || SameGuid(macro->GetGuid(), GUID_NULL)) {
        return GUID_NULL;
    }
    const GUID guid = macro->GetGuid();
    KnownState& known = Known(config);
    known.macros.insert(guid);
    if (!SameGuid(old, GUID_NULL)) {
        known.macros.erase(old);
        ReplaceAssignedGuid(config, ASSIGNMENT_MACRO, old, guid);
    }
    return guid;
}

bool CMouse::DeleteProfilesNotIn(IMouseConfig* config, IProfileManager* manager) {
    KnownState& known = Known(config);
    bool activeMoved = false;
    CComPtr<IProfile> first;
    INT steps = 0;
    for (INT index = 0; index >= 0 && steps < kMaxEnumeration; ++index, ++steps) {
        CComPtr<IProfile> profile;
        if (FAILED(manager->GetProfile(static_cast<UINT>(index), &profile)) || !profile) {
            break;
        }
        if (index == 0) {
            first = profile;
        }
        // Only a profile this configuration took from the mouse (or put there) and no longer
        // holds goes: one made by another program, or never read, stays.
        GUID guid{};
        if (FAILED(profile->GetGuid(&guid)) || known.profiles.count(guid) == 0 ||
            config->FindProfileByGuid(guid) != nullptr) {
            continue;
        }
        HRESULT hr = manager->DeleteProfile(profile);
        if (hr == E_ACCESSDENIED) {
            // The active profile cannot go: make another one active, then delete it once
            // more. The first profile serves, unless it is this one; then the next.
            CComPtr<IProfile> stand = first;
            if (index == 0) {
                stand.Release();
                manager->GetProfile(1, &stand);
            }
            if (stand && SUCCEEDED(manager->SetActiveProfile(stand))) {
                activeMoved = true;
                hr = manager->DeleteProfile(profile);
            }
        }
        if (SUCCEEDED(hr)) {
            known.profiles.erase(guid);
            --index; // the next profile moved to this index
        } else {
            m_writeIncomplete = true; // the device keeps a profile the configuration dropped
        }
    }
    return activeMoved;
}

void CMouse::DeleteMacrosNotIn(IMouseConfig* config, IMacroManager* manager) {
    KnownState& known = Known(config);
    INT steps = 0;
    for (INT index = 0; index >= 0 && steps < kMaxEnumeration; ++index, ++steps) {
        CComPtr<IMacro> macro;
        if (FAILED(manager->GetMacro(static_cast<UINT>(index), &macro)) || !macro) {
            break;
        }
        // Only a macro this configuration read (or stored) and no longer holds goes: one
        // another program made, or one the read could not take, stays.
        GUID guid{};
        if (FAILED(macro->GetGuid(&guid)) || known.macros.count(guid) == 0 ||
            config->FindMacroByGuid(guid, nullptr) != nullptr) {
            continue;
        }
        if (SUCCEEDED(manager->DeleteMacro(macro))) {
            known.macros.erase(guid);
            --index;
        } else {
            m_writeIncomplete = true; // the device keeps a macro the configuration dropped
        }
    }
}

bool CMouse::WriteProfileProperties(IProfile* device, IMouseProfile* profile) {
    device->SetName(profile->GetName());
    const CComPtr<IProfileProperties> properties = ProfileFeature<IProfileProperties>(device);
    if (!properties) {
        return false;
    }
    WCHAR current[kProgramBytes / sizeof(WCHAR) + 1] = {};
    DWORD currentSize = kProgramBytes;
    const bool gate =
        SUCCEEDED(properties->GetProperty(PROFILE_PROP_PROGRAM, 0, current, 0, &currentSize));

    // The program name, terminated in the record. A name longer than the record holds is
    // not written cut (that would bind the profile to another program): the mouse keeps its
    // program and this profile is not written in full.
    WCHAR program[kProgramBytes / sizeof(WCHAR)] = {};
    const WCHAR* exeName = profile->GetExeName();
    static_assert(PROFILE_PROGRAM_MAX_CHARS == DEVICE_MAX_PROGRAM, "one limit for the name");
    const bool fits = IsStorableProgramName(exeName);
    const bool hasProgram = exeName != nullptr && exeName[0] != 0;
    if (hasProgram && fits) {
        wcsncpy_s(program, std::size(program), exeName, DEVICE_MAX_PROGRAM);
    }
    bool last = false;
    bool made = false;
    const bool programWritten =
        fits &&
        SUCCEEDED(properties->SetProperty(PROFILE_PROP_PROGRAM, program, 0, kProgramBytes, 0));
    if (programWritten) {
        if (gate) {
            // A profile without a program never switches automatically.
            last = WriteSwitch(properties, PROFILE_SWITCH_AUTO,
                               hasProgram ? profile->GetAutoSwitch() : 0);
            made = true;
        }
    } else {
        last = gate;
        made = gate;
    }
    if (made && last) {
        last = WriteSwitch(properties, PROFILE_SWITCH_DPI_OSD, profile->GetShowDpiOsd());
        if (last) {
            last = WriteSwitch(properties, PROFILE_SWITCH_NAME_OSD, profile->GetShowProfileOsd());
        }
    }
    // The switches may have gone through without the program: the profile is then not
    // written in full.
    return made && last && programWritten;
}

bool CMouse::WriteSensitivity(IMouseConfig* config, IMouseProfile* profile, IProfile* device) {
    const CComPtr<IDPI> dpi = ProfileFeature<IDPI>(device);
    if (!dpi) {
        return false;
    }
    const UINT count = std::min<UINT>(config->GetStageCount(profile), kMaxStages);
    std::vector<DeviceDpiStage> stages(count);
    for (UINT i = 0; i < count; ++i) {
        const LONG s = static_cast<LONG>(i + 1);
        if (config->GetStageSeparateXY(s, profile)) {
            stages[i] = {config->GetStageDpiX(s, profile), config->GetStageDpiY(s, profile)};
        } else {
            const LONG value = config->GetStageDpi(s, profile);
            stages[i] = {value, value};
        }
    }
    const bool stagesWritten = SUCCEEDED(
        dpi->SetStages(static_cast<INT>(count), stages.empty() ? nullptr : stages.data()));
    const LONG wanted = config->GetActiveStage(profile);
    INT deviceStage = 0;
    bool activeWritten = true;
    if (SUCCEEDED(dpi->GetActiveStage(&deviceStage)) && deviceStage != wanted) {
        activeWritten = SUCCEEDED(dpi->SetActiveStage(wanted));
    }
    INT x = 0;
    INT y = 0;
    if (config->GetSeparateXY(profile)) {
        x = config->GetDpiX(profile);
        y = config->GetDpiY(profile);
    } else {
        x = y = config->GetDpi(profile);
    }
    return SUCCEEDED(dpi->SetDpi(x, y)) && stagesWritten && activeWritten;
}

bool CMouse::WriteButtons(IMouseConfig* config, IMouseProfile* profile, IProfile* device,
                          bool onlyMacrosToStore) {
    if (config == nullptr || profile == nullptr || device == nullptr) {
        return false;
    }
    const CComPtr<IButtonAssignments> buttons = ProfileFeature<IButtonAssignments>(device);
    if (!buttons) {
        return true;
    }
    bool result = true;
    for (const DWORD bit : m_buttonBits) {
        const ButtonId button = m_tables.FindButtonIdByBit(bit);
        ButtonAssignment assignment;
        config->GetButtonAssignment(assignment, button, profile);
        if (onlyMacrosToStore && !NamesMacroToStore(config, assignment)) {
            continue;
        }
        if (!FollowStoredTarget(config, assignment)) {
            result = false;
            continue;
        }
        if (assignment.kind == ASSIGNMENT_PROFILE_NAME &&
            !ResolveProfileAssignment(config, assignment)) {
            result = false;
            continue;
        }
        if (assignment.kind == ASSIGNMENT_MACRO_NAME &&
            !ResolveMacroAssignment(config, assignment)) {
            // A macro with no events yet is never put on the device, so a button naming it
            // keeps its previous function there until the macro is recorded. That is no
            // failed write: writing again could not change it.
            if (!NamesUnrecordedMacro(config, assignment)) {
                result = false;
            }
            continue;
        }
        const DeviceButtonAssignment record = m_tables.AssignmentToDevice(assignment, button);
        if (FAILED(buttons->SetAssignments(1, &record))) {
            result = false;
        }
    }
    return result;
}

bool CMouse::FollowStoredTarget(IMouseConfig* config, ButtonAssignment& assignment) {
    // A button naming a profile or macro of the configuration by identifier names it where
    // the mouse holds it now: one another program removed is stored again first, and the
    // button follows it to its new identifier. Identifiers the configuration does not hold
    // are written as they are.
    if (assignment.kind == ASSIGNMENT_PROFILE) {
        if (IMouseProfile* target = config->FindProfileByGuid(assignment.GetGuid())) {
            const GUID guid = StoredProfileGuid(config, target);
            if (SameGuid(guid, GUID_NULL)) {
                return false;
            }
            assignment = ButtonAssignment::WithGuid(ASSIGNMENT_PROFILE, guid);
        }
    } else if (assignment.kind == ASSIGNMENT_MACRO) {
        if (CMacro* target = config->FindMacroByGuid(assignment.GetGuid(), nullptr)) {
            const GUID guid = StoredMacroGuid(config, target);
            if (SameGuid(guid, GUID_NULL)) {
                return false;
            }
            assignment = ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, guid);
        }
    }
    return true;
}

bool CMouse::ResolveProfileAssignment(IMouseConfig* config, ButtonAssignment& assignment) {
    // The profile of exactly that name first, then one that matches ignoring case, as the
    // pages resolve it: two profiles whose names differ only in case are two profiles.
    const CString name = assignment.GetName();
    IMouseProfile* target = FindProfileExactFirst(*config, name.GetString());
    if (target == nullptr) {
        return false;
    }
    const GUID guid = StoredProfileGuid(config, target);
    if (SameGuid(guid, GUID_NULL)) {
        return false;
    }
    assignment = ButtonAssignment::WithGuid(ASSIGNMENT_PROFILE, guid);
    return true;
}

bool CMouse::ResolveMacroAssignment(IMouseConfig* config, ButtonAssignment& assignment) {
    const CString name = assignment.GetName();
    CMacro* macro = FindMacroExactFirst(*config, name.GetString());
    if (macro == nullptr) {
        return false;
    }
    const GUID guid = StoredMacroGuid(config, macro);
    if (SameGuid(guid, GUID_NULL)) {
        return false;
    }
    assignment = ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, guid);
    return true;
}

bool CMouse::WriteLights(IMouseConfig* config, IMouseProfile* profile, IProfile* device) {
    if (config == nullptr || profile == nullptr || device == nullptr) {
        return false;
    }
    const CComPtr<ILightCollection> lights = ProfileFeature<ILightCollection>(device);
    if (!lights) {
        return false;
    }
    // A light the device would not set leaves the write incomplete.
    bool result = true;
    for (UINT index = 0; index < static_cast<UINT>(kMaxEnumeration); ++index) {
        CComPtr<ILight> light;
        if (FAILED(lights->GetItem(index, &light)) || !light) {
            break;
        }
        INT kind = 0;
        if (FAILED(light->GetKind(&kind))) {
            continue;
        }
        CComPtr<ILightColor> color;
        if (FAILED(light.QueryInterface(&color)) || !color) {
            continue;
        }
        // The colour is written whether the light is on or off: the reading takes it either
        // way, so an unlit light's colour would otherwise be lost.
        bool on = false;
        COLORREF colour = 0;
        if (kind == LIGHT_KIND_SCROLL) {
            on = config->GetScrollLightOn(profile) != 0;
            colour = config->GetScrollLightColor(profile);
        } else if (kind == LIGHT_KIND_LOGO) {
            on = config->GetLogoLightOn(profile) != 0;
            colour = config->GetLogoLightColor(profile);
        } else {
            continue;
        }
        const bool colourWritten = SUCCEEDED(color->SetColor(colour));
        const bool switched = SUCCEEDED(on ? light->TurnOn() : light->TurnOff());
        result = result && colourWritten && switched;
    }
    return result;
}

bool CMouse::WriteAcceleration(IMouseConfig* config) {
    const CComPtr<IAcceleration> acceleration = DeviceFeature<IAcceleration>();
    if (!acceleration) {
        return false;
    }
    if (FAILED(acceleration->SetLevel(static_cast<INT>(config->GetAcceleration(nullptr))))) {
        return false;
    }
    const HRESULT hr =
        config->GetAccelerationEnabled(nullptr) ? acceleration->Enable() : acceleration->Disable();
    return SUCCEEDED(hr);
}

bool CMouse::WritePollingRate(IMouseConfig* config) {
    INT value = 0;
    switch (config->GetPollingRate(nullptr)) {
    case 0:
        value = 8;
        break;
    case 1:
        value = 2;
        break;
    case 2:
        value = 1;
        break;
    default:
        return false;
    }
    const CComPtr<IPollingRate> rate = DeviceFeature<IPollingRate>();
    return rate && SUCCEEDED(rate->Set(value));
}

bool CMouse::SyncMacros(IMouseConfig* config) {
    const CComPtr<IMacroManager> manager = DeviceFeature<IMacroManager>();
    if (!manager) {
        return false;
    }
    const INT count = config->GetMacroCount();
    for (INT index = 0; index < count; ++index) {
        CMacro* macro = config->GetMacro(index, nullptr);
        if (macro == nullptr) {
            continue;
        }
        // A macro the device still holds is updated in place, so that buttons pointing at
        // its identifier keep pointing at it; only a macro the device lacks is created (and
        // the buttons that named it follow).
        const GUID before = macro->GetGuid();
        if (SameGuid(before, GUID_NULL) || IsGoneFromDevice<IMacro>(manager.Get(), before)) {
            if (!macro->GetEvents().empty() &&
                SameGuid(StoredMacroGuid(config, macro), GUID_NULL)) {
                m_writeIncomplete = true;
            }
            continue;
        }
        CComPtr<IMacro> device;
        if (FAILED(manager->GetMacroByGuid(before, &device)) || !device) {
            m_writeIncomplete = true; // listed, but it cannot be opened
            continue;
        }
        CMacro stored;
        const bool same = ReadMacroNow(before, &stored) && stored.IsSame(*macro) &&
                          std::u16string_view(stored.GetName()) == macro->GetName();
        if (!same && !UpdateDeviceMacro(device, *macro)) {
            m_writeIncomplete = true;
        }
    }
    return true; // failures of single macros count as an incomplete write
}

bool CMouse::UpdateDeviceMacro(IMacro* device, const CMacro& macro) {
    bool ok = true;
    const ServiceString name = NameOf(device);
    // Names are compared exactly, so that a change of letter case is written too.
    if (!name || std::u16string_view(name.get()) != macro.GetName()) {
        ok = SUCCEEDED(device->SetName(macro.GetName()));
    }
    const INT count = DeviceEventCount(macro);
    const MacroEventBlock block = AllocateMacroEventBlock(count);
    if (!block) {
        return false;
    }
    if (count != 0) {
        m_tables.ConvertMacroEventsToDevice(macro.GetEvents(), MacroEventBlockEvents(block.get()));
    }
    return SUCCEEDED(device->SetEvents(block.get())) && ok;
}

// ---- macro slots (inside the caller's connection) ----------------------------------------

BOOL CMouse::WriteMacro(CMacro* macro) {
    // The write thread's connection is its own while it runs.
    if (IsWriting()) {
        return FALSE;
    }
    if (!WriteMacroNow(macro)) {
        return FALSE;
    }
    // Put there through this object: a later write deletes it once the configuration it
    // belongs to no longer holds it.
    m_known.macros.insert(macro->GetGuid());
    return TRUE;
}

BOOL CMouse::ReadMacro(GUID guid, CMacro* macro) {
    if (IsWriting()) {
        return FALSE;
    }
    return ReadMacroNow(guid, macro);
}

BOOL CMouse::DeleteAllMacros() {
    if (IsWriting()) {
        return FALSE;
    }
    return DeleteAllMacrosNow();
}

bool CMouse::WriteMacroNow(CMacro* macro) {
    if (macro == nullptr || macro->GetEvents().empty()) {
        return false; // an empty macro is never created on the device
    }
    const INT count = DeviceEventCount(*macro);
    const MacroEventBlock block = AllocateMacroEventBlock(count);
    if (!block) {
        return false;
    }
    const CComPtr<IMacroManager> manager = DeviceFeature<IMacroManager>();
    if (!manager) {
        return false;
    }
    CComPtr<IMacro> created;
    if (FAILED(manager->CreateMacro(&created)) || !created) {
        return false;
    }
    GUID guid{};
    m_tables.ConvertMacroEventsToDevice(macro->GetEvents(), MacroEventBlockEvents(block.get()));
    if (FAILED(created->GetGuid(&guid)) || FAILED(created->SetEvents(block.get())) ||
        FAILED(created->SetName(macro->GetName()))) {
        // Nothing half-made stays behind on the device.
        manager->DeleteMacro(created);
        return false;
    }
    macro->SetGuid(guid);
    return true;
}

bool CMouse::ReadMacroNow(GUID guid, CMacro* macro) {
    if (macro == nullptr) {
        return false;
    }
    const CComPtr<IMacroManager> manager = DeviceFeature<IMacroManager>();
    if (!manager) {
        return false;
    }
    CComPtr<IMacro> device;
    if (FAILED(manager->GetMacroByGuid(guid, &device)) || !device) {
        return false;
    }
    GUID stored{};
    if (FAILED(device->GetGuid(&stored))) {
        return false;
    }
    macro->SetGuid(stored);
    const ServiceString name = NameOf(device);
    if (!name) {
        return false;
    }
    macro->SetName(name.get());
    const StoredEvents events = ReadStoredEvents(m_tables, device);
    if (!events.read) {
        return false;
    }
    if (events.converted) {
        macro->SetEvents(events.events);
    }
    return true;
}

bool CMouse::DeleteAllMacrosNow() {
    const CComPtr<IMacroManager> manager = DeviceFeature<IMacroManager>();
    if (!manager) {
        return false;
    }
    INT steps = 0;
    for (UINT index = 0; steps < kMaxEnumeration; ++steps) {
        CComPtr<IMacro> macro;
        if (FAILED(manager->GetMacro(index, &macro)) || !macro) {
            break;
        }
        if (FAILED(manager->DeleteMacro(macro))) {
            ++index;
        }
    }
    return true;
}
