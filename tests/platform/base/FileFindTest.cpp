#include "TempFolder.h"

#include "platform/base/FileFind.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace {

void Touch(const std::filesystem::path& path, const std::string& content = "x") {
    std::ofstream(path, std::ios::binary) << content;
}

std::vector<std::u16string> FindAll(const CString& pattern) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    ScopedFindHandle search(FindFirstFileW(pattern, &data));
    if (!search.IsValid()) {
        return names;
    }
    do {
        names.emplace_back(data.cFileName);
    } while (FindNextFileW(search.Get(), &data));
    return names;
}

} // namespace

TEST(FileFindTest, MatchesIgnoringCaseInAFixedOrder) {
    TempFolder dir;
    for (const char* name : {"b.qmp", "A.QMP", "c.qmp", "a2.qmp", "notes.txt", "x.qmpx", "C.qmp"}) {
        Touch(dir.Native() / name);
    }
    std::filesystem::create_directory(dir.Native() / "sub.qmp");
    const auto names = FindAll(dir.Path() + u"*.qmp");
    EXPECT_EQ(names, (std::vector<std::u16string>{u"A.QMP", u"a2.qmp", u"b.qmp", u"C.qmp", u"c.qmp",
                                                  u"sub.qmp"}));
    EXPECT_EQ(FindAll(dir.Path() + u"?.QMP"),
              (std::vector<std::u16string>{u"A.QMP", u"b.qmp", u"C.qmp", u"c.qmp"}));
    EXPECT_EQ(FindAll(dir.Path() + u"notes.TXT"), std::vector<std::u16string>{u"notes.txt"});
}

TEST(FileFindTest, ReportsSizeAndKind) {
    TempFolder dir;
    Touch(dir.Native() / "five.bin", "12345");
    std::filesystem::create_directory(dir.Native() / "folder");
    WIN32_FIND_DATAW data;
    ScopedFindHandle file(FindFirstFileW(dir.Path() + u"five.bin", &data));
    ASSERT_TRUE(file.IsValid());
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_FALSE(FindNextFileW(file.Get(), &data));
    ScopedFindHandle folder(FindFirstFileW(dir.Path() + u"fold*", &data));
    ASSERT_TRUE(folder.IsValid());
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
}

TEST(FileFindTest, NoMatchAndBadHandles) {
    TempFolder dir;
    WIN32_FIND_DATAW data;
    EXPECT_EQ(FindFirstFileW(dir.Path() + u"*.qmp", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(dir.Path() + u"nofolder\\*.qmp", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(FindFirstFileW(nullptr, &data), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(FindNextFileW(INVALID_HANDLE_VALUE, &data));
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));

    Touch(dir.Native() / "one.qmp");
    HANDLE h = FindFirstFileW(dir.Path() + u"*.qmp", &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindClose(h));
    EXPECT_FALSE(FindClose(h)); // already closed
    EXPECT_FALSE(FindNextFileW(h, &data));
}

TEST(FileFindTest, ScopedHandleMovesAndCloses) {
    TempFolder dir;
    Touch(dir.Native() / "one.qmp");
    WIN32_FIND_DATAW data;
    HANDLE raw = FindFirstFileW(dir.Path() + u"*.qmp", &data);
    {
        ScopedFindHandle a(raw);
        ScopedFindHandle b(std::move(a));
        EXPECT_FALSE(a.IsValid());
        EXPECT_EQ(b.Get(), raw);
    }
    EXPECT_FALSE(FindClose(raw)); // closed by the owner
}

TEST(FileFindTest, DeleteAndAttributes) {
    TempFolder dir;
    Touch(dir.Native() / "Gone.qmp");
    std::filesystem::create_directory(dir.Native() / "keep");
    EXPECT_NE(GetFileAttributesW(dir.Path() + u"gone.QMP"), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(DeleteFileW(dir.Path() + u"gone.qmp")); // found ignoring case
    EXPECT_FALSE(std::filesystem::exists(dir.Native() / "Gone.qmp"));
    EXPECT_FALSE(DeleteFileW(dir.Path() + u"gone.qmp"));
    EXPECT_EQ(GetFileAttributesW(dir.Path() + u"gone.qmp"), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(DeleteFileW(dir.Path() + u"keep"));
    EXPECT_EQ(GetFileAttributesW(dir.Path() + u"keep"), FILE_ATTRIBUTE_DIRECTORY);
}
