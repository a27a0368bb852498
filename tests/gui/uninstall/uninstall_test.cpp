// The uninstaller against installations made by the setup's own stages (registry records,
// program group with shortcuts and uninstall list, settings file) in a scratch folder, with
// the prefix's real registry: what goes, what stays, what it refuses; then the real
// unregmvt.exe, started like a user starts it, answering its windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <set>

#include "install/shell_link.h"
#include "stage_fixture.h"
#include "support/process_windows.h"
#include "uninstall/installed_files.h"
#include "uninstall/removal.h"

using namespace mvt::uninstall;
using stagetest::FileExists;
using stagetest::KeyExists;
using stagetest::WriteFile;
using testsupport::ChildAt;
using testsupport::Click;
using testsupport::Process;
using testsupport::TempItems;
using testsupport::VisibleWindows;
using testsupport::WaitUntil;
using testsupport::WindowWithClientSize;

namespace {

const std::string kUninstaller = std::string(MVT_BIN_DIR) + "\\unregmvt.exe";
constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char* const kRecordKeys[] = {stagetest::kAppPathGame, stagetest::kAppPathRestore,
                                   stagetest::kAppPathMain, stagetest::kUninstall};

bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& text : texts) all += text + "\n";
    return all;
}

bool Mentions(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

class UninstallTest : public stagetest::StageTest {
  protected:
    void SetUp() override {
        StageTest::SetUp();
        dir_ = Folder("Games\\Morvath Trilogy");
    }

    // An installation as the setup leaves it: the medium's files and the uninstaller's list,
    // the game folders, then the records, the program group and the settings file.
    void Install(const std::string& dir, bool withProgram = false) {
        InstalledFiles list;
        list.files = {"morvath.exe",         "MVConfig.exe",     "data\\area01.bif",
                      "save\\Начало\\a.gam", "Patch\\notes.txt", kUninstallerName,
                      kInstalledFilesName};
        list.folders = {"data", "save\\Начало", "save", "Patch"};
        mvt::ForceDirectories(dir);
        for (const char* folder :
             {"cache", "data", "override", "characters", "eReg", "mplayer", "music", "portraits",
              "save\\Начало", "script compiler", "scripts", "sounds", "movies", "Patch"})
            mvt::ForceDirectories(dir + "\\" + folder);
        for (const std::string& file : list.files) WriteFile(dir + "\\" + file, "game file");
        WriteFile(dir + "\\" + kInstalledFilesName, FormatInstalledFiles(list));
        if (withProgram) {
            ASSERT_TRUE(
                CopyFileA(kUninstaller.c_str(), (dir + "\\" + kUninstallerName).c_str(), FALSE));
        }
        RunStages(dir);
    }

    RemovalReport Remove(const std::string& dir) {
        const Preparation preparation = PrepareUninstall(dir);
        EXPECT_TRUE(preparation.ok) << preparation.refusal;
        return RemoveInstallation(preparation.input, dir + "\\" + kUninstallerName);
    }

    std::string Group() const { return programs_ + "\\Morvath Trilogy"; }

    void ExpectInstalled(const std::string& dir) {
        EXPECT_TRUE(FileExists(dir + "\\morvath.exe"));
        EXPECT_TRUE(FileExists(dir + "\\morvath.ini"));
        EXPECT_TRUE(FileExists(Group() + "\\Запуск Трилогии Морвата.lnk"));
        for (const char* key : kRecordKeys) EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    }

    std::string dir_;
};

TEST_F(UninstallTest, RemovesWhatTheInstallationMadeAndKeepsTheUsersFiles) {
    Install(dir_);
    WriteFile(dir_ + "\\my notes.txt", "mine");
    WriteFile(dir_ + "\\save\\my own save.gam", "mine");
    SetFileAttributesA((dir_ + "\\data\\area01.bif").c_str(), FILE_ATTRIBUTE_READONLY);

    const RemovalReport report = Remove(dir_);
    EXPECT_TRUE(report.Complete()) << Joined(report.failures);
    EXPECT_EQ(report.kept, (std::vector<std::string>{"my notes.txt", "save"}));
    for (const char* file : {"morvath.exe", "data\\area01.bif", "save\\Начало\\a.gam",
                             "Patch\\notes.txt", "unregmvt.lst", "morvath.ini", "unreglst.ini"})
        EXPECT_FALSE(FileExists(dir_ + "\\" + file)) << file;
    EXPECT_TRUE(FileExists(dir_ + "\\unregmvt.exe")) << "the running program goes later";
    EXPECT_TRUE(FileExists(dir_ + "\\my notes.txt"));
    EXPECT_TRUE(FileExists(dir_ + "\\save\\my own save.gam"));
    for (const char* folder : {"cache", "data", "movies", "save\\Начало", "Patch", "eReg"})
        EXPECT_FALSE(FolderExists(dir_ + "\\" + folder)) << folder;

    for (const char* key : kRecordKeys) EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    for (const char* key : {"SOFTWARE\\Quillfen", "SOFTWARE\\Quillfen Corp"})
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    EXPECT_FALSE(FolderExists(Group())) << "the empty program group";
    EXPECT_FALSE(FileExists(desktop_ + "\\Запуск Трилогии Морвата.lnk"));
    EXPECT_TRUE(FolderExists(programs_)) << "the programs folder itself stays";
    EXPECT_NE(ReportText(report).find("ваши файлы"), std::string::npos) << ReportText(report);
}

TEST_F(UninstallTest, TheRecordsOfALaterInstallationElsewhereStay) {
    const std::string other = Folder("Other\\Morvath Trilogy");
    Install(dir_);
    Install(other);  // the records and the group's links now belong to this one
    const RemovalReport report = Remove(dir_);
    EXPECT_TRUE(report.Complete()) << Joined(report.failures);
    EXPECT_TRUE(Mentions(report.notes, "другой установки"));
    EXPECT_TRUE(Mentions(report.notes, "не ярлык этой установки"));
    EXPECT_FALSE(FileExists(dir_ + "\\morvath.exe"));
    ExpectInstalled(other);
    for (const char* key : {stagetest::kProduct1, stagetest::kProduct2, stagetest::kProduct3})
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
}

TEST_F(UninstallTest, ProductKeysThatOthersUseStay) {
    Install(dir_);
    stagetest::SetString(HKEY_LOCAL_MACHINE, stagetest::kProduct1, "Patch", "1.01");
    Remove(dir_);
    EXPECT_TRUE(stagetest::IsString(
        stagetest::ReadValue(HKEY_LOCAL_MACHINE, stagetest::kProduct1, "Patch"), "1.01"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillfen Corp"));
}

TEST_F(UninstallTest, OnlyShortcutsThatLeadIntoTheInstallDirectoryGo) {
    Install(dir_);
    // Entries someone added to the list: a link to a system program and a plain file.
    const std::string foreign = Folder("Elsewhere") + "\\Блокнот.lnk";
    mvt::ComApartment com;
    mvt::install::MakeShellLink("C:\\windows\\notepad.exe", "", "C:\\windows\\", foreign);
    const std::string plain = Folder("Elsewhere") + "\\notes.txt";
    WriteFile(plain, "not a link");
    WritePrivateProfileStringA("ShortCuts", "ShCut#7", foreign.c_str(),
                               (dir_ + "\\unreglst.ini").c_str());
    WritePrivateProfileStringA("ShortCuts", "ShCut#8", plain.c_str(),
                               (dir_ + "\\unreglst.ini").c_str());
    const RemovalReport report = Remove(dir_);
    EXPECT_TRUE(FileExists(foreign));
    EXPECT_TRUE(FileExists(plain));
    EXPECT_TRUE(Mentions(report.notes, foreign));
    EXPECT_TRUE(Mentions(report.notes, plain));
    EXPECT_FALSE(FileExists(Group() + "\\Удаление Трилогии Морвата.lnk"));
}

TEST_F(UninstallTest, WithoutTheShortcutListTheRestStillGoes) {
    Install(dir_);
    DeleteFileA((dir_ + "\\unreglst.ini").c_str());
    const RemovalReport report = Remove(dir_);
    EXPECT_TRUE(report.Complete());
    EXPECT_TRUE(report.shortcutListMissing);
    EXPECT_TRUE(Mentions(report.notes, "unreglst.ini"));
    EXPECT_NE(ReportText(report).find("unreglst.ini"), std::string::npos);
    EXPECT_TRUE(FileExists(Group() + "\\Запуск Трилогии Морвата.lnk")) << "unknown, so left";
    EXPECT_FALSE(FileExists(dir_ + "\\morvath.exe"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, stagetest::kAppPathGame));
}

TEST_F(UninstallTest, AFolderLinkedToElsewhereIsNotFollowed) {
    Install(dir_);
    // "Patch" replaced by a link to a folder outside that holds a file of a listed name.
    const std::string outside = Folder("Outside");
    WriteFile(outside + "\\notes.txt", "not the game's");
    stagetest::RemoveTree(dir_ + "\\Patch");
    if (!CreateSymbolicLinkA((dir_ + "\\Patch").c_str(), outside.c_str(),
                             SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !(GetFileAttributesA((dir_ + "\\Patch").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT))
        GTEST_SKIP() << "no folder links on this system";
    if (!FileExists(dir_ + "\\Patch\\notes.txt")) {
        RemoveDirectoryA((dir_ + "\\Patch").c_str());
        GTEST_SKIP() << "folder links are not followed on this system";
    }
    Remove(dir_);
    EXPECT_TRUE(FileExists(outside + "\\notes.txt"));
    RemoveDirectoryA((dir_ + "\\Patch").c_str());
}

TEST_F(UninstallTest, RefusesWhatItCannotTrust) {
    EXPECT_FALSE(PrepareUninstall("C:\\").ok);
    EXPECT_FALSE(PrepareUninstall("C:").ok);
    EXPECT_FALSE(PrepareUninstall("\\\\server\\share").ok);
    Install(dir_);
    Preparation missing = PrepareUninstall(Folder("Empty"));
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.refusal.find("Не найден"), std::string::npos);
    // A list that names a file outside the install directory is refused whole.
    InstalledFiles list;
    list.files = {"morvath.exe", "..\\..\\Elsewhere\\victim.txt"};
    WriteFile(dir_ + "\\" + kInstalledFilesName, FormatInstalledFiles(list));
    EXPECT_FALSE(PrepareUninstall(dir_).ok);
    WriteFile(dir_ + "\\" + kInstalledFilesName, "MVT installed files 1\r\nF\tmorvath.exe\r\n");
    Preparation damaged = PrepareUninstall(dir_);
    EXPECT_FALSE(damaged.ok);
    EXPECT_NE(damaged.refusal.find("повреждён"), std::string::npos);
}

// ---- the program itself ----

class UninstallerProgramTest : public UninstallTest {
  protected:
    void SetUp() override {
        UninstallTest::SetUp();
        pendingRenames_ = PendingRenames();
        parked_ = TempItems("~unregmvt-*");
        copies_ = TempItems("mvt-unregmvt-*");
    }
    // The program's copy parks its file in the temporary folder and asks for it to go at
    // the next restart; a test puts both back.
    void TearDown() override {
        for (const std::string& item : TempItems("~unregmvt-*"))
            if (!parked_.count(item)) DeleteFileA(item.c_str());
        if (!pendingRenames_) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
                RegDeleteValueA(key, "PendingFileRenameOperations");
                RegCloseKey(key);
            }
        }
        UninstallTest::TearDown();
    }
    static bool PendingRenames() {
        return stagetest::ReadValue(HKEY_LOCAL_MACHINE, kSessionManager,
                                    "PendingFileRenameOperations", KEY_WOW64_64KEY)
            .found;
    }

    // The program's exit code once it has ended by itself.
    static DWORD ExitCode(const Process& program) {
        EXPECT_TRUE(program.WaitForExit(30000)) << "the uninstaller did not end";
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, program.Id());
        DWORD code = 99;
        if (process) {
            GetExitCodeProcess(process, &code);
            CloseHandle(process);
        }
        return code;
    }
    HWND Dialog(const Process& program, HWND other = nullptr) {
        HWND dialog = nullptr;
        EXPECT_TRUE(WaitUntil(
            [&] {
                return (dialog = WindowWithClientSize(program.Id(), 421, 144)) && dialog != other;
            },
            20000));
        return dialog;
    }
    bool pendingRenames_ = false;
    std::set<std::string> parked_, copies_;

    std::unique_ptr<Process> Start(const std::string& arguments = "") {
        return std::make_unique<Process>("\"" + dir_ + "\\" + kUninstallerName + "\"" + arguments,
                                         nullptr, dir_.c_str());
    }
};

TEST_F(UninstallerProgramTest, AnsweringCancelRemovesNothing) {
    Install(dir_, true);
    auto program = Start();
    HWND question = Dialog(*program);
    ASSERT_TRUE(question);
    Click(ChildAt(question, 223, 98));
    EXPECT_EQ(ExitCode(*program), 3u);
    ExpectInstalled(dir_);
    EXPECT_TRUE(FileExists(dir_ + "\\" + kUninstallerName));

    // Escape answers the same.
    auto again = Start();
    question = Dialog(*again);
    ASSERT_TRUE(question);
    PostMessageA(question, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(ExitCode(*again), 3u);
    ExpectInstalled(dir_);
}

TEST_F(UninstallerProgramTest, AnsweringOkRemovesTheGameAndTheProgramItself) {
    Install(dir_, true);
    auto program = Start();
    HWND question = Dialog(*program);
    ASSERT_TRUE(question);
    Click(ChildAt(question, 57, 98));
    HWND notice = Dialog(*program, question);
    ASSERT_TRUE(notice);
    EXPECT_TRUE(FileExists(dir_ + "\\" + kUninstallerName)) << "still running";
    Click(ChildAt(notice, 138, 98));
    EXPECT_EQ(ExitCode(*program), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !FolderExists(dir_); }, 30000))
        << "the install directory goes once the program has ended";
    EXPECT_TRUE(WaitUntil([&] { return TempItems("mvt-unregmvt-*") == copies_; }, 20000))
        << "the copy removes its own folder";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, stagetest::kUninstall));
    EXPECT_FALSE(FolderExists(Group()));
}

TEST_F(UninstallerProgramTest, ADamagedListStopsItWithAMessageOrAnExitCode) {
    Install(dir_, true);
    WriteFile(dir_ + "\\" + kInstalledFilesName, "MVT installed files 1\r\nF\t..\\x\r\n");
    auto silent = Start(" /S");
    bool window = false;
    while (!silent->WaitForExit(20)) window = window || !VisibleWindows(silent->Id()).empty();
    EXPECT_FALSE(window);
    EXPECT_EQ(ExitCode(*silent), 2u);
    ExpectInstalled(dir_);

    auto shown = Start();
    HWND notice = Dialog(*shown);
    ASSERT_TRUE(notice);
    PostMessageA(notice, WM_CLOSE, 0, 0);
    EXPECT_EQ(ExitCode(*shown), 2u);
    ExpectInstalled(dir_);
}

}  // namespace
