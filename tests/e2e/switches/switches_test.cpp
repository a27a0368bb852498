// The setup started with switches, driven from outside like an administrator's script or a
// package manager: the real MVTSetup.exe of the built medium started with the exact command
// line (CreateProcess with the line as written), its exit code, the files, records, links,
// answers file and log it leaves, the windows it shows (or does not); the uninstaller it
// installs, started with its own switches. The shell folders point into the test's scratch
// folder, and the registry keys the setup writes are saved and put back (the install stages'
// fixture). The full-drive case runs with D: on a small RAM disk.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "framework/handles.h"
#include "framework/sha256.h"
#include "install/install_log.h"
#include "install/installation_journal.h"
#include "install/seal_format.h"
#include "stage_fixture.h"
#include "support/file_tree.h"
#include "support/plant_link.h"
#include "support/process_windows.h"
#include "support/window_look.h"
#include "support/wizard_windows.h"

using namespace testsupport;
using stagetest::FileExists;
using stagetest::IsString;
using stagetest::ReadValue;

namespace {

// The medium's folder as the system spells it (the build names it with "..").
std::string FullPath(const std::string& path) {
    char full[MAX_PATH * 2] = "";
    GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return full;
}

const std::string kDist = FullPath(MVT_DIST_DIR);
const std::string kProgram = kDist + "\\MVTSetup.exe";
const std::string kGame = MVT_DEMO_GAME;

// The first window the process shows, waited for; null when none came.
HWND FirstWindow(const Process& process) {
    HWND first = nullptr;
    WaitUntil(
        [&] {
            const auto windows = VisibleWindows(process.Id());
            first = windows.empty() ? nullptr : windows.front();
            return first != nullptr;
        },
        20000);
    return first;
}

DWORD ExitCodeOf(const Process& process) {
    DWORD code = 99;
    HANDLE handle = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process.Id());
    if (handle) {
        GetExitCodeProcess(handle, &code);
        CloseHandle(handle);
    }
    return code;
}

// The texts of a window's children of a class ("Static": a message box's text).
std::string ChildTexts(HWND window, const char* className) {
    struct Query {
        const char* className;
        std::string texts;
    } query{className, {}};
    EnumChildWindows(
        window,
        [](HWND child, LPARAM data) -> BOOL {
            auto* q = reinterpret_cast<Query*>(data);
            char name[32] = {};
            GetClassNameA(child, name, sizeof name);
            if (lstrcmpiA(name, q->className) == 0) q->texts += WindowText(child) + "\n";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&query));
    return query.texts;
}

