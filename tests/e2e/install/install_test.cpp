// The built demo medium, used like a user uses it: the whole wizard with both options on,
// the installed tree compared with the game tree the medium was packed from, the records,
// shortcuts and files the setup writes, then the uninstaller from its shortcut (and, after a
// second installation, with /S), and a cancellation in the middle of the film archive.
//
// The program files folder of the 32-bit view, the programs and the all-users desktop
// folders point into a scratch folder during each test; the registry keys the setup writes
// are saved before and put back after (the install stages' fixture).
#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <vector>

#include "install/install_log.h"
#include "install/installation_journal.h"
#include "install/seal_format.h"
#include "stage_fixture.h"
#include "support/file_tree.h"
#include "support/process_windows.h"
#include "support/wizard_windows.h"

using namespace testsupport;
using stagetest::FileExists;
using stagetest::IsString;
using stagetest::ReadValue;

namespace {

const std::string kProgram = std::string(MVT_DIST_DIR) + "\\MVTSetup.exe";
const std::string kXdotool = MVT_XDOTOOL;
const std::string kGame = MVT_DEMO_GAME;
constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
constexpr char kPendingRenames[] = "PendingFileRenameOperations";
// What the setup itself adds to the game's files at the top of the install directory.
const std::set<std::string> kSetupFiles = {"unregmvt.exe", "unregmvt.lst", "morvath.ini",
                                           "unreglst.ini"};
const std::set<std::string> kGameFolders = {
    "cache",     "data", "override",        "characters", "ereg",   "mplayer", "music",
    "portraits", "save", "script compiler", "scripts",    "sounds", "movies"};

std::string ReadProgramFiles() {
    char value[MAX_PATH] = {};
    DWORD size = sizeof value - 1;
    RegGetValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir",
                 RRF_RT_REG_SZ | 0x00020000 /* 32-bit view */, nullptr, value, &size);
    return value;
}

void WriteProgramFiles(const std::string& folder) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersion, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                      &key) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, "ProgramFilesDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);
}

bool PendingRenamesExist() {
    return ReadValue(HKEY_LOCAL_MACHINE, kSessionManager, kPendingRenames, KEY_WOW64_64KEY).found;
}

// The processes whose program is `path`.
std::vector<DWORD> ProcessesOf(const std::string& path) {
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process) continue;
        char image[MAX_PATH * 2] = "";
        DWORD size = sizeof image;
        if (QueryFullProcessImageNameA(process, 0, image, &size) &&
            lstrcmpiA(image, path.c_str()) == 0)
            found.push_back(entry.th32ProcessID);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

