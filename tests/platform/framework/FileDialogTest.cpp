#include "platform/framework/CFileDialog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FileDialogTest, ChooserAnswersWithAPathThatFitsOrTheDialogCancels) {
    CFileDialog none(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST, u"*.exe|*.exe||");
    EXPECT_EQ(none.DoModal(), IDCANCEL); // no chooser installed

    std::u16string filterSeen;
    platform::SetFileChooser([&](const OPENFILENAMEW& request, std::u16string& path) {
        filterSeen = request.lpstrFilter; // up to the first terminator
        EXPECT_EQ(request.Flags & OFN_FILEMUSTEXIST, OFN_FILEMUSTEXIST);
        path = u"C:\\Games\\Some.Game\\run.exe";
        return TRUE;
    });
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                       u"*.exe|*.exe||");
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(filterSeen, u"*.exe");
    EXPECT_EQ(dialog.GetPathName(), CString(u"C:\\Games\\Some.Game\\run.exe"));
    EXPECT_EQ(dialog.GetFileName(), CString(u"run.exe"));

    // A path longer than the buffer is refused, not cut.
    platform::SetFileChooser([](const OPENFILENAMEW&, std::u16string& path) {
        path = std::u16string(MAX_PATH + 5, u'a');
        return TRUE;
    });
    CFileDialog tooLong(TRUE);
    EXPECT_EQ(tooLong.DoModal(), IDCANCEL);
    EXPECT_EQ(tooLong.GetPathName(), CString());

    platform::SetFileChooser([](const OPENFILENAMEW&, std::u16string&) { return FALSE; });
    CFileDialog cancelled(TRUE);
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    platform::SetFileChooser(nullptr);
}

} // namespace
