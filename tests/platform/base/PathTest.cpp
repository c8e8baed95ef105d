#include "TempFolder.h"

#include "platform/base/Path.h"
#include "platform/base/WideChar.h"

#include <fstream>
#include <gtest/gtest.h>

TEST(PathTest, SplitAndJoinBackslashPaths) {
    WCHAR drive[3], dir[256], fname[256], ext[256];
    ASSERT_EQ(_wsplitpath_s(u"C:\\Program Files\\Borvanta\\Borvanta5600.exe", drive, 3, dir, 256,
                            fname, 256, ext, 256),
              0);
    EXPECT_EQ(std::u16string(drive), u"C:");
    EXPECT_EQ(std::u16string(dir), u"\\Program Files\\Borvanta\\");
    EXPECT_EQ(std::u16string(fname), u"Borvanta5600");
    EXPECT_EQ(std::u16string(ext), u".exe");

    ASSERT_EQ(_wsplitpath_s(u"\\home\\me.d\\prog", drive, 3, dir, 256, fname, 256, ext, 256), 0);
    EXPECT_EQ(std::u16string(drive), u"");
    EXPECT_EQ(std::u16string(dir), u"\\home\\me.d\\");
    EXPECT_EQ(std::u16string(fname), u"prog");
    EXPECT_EQ(std::u16string(ext), u"");

    WCHAR joined[MAX_PATH];
    ASSERT_EQ(_wmakepath_s(joined, MAX_PATH, u"C:", u"\\a\\b", u"file", u"txt"), 0);
    EXPECT_EQ(std::u16string(joined), u"C:\\a\\b\\file.txt");

    WCHAR small[4];
    EXPECT_NE(_wsplitpath_s(u"\\long\\dir\\x", nullptr, 0, small, 4, nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(small[0], 0);
}

TEST(PathTest, ExeFolderAndCaseInsensitiveLookup) {
    InitExeFolder();
    const std::u16string folder(ExeFolder);
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), u'\\');

    const TempFolder dir;
    const auto& root = dir.Native();
    std::filesystem::create_directories(root / "Xml");
    std::ofstream(root / "Xml" / "MainPage.xml") << "x";
    SetExeFolder(root);
    CString wanted(ExeFolder);
    wanted += u"xml\\mainpage.XML";
    const auto native = ToNativePath(wanted);
    EXPECT_TRUE(std::filesystem::exists(native)) << native;
    EXPECT_EQ(native.filename(), "MainPage.xml");
}