// A control's whole text, asked for with a message (another process's edit box keeps its
// text to itself).
std::string ControlText(HWND control) {
    std::string text(static_cast<size_t>(SendMessageA(control, WM_GETTEXTLENGTH, 0, 0)) + 1, '\0');
    text.resize(static_cast<size_t>(
        SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

class SwitchesTest : public stagetest::StageTest {
  protected:
    // Runs the command line to its end, watching for any window (each one also handed to
    // onWindow); the exit code.
    DWORD RunLine(const std::string& commandLine, const std::function<void(HWND)>& onWindow = {}) {
        Process program(commandLine);
        EXPECT_TRUE(program.Started()) << commandLine;
        if (!program.Started()) return 99;
        int waited = 0;
        while (!program.WaitForExit(20) && (waited += 20) < 600000)
            for (HWND window : VisibleWindows(program.Id())) {
                sawWindow_ = true;
                const SIZE size = ClientSize(window);
                windowSizes_.insert({size.cx, size.cy});
                if (onWindow) onWindow(window);
            }
        EXPECT_FALSE(program.Running()) << "it did not end";
        return ExitCodeOf(program);
    }
    // Runs the setup with arguments to its end, as RunLine.
    DWORD RunToEnd(const std::string& arguments, const std::string& program = kProgram,
                   const std::function<void(HWND)>& onWindow = {}) {
        return RunLine("\"" + program + "\" " + arguments, onWindow);
    }
    // The log as the program's texts are written (code page 1251 into UTF-8).
    static std::string Utf8(const std::string& text) { return mvt::install::AnsiToUtf8(text); }
    bool LogHas(const std::string& log, const std::string& text) {
        return log.find(Utf8(text)) != std::string::npos;
    }
    // Where a text first stands in the log (npos: nowhere).
    size_t LogAt(const std::string& log, const std::string& text) { return log.find(Utf8(text)); }
    void ExpectNothingWritten(const std::string& dir) {
        EXPECT_FALSE(FolderExists(dir)) << dir;
        // The fixture starts every test without any of the product's keys.
        EXPECT_EQ(stagetest::ProductRegistry(), "");
    }

    bool sawWindow_ = false;
    std::set<std::pair<int, int>> windowSizes_;  // client sizes of the windows seen
};

TEST_F(SwitchesTest, VerySilentInstallsEveryFileWithItsRecordsLinksAndLogAndNoWindow) {
    const std::string dir = scratch_ + "\\Игры\\Морват";
    const std::string logFile = scratch_ + "\\журнал установки.txt";
    // winget's line for an installer of this kind, with a group of our own.
    const DWORD code = RunToEnd("/SP- /verysilent /SUPPRESSMSGBOXES /NORESTART /LOG=\"" + logFile +
                                "\" /DIR=\"" + dir + "\\\" /GROUP=\"Игры: Морват\"");
    EXPECT_EQ(code, 0u);
    EXPECT_FALSE(sawWindow_) << "/VERYSILENT shows no window";

    // Every file of the game tree, byte for byte.
    const Tree game = ReadTree(kGame);
    const Tree installed = ReadTree(dir);
    ASSERT_GT(game.files.size(), 100u);
    for (const auto& [key, facts] : game.files) {
        const auto it = installed.files.find(key);
        ASSERT_NE(it, installed.files.end()) << "missing: " << facts.path;
        EXPECT_EQ(it->second.size, facts.size) << facts.path;
        EXPECT_EQ(it->second.crc, facts.crc) << facts.path;
    }
    EXPECT_TRUE(FileExists(dir + "\\unregmvt.exe"));
    // Records, the group with the name's refused characters dropped, the desktop link.
    stagetest::ExpectRecords(dir);
    stagetest::ExpectUninstallRecord(dir);
    const auto entry = [](const char* name) {
        return ReadValue(HKEY_LOCAL_MACHINE, stagetest::kUninstall, name);
    };
    EXPECT_TRUE(IsString(entry("QuietUninstallString"), "\"" + dir + "\\unregmvt.exe\" /S"));
    EXPECT_TRUE(IsString(entry("DisplayIcon"), dir + "\\morvath.exe"));
    EXPECT_TRUE(IsString(entry("DisplayVersion"), "2.5"));
    EXPECT_TRUE(IsString(entry("Publisher"), "Quillfen Corp"));
    EXPECT_TRUE(IsString(entry("InstallLocation"), dir));
    // The installation's seal names the medium's list of installed files, which the
    // directory's matches.
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, mvt::install::SealKey(dir),
                                   mvt::install::kInstalledFilesHashValue),
                         mvt::Sha256Hex(stagetest::FileText(dir + "\\unregmvt.lst"))));
    uint64_t gameBytes = 0;
    for (const auto& [key, facts] : installed.files) gameBytes += facts.size;
    for (const char* name : {"EstimatedSize", "NoModify", "NoRepair"})
        ASSERT_EQ(entry(name).type, static_cast<DWORD>(REG_DWORD)) << name;
    const auto dword = [&](const char* name) {
        DWORD value = 0;
        std::memcpy(&value, entry(name).data.data(), sizeof value);
        return value;
    };
    // Measured once the settings file and the uninstall list were not there yet.
    EXPECT_LE(dword("EstimatedSize"), (gameBytes + 1023) / 1024);
    EXPECT_GE(dword("EstimatedSize"), gameBytes / 1024 - 8);
    EXPECT_EQ(dword("NoModify"), 1u);
    EXPECT_EQ(dword("NoRepair"), 1u);
    const std::string group = programs_ + "\\Игры Морват";
    for (const stagetest::Link& link : stagetest::kGroupLinks)
        stagetest::ExpectLink(group + "\\" + link.file, dir, link.target);
    EXPECT_TRUE(FileExists(group + "\\" + stagetest::kUninstallLink.file));
    EXPECT_TRUE(FileExists(desktop_ + "\\" + stagetest::kStartLink));
    EXPECT_EQ(stagetest::IniLines(dir + "\\morvath.ini"), stagetest::SettingsLines(dir + "\\"));

    // The log, line by line as it happened.
    const std::string log = stagetest::FileText(logFile);
    EXPECT_TRUE(LogHas(log, "MVT Setup 1.0.0.0")) << log;
    EXPECT_TRUE(LogHas(log, "Командная строка: \"" + kProgram + "\" /SP- /verysilent"));
    EXPECT_TRUE(LogHas(log, "Ключ /SP- принят, здесь он ничего не меняет"));
    EXPECT_TRUE(LogHas(log, "Ключ /NORESTART принят, здесь он ничего не меняет"));
    EXPECT_TRUE(LogHas(log, "Дистрибутив: " + kDist + "\\"));
    EXPECT_TRUE(LogHas(log, "Версия Windows: "));
    EXPECT_TRUE(LogHas(log, "Каталог установки: " + dir + "\r\n"));
    EXPECT_TRUE(LogHas(log, "Программная группа: Игры Морват\r\n"));
    EXPECT_TRUE(LogHas(log, "Ярлык на рабочем столе: да"));
    EXPECT_TRUE(LogHas(log, "Архив " + kDist + "\\Archives\\Main.zip -> " + dir + ": файлов "));
    EXPECT_TRUE(LogHas(log, "Архив " + kDist + "\\Archives\\Unregmvt.zip -> " + dir));
    EXPECT_TRUE(LogHas(log, "(полностью), время "));
    EXPECT_FALSE(LogHas(log, "не полностью"));
    // The command is registered quoted; the log quotes every text value once more.
    EXPECT_TRUE(LogHas(log, "Реестр:   UninstallString = \"\"" + dir + "\\unregmvt.exe\"\""));
    EXPECT_TRUE(LogHas(log, "Реестр:   MV25Version = 2500"));
    EXPECT_TRUE(LogHas(log, "Ярлык: " + desktop_ + "\\" + stagetest::kStartLink));
    EXPECT_TRUE(LogHas(log, "Файл настроек: " + dir + "\\morvath.ini"));
    // Each record read back right after its stage, each once, the view named.
    const size_t registryStage = LogAt(log, "Этап: Создание ключей реестра");
    const size_t groupStage = LogAt(log, "Этап: Создание программной группы");
    const size_t settingsStage = LogAt(log, "Этап: Создание файла настроек");
    const std::string appPath = "Реестр: HKEY_LOCAL_MACHINE\\" +
                                std::string(stagetest::kAppPathGame) + " (32-битное представление)";
    const std::string uninstallKey =
        "Реестр: HKEY_LOCAL_MACHINE\\" + std::string(stagetest::kUninstall);
    EXPECT_LT(registryStage, LogAt(log, appPath));
    EXPECT_LT(LogAt(log, appPath), groupStage);
    EXPECT_LT(groupStage, LogAt(log, "Ярлык: " + group));
    EXPECT_LT(LogAt(log, uninstallKey), settingsStage);
    EXPECT_LT(settingsStage, LogAt(log, "Файл настроек: "));
    EXPECT_EQ(Count(log, Utf8(appPath)), 1u);
    EXPECT_EQ(Count(log, Utf8(uninstallKey)), 1u);
    EXPECT_TRUE(LogHas(log, "Итог: установлено полностью\r\n"));
    EXPECT_EQ(LogAt(log, "Итог: "), log.rfind(Utf8("Итог: ")));
    EXPECT_TRUE(log.size() > 3 && log.compare(log.size() - 2, 2, "\r\n") == 0);
    EXPECT_NE(log.rfind(Utf8("Код завершения: 0\r\n")), std::string::npos);
    EXPECT_EQ(log.rfind(Utf8("Код завершения: 0\r\n")),
              log.size() - Utf8("Код завершения: 0\r\n").size())
        << "the exit code is the last line";
    // Every line starts with its time.
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);)
        EXPECT_TRUE(line.size() > 25 && line[4] == '-' && line[10] == ' ' && line[13] == ':')
            << line;
}

