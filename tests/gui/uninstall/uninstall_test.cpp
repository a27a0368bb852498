// The uninstaller against installations made by the setup's own stages (registry records,
// program group with shortcuts and uninstall list, settings file) in a scratch folder, with
// the prefix's real registry: what goes, what stays, what it refuses; then the real
// unregmvt.exe, started like a user starts it, answering its windows.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <set>

#include "framework/sha256.h"
#include "install/installation_seal.h"
#include "install/seal_format.h"
#include "install/shell_link.h"
#include "stage_fixture.h"
#include "support/accessible_reader.h"
#include "support/folder_rights.h"
#include "support/plant_link.h"
#include "support/process_windows.h"
#include "support/window_look.h"
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

    // An installation as the setup leaves it: the game folders (recorded as made where they
    // were not there), the medium's files and the uninstaller's list, then the records with
    // the seal, the program group and the settings file.
    void Install(const std::string& dir, bool withProgram = false) {
        InstalledFiles list;
        list.files = {"morvath.exe",         "MVConfig.exe",     "data\\area01.bif",
                      "save\\Начало\\a.gam", "Patch\\notes.txt", kUninstallerName,
                      kInstalledFilesName};
        list.folders = {"data", "save\\Начало", "save", "Patch"};
        madeGameFolders_ = mvt::install::MakeGameFolders(dir);
        for (const char* folder : {"save\\Начало", "Patch"})
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

    // The uninstaller refuses with a text that holds `why`, and everything stays.
    void ExpectRefused(const std::string& dir, const std::string& why) {
        const Preparation preparation = PrepareUninstall(dir);
        EXPECT_FALSE(preparation.ok);
        EXPECT_NE(preparation.refusal.find(why), std::string::npos) << preparation.refusal;
        EXPECT_NE(preparation.refusal.find("Ничего не удалено"), std::string::npos);
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

// The uninstall entry belongs to the later installation; the earlier one elsewhere keeps its
// own seal, so its uninstaller still proves its lists and removes it, and only it.
TEST_F(UninstallTest, EachOfTwoInstallationsIsRemovedByItsOwnUninstaller) {
    const std::string other = Folder("Other\\Morvath Trilogy");
    Install(dir_);
    Install(other);
    const RemovalReport first = Remove(dir_);
    EXPECT_TRUE(first.Complete()) << Joined(first.failures);
    EXPECT_FALSE(FileExists(dir_ + "\\morvath.exe"));
    EXPECT_FALSE(FolderExists(dir_ + "\\cache"));
    EXPECT_TRUE(Mentions(first.notes, other)) << "the records of the other stay";
    ExpectInstalled(other);
    stagetest::ExpectUninstallRecord(other);
    const RemovalReport second = Remove(other);
    EXPECT_TRUE(second.Complete()) << Joined(second.failures);
    EXPECT_FALSE(FileExists(other + "\\morvath.exe"));
    for (const char* key : kRecordKeys) EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    for (const char* key : {"SOFTWARE\\Quillfen", "SOFTWARE\\Quillfen Corp"})
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
}

TEST_F(UninstallTest, ProductKeysThatOthersUseStay) {
    Install(dir_);
    stagetest::SetString(HKEY_LOCAL_MACHINE, stagetest::kProduct1, "Patch", "1.01");
    Remove(dir_);
    EXPECT_TRUE(stagetest::IsString(
        stagetest::ReadValue(HKEY_LOCAL_MACHINE, stagetest::kProduct1, "Patch"), "1.01"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quillfen Corp"));
}

// The lists lie in a folder every user may write to; what the setup wrote is known by its
// SHA-256 under the uninstall entry. A user's file added with a fitting count and checksum,
// or a shortcut line added to the shortcut list, makes the uninstaller refuse everything.
TEST_F(UninstallTest, AChangedListOfInstalledFilesIsRefused) {
    Install(dir_);
    const std::string victim = Folder("Elsewhere") + "\\victim.txt";
    WriteFile(victim, "mine");
    WriteFile(dir_ + "\\mine.txt", "mine");
    InstalledFiles list;
    list.files = {"morvath.exe", "mine.txt", kUninstallerName, kInstalledFilesName};
    WriteFile(dir_ + "\\" + kInstalledFilesName, FormatInstalledFiles(list));
    ASSERT_TRUE(ParseInstalledFiles(FormatInstalledFiles(list)).ok) << "a well-formed list";
    ExpectRefused(dir_, "изменён после установки");
    EXPECT_TRUE(FileExists(dir_ + "\\mine.txt"));
    ExpectInstalled(dir_);
}

TEST_F(UninstallTest, AChangedShortcutListIsRefused) {
    Install(dir_);
    const std::string foreign = Folder("Elsewhere") + "\\victim.lnk";
    mvt::ComApartment com;
    mvt::install::MakeShellLink(dir_ + "\\morvath.exe", "", dir_ + "\\", foreign);
    ASSERT_TRUE(FileExists(foreign));
    WritePrivateProfileStringA("ShortCuts", "ShCut#7", foreign.c_str(),
                               (dir_ + "\\unreglst.ini").c_str());
    ExpectRefused(dir_, "unreglst.ini");
    EXPECT_TRUE(FileExists(foreign));
    ExpectInstalled(dir_);
}

// Even a list that passes its check names a shortcut only in the program group or on the
// all-users desktop recorded at installation: shortcuts elsewhere stay.
TEST_F(UninstallTest, OnlyShortcutsInTheRecordedFoldersGo) {
    Install(dir_);
    stagetest::SetString(HKEY_LOCAL_MACHINE, mvt::install::SealKey(dir_),
                         mvt::install::kProgramGroupValue, Folder("Elsewhere"));
    const RemovalReport report = Remove(dir_);
    EXPECT_TRUE(FileExists(Group() + "\\Запуск Трилогии Морвата.lnk"));
    EXPECT_TRUE(Mentions(report.notes, Group() + "\\Запуск Трилогии Морвата.lnk"));
    EXPECT_FALSE(FileExists(desktop_ + "\\Запуск Трилогии Морвата.lnk"));
    EXPECT_FALSE(FileExists(dir_ + "\\morvath.exe"));
}

// The program group folder swapped for a link to a folder holding a shortcut of the same
// name: that shortcut stays.
TEST_F(UninstallTest, AShortcutFolderSwappedForALinkIsNotFollowed) {
    Install(dir_);
    const std::string link = "\\Запуск Трилогии Морвата.lnk";
    ASSERT_TRUE(FileExists(Group() + link));
    // The group moved aside and a link to it put in its place.
    const std::string outside = scratch_ + "\\Outside group";
    ASSERT_TRUE(MoveFileA(Group().c_str(), outside.c_str()));
    ASSERT_TRUE(testsupport::PlantLink(Group(), outside));
    ASSERT_TRUE(FileExists(Group() + link)) << "the link leads out";
    const RemovalReport report = Remove(dir_);
    EXPECT_TRUE(FileExists(outside + link));
    EXPECT_TRUE(Mentions(report.notes, Group() + link));
    EXPECT_FALSE(FileExists(desktop_ + link)) << "the desktop's shortcut goes";
    EXPECT_TRUE(testsupport::RemoveTree(scratch_));
}

// A game folder that was there before the installation is the user's: it stays, even empty.
TEST_F(UninstallTest, AGameFolderTheUserHadBeforeStays) {
    mvt::ForceDirectories(dir_ + "\\music");
    mvt::ForceDirectories(dir_ + "\\data");
    Install(dir_);
    Remove(dir_);
    EXPECT_TRUE(FolderExists(dir_ + "\\music"));
    EXPECT_TRUE(FolderExists(dir_ + "\\data")) << "even though the game's files were in it";
    EXPECT_FALSE(FileExists(dir_ + "\\data\\area01.bif"));
    for (const char* folder : {"cache", "movies", "sounds"})
        EXPECT_FALSE(FolderExists(dir_ + "\\" + folder)) << folder;
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

// A listed folder swapped for a link before uninstalling, and a listed file swapped for a
// link to a file outside: nothing is deleted through either, and the links stay as well.
TEST_F(UninstallTest, ListedFoldersAndFilesSwappedForLinksAreNotFollowed) {
    Install(dir_);
    const std::string outside = Folder("Outside");
    WriteFile(outside + "\\notes.txt", "not the game's");
    WriteFile(outside + "\\victim.exe", "not the game's either");
    stagetest::RemoveTree(dir_ + "\\Patch");
    DeleteFileA((dir_ + "\\morvath.exe").c_str());
    ASSERT_TRUE(testsupport::PlantLink(dir_ + "\\Patch", outside));
    ASSERT_TRUE(testsupport::PlantLink(dir_ + "\\morvath.exe", outside + "\\victim.exe"));
    ASSERT_TRUE(FileExists(dir_ + "\\Patch\\notes.txt")) << "the link leads out";
    ASSERT_NE(GetFileAttributesA((dir_ + "\\Patch").c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    const RemovalReport report = Remove(dir_);
    EXPECT_TRUE(FileExists(outside + "\\notes.txt"));
    EXPECT_TRUE(FileExists(outside + "\\victim.exe"));
    EXPECT_TRUE(Mentions(report.notes, "Patch\\notes.txt"));
    EXPECT_TRUE(Mentions(report.notes, "morvath.exe"));
    EXPECT_TRUE(FolderExists(dir_ + "\\Patch")) << "the link itself is not the game's either";
    EXPECT_FALSE(FileExists(dir_ + "\\data\\area01.bif")) << "the rest goes";
    EXPECT_TRUE(testsupport::RemoveTree(scratch_));
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

    // So do Tab and Enter, after a screen reader has read the question.
    auto third = Start();
    question = Dialog(*third);
    ASSERT_TRUE(question);
    const testsupport::AccessibleItem read = testsupport::ReadAccessible(question);
    EXPECT_EQ(read.role, ROLE_SYSTEM_DIALOG);
    EXPECT_EQ(read.name, "Удаление Трилогии Морвата");
    ASSERT_TRUE(read.Named("Удалить Трилогию Морвата со всеми её компонентами?"));
    ASSERT_TRUE(read.Named("ОК"));
    EXPECT_TRUE(read.Named("ОК")->Has(STATE_SYSTEM_FOCUSED | STATE_SYSTEM_DEFAULT));
    ASSERT_TRUE(read.Named("Отмена"));
    EXPECT_EQ(read.Named("Отмена")->role, ROLE_SYSTEM_PUSHBUTTON);
    for (WORD key : {WORD(VK_TAB), WORD(VK_RETURN)}) {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(question, nullptr), &thread));
        PostMessageA(thread.hwndFocus, WM_KEYDOWN, key, 1);
        PostMessageA(thread.hwndFocus, WM_KEYUP, key, 0xC0000001);
        Sleep(200);
    }
    EXPECT_EQ(ExitCode(*third), 3u) << "Enter pressed the focused cancel";
    ExpectInstalled(dir_);
}

// The uninstaller's windows as a mouse user sees them, from before the keyboard's focus
// mark existed (see ExpectLookAsBefore).
const testsupport::LookDigests kLooksBefore = {
    {"uninstall-question", "d7f6d3cc9a56f2ee6ba3e00082a5665cf872b2b70ff42de1dc5c1ab9ca140713"},
    {"uninstall-notice", "79674a04e2100c4c3ab21eeaed86a77ff94dffad76e80021473951a84e06c8c0"},
};

void ExpectLookAsBefore(HWND window, const std::string& name) {
    Sleep(200);  // painted in the other process
    testsupport::ExpectLookAsBefore(window, name, kLooksBefore, mvt::ProgramFolder());
}

TEST_F(UninstallerProgramTest, AnsweringOkRemovesTheGameAndTheProgramItself) {
    Install(dir_, true);
    auto program = Start();
    HWND question = Dialog(*program);
    ASSERT_TRUE(question);
    ExpectLookAsBefore(question, "uninstall-question");
    Click(ChildAt(question, 57, 98));
    HWND notice = Dialog(*program, question);
    ASSERT_TRUE(notice);
    ExpectLookAsBefore(notice, "uninstall-notice");
    EXPECT_TRUE(FileExists(dir_ + "\\" + kUninstallerName)) << "still running";
    // The copy that ends the job waits in a folder of its own: a random name, a folder only
    // SYSTEM and the administrators may enter.
    std::set<std::string> copies = TempItems("mvt-unregmvt-*");
    for (const std::string& earlier : copies_) copies.erase(earlier);
    ASSERT_EQ(copies.size(), 1u);
    const std::string copyFolder = *copies.begin();
    const std::string random = copyFolder.substr(copyFolder.rfind("mvt-unregmvt-") + 13);
    EXPECT_EQ(random.size(), 16u) << copyFolder;
    EXPECT_EQ(random.find_first_not_of("0123456789abcdef"), std::string::npos) << copyFolder;
    EXPECT_TRUE(testsupport::OnlySystemAndAdministrators(copyFolder));
    EXPECT_TRUE(FileExists(copyFolder + "\\" + kUninstallerName));
    Click(ChildAt(notice, 138, 98));
    EXPECT_EQ(ExitCode(*program), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !FolderExists(dir_); }, 30000))
        << "the install directory goes once the program has ended";
    EXPECT_TRUE(WaitUntil([&] { return TempItems("mvt-unregmvt-*") == copies_; }, 20000))
        << "the copy removes its own folder";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, stagetest::kUninstall));
    EXPECT_FALSE(FolderExists(Group()));
}

// A file in use cannot go: the installation stays registered with its lists and its
// uninstaller, the system is asked to delete the file at the next restart, and the exit code
// says so; once the file is free, running it again finishes.
TEST_F(UninstallerProgramTest, AFileInUseLeavesTheInstallationToBeRemovedByASecondRun) {
    Install(dir_, true);
    const std::string held = dir_ + "\\data\\area01.bif";
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ExitCode(*Start(" /S")), 1u);
    EXPECT_FALSE(FileExists(dir_ + "\\morvath.exe")) << "the rest went";
    for (const char* left : {"data\\area01.bif", "unregmvt.exe", "unregmvt.lst", "unreglst.ini"})
        EXPECT_TRUE(FileExists(dir_ + "\\" + left)) << left;
    stagetest::ExpectUninstallRecord(dir_);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, mvt::install::SealKey(dir_)));
    const stagetest::RegValue pending = stagetest::ReadValue(
        HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations", KEY_WOW64_64KEY);
    EXPECT_NE(pending.data.find(held), std::string::npos) << "deleted at the next restart";
    CloseHandle(file);

    EXPECT_EQ(ExitCode(*Start(" /S")), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !FolderExists(dir_); }, 30000));
    for (const char* key : kRecordKeys) EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
}

TEST_F(UninstallerProgramTest, AChangedListEndsTheSilentRunWithTheRefusedCode) {
    Install(dir_, true);
    WriteFile(dir_ + "\\mine.txt", "mine");
    InstalledFiles list;
    list.files = {"morvath.exe", "mine.txt"};
    WriteFile(dir_ + "\\" + kInstalledFilesName, FormatInstalledFiles(list));
    auto silent = Start(" /S");
    EXPECT_EQ(ExitCode(*silent), 2u);
    EXPECT_TRUE(FileExists(dir_ + "\\mine.txt"));
    ExpectInstalled(dir_);
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