void EndProcesses(const std::vector<DWORD>& ids) {
    for (DWORD id : ids) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
        if (!process) continue;
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

// The top of a folder for the log: each file with its size, each folder with the number of
// files below it.
void PrintListing(const char* title, const std::string& folder) {
    std::cout << title << " " << folder << "\n";
    if (!FolderExists(folder)) {
        std::cout << "  (no such folder)\n";
        return;
    }
    const Tree tree = ReadTree(folder);
    std::map<std::string, int> below;
    for (const std::string& path : tree.folders)
        if (path.find('\\') == std::string::npos) below[path] = 0;
    for (const auto& [key, facts] : tree.files) {
        const size_t cut = key.find('\\');
        if (cut == std::string::npos)
            std::cout << "  " << facts.path << "  " << facts.size << " bytes\n";
        else
            ++below[key.substr(0, cut)];
    }
    for (const auto& [name, count] : below)
        std::cout << "  " << name << "\\  " << count << " files\n";
}

class AcceptanceTest : public stagetest::StageTest {
  protected:
    void SetUp() override {
        StageTest::SetUp();
        savedProgramFiles_ = ReadProgramFiles();
        programFiles_ = Folder("Program Files");
        // The destination screen proposes the program files folder + "\Morvath Trilogy".
        WriteProgramFiles(programFiles_);
        installDir_ = programFiles_ + "\\Morvath Trilogy";
        pendingRenames_ = PendingRenamesExist();
        tempCopies_ = TempItems("mvt-unregmvt-*");
        parkedCopies_ = TempItems("~unregmvt-*");
    }
    void TearDown() override {
        EndProcesses(ProcessesOf(installDir_ + "\\MVConfig.exe"));
        EndProcesses(ProcessesOf(installDir_ + "\\unregmvt.exe"));
        WriteProgramFiles(savedProgramFiles_);
        // The uninstaller's copy asks for its own file to go at the next restart as well.
        if (!pendingRenames_) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
                RegDeleteValueA(key, kPendingRenames);
                RegCloseKey(key);
            }
        }
        for (const std::string& item : TempItems("mvt-unregmvt-*"))
            if (!tempCopies_.count(item)) stagetest::RemoveTree(item);
        for (const std::string& item : TempItems("~unregmvt-*"))
            if (!parkedCopies_.count(item)) DeleteFileA(item.c_str());
        StageTest::TearDown();
    }

    // Welcome, destination, options (the desktop shortcut and the uninstaller stay on; the
    // configuration program as asked), ready, Next: returns the progress screen.
    HWND StartInstallation(const Process& setup, bool configuration) {
        HWND welcome = nullptr;
        EXPECT_TRUE(WaitUntil([&] { return (welcome = WizardWindow(setup.Id())); }, 20000));
        if (!welcome) return nullptr;
        HWND destination = Next(setup.Id(), welcome);
        HWND options = destination ? Next(setup.Id(), destination) : nullptr;
        if (!options) return nullptr;
        if (!configuration) Click(ChildAt(options, 332, 238));
        HWND ready = Next(setup.Id(), options);
        return ready ? Next(setup.Id(), ready) : nullptr;
    }

    HWND WaitForFinishScreen(const Process& setup) {
        HWND finish = nullptr;
        WaitUntil([&] { return (finish = WindowWithClientSize(setup.Id(), 478, 240)); }, 300000);
        return finish;
    }

    // A complete installation; true when it reached the finish screen.
    bool Install(bool configuration) {
        setup_ = std::make_unique<Process>("\"" + kProgram + "\"");
        if (!setup_->Started() || !StartInstallation(*setup_, configuration)) return false;
        finish_ = WaitForFinishScreen(*setup_);
        return finish_ != nullptr;
    }

    // The same with the default choices and the keyboard alone: Enter on the welcome,
    // destination, options and ready screens, each pressed once its screen shows.
    bool InstallWithEnterAlone() {
        setup_ = std::make_unique<Process>("\"" + kProgram + "\"");
        HWND screen = nullptr;
        if (!setup_->Started() ||
            !WaitUntil([&] { return (screen = WizardWindow(setup_->Id())); }, 20000))
            return false;
        for (const char* leaving : {"welcome", "destination", "options", "ready"}) {
            PressRealKey(kXdotool, "Return");
            HWND next = nullptr;
            if (!WaitUntil([&] { return (next = WizardWindow(setup_->Id())) && next != screen; },
                           10000)) {
                ADD_FAILURE() << "Enter did not leave the " << leaving << " screen";
                return false;
            }
            screen = next;
        }
        finish_ = WaitForFinishScreen(*setup_);
        return finish_ != nullptr;
    }

    // Closes the finish screen (or presses Enter there). With a launcher behind it the
    // setup ends and starts the configuration program when chosen; the finish screen of
    // this build may be a shell that leaves the setup running, which the test then ends
    // itself. Returns whether the setup ended by itself.
    bool CloseFinishScreen(bool enter = false) {
        if (enter)
            PressRealKey(kXdotool, "Return");
        else
            PostMessageA(finish_, WM_CLOSE, 0, 0);
        const bool ended = setup_->WaitForExit(15000);
        setup_.reset();
        return ended;
    }

    std::string Record(const char* key, const char* value) {
        return ReadValue(HKEY_LOCAL_MACHINE, key, value).data;
    }
    std::string ShortcutList(const char* key) {
        char value[MAX_PATH * 2] = "";
        GetPrivateProfileStringA("ShortCuts", key, "", value, sizeof value,
                                 (installDir_ + "\\unreglst.ini").c_str());
        return value;
    }

    // The setup with switches, to its end; its exit code.
    static DWORD RunSetup(const std::string& arguments) {
        Process setup("\"" + kProgram + "\" " + arguments);
        EXPECT_TRUE(setup.WaitForExit(300000)) << arguments;
        return setup.ExitCode();
    }

    // The setup with switches, killed like a power cut as soon as `moment` holds.
    void KillWhen(const std::string& arguments, const std::function<bool()>& moment,
                  const char* what) {
        const std::string word = UniqueWord();
        Process setup("\"" + kProgram + "\" " + arguments + " /LOG=\"" + Folder("Logs") + "\\" +
                      word + ".txt\"");
        ASSERT_TRUE(WaitUntil(moment, 300000)) << what;
        KillNine(word);
        ASSERT_TRUE(setup.WaitForExit(20000)) << "not killed: " << what;
        // A run that ended by itself leaves no journal.
        EXPECT_TRUE(stagetest::KeyExists(HKEY_LOCAL_MACHINE, mvt::install::kJournalsKey))
            << "not killed in time: " << what;
    }

    // Exactly what a clean installation leaves: the game tree byte for byte, the setup's own
    // files, the game folders, the settings file for this folder, and nothing else.
    void ExpectCleanInstallation(const std::string& dir) {
        const Tree game = ReadTree(kGame);
        const Tree installed = ReadTree(dir);
        for (const auto& [key, facts] : game.files) {
            auto it = installed.files.find(key);
            ASSERT_NE(it, installed.files.end()) << "missing: " << facts.path;
            EXPECT_EQ(it->second.size, facts.size) << facts.path;
            EXPECT_EQ(it->second.crc, facts.crc) << facts.path;
        }
        for (const auto& [key, facts] : installed.files)
            EXPECT_TRUE(game.files.count(key) || kSetupFiles.count(key)) << "extra: " << facts.path;
        for (const std::string& folder : game.folders)
            EXPECT_TRUE(installed.folders.count(folder)) << "missing folder: " << folder;
        for (const std::string& folder : installed.folders)
            EXPECT_TRUE(game.folders.count(folder) || kGameFolders.count(folder))
                << "extra folder: " << folder;
        EXPECT_EQ(stagetest::IniLines(dir + "\\morvath.ini"), stagetest::SettingsLines(dir + "\\"));
    }

    void ExpectNothingOfTheGameOutside(const std::string& groupFolder) {
        EXPECT_FALSE(FolderExists(groupFolder)) << "the program group";
        EXPECT_FALSE(FileExists(desktop_ + "\\Запуск Трилогии Морвата.lnk"));
        for (const char* key : {stagetest::kAppPathGame, stagetest::kAppPathRestore,
                                stagetest::kAppPathMain, stagetest::kUninstall})
            EXPECT_FALSE(stagetest::KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
        // Nobody else put anything into the product keys: they go with the last installation.
        for (const char* key : {"SOFTWARE\\Quillfen", "SOFTWARE\\Quillfen Corp"})
            EXPECT_FALSE(stagetest::KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    }

    std::unique_ptr<Process> setup_;
    HWND finish_ = nullptr;
    std::string programFiles_, savedProgramFiles_, installDir_;
    bool pendingRenames_ = false;
    std::set<std::string> tempCopies_, parkedCopies_;
};

// With the keyboard alone, as a user without a mouse: Enter from the welcome screen to the
// finish screen, and Enter on the uninstaller's question and notice.
TEST_F(AcceptanceTest, DemoMediumInstallsItsGameTreeAndTheUninstallerRemovesIt) {
    const Tree game = ReadTree(kGame);
    ASSERT_GT(game.files.size(), 100u) << kGame;
    ASSERT_TRUE(InstallWithEnterAlone()) << "the installation did not reach the finish screen";

    ExpectCleanInstallation(installDir_);

    // Records, shortcuts, the uninstall list and the settings file.
    const std::string dir = installDir_;
    EXPECT_TRUE(
        IsString(ReadValue(HKEY_LOCAL_MACHINE, stagetest::kAppPathGame, "Install"), dir + "\\"));
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, stagetest::kAppPathRestore, "DisplayName"),
                         dir + "\\MVMain.exe"));
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, stagetest::kUninstall, "UninstallString"),
                         "\"" + dir + "\\unregmvt.exe\""));
    for (const char* key : {stagetest::kProduct1, stagetest::kProduct2, stagetest::kProduct3})
        EXPECT_TRUE(stagetest::KeyExists(HKEY_LOCAL_MACHINE, key)) << key;
    const std::string uninstallLink = ShortcutList("ShCut#6");
    const std::string group = uninstallLink.substr(0, uninstallLink.rfind('\\'));
    EXPECT_EQ(uninstallLink, programs_ + "\\Morvath Trilogy\\Удаление Трилогии Морвата.lnk");
    for (const char* key : {"ShCut#1", "ShCut#2", "ShCut#3", "ShCut#4", "ShCut#5", "ShCut#6"})
        EXPECT_TRUE(FileExists(ShortcutList(key))) << key << " " << ShortcutList(key);
    EXPECT_EQ(ShortcutList("ShCut#5"), desktop_ + "\\Запуск Трилогии Морвата.lnk");
    EXPECT_EQ(stagetest::ReadLink(uninstallLink).target, dir + "\\unregmvt.exe");
    const std::vector<std::string> settings = stagetest::IniLines(dir + "\\morvath.ini");
    EXPECT_EQ(settings.size(), 5u + 17u) << "five sections, 17 values";
    EXPECT_NE(std::find(settings.begin(), settings.end(), "HD0:=" + dir + "\\"), settings.end());

    // The configuration program starts when the finish screen closes.
    if (CloseFinishScreen(true)) {
        EXPECT_TRUE(WaitUntil([&] { return !ProcessesOf(dir + "\\MVConfig.exe").empty(); }, 20000))
            << "the configuration program did not start";
        EndProcesses(ProcessesOf(dir + "\\MVConfig.exe"));
    } else {
        std::cout << "note: the finish screen of this build does not end the setup; the start "
                     "of the configuration program is not checked\n";
    }

    // A file of the user's own in the install directory.
    stagetest::WriteFile(dir + "\\Мои заметки.txt", "my notes");
    PrintListing("before uninstalling:", dir);

    // The uninstaller from its shortcut: the question, Enter (OK), the closing notice, Enter.
    SHELLEXECUTEINFOA run{};
    run.cbSize = sizeof run;
    run.fMask = SEE_MASK_NOCLOSEPROCESS;
    run.lpVerb = "open";
    run.lpFile = uninstallLink.c_str();
    run.nShow = SW_SHOWNORMAL;
    ASSERT_TRUE(ShellExecuteExA(&run));
    DWORD id = run.hProcess ? GetProcessId(run.hProcess) : 0;
    HWND question = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            if (!id) {
                const std::vector<DWORD> ids = ProcessesOf(dir + "\\unregmvt.exe");
                id = ids.empty() ? 0 : ids.front();
            }
            return id && (question = WindowWithClientSize(id, 421, 144));
        },
        20000))
        << "no question from the uninstaller";
    PressRealKey(kXdotool, "Return");
    HWND notice = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (notice = WindowWithClientSize(id, 421, 144)) && notice != question; }, 30000))
        << "no closing notice";
    PressRealKey(kXdotool, "Return");
    if (run.hProcess) {
        EXPECT_EQ(WaitForSingleObject(run.hProcess, 20000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(run.hProcess, &code);
        EXPECT_EQ(code, 0u) << "everything was removed";
        CloseHandle(run.hProcess);
    }
    // The uninstaller's own file goes through its copy once it has ended.
    EXPECT_TRUE(WaitUntil([&] { return !FileExists(dir + "\\unregmvt.exe"); }, 30000));
    EXPECT_TRUE(WaitUntil([&] { return TempItems("mvt-unregmvt-*") == tempCopies_; }, 20000))
        << "the copy removed its folder";
    PrintListing("after uninstalling:", dir);

    const Tree left = ReadTree(dir);
    EXPECT_EQ(left.folders.size(), 0u);
    ASSERT_EQ(left.files.size(), 1u) << "only the user's file stays";
    EXPECT_EQ(left.files.begin()->second.path, "Мои заметки.txt");
    ExpectNothingOfTheGameOutside(group);
}

TEST_F(AcceptanceTest, SilentUninstallRemovesEverythingWithoutAWindow) {
    ASSERT_TRUE(Install(false));
    const std::string group =
        ShortcutList("ShCut#6").substr(0, ShortcutList("ShCut#6").rfind('\\'));
    CloseFinishScreen();
    const std::string dir = installDir_;
    ASSERT_TRUE(FileExists(dir + "\\unregmvt.exe"));

    Process uninstaller("\"" + dir + "\\unregmvt.exe\" /S", nullptr, dir.c_str());
    ASSERT_TRUE(uninstaller.Started());
    bool window = false;
    while (!uninstaller.WaitForExit(20))
        window = window || !VisibleWindows(uninstaller.Id()).empty();
    EXPECT_FALSE(window) << "/S shows no window";
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, uninstaller.Id());
    DWORD code = 99;
    if (process) {
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
    }
    EXPECT_EQ(code, 0u);
    // Nothing of the user's: the install directory itself goes as well.
    EXPECT_TRUE(WaitUntil(
        [&] { return GetFileAttributesA(dir.c_str()) == INVALID_FILE_ATTRIBUTES; }, 30000))
        << "the install directory is still there";
    EXPECT_TRUE(FolderExists(programFiles_)) << "its parent stays";
    ExpectNothingOfTheGameOutside(group);
    EXPECT_TRUE(WaitUntil([&] { return TempItems("mvt-unregmvt-*") == tempCopies_; }, 20000))
        << "the copy removed its folder";
}