TEST_F(SwitchesTest, ChocolateysLineLeavesOutTheProgramGroupAndSkipsWhatItDoesNotKnow) {
    const std::string dir = scratch_ + "\\Game";
    const std::string logFile = scratch_ + "\\choco.txt";
    EXPECT_EQ(RunToEnd("/SP- /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /CLOSEAPPLICATIONS "
                       "/FORCECLOSEAPPLICATIONS /NOICONS /RESTARTEXITCODE=3010 "
                       "/O:PathOption=Cmd /MERGETASKS=\"!uninstaller\" /DIR=\"" +
                       dir + "\" /LOG=\"" + logFile + "\""),
              0u);
    EXPECT_FALSE(sawWindow_);
    EXPECT_TRUE(FileExists(dir + "\\MVConfig.exe"));
    stagetest::ExpectRecords(dir);
    EXPECT_FALSE(FolderExists(programs_ + "\\Morvath Trilogy")) << "/NOICONS: no group at all";
    EXPECT_TRUE(FileExists(desktop_ + "\\" + stagetest::kStartLink)) << "a task of its own";
    EXPECT_FALSE(FileExists(dir + "\\unregmvt.exe"));
    EXPECT_FALSE(stagetest::KeyExists(HKEY_LOCAL_MACHINE, stagetest::kUninstall));
    const std::string log = stagetest::FileText(logFile);
    EXPECT_TRUE(LogHas(log, "Неизвестный параметр пропущен: /O:PathOption=Cmd")) << log;
    for (const char* name : {"/SP-", "/NORESTART", "/CLOSEAPPLICATIONS", "/FORCECLOSEAPPLICATIONS",
                             "/RESTARTEXITCODE"})
        EXPECT_TRUE(LogHas(log, std::string("Ключ ") + name + " принят")) << name;
    EXPECT_TRUE(LogHas(log, "Программная группа: нет (/NOICONS)"));
    EXPECT_FALSE(LogHas(log, "Ярлык: " + programs_));
}

// /SAVEINF writes the answers an installation was given; /LOADINF presets another from
// them, with the switches on its own line over them.
TEST_F(SwitchesTest, SavedAnswersPresetTheNextInstallationAndTheLineWins) {
    const std::string first = scratch_ + "\\First", second = scratch_ + "\\Second";
    const std::string answers = scratch_ + "\\ответы.inf";
    EXPECT_EQ(RunToEnd("/VERYSILENT /TASKS=\"uninstaller\" /NOUNINSTALLER /GROUP=\"Моя группа\" "
                       "/DIR=\"" +
                       first + "\" /SAVEINF=\"" + answers + "\""),
              0u);
    EXPECT_FALSE(FileExists(desktop_ + "\\" + stagetest::kStartLink)) << "not among /TASKS";
    EXPECT_FALSE(FileExists(first + "\\unregmvt.exe")) << "/NOUNINSTALLER over /TASKS";
    EXPECT_TRUE(FileExists(programs_ + "\\Моя группа\\" + stagetest::kGroupLinks[0].file));
    EXPECT_EQ(stagetest::IniLines(answers),
              (std::vector<std::string>{"[Setup]", "Lang=ru", "Dir=" + first, "Group=Моя группа",
                                        "NoIcons=0", "Tasks="}));

    const std::string logFile = scratch_ + "\\loaded.txt";
    EXPECT_EQ(RunToEnd("/VERYSILENT /LANG=ru /LOADINF=\"" + answers + "\" /DIR=\"" + second +
                       "\" /MERGETASKS=uninstaller /LOG=\"" + logFile + "\""),
              0u);
    EXPECT_TRUE(FileExists(second + "\\MVConfig.exe")) << "the line's folder";
    EXPECT_TRUE(FileExists(second + "\\unregmvt.exe")) << "merged onto the file's tasks";
    EXPECT_FALSE(FileExists(desktop_ + "\\" + stagetest::kStartLink));
    stagetest::ExpectLink(programs_ + "\\Моя группа\\" + stagetest::kGroupLinks[0].file, second,
                          stagetest::kGroupLinks[0].target);
    EXPECT_TRUE(LogHas(stagetest::FileText(logFile), "Ответы из файла: " + answers))
        << stagetest::FileText(logFile);
}

TEST_F(SwitchesTest, ANearMissOrABadValueRefusesToStartAndWritesNothing) {
    const std::string dir = scratch_ + "\\Game";
    const std::string logFile = scratch_ + "\\refused.txt";
    EXPECT_EQ(RunToEnd("/VERYSILENT /DIR=\"" + dir + "\" /NODESKTOPP /LOG=\"" + logFile + "\""),
              1u);
    EXPECT_FALSE(sawWindow_) << "no box with /VERYSILENT";
    ExpectNothingWritten(dir);
    const std::string log = stagetest::FileText(logFile);
    EXPECT_TRUE(LogHas(log,
                       "Итог: установка не начата: Неизвестный ключ /NODESKTOPP похож на "
                       "/NODESKTOP: проверьте командную строку."))
        << log;
    EXPECT_TRUE(LogHas(log, "Код завершения: 1"));

    const std::vector<std::string> refused = {"/DIR=Game",
                                              "/DIR=Q:\\Game",
                                              "/DIR=\"" + dir + "\" /dir=\"" + dir + "\\Other\"",
                                              "/GROUP=\"::\" /DIR=\"" + dir + "\"",
                                              "/NODESKTOP=1",
                                              "/CURRENTUSER",
                                              "/LANG=en",
                                              "/TASKS=quicklaunch",
                                              "/LOADINF=\"" + scratch_ + "\\none.inf\"",
                                              "/DIR=\"C:\\Games\\CON\""};
    for (const std::string& bad : refused) EXPECT_EQ(RunToEnd("/VERYSILENT " + bad), 1u) << bad;
    EXPECT_FALSE(sawWindow_);
    ExpectNothingWritten(dir);
}

