#include "platform/base/Registry.h"

#include <atomic>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// The other processes of the tests are fresh copies of this program, not forks: a fork
// could inherit a lock that another thread (a notification waiter) held at that moment and
// hang. A copy started with BORVANTA_REGISTRY_CHILD set does its one job before main and
// exits: "name" sets the value Name of SOFTWARE\Store\P2, "counters C" writes 25 values.
int RunChildJob(const std::string& job) {
    if (job == "name") {
        CRegKey k;
        k.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Store\\P2");
        return k.SetStringValue(u"Name", u"Two") == ERROR_SUCCESS ? 0 : 1;
    }
    if (job.rfind("counters ", 0) == 0) {
        const WCHAR c = static_cast<WCHAR>(u'0' + std::atoi(job.c_str() + 9));
        CRegKey k;
        if (k.Open(HKEY_CURRENT_USER, u"Counters") != ERROR_SUCCESS) {
            return 2;
        }
        for (int i = 0; i < 25; ++i) {
            const std::u16string name = u"c" + std::u16string(1, c) + u"_" +
                                        std::u16string(1, static_cast<WCHAR>(u'A' + i));
            if (k.SetDWORDValue(name.c_str(), static_cast<DWORD>(i)) != ERROR_SUCCESS) {
                return 1;
            }
        }
        return 0;
    }
    return 3;
}

const int g_childJob = [] {
    if (const char* job = std::getenv("BORVANTA_REGISTRY_CHILD")) {
        ::_exit(RunChildJob(job));
    }
    return 0;
}();

pid_t SpawnChild(const std::string& job) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
        env.emplace_back(*e);
    }
    env.push_back("BORVANTA_REGISTRY_CHILD=" + job);
    std::vector<char*> envp;
    for (auto& e : env) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);
    char self[] = "/proc/self/exe";
    char* argv[] = {self, nullptr};
    pid_t pid = -1;
    return posix_spawn(&pid, self, nullptr, nullptr, argv, envp.data()) == 0 ? pid : -1;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() /
                ("borvanta-reg-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_hive = m_dir / "registry.txt";
        ::setenv("BORVANTA_REGISTRY", m_hive.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("BORVANTA_REGISTRY");
        fs::remove_all(m_dir);
    }
    std::string HiveText() const {
        std::ifstream in(m_hive);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path m_dir;
    fs::path m_hive;
};

std::u16string ReadString(HKEY key, LPCWSTR name) {
    WCHAR buf[260] = {};
    DWORD size = sizeof buf;
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size) !=
        ERROR_SUCCESS) {
        return u"<missing>";
    }
    return buf;
}

} // namespace