// A medium whose first archive is the large film archive, as the user cancels while it is
// unpacked: the run stops after it and undoes everything, the folder the destination
// screen made included.
TEST_F(AcceptanceTest, CancelDuringTheFirstArchiveLeavesNothing) {
    const std::string medium = Folder("Medium");
    for (const char* folder : {"Resource", "Archives\\Movies"})
        Folder("Medium\\" + std::string(folder));
    for (const char* file :
         {"MVTSetup.exe", "ZipLib179.dll", "Resource\\WINDSOR.TTF", "Resource\\About.bmp",
          "Archives\\Movies\\Cinematics.zip", "Archives\\Main.zip", "Archives\\Unregmvt.zip"})
        ASSERT_TRUE(CopyFileA((std::string(MVT_DIST_DIR) + "\\" + file).c_str(),
                              (medium + "\\" + file).c_str(), FALSE))
            << file;
    stagetest::WriteFile(medium + "\\MVTSetup.ini",
                         "[Setup]\r\nFullSize=53482642\r\n[Files]\r\n"
                         "File0=Movies\\Cinematics.zip\r\nFile1=Main.zip\r\n");
    const Tree before = ReadTree(scratch_);
    const std::string registry = stagetest::ProductRegistry();

    setup_ = std::make_unique<Process>("\"" + medium + "\\MVTSetup.exe\"");
    ASSERT_TRUE(setup_->Started());
    HWND progress = StartInstallation(*setup_, false);
    ASSERT_TRUE(progress);
    const std::string film = installDir_ + "\\movies\\Cinematics\\chapter1.mve";
    ASSERT_TRUE(WaitUntil([&] { return FileExists(film); }, 300000)) << "the film never came";
    PostMessageA(progress, WM_CLOSE, 0, 0);
    HWND confirmation = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (confirmation = WindowWithClientSize(setup_->Id(), 421, 144)); }, 20000));
    Click(ChildAt(confirmation, 57, 98));  // exit
    ASSERT_TRUE(setup_->WaitForExit(120000)) << "the setup did not end";

    EXPECT_EQ(TreeChanges(before, ReadTree(scratch_)), "") << "files, folders and shortcuts";
    EXPECT_FALSE(FolderExists(installDir_));
    EXPECT_EQ(stagetest::ProductRegistry(), registry);
}

