// Profile and macro files: what is exported imports as the same settings, and files that
// are truncated, damaged, newer or of the other kind are refused without a trace.

#include "ServiceTestSupport.h"

#include "platform/base/Path.h"
#include "service/ServiceFiles.h"
#include "tests/support/NamedPipe.h"

#include <cstring>
#include <fstream>

using namespace servicetest;

namespace {

struct Mouse : ServiceMouse {
    CComPtr<IMacroManager> macros = Feature<IMacroManager>(device);
};

std::vector<char> ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::filesystem::path& p, const std::vector<char>& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace

TEST_F(ServiceTest, ExportedProfileImportsAsANewProfileWithTheSameSettings) {
    Mouse m;
    auto active = m.Active();
    ASSERT_EQ(active->SetName(u"Sniper"), S_OK);
    auto dpi = Feature<IDPI>(active);
    const DeviceDpiStage stages[2] = {{400, 400}, {800, 1600}};
    ASSERT_EQ(dpi->SetStages(2, stages), S_OK);
    ASSERT_EQ(dpi->SetActiveStage(2), S_OK);
    auto props = Feature<IProfileProperties>(active);
    WCHAR program[128] = {};
    std::memcpy(program, u"aim.exe", 16);
    ASSERT_EQ(props->SetProperty(PROFILE_PROP_PROGRAM, program, 0, 256, 0), S_OK);

    // A button pointing at a macro: the record survives the trip while the macro exists.
    CComPtr<IMacro> macro;
    ASSERT_EQ(m.macros->CreateMacro(&macro), S_OK);
    GUID macroId{};
    ASSERT_EQ(macro->GetGuid(&macroId), S_OK);
    DeviceButtonAssignment record{1, 6, ASSIGN_MACRO, {}};
    std::memcpy(record.data, &macroId, 16);
    ASSERT_EQ(Feature<IButtonAssignments>(active)->SetAssignments(1, &record), S_OK);

    // The configurator passes backslash paths; the service finds the native file.
    const std::filesystem::path file = m_dir / "sniper.qmp";
    const CString path = FromNativePath(file);
    ASSERT_EQ(active->ExportToFile(path), S_OK);
    ASSERT_TRUE(std::filesystem::exists(file));

    CComPtr<IProfile> imported;
    ASSERT_EQ(m.manager->ImportProfile(path, &imported), S_OK);
    EXPECT_EQ(NameOf(imported), u"Sniper");
    GUID a{};
    GUID b{};
    ASSERT_EQ(active->GetGuid(&a), S_OK);
    ASSERT_EQ(imported->GetGuid(&b), S_OK);
    EXPECT_NE(a, b);
    auto importedDpi = Feature<IDPI>(imported);
    INT count = 0;
    DeviceDpiStage* read = nullptr;
    ASSERT_EQ(importedDpi->GetStages(&count, &read), S_OK);
    ASSERT_EQ(count, 2);
    EXPECT_EQ(read[1].y, 1600);
    CoTaskMemFree(read);
    BYTE buffer[256];
    DWORD size = 256;
    ASSERT_EQ(Feature<IProfileProperties>(imported)->GetProperty(PROFILE_PROP_PROGRAM, 0, buffer, 0,
                                                                 &size),
              S_OK);
    EXPECT_EQ(std::u16string(reinterpret_cast<WCHAR*>(buffer)), u"aim.exe");
    DeviceButtonAssignment records[11];
    INT n = 11;
    ASSERT_EQ(Feature<IButtonAssignments>(imported)->GetAssignments(&n, records), S_OK);
    EXPECT_EQ(records[5].type, ASSIGN_MACRO);

    // Imported where the macro is gone: the record falls back to the button's default.
    ASSERT_EQ(m.macros->DeleteMacro(macro), S_OK);
    CComPtr<IProfile> again;
    ASSERT_EQ(m.manager->ImportProfile(path, &again), S_OK);
    n = 11;
    ASSERT_EQ(Feature<IButtonAssignments>(again)->GetAssignments(&n, records), S_OK);
    EXPECT_EQ(records[5].type, ASSIGN_MOUSE);

    // A full device refuses another import.
    CComPtr<IProfile> fourth;
    CComPtr<IProfile> fifth;
    ASSERT_EQ(m.manager->ImportProfile(path, &fourth), S_OK);
    ASSERT_EQ(m.manager->ImportProfile(path, &fifth), S_OK);
    CComPtr<IProfile> sixth;
    EXPECT_LT(m.manager->ImportProfile(path, &sixth), 0);
    EXPECT_EQ(sixth.Get(), nullptr);
}

TEST_F(ServiceTest, ExportedMacroImportsWithItsEvents) {
    Mouse m;
    CComPtr<IMacro> macro;
    ASSERT_EQ(m.macros->CreateMacro(&macro), S_OK);
    ASSERT_EQ(macro->SetName(u"Reload"), S_OK);
    std::vector<BYTE> block(MacroEventBlockSize(2), 0);
    const MacroEventBlockHeader header{0, 2};
    std::memcpy(block.data(), &header, 8);
    const MacroDeviceEvent events[2] = {{DEVICE_MACRO_EVENT_KEY, {19, 0, 0, 0}},
                                        {DEVICE_MACRO_EVENT_KEY, {19, 0, 1, 0}}};
    std::memcpy(block.data() + 8, events, sizeof events);
    ASSERT_EQ(macro->SetEvents(block.data()), S_OK);
    const auto file = m_dir / "reload.qmm";
    ASSERT_EQ(macro->ExportToFile(FromNativePath(file)), S_OK);

    CComPtr<IMacro> imported;
    ASSERT_EQ(m.macros->ImportMacro(FromNativePath(file), &imported), S_OK);
    WCHAR* name = nullptr;
    ASSERT_EQ(imported->GetName(&name), S_OK);
    EXPECT_EQ(std::u16string(name), u"Reload");
    CoTaskMemFree(name);
    BYTE* read = nullptr;
    ASSERT_EQ(imported->GetEvents(&read), S_OK);
    EXPECT_EQ(std::memcmp(read, block.data(), block.size()), 0);
    CoTaskMemFree(read);

    // A folder that does not exist: a failure and no stray file.
    EXPECT_LT(imported->ExportToFile(FromNativePath(m_dir / "missing" / "x.qmm")), 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "missing"));