// A log named on the command line that is a link of any kind, a file with a second name, or
// in a folder that is a link is refused: exit code 1, and nothing written, neither there nor
// where it leads. Without a name the log takes a new name that nothing has taken, not even a
// link.
TEST_F(SwitchesTest, ALogThatIsALinkIsRefusedAndTheDefaultLogTakesAFreeName) {
    const std::string dir = scratch_ + "\\Game";
    const std::string outside = Folder("Outside") + "\\system.log";
    stagetest::WriteFile(outside, "not the setup's");
    const std::string logs = Folder("Logs");
    ASSERT_TRUE(PlantLink(scratch_ + "\\Linked", Folder("Outside")));
    const std::vector<std::pair<std::string, bool (*)(const std::string&, const std::string&)>>
        planted = {{logs + "\\soft.log", &PlantLink}, {logs + "\\hard.log", &PlantHardLink}};
    for (const auto& [logFile, plant] : planted) ASSERT_TRUE(plant(logFile, outside)) << logFile;
    for (const std::string& logFile :
         {logs + "\\soft.log", logs + "\\hard.log", scratch_ + "\\Linked\\new.log"})
        EXPECT_EQ(RunToEnd("/VERYSILENT /DIR=\"" + dir + "\" /LOG=\"" + logFile + "\""), 1u)
            << logFile;
    EXPECT_EQ(stagetest::FileText(outside), "not the setup's");
    EXPECT_FALSE(FileExists(Folder("Outside") + "\\new.log"));
    ExpectNothingWritten(dir);

    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    SYSTEMTIME today{};
    GetLocalTime(&today);
    const auto logNamed = [&](unsigned number) {
        return std::string(temp) + mvt::install::DefaultLogName(today, number);
    };
    unsigned free = 1;
    while (GetFileAttributesA(logNamed(free).c_str()) != INVALID_FILE_ATTRIBUTES) ++free;
    ASSERT_TRUE(PlantLink(logNamed(free), outside));
    ASSERT_TRUE(PlantHardLink(logNamed(free + 1), outside));
    ASSERT_FALSE(FileExists(logNamed(free + 2)));
    EXPECT_EQ(RunToEnd("/VERYSILENT /LOG /CURRENTUSER"), 1u);
    EXPECT_TRUE(LogHas(stagetest::FileText(logNamed(free + 2)), "/CURRENTUSER"))
        << stagetest::FileText(logNamed(free + 2));
    EXPECT_EQ(stagetest::FileText(outside), "not the setup's");
    for (unsigned number = free; number <= free + 2; ++number)
        DeleteFileA(logNamed(number).c_str());
}

TEST_F(SwitchesTest, WithoutVerySilentARefusalIsToldInABox) {
    // A slip in an unattended line never falls into the wizard.
    Process setup("\"" + kProgram + "\" /VERYSLENT /SUPPRESSMSGBOXES");
    ASSERT_TRUE(setup.Started());
    const HWND box = FirstWindow(setup);
    ASSERT_TRUE(box);
    EXPECT_EQ(WindowText(box), "MVT Setup");
    EXPECT_NE(ChildTexts(box, "Static").find("похож на /VERYSILENT"), std::string::npos)
        << ChildTexts(box, "Static");
    PostMessageA(box, WM_CLOSE, 0, 0);
    ASSERT_TRUE(setup.WaitForExit(20000));
    EXPECT_EQ(ExitCodeOf(setup), 1u);
}

TEST_F(SwitchesTest, HelpIsAWindowWithAlignedColumnsOrWithVerySilentNothing) {
    EXPECT_EQ(RunToEnd("/VERYSILENT /?"), 0u);
    EXPECT_FALSE(sawWindow_);
    Process setup("\"" + kProgram + "\" /help");
    ASSERT_TRUE(setup.Started());
    const HWND window = FirstWindow(setup);
    ASSERT_TRUE(window);
    const HWND text = FindWindowExA(window, nullptr, "Edit", nullptr);
    ASSERT_TRUE(text);
    const std::string shown = ControlText(text);
    EXPECT_NE(shown.find("/MERGETASKS=\"задачи\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("/NOFORCECLOSEAPPLICATIONS"), std::string::npos);
    EXPECT_NE(shown.find("MVTSetup Log"), std::string::npos);
    // No line is wrapped: the box shows as many lines as the text has.
    const LRESULT shownLines = SendMessageA(text, EM_GETLINECOUNT, 0, 0);
    EXPECT_EQ(static_cast<size_t>(shownLines), Count(shown, "\r\n") + 1);
    const HWND ok = FindWindowExA(window, nullptr, "Button", nullptr);
    ASSERT_TRUE(ok);
    EXPECT_EQ(WindowText(ok), "ОК");
    Click(ok);
    ASSERT_TRUE(setup.WaitForExit(20000));
    EXPECT_EQ(ExitCodeOf(setup), 0u);
}

TEST_F(SwitchesTest, SilentShowsOnlyTheProgressScreenAndCancellingExitsFive) {
    const std::string dir = scratch_ + "\\Game";
    const std::string logFile = scratch_ + "\\silent.txt";
    Process setup("\"" + kProgram + "\" /SILENT /DIR=\"" + dir + "\" /LOG=\"" + logFile + "\"");
    ASSERT_TRUE(setup.Started());
    HWND progress = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (progress = WindowWithClientSize(setup.Id(), 640, 480)); }, 20000));
    // The progress screen has no buttons; the wizard's other screens have Next there.
    HWND below = ChildAt(progress, 330, 428);
    EXPECT_TRUE(below == nullptr || ClientSize(below).cx != 147) << "a wizard screen's Next";
    // Closed while the film archive is under way, as the acceptance test does.
    ASSERT_TRUE(
        WaitUntil([&] { return FileExists(dir + "\\movies\\Cinematics\\chapter1.mve"); }, 120000));
    EXPECT_EQ(VisibleWindows(setup.Id()).size(), 1u);
    EXPECT_EQ(WindowWithClientSize(setup.Id(), 640, 480), progress);
    PostMessageA(progress, WM_CLOSE, 0, 0);
    HWND confirmation = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (confirmation = WindowWithClientSize(setup.Id(), 421, 144)); }, 20000));
    Click(ChildAt(confirmation, 57, 98));  // exit
    ASSERT_TRUE(setup.WaitForExit(120000)) << "the setup did not end";
    EXPECT_EQ(ExitCodeOf(setup), 5u);
    ExpectNothingWritten(dir);
    const std::string log = stagetest::FileText(logFile);
    EXPECT_FALSE(LogHas(log, "Архив " + kDist + "\\Archives\\Music.zip")) << "never started";
    EXPECT_TRUE(LogHas(log, "Итог: установка прервана пользователем, всё отменено")) << log;
    EXPECT_TRUE(LogHas(log, "Этап: Отмена установки...")) << log;
    EXPECT_TRUE(LogHas(log, "Всё, что изменила установка, отменено"));
    EXPECT_TRUE(LogHas(log, "Код завершения: 5"));
}