// Setups killed like a power cut at three moments, each followed by a new start: the start
// first undoes the killed run (in the wizard with a notice before the welcome screen, with
// switches with a line in the log), so that nothing of it is left; an installation made
// afterwards into the folder of a killed run is exactly a clean one. Two installations in
// two folders, each removed by its own uninstaller, leave the registry as it was.
TEST_F(AcceptanceTest, KilledRunsAreUndoneByTheNextStart) {
    const std::string a = scratch_ + "\\Game A", b = scratch_ + "\\Game B";
    const std::string registryBefore = stagetest::ProductRegistry();
    const Tree programsBefore = ReadTree(programs_), desktopBefore = ReadTree(desktop_);
    ASSERT_EQ(RunSetup("/VERYSILENT /DIR=\"" + b + "\""), 0u);
    const Tree cleanB = ReadTree(b);
    const std::string registryB = stagetest::ProductRegistry();

    // 1. Installed again into B, killed while the film archive replaces B's films.
    KillWhen(
        "/VERYSILENT /DIR=\"" + b + "\"",
        [&] { return !stagetest::FileNames(b + "\\movies\\Cinematics", "*.~mvt*").empty(); },
        "files moved aside");
    // The wizard starts: the notice comes before the welcome screen, B is as it was.
    Process wizard("\"" + kProgram + "\"");
    HWND notice = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (notice = WindowWithClientSize(wizard.Id(), 421, 144)); }, 30000));
    EXPECT_FALSE(WizardWindow(wizard.Id())) << "the notice comes first";
    EXPECT_EQ(TreeChanges(cleanB, ReadTree(b)), "");
    EXPECT_EQ(stagetest::ProductRegistry(), registryB);
    Click(ChildAt(notice, 138, 98));
    HWND welcome = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (welcome = WizardWindow(wizard.Id())); }, 20000));
    PostMessageA(welcome, WM_CLOSE, 0, 0);
    HWND confirmation = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (confirmation = WindowWithClientSize(wizard.Id(), 421, 144)); }, 20000));
    Click(ChildAt(confirmation, 57, 98));
    ASSERT_TRUE(wizard.WaitForExit(20000));

    // 2. Into A, killed once the registry records are written; 3. again, once the program
    // group and the uninstall registration are there.
    KillWhen(
        "/SILENT /DIR=\"" + a + "\"",
        [&] {
            return IsString(ReadValue(HKEY_LOCAL_MACHINE, stagetest::kAppPathGame, "Install"),
                            a + "\\");
        },
        "the records written");
    KillWhen(
        "/SILENT /DIR=\"" + a + "\"",
        [&] { return stagetest::KeyExists(HKEY_LOCAL_MACHINE, mvt::install::SealKey(a)); },
        "the uninstall registration written");

    // A new start for another folder (B, installed once more) undoes it first.
    const std::string log = Folder("Logs") + "\\again.txt";
    ASSERT_EQ(RunSetup("/VERYSILENT /DIR=\"" + b + "\" /LOG=\"" + log + "\""), 0u);
    EXPECT_NE(stagetest::FileText(log).find(
                  mvt::install::AnsiToUtf8("Прерванная установка в " + a + " отменена")),
              std::string::npos)
        << stagetest::FileText(log);
    EXPECT_FALSE(FolderExists(a));
    EXPECT_EQ(TreeChanges(cleanB, ReadTree(b)), "");
    EXPECT_EQ(stagetest::ProductRegistry(), registryB);

    // Into A at last: a clean installation.
    ASSERT_EQ(RunSetup("/VERYSILENT /DIR=\"" + a + "\""), 0u);
    ExpectCleanInstallation(a);

    // Each removed by its own uninstaller, B after it was installed twice.
    for (const std::string& dir : {a, b}) {
        Process uninstaller("\"" + dir + "\\unregmvt.exe\" /S", nullptr, dir.c_str());
        ASSERT_TRUE(uninstaller.WaitForExit(60000)) << dir;
        EXPECT_EQ(uninstaller.ExitCode(), 0u) << dir;
        EXPECT_TRUE(WaitUntil([&] { return !FolderExists(dir); }, 30000)) << dir;
    }
    EXPECT_EQ(stagetest::ProductRegistry(), registryBefore);
    EXPECT_EQ(TreeChanges(programsBefore, ReadTree(programs_)), "");
    EXPECT_EQ(TreeChanges(desktopBefore, ReadTree(desktop_)), "");
}

