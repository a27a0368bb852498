// The list of installed files that the packer writes and the uninstaller trusts: a list that
// was changed, cut or fed a path leading out of the install directory is refused whole.
#include "uninstall/installed_files.h"

#include <gtest/gtest.h>

using namespace mvt::uninstall;

namespace {

const InstalledFiles kList = {{"morvath.exe", "data\\area01.bif", "save\\Начало\\a.gam"},
                              {"data", "save\\Начало", "save"}};

TEST(InstalledFiles, ReadsBackWhatWasWritten) {
    const InstalledFilesParse parsed = ParseInstalledFiles(FormatInstalledFiles(kList));
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.list.files, kList.files);
    EXPECT_EQ(parsed.list.folders, kList.folders);
}

TEST(InstalledFiles, ADamagedListIsRefusedWhole) {
    const std::string text = FormatInstalledFiles(kList);
    std::string changed = text;
    changed[changed.find("area01")] = 'A';
    EXPECT_FALSE(ParseInstalledFiles(changed).ok) << "a changed byte";
    EXPECT_FALSE(ParseInstalledFiles(text.substr(0, text.size() - 30)).ok) << "cut short";
    EXPECT_FALSE(ParseInstalledFiles(text.substr(0, text.find("END"))).ok) << "no end line";
    EXPECT_FALSE(ParseInstalledFiles(text + "F\tx\r\n").ok) << "text after the end";
    EXPECT_FALSE(ParseInstalledFiles("").ok);
    EXPECT_FALSE(ParseInstalledFiles("[ShortCuts]\r\n").ok);
}

TEST(InstalledFiles, APathOutOfTheInstallDirectoryIsRefusedEvenWithAGoodChecksum) {
    for (const char* path :
         {"..\\boot.ini", "data\\..\\..\\x", "C:\\Windows\\win.ini", "\\Windows\\win.ini",
          "\\\\server\\share\\x", "data\\file.txt:stream", "data/../../x", "data\\\\x", "data\\",
          "NUL", "data\\com1.txt", "data\\x.", "data\\x ", "a\tb", "*"}) {
        InstalledFiles list;
        list.files.push_back(path);
        const InstalledFilesParse parsed = ParseInstalledFiles(FormatInstalledFiles(list));
        EXPECT_FALSE(parsed.ok) << path;
        EXPECT_FALSE(IsPlainRelativePath(path)) << path;
    }
}

TEST(IsPlainRelativePath, OrdinaryNamesPass) {
    for (const char* path : {"morvath.exe", "script compiler\\x.bcs", "save\\000000001-Начало",
                             "Morvath 2 manual.pdf", "a.b.c", ".hidden", "console.txt"})
        EXPECT_TRUE(IsPlainRelativePath(path)) << path;
    EXPECT_FALSE(IsPlainRelativePath(std::string(260, 'a')));
    EXPECT_TRUE(IsPlainRelativePath(std::string(259, 'a')));
}

}  // namespace