TEST_F(SwitchesTest, SilentWithNoCancelRunsToItsEndOnTheProgressScreenAlone) {
    const std::string dir = scratch_ + "\\Game";
    // winget's line with progress; the progress screen is asked to close as soon as it shows
    // (a confirmation, should one come, is answered so that the run goes on).
    bool asked = false;
    EXPECT_EQ(RunToEnd("/SP- /SILENT /SUPPRESSMSGBOXES /NORESTART /NOCANCEL /DIR=\"" + dir + "\"",
                       kProgram,
                       [&](HWND window) {
                           const SIZE size = ClientSize(window);
                           if (!asked && size.cx == 640)
                               asked = PostMessageA(window, WM_CLOSE, 0, 0);
                           if (size.cx == 421) Click(ChildAt(window, 223, 98));  // cancel
                       }),
              0u);
    EXPECT_TRUE(asked);
    // Only the progress screen: no cancel confirmation (421 x 144), no finish screen
    // (478 x 240), no box.
    EXPECT_EQ(windowSizes_, (std::set<std::pair<int, int>>{{640, 480}}));
    EXPECT_TRUE(FileExists(dir + "\\morvath.ini"));
    stagetest::ExpectRecords(dir);
    stagetest::ExpectUninstallRecord(dir);
}

TEST_F(SwitchesTest, AnIncompleteMediumRefusesToStart) {
    const std::string medium = Folder("medium");
    CreateDirectoryA((medium + "\\Archives").c_str(), nullptr);
    for (const char* file : {"MVTSetup.exe", "ZipLib179.dll", "MVTSetup.ini", "Archives\\Main.zip"})
        ASSERT_TRUE(CopyFileA((kDist + "\\" + file).c_str(), (medium + "\\" + file).c_str(), FALSE))
            << file;
    const std::string dir = scratch_ + "\\Game";
    const std::string logFile = scratch_ + "\\incomplete.txt";
    EXPECT_EQ(RunToEnd("/VERYSILENT /DIR=\"" + dir + "\" /LOG=\"" + logFile + "\"",
                       medium + "\\MVTSetup.exe"),
              1u);
    EXPECT_FALSE(sawWindow_);
    ExpectNothingWritten(dir);
    EXPECT_TRUE(LogHas(stagetest::FileText(logFile),
                       "Дистрибутив неполон: нет файла " + medium + "\\Archives\\Characters.zip"))
        << stagetest::FileText(logFile);
}

TEST_F(SwitchesTest, TheWizardTakesItsPresetsFromTheSwitchesAndLogsItsRun) {
    const std::string dir = scratch_ + "\\Preset Place";
    const std::string logFile = scratch_ + "\\wizard.txt";
    const std::string answers = scratch_ + "\\wizard.inf";
    Process setup("\"" + kProgram + "\" /DIR=\"" + dir + "\" /GROUP=Preset /NODESKTOP /LOG=\"" +
                  logFile + "\" /SAVEINF=\"" + answers + "\"");
    ASSERT_TRUE(setup.Started());
    HWND screen = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (screen = WizardWindow(setup.Id())); }, 20000));
    // Welcome, destination, options: everything as preset, only the configuration program
    // turned off; ready; then the progress screen.
    for (int step = 0; step < 2 && screen; ++step) screen = Next(setup.Id(), screen);
    ASSERT_TRUE(screen);
    Click(ChildAt(screen, 332, 238));
    for (int step = 0; step < 2 && screen; ++step) screen = Next(setup.Id(), screen);
    ASSERT_TRUE(screen);
    HWND finish = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (finish = WindowWithClientSize(setup.Id(), 478, 240)); }, 120000))
        << "no finish screen";
    PostMessageA(finish, WM_CLOSE, 0, 0);
    ASSERT_TRUE(setup.WaitForExit(20000));
    EXPECT_EQ(ExitCodeOf(setup), 0u);

    EXPECT_TRUE(FileExists(dir + "\\MVConfig.exe"));
    stagetest::ExpectRecords(dir);
    EXPECT_TRUE(FileExists(programs_ + "\\Preset\\" + stagetest::kGroupLinks[0].file));
    EXPECT_FALSE(FileExists(desktop_ + "\\" + stagetest::kStartLink)) << "/NODESKTOP preset";
    const std::string log = stagetest::FileText(logFile);
    EXPECT_TRUE(LogHas(log, "Выбрано в мастере: каталог " + dir +
                                ", группа Preset, ярлык на "
                                "рабочем столе нет, деинсталлятор да, программа настройки нет"))
        << log;
    EXPECT_TRUE(LogHas(log, "Архив " + kDist + "\\Archives\\Main.zip -> " + dir));
    EXPECT_TRUE(LogHas(log, "Код завершения: 0"));
    // The answers as the screens gave them.
    EXPECT_EQ(stagetest::IniLines(answers),
              (std::vector<std::string>{"[Setup]", "Lang=ru", "Dir=" + dir, "Group=Preset",
                                        "NoIcons=0", "Tasks=uninstaller"}));
}

TEST_F(SwitchesTest, LeavingTheWizardBeforeTheInstallationExitsTwo) {
    const std::string logFile = scratch_ + "\\left.txt";
    Process setup("\"" + kProgram + "\" /LOG=\"" + logFile + "\"");
    ASSERT_TRUE(setup.Started());
    HWND welcome = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (welcome = WizardWindow(setup.Id())); }, 20000));
    PostMessageA(welcome, WM_CLOSE, 0, 0);
    HWND confirmation = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] { return (confirmation = WindowWithClientSize(setup.Id(), 421, 144)); }, 20000));
    Click(ChildAt(confirmation, 57, 98));  // exit
    ASSERT_TRUE(setup.WaitForExit(20000));
    EXPECT_EQ(ExitCodeOf(setup), 2u);
    const std::string log = stagetest::FileText(logFile);
    EXPECT_TRUE(LogHas(log, "Итог: мастер закрыт до начала установки")) << log;
    EXPECT_TRUE(LogHas(log, "Код завершения: 2"));
}

