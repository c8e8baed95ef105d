#include "platform/base/FileRead.h"
#include "tests/platform/base/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <sys/stat.h>

TEST(FileRead, OnlyRegularFilesWithinTheBoundAreRead) {
    TempFolder folder;
    const auto& root = folder.Native();
    std::ofstream(root / "plain.bin", std::ios::binary) << std::string("abc\0def", 7);
    std::vector<BYTE> bytes{1, 2, 3};
    ASSERT_EQ(ReadWholeFile(root / "plain.bin", bytes, 7), FileReadResult::Ok);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("abc\0def", 7));
    // One byte beyond the bound: refused, nothing kept.
    EXPECT_EQ(ReadWholeFile(root / "plain.bin", bytes, 6), FileReadResult::TooLarge);
    EXPECT_TRUE(bytes.empty());
    std::ofstream(root / "empty.bin", std::ios::binary).close();
    EXPECT_EQ(ReadWholeFile(root / "empty.bin", bytes, 10), FileReadResult::Ok);
    EXPECT_TRUE(bytes.empty());
    // A folder, a missing file and a FIFO (which must not block the reader) are missing.
    std::filesystem::create_directories(root / "folder");
    EXPECT_EQ(ReadWholeFile(root / "folder", bytes, 1 << 20), FileReadResult::Missing);
    EXPECT_EQ(ReadWholeFile(root, bytes, 1 << 20), FileReadResult::Missing);
    EXPECT_EQ(ReadWholeFile(root / "absent", bytes, 1 << 20), FileReadResult::Missing);
    ASSERT_EQ(::mkfifo((root / "fifo").c_str(), 0600), 0);
    EXPECT_EQ(ReadWholeFile(root / "fifo", bytes, 1 << 20), FileReadResult::Missing);
    EXPECT_TRUE(bytes.empty());
}