    // A deleted macro exports nothing.
    ASSERT_EQ(m.macros->DeleteMacro(macro), S_OK);
    EXPECT_LT(macro->ExportToFile(FromNativePath(m_dir / "gone.qmm")), 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir / "gone.qmm"));
}

TEST_F(ServiceTest, HostileFilesAreRefusedAndChangeNothing) {
    Mouse m;
    const auto profileFile = m_dir / "p.qmp";
    const auto macroFile = m_dir / "m.qmm";
    ASSERT_EQ(m.Active()->ExportToFile(FromNativePath(profileFile)), S_OK);
    CComPtr<IMacro> macro;
    ASSERT_EQ(m.macros->CreateMacro(&macro), S_OK);
    ASSERT_EQ(macro->ExportToFile(FromNativePath(macroFile)), S_OK);
    const auto good = ReadBytes(profileFile);
    ASSERT_GT(good.size(), 16u);

    std::vector<std::vector<char>> hostile;
    hostile.push_back({});                                 // empty
    hostile.emplace_back(good.begin(), good.begin() + 10); // truncated header
    hostile.emplace_back(good.begin(), good.end() - 1);    // truncated payload
    auto magic = good;
    magic[0] = 'X';
    hostile.push_back(magic);
    auto newer = good;
    newer[4] = 2; // version 2
    hostile.push_back(newer);
    auto flipped = good;
    flipped[good.size() / 2] ^= 0x40; // damaged payload (checksum)
    hostile.push_back(flipped);
    auto longer = good;
    longer.push_back(0);
    hostile.push_back(longer);
    hostile.push_back(ReadBytes(macroFile)); // the other kind

    // A well-formed file (right checksum) whose content is out of range.
    service::ProfileState wild = service::DefaultProfile(u"Wild");
    wild.stages = {{9000, 9000}};
    const auto wildBytes = service::EncodeProfile(wild);
    hostile.emplace_back(wildBytes.begin(), wildBytes.end());

    for (size_t i = 0; i < hostile.size(); ++i) {
        const auto file = m_dir / ("hostile" + std::to_string(i) + ".qmp");
        WriteBytes(file, hostile[i]);
        IProfile* p = reinterpret_cast<IProfile*>(1);
        EXPECT_LT(m.manager->ImportProfile(FromNativePath(file), &p), 0) << "file " << i;
        EXPECT_EQ(p, nullptr);
    }
    IMacro* mm = reinterpret_cast<IMacro*>(1);
    EXPECT_LT(m.macros->ImportMacro(FromNativePath(profileFile), &mm), 0);
    EXPECT_EQ(mm, nullptr);
    EXPECT_LT(m.macros->ImportMacro(FromNativePath(m_dir / "missing.qmm"), &mm), 0);
    UINT profiles = 0;
    UINT macros = 0;
    ASSERT_EQ(m.manager->GetProfileCount(&profiles), S_OK);
    ASSERT_EQ(m.macros->GetMacroCount(&macros), S_OK);
    EXPECT_EQ(profiles, 1u);
    EXPECT_EQ(macros, 1u);
}

TEST_F(ServiceTest, ANamedPipeOrAFolderIsRefusedAsADamagedFileWithoutWaiting) {
    Mouse m;
    testsupport::NamedPipe pipe(m_dir / "pipe.qmp");
    ASSERT_TRUE(pipe.Made());
    std::filesystem::create_directories(m_dir / "folder.qmm");
    HRESULT profileResult = S_OK;
    HRESULT macroResult = S_OK;
    IProfile* p = nullptr;
    IMacro* mm = nullptr;
    EXPECT_TRUE(pipe.ReturnsWithoutAWriter([&] {
        profileResult = m.manager->ImportProfile(FromNativePath(pipe.Path()), &p);
        macroResult = m.macros->ImportMacro(FromNativePath(pipe.Path()), &mm);
    }));
    EXPECT_EQ(profileResult, service::E_BAD_FILE);
    EXPECT_EQ(macroResult, service::E_BAD_FILE);
    EXPECT_EQ(m.macros->ImportMacro(FromNativePath(m_dir / "folder.qmm"), &mm),
              service::E_BAD_FILE);
    // Only what is not there at all is told apart.
    EXPECT_EQ(m.macros->ImportMacro(FromNativePath(m_dir / "missing.qmm"), &mm),
              service::E_NOT_FOUND);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(mm, nullptr);
    UINT profiles = 0;
    ASSERT_EQ(m.manager->GetProfileCount(&profiles), S_OK);
    EXPECT_EQ(profiles, 1u);
}