// ---- A drive that fills up while the setup runs -------------------------------------------

// Drive D: is a RAM disk of this test program's own (small_drive.sh): the installation goes
// there, and the drive is filled once the destination screen's space gate has passed.
class FullDriveTest : public AcceptanceTest {
  protected:
    void SetUp() override {
        AcceptanceTest::SetUp();
        programFiles_ = "D:\\Program Files";
        CreateDirectoryA(programFiles_.c_str(), nullptr);
        WriteProgramFiles(programFiles_);
        installDir_ = programFiles_ + "\\Morvath Trilogy";
    }
    void TearDown() override {
        DeleteFileA(kFiller);
        AcceptanceTest::TearDown();
        stagetest::RemoveTree(programFiles_);
    }
    // Welcome to ready as a user goes, the drive filled to `leave` free bytes, then Next.
    bool StartOnAFillingDrive(uint64_t leave) {
        setup_ = std::make_unique<Process>("\"" + kProgram + "\"");
        HWND welcome = nullptr;
        if (!setup_->Started() ||
            !WaitUntil([&] { return (welcome = WizardWindow(setup_->Id())); }, 20000))
            return false;
        HWND destination = Next(setup_->Id(), welcome);
        HWND options = destination ? Next(setup_->Id(), destination) : nullptr;
        HWND ready = options ? Next(setup_->Id(), options) : nullptr;
        if (!ready) return false;
        ULARGE_INTEGER free{};
        GetDiskFreeSpaceExA("D:\\", &free, nullptr, nullptr);
        EXPECT_GT(free.QuadPart, 100u << 20) << "drive D: is not the test's RAM disk";
        if (!stagetest::WriteFiller(kFiller, free.QuadPart - leave)) return false;
        Click(ChildAt(ready, 330, 428));
        return true;
    }
    // The write-problem question (the confirmation's plaque, taller).
    HWND WaitForQuestion(DWORD milliseconds) {
        HWND question = nullptr;
        WaitUntil([&] { return (question = WindowWithClientSize(setup_->Id(), 421, 200)); },
                  milliseconds);
        // MVT_QUESTION_SECONDS keeps it up that long, for a screenshot by hand.
        if (const char* seconds = getenv("MVT_QUESTION_SECONDS"); seconds && question)
            Sleep(atoi(seconds) * 1000);
        return question;
    }
    static constexpr char kFiller[] = "D:\\filler.bin";
};