TEST_F(RegistryTest, KeysAndValuesPersistInAReadableHive) {
    EXPECT_EQ(RegistryHivePath(), m_hive);
    CRegKey key;
    DWORD how = 0;
    HKEY raw = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"Software\\Tolvi\\Borvanta", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &raw, &how),
              ERROR_SUCCESS);
    key.Attach(raw);
    EXPECT_EQ(how, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    EXPECT_EQ(key.SetStringValue(u"InstallDir", u"/opt/borvanta \"x\"\\"), ERROR_SUCCESS);
    EXPECT_EQ(key.SetStringValue(u"Language", u"Fran\u00e7ais"), ERROR_SUCCESS);
    EXPECT_EQ(key.SetDWORDValue(u"Count", 7), ERROR_SUCCESS);
    const BYTE blob[3] = {0, 0xFF, 0x10};
    EXPECT_EQ(RegSetValueExW(key, u"Blob", 0, REG_BINARY, blob, 3), ERROR_SUCCESS);
    key.Close();

    const std::string text = HiveText();
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Tolvi\\Borvanta]"), std::string::npos);
    EXPECT_NE(text.find("\"Language\"=sz:\"Fran\xC3\xA7"
                        "ais\""),
              std::string::npos);
    EXPECT_NE(text.find("\"Count\"=dword:00000007"), std::string::npos);
    EXPECT_NE(text.find("\"Blob\"=hex(3):00,ff,10"), std::string::npos);

    // Names ignore case; the key keeps the case it was created with.
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\TOLVI\\BORVANTA", KEY_READ), ERROR_SUCCESS);
    EXPECT_EQ(ReadString(key, u"installdir"), u"/opt/borvanta \"x\"\\");
    EXPECT_EQ(ReadString(key, u"LANGUAGE"), u"Fran\u00e7ais");
    DWORD count = 0;
    EXPECT_EQ(key.QueryDWORDValue(u"count", count), ERROR_SUCCESS);
    EXPECT_EQ(count, 7u);

    // A buffer too small: ERROR_MORE_DATA with the size needed; size-only queries work.
    WCHAR small[4];
    DWORD size = sizeof small;
    EXPECT_EQ(RegQueryValueExW(key, u"InstallDir", nullptr, nullptr, reinterpret_cast<BYTE*>(small),
                               &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, (std::u16string(u"/opt/borvanta \"x\"\\").size() + 1) * 2);
    size = 0;
    EXPECT_EQ(RegQueryValueExW(key, u"Blob", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(RegQueryValueExW(key, u"Nothing", nullptr, nullptr, nullptr, &size),
              ERROR_FILE_NOT_FOUND);

    // Enumeration in name order, ending with ERROR_NO_MORE_ITEMS.
    std::vector<std::u16string> names;
    for (DWORD i = 0;; ++i) {
        WCHAR name[64];
        DWORD chars = 64;
        if (RegEnumValueW(key, i, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, chars);
    }
    EXPECT_EQ(names, (std::vector<std::u16string>{u"Blob", u"Count", u"InstallDir", u"Language"}));
    key.Close();

    EXPECT_EQ(key.Open(HKEY_LOCAL_MACHINE, u"Software\\Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(static_cast<HKEY>(key), nullptr);
}

TEST_F(RegistryTest, DeletingKeysAndValues) {
    CRegKey store;
    ASSERT_EQ(store.Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Store"), ERROR_SUCCESS);
    CRegKey a;
    ASSERT_EQ(a.Create(store, u"A"), ERROR_SUCCESS);
    ASSERT_EQ(a.SetDWORDValue(u"V", 1), ERROR_SUCCESS);
    CRegKey b;
    ASSERT_EQ(b.Create(store, u"B\\Inner"), ERROR_SUCCESS);

    std::vector<std::u16string> subkeys;
    for (DWORD i = 0;; ++i) {
        WCHAR name[64];
        DWORD chars = 64;
        if (RegEnumKeyExW(store, i, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        subkeys.emplace_back(name);
    }
    EXPECT_EQ(subkeys, (std::vector<std::u16string>{u"A", u"B"}));

    EXPECT_EQ(RegDeleteKeyW(store, u"B"), ERROR_ACCESS_DENIED); // has a subkey
    EXPECT_EQ(RegDeleteValueW(a, u"v"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueW(a, u"v"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyExW(store, u"A", KEY_WOW64_64KEY, 0), ERROR_SUCCESS);
    // The open handle of a deleted key fails from then on.
    EXPECT_EQ(a.SetDWORDValue(u"V", 2), ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteTreeW(store, u"B"), ERROR_SUCCESS);
    WCHAR name[8];
    DWORD chars = 8;
    EXPECT_EQ(RegEnumKeyExW(store, 0, name, &chars, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(&chars)), ERROR_INVALID_HANDLE);

    // Without a subkey a tree deletion empties the key and keeps it.
    CRegKey c;
    ASSERT_EQ(c.Create(store, u"C\\Inner"), ERROR_SUCCESS);
    ASSERT_EQ(store.SetDWORDValue(u"Kept", 1), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteTreeW(store, nullptr), ERROR_SUCCESS);
    DWORD v = 0;
    EXPECT_EQ(store.QueryDWORDValue(u"Kept", v), ERROR_FILE_NOT_FOUND);
    chars = 8;
    EXPECT_EQ(RegEnumKeyExW(store, 0, name, &chars, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(store.SetDWORDValue(u"Again", 2), ERROR_SUCCESS);
    CRegKey reopened;
    EXPECT_EQ(reopened.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Store"), ERROR_SUCCESS);
}

TEST_F(RegistryTest, DamagedLinesAreSkippedAndTheOriginalIsKept) {
    {
        std::ofstream out(m_hive);
        out << "Borvanta registry 1\n[HKEY_LOCAL_MACHINE\\K]\n\"Good\"=dword:00000002\n"
               "\"Bad\"=dword:xyz\ngarbage line\n[NOT_A_ROOT\\X]\n\"Also\"=sz:\"unterminated\n";
    }
    CRegKey key;
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, u"K"), ERROR_SUCCESS);
    DWORD v = 0;
    EXPECT_EQ(key.QueryDWORDValue(u"Good", v), ERROR_SUCCESS);
    EXPECT_EQ(v, 2u);
    EXPECT_EQ(key.QueryDWORDValue(u"Bad", v), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key.SetDWORDValue(u"New", 3), ERROR_SUCCESS);
    EXPECT_TRUE(fs::exists(m_hive.string() + ".damaged"));
    EXPECT_EQ(key.QueryDWORDValue(u"Good", v), ERROR_SUCCESS);
}

TEST_F(RegistryTest, ValuesAreFoundByFoldedNameThroughRepeatsAndDeletions) {
    {
        std::ofstream out(m_hive);
        out << "Borvanta registry 1\n[HKEY_LOCAL_MACHINE\\K]\n";
        for (int i = 0; i < 300; ++i) {
            out << "\"V" << i << "\"=dword:0000000" << (i % 10) << "\n";
        }
        // A name written again in another case replaces the first one where it stood.
        out << "\"v7\"=dword:0000000a\n";
    }
    CRegKey key;
    ASSERT_EQ(key.Open(HKEY_LOCAL_MACHINE, u"K"), ERROR_SUCCESS);
    DWORD v = 0;
    EXPECT_EQ(key.QueryDWORDValue(u"V7", v), ERROR_SUCCESS);
    EXPECT_EQ(v, 10u);
    EXPECT_EQ(key.QueryDWORDValue(u"v299", v), ERROR_SUCCESS);
    EXPECT_EQ(v, 9u);

    // Deleting values in the middle keeps every other one reachable, and a name deleted
    // can be written again.
    for (const char16_t* name : {u"V0", u"v150", u"V298"}) {
        EXPECT_EQ(RegDeleteValueW(key, name), ERROR_SUCCESS);
    }
    EXPECT_EQ(RegDeleteValueW(key, u"v150"), ERROR_FILE_NOT_FOUND);
    for (int i = 1; i < 300; ++i) {
        std::u16string name = u"V";
        for (char digit : std::to_string(i)) {
            name += static_cast<char16_t>(digit);
        }
        const bool gone = i == 150 || i == 298;
        EXPECT_EQ(key.QueryDWORDValue(name.c_str(), v), gone ? ERROR_FILE_NOT_FOUND : ERROR_SUCCESS)
            << i;
    }
    EXPECT_EQ(key.SetDWORDValue(u"V150", 42), ERROR_SUCCESS);
    EXPECT_EQ(key.QueryDWORDValue(u"v150", v), ERROR_SUCCESS);
    EXPECT_EQ(v, 42u);
    // The file keeps the order in which the names were first written; the new one is last.
    const std::string text = HiveText();
    EXPECT_LT(text.find("\"V1\"="), text.find("\"v7\"="));
    EXPECT_LT(text.find("\"v7\"="), text.find("\"V8\"="));
    EXPECT_LT(text.find("\"V299\"="), text.find("\"V150\"="));
    WCHAR name[16];
    DWORD chars = 16;
    EXPECT_EQ(RegEnumValueW(key, 0, name, &chars, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(name), u"V1"); // "V0" is gone; "V1" sorts first
}

TEST_F(RegistryTest, NotificationWaitsForNameAndValueChanges) {
    CRegKey store;
    ASSERT_EQ(store.Create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Store"), ERROR_SUCCESS);
    CRegKey profile;
    ASSERT_EQ(profile.Create(store, u"P1"), ERROR_SUCCESS);

    // A value change in the subtree does not wake a name watch; a new subkey does. The
    // asynchronous form takes its snapshot before it returns, so the order is exact.
    HANDLE nameEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(nameEvent, nullptr);
    {
        CRegKey watch;
        ASSERT_EQ(watch.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Store"), ERROR_SUCCESS);
        ASSERT_EQ(RegNotifyChangeKeyValue(watch, TRUE, REG_NOTIFY_CHANGE_NAME, nameEvent, TRUE),
                  ERROR_SUCCESS);
        ASSERT_EQ(profile.SetDWORDValue(u"Switches", 1), ERROR_SUCCESS);
        EXPECT_EQ(WaitForSingleObject(nameEvent, 300), WAIT_TIMEOUT);
        CRegKey p2;
        ASSERT_EQ(p2.Create(store, u"P2"), ERROR_SUCCESS);
        EXPECT_EQ(WaitForSingleObject(nameEvent, 5000), WAIT_OBJECT_0);
    }
    CloseHandle(nameEvent);

    // The synchronous form blocks until a name change. The watcher may start late, so new
    // subkeys keep coming (for at most ten seconds) until it has returned.
    std::atomic<LSTATUS> nameResult{-1};
    std::atomic<bool> returned{false};
    std::thread names([&] {
        CRegKey watch;
        watch.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Store");
        nameResult = RegNotifyChangeKeyValue(watch, TRUE, REG_NOTIFY_CHANGE_NAME, nullptr, FALSE);
        returned = true;
    });
    for (int i = 0; i < 200 && !returned; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        CRegKey extra;
        extra.Create(store, (u"Q" + std::u16string(1, static_cast<WCHAR>(u'A' + i % 26)) +
                             std::u16string(1, static_cast<WCHAR>(u'A' + i / 26)))
                                .c_str());
    }
    names.join();
    EXPECT_EQ(nameResult.load(), ERROR_SUCCESS);

    // Value watch, asynchronous with an event; a change made by another process wakes it.
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
    CRegKey watch;
    ASSERT_EQ(watch.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Store"), ERROR_SUCCESS);
    ASSERT_EQ(RegNotifyChangeKeyValue(watch, TRUE, REG_NOTIFY_CHANGE_LAST_SET, event, TRUE),
              ERROR_SUCCESS);
    EXPECT_EQ(WaitForSingleObject(event, 200), WAIT_TIMEOUT);
    const pid_t child = SpawnChild("name");
    ASSERT_GT(child, 0);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
    watch.Close();
    CloseHandle(event);

    // Deleting the watched key ends a synchronous wait with an error, whether the key goes
    // while the watcher waits or just before it starts.
    CRegKey doomed;
    ASSERT_EQ(doomed.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Store\\P2"), ERROR_SUCCESS);
    std::atomic<LSTATUS> deleted{-1};
    std::thread gone([&] {
        deleted = RegNotifyChangeKeyValue(doomed, TRUE, REG_NOTIFY_CHANGE_NAME, nullptr, FALSE);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_EQ(RegDeleteKeyW(store, u"P2"), ERROR_SUCCESS);
    gone.join();
    EXPECT_EQ(deleted.load(), ERROR_KEY_DELETED);
}

TEST_F(RegistryTest, ConcurrentWritersFromSeveralProcessesLoseNothing) {
    CRegKey store;
    ASSERT_EQ(store.Create(HKEY_CURRENT_USER, u"Counters"), ERROR_SUCCESS);
    std::vector<pid_t> children;
    for (int c = 0; c < 4; ++c) {
        const pid_t pid = SpawnChild("counters " + std::to_string(c));
        ASSERT_GT(pid, 0);
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_EQ(status, 0);
    }
    DWORD count = 0;
    for (DWORD i = 0;; ++i) {
        WCHAR name[16];
        DWORD chars = 16;
        if (RegEnumValueW(store, i, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        ++count;
    }
    EXPECT_EQ(count, 100u);
    EXPECT_FALSE(fs::exists(m_hive.string() + ".tmp"));
}

TEST(HandleTest, EventsSignalAndReset) {
    HANDLE manual = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE autoReset = CreateEventW(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(autoReset, 0), WAIT_TIMEOUT); // consumed
    std::thread setter([&] { SetEvent(manual); });
    EXPECT_EQ(WaitForSingleObject(manual, INFINITE), WAIT_OBJECT_0);
    setter.join();
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_OBJECT_0); // stays set
    EXPECT_TRUE(ResetEvent(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(manual));
    EXPECT_FALSE(CloseHandle(manual));
    EXPECT_EQ(WaitForSingleObject(manual, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(manual));
    CloseHandle(autoReset);
    EXPECT_EQ(CreateEventW(nullptr, TRUE, FALSE, u"Named"), nullptr);
}

TEST_F(RegistryTest, ClosingTheKeyEndsAWaitOnIt) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER, u"Watched", &key), ERROR_SUCCESS);
    LSTATUS result = -1;
    std::thread waiter([&] {
        result = RegNotifyChangeKeyValue(key, TRUE, REG_NOTIFY_CHANGE_NAME, nullptr, FALSE);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    waiter.join();
    EXPECT_EQ(result, ERROR_INVALID_HANDLE);
}