// A /DIR with a step up and a trailing dot and blank installs into the folder Windows makes
// of it and records that one, so that its own uninstall command, with the switches package
// managers send an uninstaller, removes it and logs what it removed.
TEST_F(SwitchesTest, ANormalisedFolderIsRemovedByItsOwnUninstallCommand) {
    const std::string dir = scratch_ + "\\Game";
    EXPECT_EQ(RunToEnd("/VERYSILENT \"/DIR=" + scratch_ + "\\Sub\\..\\Game. \""), 0u);
    EXPECT_TRUE(FileExists(dir + "\\MVConfig.exe"));
    const std::string command = "\"" + dir + "\\unregmvt.exe\"";
    EXPECT_TRUE(
        IsString(ReadValue(HKEY_LOCAL_MACHINE, stagetest::kUninstall, "UninstallString"), command));
    EXPECT_TRUE(
        IsString(ReadValue(HKEY_LOCAL_MACHINE, stagetest::kUninstall, "InstallLocation"), dir));

    // A copy with no list beside it refuses without a window; a log without a name goes to
    // the temporary folder.
    const std::string lone = Folder("lone") + "\\unregmvt.exe";
    ASSERT_TRUE(CopyFileA((dir + "\\unregmvt.exe").c_str(), lone.c_str(), FALSE));
    const std::set<std::string> logsBefore = TempItems("MVTUninstall Log *.txt");
    EXPECT_EQ(RunLine("\"" + lone + "\" /SILENT /LOG"), 2u);
    EXPECT_FALSE(sawWindow_);
    std::set<std::string> newLogs = TempItems("MVTUninstall Log *.txt");
    for (const std::string& old : logsBefore) newLogs.erase(old);
    ASSERT_EQ(newLogs.size(), 1u);
    const std::string refusal = stagetest::FileText(*newLogs.begin());
    EXPECT_TRUE(LogHas(refusal, "Итог: удаление не начато: ")) << refusal;
    EXPECT_TRUE(LogHas(refusal, "Код завершения: 2"));
    DeleteFileA(newLogs.begin()->c_str());

    const std::string logFile = scratch_ + "\\uninstall.txt";
    EXPECT_EQ(
        RunLine(command + " /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /LOG=\"" + logFile + "\""),
        0u);
    EXPECT_FALSE(sawWindow_);
    EXPECT_TRUE(WaitUntil([&] { return !FolderExists(dir); }, 20000))
        << "the uninstaller's copy removes the folder once it has ended";
    EXPECT_FALSE(stagetest::KeyExists(HKEY_LOCAL_MACHINE, stagetest::kUninstall));
    EXPECT_FALSE(FolderExists(programs_ + "\\Morvath Trilogy"));
    const std::string log = stagetest::FileText(logFile);
    EXPECT_TRUE(LogHas(log, "Каталог установки: " + dir + "\r\n")) << log;
    EXPECT_TRUE(LogHas(log, "Удалено: MVConfig.exe\r\n"));
    EXPECT_TRUE(LogHas(log, "Удалено: " + desktop_ + "\\" + stagetest::kStartLink + "\r\n"));
    EXPECT_TRUE(LogHas(log, "Удалено: HKLM\\" + std::string(stagetest::kUninstall) + "\r\n"));
    EXPECT_TRUE(LogHas(log, "Итог: Трилогия Морвата удалена.\r\n"));
    EXPECT_TRUE(LogHas(log, "Код завершения: 0\r\n"));
}

// Run with D: on a 160 MB RAM disk: a medium whose archive unpacks to more than the drive
// holds, while its FullSize lets the destination's space check pass.
TEST_F(SwitchesTest, FullDriveEndsWithFourAndTheLogSaysWhy) {
    ASSERT_TRUE(FolderExists("D:\\")) << "run through small_drive.sh";
    const std::string medium = Folder("medium");
    CreateDirectoryA((medium + "\\Archives").c_str(), nullptr);
    for (const char* file : {"MVTSetup.exe", "ZipLib179.dll", "Archives\\Unregmvt.zip"})
        ASSERT_TRUE(CopyFileA((kDist + "\\" + file).c_str(), (medium + "\\" + file).c_str(), FALSE))
            << file;
    ASSERT_TRUE(
        CopyFileA(MVT_FULL_DRIVE_ARCHIVE, (medium + "\\Archives\\Main.zip").c_str(), FALSE));
    stagetest::WriteFile(medium + "\\MVTSetup.ini",
                         "[Setup]\r\nFullSize=1000000\r\n\r\n"
                         "[Files]\r\nFile0=Main.zip\r\n");
    const std::string logFile = scratch_ + "\\full.txt";
    const DWORD code =
        RunToEnd("/VERYSILENT /DIR=D:\\Game /LOG=\"" + logFile + "\"", medium + "\\MVTSetup.exe");
    EXPECT_EQ(code, 4u);
    EXPECT_FALSE(sawWindow_);
    const std::string log = stagetest::FileText(logFile);
    EXPECT_TRUE(LogHas(log, "(не полностью)")) << log;
    EXPECT_TRUE(LogHas(log, "Не записан: ")) << log;
    EXPECT_TRUE(LogHas(log, "на диске нет места")) << log;
    EXPECT_TRUE(LogHas(log, "Всё, что изменила установка, отменено"));
    EXPECT_TRUE(LogHas(log, "Код завершения: 4"));
    ExpectNothingWritten("D:\\Game");
    stagetest::RemoveTree("D:\\Game");
}