TEST_F(FullDriveTest, RetryAfterMakingRoomInstallsTheWholeGameTree) {
    ASSERT_TRUE(StartOnAFillingDrive(6u << 20));
    HWND question = WaitForQuestion(120000);
    ASSERT_TRUE(question) << "no question about the full drive";
    ASSERT_TRUE(DeleteFileA(kFiller));  // the user makes room
    Click(ChildAt(question, 57, 154));  // retry
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(question); }, 10000));
    finish_ = WaitForFinishScreen(*setup_);
    ASSERT_TRUE(finish_);
    EXPECT_FALSE(WindowWithClientSize(setup_->Id(), 421, 200)) << "asked a second time";
    ExpectCleanInstallation(installDir_);
    CloseFinishScreen();
}

// The user skips what found no room and then makes room: the next archives and the records
// go on. (On a drive that stays full the settings and uninstall lists cannot be written
// either, and the run says so: Wine's own profile functions used to drop such a write
// without a word.)
TEST_F(FullDriveTest, SkipGoesOnWithTheNextArchivesAndTheRecords) {
    ASSERT_TRUE(StartOnAFillingDrive(6u << 20));
    HWND question = WaitForQuestion(120000);
    ASSERT_TRUE(question);
    int questions = 0;
    // An archive under way while room is made may still find none: it is skipped too.
    while (question && questions < 20) {
        ++questions;
        Click(ChildAt(question, 223, 154));  // skip
        WaitUntil([&] { return !IsWindowVisible(question); }, 10000);
        if (questions == 1) DeleteFileA(kFiller);
        question = WaitForQuestion(3000);
    }
    finish_ = WaitForFinishScreen(*setup_);
    ASSERT_TRUE(finish_);
    if (const char* seconds = getenv("MVT_QUESTION_SECONDS")) Sleep(atoi(seconds) * 1000);
    const Tree game = ReadTree(kGame);
    const Tree installed = ReadTree(installDir_);
    size_t missing = 0;
    for (const auto& [key, facts] : game.files) missing += installed.files.count(key) ? 0 : 1;
    EXPECT_GT(missing, 0u) << "skipped files are not there";
    EXPECT_TRUE(FileExists(installDir_ + "\\morvath.ini")) << "the run went on to its end";
    EXPECT_NE(Record(stagetest::kAppPathGame, "Path"), "");
    CloseFinishScreen();
}

}  // namespace