// Exit code 4 means "not installed": a damaged archive leaves files out, so everything the
// run wrote goes again, and the log says what failed and that it was undone.
TEST_F(SwitchesTest, ADamagedMediumUnderVerySilentLeavesNothing) {
    const std::string medium = Folder("medium");
    CreateDirectoryA((medium + "\\Archives").c_str(), nullptr);
    for (const char* file : {"MVTSetup.exe", "ZipLib179.dll", "Archives\\Main.zip",
                             "Archives\\Data.zip", "Archives\\Unregmvt.zip"})
        ASSERT_TRUE(CopyFileA((kDist + "\\" + file).c_str(), (medium + "\\" + file).c_str(), FALSE))
            << file;
    // A run of bytes in the middle of the data archive's files, spoilt as by a bad disc.
    std::string data = stagetest::FileText(medium + "\\Archives\\Data.zip");
    ASSERT_GT(data.size(), 100000u);
    for (size_t at = data.size() / 3; at < data.size() / 3 + 64; ++at) data[at] ^= 0x5A;
    stagetest::WriteFile(medium + "\\Archives\\Data.zip", data);
    stagetest::WriteFile(medium + "\\MVTSetup.ini",
                         "[Setup]\r\nFullSize=3000000\r\n\r\n"
                         "[Files]\r\nFile0=Main.zip\r\nFile1=Data.zip\r\n");
    const std::string dir = scratch_ + "\\Game";
    const std::string logFile = scratch_ + "\\damaged.txt";
    const testsupport::Tree links = ReadTree(scratch_ + "\\Start Menu");
    EXPECT_EQ(RunToEnd("/VERYSILENT /DIR=\"" + dir + "\" /LOG=\"" + logFile + "\"",
                       medium + "\\MVTSetup.exe"),
              4u);
    ExpectNothingWritten(dir);
    EXPECT_EQ(TreeChanges(links, ReadTree(scratch_ + "\\Start Menu")), "");
    EXPECT_FALSE(FileExists(desktop_ + "\\" + stagetest::kStartLink));
    const std::string log = stagetest::FileText(logFile);
    EXPECT_TRUE(LogHas(log, "Не записан: ")) << log;
    EXPECT_TRUE(LogHas(log, "Всё, что изменила установка, отменено")) << log;
    EXPECT_TRUE(LogHas(log, "Итог: не установлено: не установлено файлов 1, всё отменено\r\n"));
    EXPECT_TRUE(LogHas(log, "Код завершения: 4"));
}

// The lines of a log (UTF-8) without their times.
std::vector<std::string> LogTexts(const std::string& log) {
    std::vector<std::string> texts;
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t time = line.find(' ');
        const size_t text = time == std::string::npos
                                ? time
                                : line.find_first_not_of(' ', line.find(' ', time + 1));
        if (text != std::string::npos) texts.push_back(line.substr(text));
    }
    return texts;
}

// What a check named damaged or missing: its lines that name an item, in order.
std::vector<std::string> DamagedLines(const std::string& log) {
    std::vector<std::string> damaged;
    for (const std::string& text : LogTexts(log))
        for (const char* kind :
             {"Файл ", "Папка ", "Ярлык ", "Ключ ", "Значение реестра ", "Список ярлыков "})
            if (text.starts_with(mvt::install::AnsiToUtf8(kind)) &&
                text.find(": ") != std::string::npos) {
                damaged.push_back(text);
                break;
            }
    return damaged;
}

// Installed, then damaged as a user or a failing disk would: a changed byte, a cut file, a
// deleted file, a deleted shortcut, registry value and settings key, besides a user's own
// settings line, changed value and file. /VERIFY names exactly those and changes nothing;
// /REPAIR puts back only them and leaves the user's own; a changed list is refused.
TEST_F(SwitchesTest, VerifyNamesWhatIsDamagedAndRepairPutsBackOnlyThat) {
    const std::string dir = scratch_ + "\\Game";
    ASSERT_EQ(RunToEnd("/VERYSILENT /DIR=\"" + dir + "\""), 0u);
    const Tree clean = ReadTree(dir);
    std::vector<const FileFacts*> picked;  // three files of some size, far apart in the tree
    for (const auto& [key, facts] : clean.files)
        if (facts.size > 4096 && key.find('\\') != std::string::npos &&
            (picked.empty() || picked.back()->path.substr(0, 4) != facts.path.substr(0, 4)))
            picked.push_back(&facts);
    ASSERT_GE(picked.size(), 3u);
    const std::string changed = picked[0]->path, cut = picked[1]->path, gone = picked[2]->path;
    std::string bytes = stagetest::FileText(dir + "\\" + changed);
    bytes[bytes.size() / 2] ^= 0x01;
    stagetest::WriteFile(dir + "\\" + changed, bytes);
    bytes = stagetest::FileText(dir + "\\" + cut);
    stagetest::WriteFile(dir + "\\" + cut, bytes.substr(0, bytes.size() / 2));
    ASSERT_TRUE(DeleteFileA((dir + "\\" + gone).c_str()));
    const std::string group = programs_ + "\\Morvath Trilogy";
    const std::string link = group + "\\" + stagetest::kGroupLinks[1].file;
    ASSERT_TRUE(DeleteFileA(link.c_str()));
    stagetest::DeleteValue(HKEY_LOCAL_MACHINE, stagetest::kUninstall, "DisplayIcon");
    const std::string ini = dir + "\\morvath.ini";
    WritePrivateProfileStringA("Local", "Language25", nullptr, ini.c_str());
    WritePrivateProfileStringA("Game Options", "Footsteps", "0", ini.c_str());
    WritePrivateProfileStringA("Мои", "Громкость", "7", ini.c_str());
    stagetest::WriteFile(dir + "\\data\\мои заметки.txt", "своё");
    ASSERT_TRUE(RemoveDirectoryA((dir + "\\cache").c_str())) << "an empty game folder";

    const Tree damaged = ReadTree(dir), menu = ReadTree(scratch_ + "\\Start Menu");
    const std::string records = stagetest::ProductRegistry();
    const std::string verifyLog = scratch_ + "\\verify.txt";
    EXPECT_EQ(RunToEnd("/VERYSILENT /VERIFY /LOG=\"" + verifyLog + "\""), 4u);
    EXPECT_FALSE(sawWindow_);
    EXPECT_EQ(TreeChanges(damaged, ReadTree(dir)), "");
    EXPECT_EQ(TreeChanges(menu, ReadTree(scratch_ + "\\Start Menu")), "");
    EXPECT_EQ(stagetest::ProductRegistry(), records);
    std::string log = stagetest::FileText(verifyLog);
    const std::vector<std::string> named = DamagedLines(log);
    ASSERT_EQ(named.size(), 7u) << log;
    const std::set<std::string> expected = {
        "Файл " + changed + ": содержимое изменено",
        "Файл " + cut + ": размер",
        "Файл " + gone + ": нет",
        "Папка cache: нет",
        "Ярлык " + link + ": нет",
        "Значение реестра HKLM\\" + std::string(stagetest::kUninstall) + " DisplayIcon: нет",
        "Ключ morvath.ini [Local] Language25: нет"};
    for (const std::string& line : named) {
        const bool known = std::any_of(expected.begin(), expected.end(), [&](const std::string& e) {
            return line.starts_with(Utf8(e));
        });
        EXPECT_TRUE(known) << line;
    }
    EXPECT_TRUE(LogHas(log, "Оставлено как есть: Ключ morvath.ini [Game Options] Footsteps"));
    EXPECT_TRUE(LogHas(log,
                       "Итог: повреждено или отсутствует: файлов 3, папок 1, ярлыков 1, записей 1, "
                       "ключей настроек 1\r\n"))
        << log;
    EXPECT_TRUE(LogHas(log, "Код завершения: 4"));

    // A damaged file held open by another program: the repair cannot replace it, so all it
    // put back is undone and the installation stays as it was found.
    {
        const mvt::UniqueHandle held(CreateFileA((dir + "\\" + changed).c_str(), GENERIC_READ, 0,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);
        const std::string failedLog = scratch_ + "\\failed.txt";
        EXPECT_EQ(RunToEnd("/VERYSILENT /REPAIR /LOG=\"" + failedLog + "\""), 4u);
        log = stagetest::FileText(failedLog);
        EXPECT_TRUE(LogHas(log, "Всё, что изменила установка, отменено")) << log;
        EXPECT_TRUE(LogHas(log, "Итог: восстановление не удалось")) << log;
    }
    EXPECT_EQ(TreeChanges(damaged, ReadTree(dir)), "");
    EXPECT_EQ(TreeChanges(menu, ReadTree(scratch_ + "\\Start Menu")), "");
    EXPECT_EQ(stagetest::ProductRegistry(), records);

    const std::string repairLog = scratch_ + "\\repair.txt";
    // Without a silent switch: the progress screen, then the result in the skin's notice.
    Process shown("\"" + kProgram + "\" /REPAIR /LOG=\"" + repairLog + "\"");
    ASSERT_TRUE(shown.Started());
    HWND notice = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (notice = WindowWithClientSize(shown.Id(), 421, 144)); }, 60000));
    EXPECT_EQ(WindowText(notice), "Восстановление Трилогии Морвата");
    if (const char* looks = std::getenv("MVT_LOOK_DIR")) {  // to look at, once painted
        Sleep(700);
        CaptureLook(notice).SaveBmp(std::string(looks) + "\\repair-result.bmp");
    }
    PostMessageA(notice, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(shown.WaitForExit(20000));
    EXPECT_EQ(ExitCodeOf(shown), 0u);
    log = stagetest::FileText(repairLog);
    EXPECT_TRUE(LogHas(log,
                       "Итог: восстановлено: файлов 3, папок 1, ярлыков 1, записей 1, ключей "
                       "настроек 1\r\n"))
        << log;
    std::set<std::string> passes;  // one pass per archive that brings a damaged file
    for (const std::string& text : LogTexts(log))
        if (text.starts_with(Utf8("Распаковать из архива ")))
            EXPECT_TRUE(passes.insert(text.substr(0, text.rfind(": "))).second) << text;
    EXPECT_FALSE(passes.empty()) << log;
    // The game files equal a clean installation's; the user's own file and lines stay.
    const Tree repaired = ReadTree(dir);
    for (const auto& [key, facts] : clean.files) {
        if (key == "morvath.ini") continue;
        const auto it = repaired.files.find(key);
        ASSERT_NE(it, repaired.files.end()) << facts.path;
        EXPECT_EQ(it->second.crc, facts.crc) << facts.path;
        EXPECT_EQ(it->second.size, facts.size) << facts.path;
    }
    EXPECT_EQ(stagetest::FileText(dir + "\\data\\мои заметки.txt"), "своё");
    EXPECT_TRUE(FolderExists(dir + "\\cache"));
    char value[64] = "";
    GetPrivateProfileStringA("Game Options", "Footsteps", "", value, sizeof value, ini.c_str());
    EXPECT_STREQ(value, "0") << "the user's value stays";
    GetPrivateProfileStringA("Мои", "Громкость", "", value, sizeof value, ini.c_str());
    EXPECT_STREQ(value, "7");
    GetPrivateProfileStringA("Local", "Language25", "", value, sizeof value, ini.c_str());
    EXPECT_STREQ(value, "English");
    stagetest::ExpectLink(link, dir, stagetest::kGroupLinks[1].target);
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, stagetest::kUninstall, "DisplayIcon"),
                         dir + "\\morvath.exe"));
    EXPECT_FALSE(stagetest::KeyExists(HKEY_LOCAL_MACHINE, mvt::install::kJournalsKey))
        << "the repair's journal goes when it is kept";

    EXPECT_EQ(RunToEnd("/VERYSILENT /VERIFY"), 0u) << "whole again";
    // /SILENT: the check shows on the progress screen alone and leaves no notice to close (a
    // window of another size is closed here, so that the case fails instead of waiting).
    sawWindow_ = false;
    windowSizes_.clear();
    EXPECT_EQ(RunToEnd("/SILENT /VERIFY", kProgram,
                       [](HWND window) {
                           const SIZE size = ClientSize(window);
                           if (size.cx != 640 || size.cy != 480)
                               PostMessageA(window, WM_CLOSE, 0, 0);
                       }),
              0u);
    EXPECT_TRUE(sawWindow_);
    EXPECT_EQ(windowSizes_, (std::set<std::pair<int, int>>{{640, 480}}));

    // A list of installed files changed since the installation: nothing of it is trusted.
    const std::string list = dir + "\\unregmvt.lst";
    stagetest::WriteFile(list, stagetest::FileText(list) + "..\\..\\Windows\\win.ini\r\n");
    const Tree before = ReadTree(dir);
    EXPECT_EQ(RunToEnd("/VERYSILENT /REPAIR /DIR=\"" + dir + "\""), 1u);
    EXPECT_EQ(RunToEnd("/VERYSILENT /VERIFY /DIR=\"" + scratch_ + "\\Elsewhere\""), 1u);
    EXPECT_EQ(TreeChanges(before, ReadTree(dir)), "");
}

}  // namespace
