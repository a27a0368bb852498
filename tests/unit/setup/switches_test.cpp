// The command line's switches, the log's lines and the exit codes, without any window: the
// parser on the arguments an administrator types, the log on real files in the temporary
// folder, the report on outcomes as the run records them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "install/install_log.h"
#include "install/install_report.h"
#include "setup/exit_code.h"
#include "setup/setup_switches.h"

using namespace mvt::install;
using namespace mvt::setup;

namespace {

constexpr char kModule[] = "C:\\Program Files\\Игры Medium\\MVTSetup.exe";

ParsedSwitches Parse(const std::string& commandLine) {
    return ParseSwitches(SplitArguments(ArgumentsPart(commandLine, kModule)));
}

TEST(SetupSwitches, OnlyWhatFollowsTheProgramsOwnNameIsRead) {
    // As CreateProcess(path, NULL) passes a program started without arguments: unquoted,
    // blanks and all, in whatever case the caller spelled it.
    EXPECT_EQ(ArgumentsPart(kModule, kModule), "");
    EXPECT_EQ(ArgumentsPart("c:\\program files\\ИГРЫ medium\\mvtsetup.exe", kModule), "");
    EXPECT_EQ(ArgumentsPart("C:\\Program Files\\Игры Medium\\MVTSetup /SILENT", kModule),
              " /SILENT");
    EXPECT_EQ(ArgumentsPart(std::string(kModule) + " /VERYSILENT /DIR=\"C:\\A B\"", kModule),
              " /VERYSILENT /DIR=\"C:\\A B\"");
    // Quoted, or started by another name (a relative or short one): the first token.
    EXPECT_EQ(ArgumentsPart("\"C:\\Program Files\\Игры Medium\\MVTSetup.exe\"/LOG", kModule),
              "/LOG");
    EXPECT_EQ(ArgumentsPart("  MVTSetup.exe  /LOG", kModule), "  /LOG");
    EXPECT_EQ(ArgumentsPart("C:\\PROGRA~1\\MVTSET~1.EXE /LOG", kModule), " /LOG");
    EXPECT_EQ(ArgumentsPart("C:\\Program Files\\Игры Medium\\MVTSetup.exe.bak /LOG", kModule),
              " Files\\Игры Medium\\MVTSetup.exe.bak /LOG")
        << "a longer name is not the program's";
    EXPECT_EQ(ArgumentsPart("\"unclosed /LOG", kModule), "");
    EXPECT_EQ(ArgumentsPart("", kModule), "");

    EXPECT_TRUE(SplitArguments("   ").empty());
    const auto arguments =
        SplitArguments(" /DIR=\"C:\\Игры\\Morvath A\" \"/GROUP=Моя группа\"\t/LOG");
    ASSERT_EQ(arguments.size(), 3u);
    EXPECT_EQ(arguments[0], "/DIR=C:\\Игры\\Morvath A");
    EXPECT_EQ(arguments[1], "/GROUP=Моя группа");
    EXPECT_EQ(arguments[2], "/LOG");
}

TEST(SetupSwitches, EverySwitchThatActsIsReadWhateverItsCase) {
    const ParsedSwitches parsed = Parse(
        "x /verysilent /Dir=\"C:\\Games\\MT\\\" /group=\"  Trilogy \" /NoDesktop "
        "/nouninstaller /log=\"C:\\temp\\a b.txt\" /SuppressMsgBoxes /noicons /NoCancel "
        "/lang=RU /tasks=\"desktopicon\" /MergeTasks=!uninstaller /LoadInf=\"a.inf\" "
        "/SAVEINF=b.inf");
    ASSERT_EQ(parsed.error, "");
    const SetupSwitches& s = parsed.switches;
    EXPECT_EQ(s.mode, SetupMode::VerySilent);
    EXPECT_EQ(s.directory.value_or(""), "C:\\Games\\MT\\");
    EXPECT_EQ(s.group.value_or(""), "Trilogy");
    EXPECT_TRUE(s.noDesktop && s.noUninstaller && s.log && s.suppressMessageBoxes);
    EXPECT_TRUE(s.noIcons && s.noCancel);
    EXPECT_EQ(s.tasks.value_or("-"), "desktopicon");
    EXPECT_EQ(s.mergeTasks.value_or("-"), "!uninstaller");
    EXPECT_EQ(s.loadInf.value_or(""), "a.inf");
    EXPECT_EQ(s.saveInf.value_or(""), "b.inf");
    EXPECT_EQ(s.logFile, "C:\\temp\\a b.txt");
    EXPECT_TRUE(s.Quiet());
    EXPECT_FALSE(s.help);
    EXPECT_TRUE(s.notApplicable.empty() && s.ignored.empty());

    EXPECT_EQ(Parse("x /SILENT").switches.mode, SetupMode::Silent);
    EXPECT_FALSE(Parse("x /SILENT").switches.Quiet());
    EXPECT_TRUE(Parse("x /SILENT /SUPPRESSMSGBOXES").switches.Quiet());
    EXPECT_FALSE(Parse("x /SUPPRESSMSGBOXES").switches.Quiet()) << "alone it changes nothing";
    EXPECT_EQ(Parse("x /VERYSILENT /SILENT").switches.mode, SetupMode::VerySilent);
    EXPECT_TRUE(Parse("x /?").switches.help);
    EXPECT_TRUE(Parse("x /help").switches.help);
    EXPECT_EQ(Parse("x /TASKS=").switches.tasks.value_or("-"), "") << "no task at all";
    const ParsedSwitches log = Parse("x /LOG");
    EXPECT_TRUE(log.switches.log);
    EXPECT_EQ(log.switches.logFile, "");
    EXPECT_EQ(Parse("x").switches.mode, SetupMode::Wizard);
}

TEST(SetupSwitches, PackageManagersLinesAreTakenAndWhatHasNoMeaningHereIsNoted) {
    const ParsedSwitches winget =
        Parse("x /SP- /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /LOG=\"C:\\l.txt\" /DIR=\"C:\\G\"");
    EXPECT_EQ(winget.error, "");
    EXPECT_EQ(winget.switches.notApplicable, (std::vector<std::string>{"/SP-", "/NORESTART"}));
    const ParsedSwitches choco = Parse(
        "x /SP- /SILENT /SUPPRESSMSGBOXES /NORESTART /CLOSEAPPLICATIONS /FORCECLOSEAPPLICATIONS "
        "/NOICONS /RESTARTEXITCODE=3010 /O:PathOption=Cmd /o:another=1");
    EXPECT_EQ(choco.error, "");
    EXPECT_TRUE(choco.switches.noIcons);
    EXPECT_EQ(choco.switches.ignored,
              (std::vector<std::string>{"/O:PathOption=Cmd", "/o:another=1"}));
    // The rest of the documented command line, and other installers' words.
    const ParsedSwitches rest = Parse(
        "x /nocloseapplications /NOFORCECLOSEAPPLICATIONS /FORCENOCLOSEAPPLICATIONS "
        "/LOGCLOSEAPPLICATIONS /RESTARTAPPLICATIONS /NORESTARTAPPLICATIONS /ALLUSERS /NOSTYLE "
        "/REDIRECTIONGUARD /NOREDIRECTIONGUARD /TYPE=full /COMPONENTS=\"a,b\" /PASSWORD=x "
        "/S /Q /qn -y C:\\Games /LANGUAGE=ru");
    EXPECT_EQ(rest.error, "");
    EXPECT_EQ(rest.switches.notApplicable.size(), 13u);
    EXPECT_EQ(rest.switches.ignored,
              (std::vector<std::string>{"/S", "/Q", "/qn", "-y", "C:\\Games", "/LANGUAGE=ru"}));
    EXPECT_EQ(rest.switches.mode, SetupMode::Wizard);
}

TEST(SetupSwitches, WrongArgumentsAndNearMissesAreNamedAndTheRestStillRead) {
    EXPECT_EQ(Parse("x /VERYSLENT").error,
              "Неизвестный ключ /VERYSLENT похож на /VERYSILENT: проверьте командную строку.");
    EXPECT_EQ(Parse("x /NODESKTOPP").error,
              "Неизвестный ключ /NODESKTOPP похож на /NODESKTOP: проверьте командную строку.");
    // Another installer's /D= is taken for /DIR too: refused, not installed elsewhere.
    for (const char* slip : {"/SILNET", "-VERYSILENT", "/SUPPRESSMSGBOX", "/NOICON", "/TASK=a",
                             "/dirr=C:\\A", "/D=C:\\A", "/LG", "/HLP"})
        EXPECT_NE(Parse(std::string("x ") + slip).error.find("похож на"), std::string::npos)
            << slip;
    EXPECT_EQ(Parse("x /CURRENTUSER").error,
              "Ключ /CURRENTUSER не принимается: игра устанавливается для всех пользователей.");
    EXPECT_EQ(Parse("x /LANG=de").error, "Язык установки только русский (/LANG=ru), а не de.");
    EXPECT_EQ(Parse("x /TASKS=\"desktopicon,quicklaunch\"").error,
              "Неизвестная задача quicklaunch: есть только desktopicon и uninstaller (ключ "
              "/TASKS)");
    EXPECT_EQ(Parse("x /dir=C:\\A /DIR=C:\\B").error,
              "Ключ /DIR указан более одного раза с разными значениями.");
    EXPECT_EQ(Parse("x /DIR=C:\\A /dir=C:\\A /SP- /SP- /? /HELP /NOICONS /noicons").error, "")
        << "a repeat that says the same is no conflict";
    EXPECT_EQ(Parse("x /SILENT=1").error, "Ключ /SILENT не имеет значения.");
    EXPECT_EQ(Parse("x /DIR").error, "Для ключа /DIR не указано значение.");
    EXPECT_EQ(Parse("x /TASKS").error, "Для ключа /TASKS не указано значение.");
    EXPECT_EQ(Parse("x /GROUP=\"  \"").error, "Для ключа /GROUP не указано значение.");
    EXPECT_EQ(Parse("x /LOG=").error, "Для ключа /LOG не указано имя файла.");
    // The first error is the one told; /VERYSILENT after it still keeps every box away.
    const ParsedSwitches parsed = Parse("x /VERYSLENT /CURRENTUSER /VERYSILENT");
    EXPECT_NE(parsed.error.find("/VERYSLENT"), std::string::npos);
    EXPECT_TRUE(parsed.switches.Quiet());
}

TEST(SetupSwitches, ThePasswordStaysOutOfTheLoggedCommandLine) {
    EXPECT_EQ(CommandLineForLog("\"C:\\M\\MVTSetup.exe\" /SP- /password=\"my secret\" /LOG"),
              "\"C:\\M\\MVTSetup.exe\" /SP- /PASSWORD=*** /LOG");
    EXPECT_EQ(CommandLineForLog("x \"/PASSWORD=a b\" /PASSWORD=c"),
              "x /PASSWORD=*** /PASSWORD=***");
    EXPECT_EQ(CommandLineForLog("x /DIR=C:\\A"), "x /DIR=C:\\A");
}

TEST(SetupSwitches, TaskListsChooseOrChangeTheTasks) {
    TaskChoices tasks;
    EXPECT_EQ(ApplyTaskList("desktopicon", false, tasks), "");
    EXPECT_TRUE(tasks.desktopIcon);
    EXPECT_FALSE(tasks.uninstaller) << "/TASKS: what is not named is not chosen";
    EXPECT_EQ(TaskListText(tasks), "desktopicon");
    EXPECT_EQ(ApplyTaskList(" *Uninstaller , !DESKTOPICON ,", true, tasks), "");
    EXPECT_FALSE(tasks.desktopIcon);
    EXPECT_TRUE(tasks.uninstaller);
    EXPECT_EQ(TaskListText(tasks), "uninstaller");
    EXPECT_EQ(ApplyTaskList("", false, tasks), "");
    EXPECT_EQ(TaskListText(tasks), "");
    EXPECT_EQ(ApplyTaskList("", true, tasks), "");
    EXPECT_EQ(TaskListText(tasks), "") << "/MERGETASKS with nothing changes nothing";
    EXPECT_NE(ApplyTaskList("uninstaller,icons", true, tasks), "");
    EXPECT_EQ(TaskListText(tasks), "") << "a wrong list changes nothing";
    EXPECT_EQ(TaskListText(TaskChoices{}), "desktopicon,uninstaller");
}

TEST(SetupSwitches, InstallDirectoryIsNormalisedAsWindowsTakesIt) {
    EXPECT_EQ(InstallDirectoryFromSwitch("C:\\Games\\Morvath"), "C:\\Games\\Morvath");
    EXPECT_EQ(InstallDirectoryFromSwitch("d:\\Игры\\\\"), "D:\\Игры");
    EXPECT_EQ(InstallDirectoryFromSwitch("D:\\"), "D:\\");
    EXPECT_EQ(InstallDirectoryFromSwitch("D:"), "D:\\");
    EXPECT_EQ(InstallDirectoryFromSwitch("C:\\Games\\Morvath. "), "C:\\Games\\Morvath");
    EXPECT_EQ(InstallDirectoryFromSwitch("C:\\Games.\\A\\..\\.\\Morvath..."), "C:\\Games\\Morvath");
    EXPECT_EQ(InstallDirectoryFromSwitch("C:\\..\\..\\Games"), "C:\\Games");
    EXPECT_EQ(InstallDirectoryFromSwitch("C:\\Games\\.."), "C:\\");
    EXPECT_EQ(InstallDirectoryFromSwitch("C:/Games//Morvath/"), "C:\\Games\\Morvath");
    EXPECT_EQ(InstallDirectoryFromSwitch("C:\\a\\..b"), "C:\\a\\..b") << "a name, not a step up";
    for (const char* refused :
         {"Games\\Morvath", "\\Games", "\\\\server\\share\\Games", "C:Games", "C:\\a:b", "C:\\a?b",
          "C:\\a*", "C:\\a<b", "C:\\a|b", "1:\\Games", "", "C:\\Games\\...", "C:\\Games\\ . ",
          "C:\\Games\\CON", "C:\\nul.txt\\a", "C:\\a\x01"})
        EXPECT_EQ(InstallDirectoryFromSwitch(refused), "") << refused;
    EXPECT_EQ(InstallDirectoryFromSwitch("C:\\" + std::string(260, 'a')), "");
    EXPECT_EQ(InstallDirectoryFromSwitch("C:\\" + std::string(244, 'a')).size(), 247u);
    EXPECT_EQ(InstallDirectoryFromSwitch("C:\\" + std::string(245, 'a')), "");
}

TEST(SetupSwitches, GroupNameLosesWhatTheOptionsScreenRefuses) {
    EXPECT_EQ(GroupNameFromSwitch("Игры\\Морват: Трилогия?"), "ИгрыМорват Трилогия");
    EXPECT_EQ(GroupNameFromSwitch(" <a|b> "), "ab");
    EXPECT_EQ(GroupNameFromSwitch("/\\:*?\"<>|"), "");
}

TEST(SetupSwitches, HelpListsEverySwitchInAlignedColumns) {
    const std::string help = SwitchesHelpText();
    for (const char* named : {"/SILENT",
                              "/VERYSILENT",
                              "/SUPPRESSMSGBOXES",
                              "/DIR=",
                              "/GROUP=",
                              "/NOICONS",
                              "/TASKS=",
                              "/MERGETASKS=",
                              "/NODESKTOP",
                              "/NOUNINSTALLER",
                              "/NOCANCEL",
                              "/LANG=ru",
                              "/LOADINF=",
                              "/SAVEINF=",
                              "/LOG",
                              "/HELP, /?",
                              "/SP-",
                              "/NORESTART",
                              "/RESTARTEXITCODE=",
                              "/CLOSEAPPLICATIONS",
                              "/NOCLOSEAPPLICATIONS",
                              "/FORCECLOSEAPPLICATIONS",
                              "/NOFORCECLOSEAPPLICATIONS",
                              "/LOGCLOSEAPPLICATIONS",
                              "/RESTARTAPPLICATIONS",
                              "/NORESTARTAPPLICATIONS",
                              "/ALLUSERS",
                              "/NOSTYLE",
                              "/REDIRECTIONGUARD",
                              "/NOREDIRECTIONGUARD",
                              "/TYPE=",
                              "/COMPONENTS=",
                              "/PASSWORD=",
                              "/CURRENTUSER",
                              "desktopicon",
                              "uninstaller",
                              "%TEMP%\\MVTSetup Log ",
                              "Коды завершения"})
        EXPECT_NE(help.find(named), std::string::npos) << named;
    // Every row: two blanks, the left column, and the right one at the same character.
    std::istringstream lines(help);
    std::set<size_t> columns;
    int rows = 0;
    for (std::string line; std::getline(lines, line);) {
        ASSERT_TRUE(!line.empty() && line.back() == '\r') << "lines end in CR LF";
        if (!line.starts_with("  ")) continue;
        ++rows;
        const size_t gap = line.find("   ", 2);
        ASSERT_NE(gap, std::string::npos) << line;
        columns.insert(line.find_first_not_of(' ', gap));
    }
    EXPECT_GE(rows, 40);
    EXPECT_EQ(columns.size(), 1u);
}

TEST(InstallLog, LinesAreTimeStampedAndOneEventStaysOneLine) {
    SYSTEMTIME time{};
    time.wYear = 2026;
    time.wMonth = 3;
    time.wDay = 7;
    time.wHour = 9;
    time.wMinute = 5;
    time.wSecond = 4;
    time.wMilliseconds = 21;
    EXPECT_EQ(LogLine(time, "Этап\r\nдва"), "2026-03-07 09:05:04.021  Этап  два\r\n");
    EXPECT_EQ(DefaultLogName(time, 7), "MVTSetup Log 2026-03-07 #007.txt");
    // The program's texts are code page 1251; the log is UTF-8.
    EXPECT_EQ(AnsiToUtf8("Ключ"), "\xD0\x9A\xD0\xBB\xD1\x8E\xD1\x87");
}

std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(InstallLog, EveryLineIsInTheFileAsSoonAsItIsWrittenAndNamesDoNotRepeat) {
    InstallLog first, second, none;
    none.Write("dropped");
    EXPECT_FALSE(none.Enabled());
    ASSERT_TRUE(first.OpenNewInTemporaryFolder());
    ASSERT_TRUE(second.OpenNewInTemporaryFolder());
    EXPECT_NE(first.Path(), second.Path());
    EXPECT_NE(first.Path().find("MVTSetup Log "), std::string::npos);
    first.Write("Каталог установки: C:\\Игры");
    first.Write("Код завершения: 0");
    // Still open: another reader sees both lines already.
    const std::string text = ReadAll(first.Path());
    EXPECT_NE(text.find(AnsiToUtf8("Каталог установки: C:\\Игры\r\n")), std::string::npos) << text;
    EXPECT_NE(text.find(AnsiToUtf8("Код завершения: 0\r\n")), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    const std::string firstPath = first.Path(), secondPath = second.Path();
    first = InstallLog();
    second = InstallLog();
    EXPECT_TRUE(DeleteFileA(firstPath.c_str()));
    EXPECT_TRUE(DeleteFileA(secondPath.c_str()));
    EXPECT_FALSE(InstallLog().Open("Q:\\no such drive\\log.txt"));
}

TEST(InstallReport, ExitCodesFollowTheOutcome) {
    InstallationOutcome outcome;
    EXPECT_EQ(ExitCodeFor(outcome, false), ExitCode::Failed) << "never reached the end";
    ArchiveOutcome archive;
    archive.directoryRead = true;
    archive.files = 3;
    outcome.archives.push_back(archive);
    outcome.finished = true;
    EXPECT_EQ(ExitCodeFor(outcome, false), ExitCode::Installed);
    EXPECT_EQ(ExitCodeFor(outcome, true), ExitCode::Failed) << "a record stage raised";
    outcome.archives[0].missing.push_back({"Data\\a.bin", 3, 0x0E, 10});
    EXPECT_EQ(ExitCodeFor(outcome, false), ExitCode::Failed);
    outcome.archives[0].missing.clear();
    outcome.archives[0].directoryRead = false;
    EXPECT_EQ(ExitCodeFor(outcome, false), ExitCode::Failed) << "an unreadable archive";
    outcome.cancelled = true;
    outcome.finished = false;
    EXPECT_EQ(ExitCodeFor(outcome, false), ExitCode::Cancelled);
}

TEST(InstallReport, ArchiveLinesNameEveryMissingEntryAndTheSystemsReason) {
    ArchiveOutcome outcome;
    outcome.archive = "Z:\\m\\Archives\\Data.zip";
    outcome.destination = "D:\\Game\\Data";
    outcome.directoryRead = true;
    outcome.files = 12;
    outcome.result = 14;
    outcome.messages = {"Write error"};
    outcome.missing = {{"big.bin", 3, 0x10E, 5000000}, {"sub\\b.bin", 3, 0x10E, 7}};
    outcome.problem = WriteProblem::DiskFull;
    outcome.freeBytes = 4096;
    const auto lines = ArchiveLogLines(outcome, 123456, 2345);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0],
              "Архив Z:\\m\\Archives\\Data.zip -> D:\\Game\\Data: файлов 12, байт 123456, "
              "результат 14 (не полностью), время 2.345 с");
    EXPECT_EQ(lines[1], "  Библиотека: Write error");
    const std::string system = SystemErrorText(ERROR_DISK_FULL);
    EXPECT_FALSE(system.empty());
    EXPECT_NE(system.back(), '\n');
    EXPECT_EQ(lines[2],
              "  Не записан: big.bin (5000000 байт), причина 3, код 270: на диске "
              "нет места (свободно 4096 байт) - " +
                  system);
    EXPECT_NE(lines[3].find("sub\\b.bin"), std::string::npos);

    ArchiveOutcome unreadable;
    unreadable.archive = "Z:\\m\\Archives\\Music.zip";
    unreadable.destination = "D:\\Game";
    unreadable.result = 2;
    unreadable.errorMessage = "Не удаётся открыть архив";
    const auto unread = ArchiveLogLines(unreadable, 0, 5);
    ASSERT_EQ(unread.size(), 2u);
    EXPECT_NE(unread[0].find("(архив не прочитан), время 0.005 с"), std::string::npos);
    EXPECT_EQ(unread[1], "  Сообщение: Не удаётся открыть архив");

    // The component's error and the library's reports often say the same: once each.
    unreadable.messages = {"Не удаётся открыть архив", "Другое", "Другое"};
    const auto once = ArchiveLogLines(unreadable, 0, 5);
    ASSERT_EQ(once.size(), 3u);
    EXPECT_EQ(once[2], "  Библиотека: Другое");
}

TEST(InstallReport, FilesOfUnreadableArchivesAreNamedFromTheMediumsList) {
    InstallationOutcome outcome;
    outcome.finished = true;
    const auto archive = [&](const char* name, const char* destination, bool read) {
        ArchiveOutcome a;
        a.archive = std::string("Z:\\m\\Archives\\") + name;
        a.destination = destination;
        a.directoryRead = read;
        outcome.archives.push_back(a);
        return &outcome.archives.back();
    };
    archive("Main.zip", "D:\\Game", false);
    archive("Music.zip", "D:\\Game\\music", false);
    archive("Scripts.zip", "D:\\Game\\scripts", true)->missing.push_back({"Q1.BCS", 6, 6, 9});
    const std::vector<std::string> listed = {"morvath.exe", "MUSIC\\theme.mus", "music\\here.mus",
                                             "scripts\\q1.bcs", "scripts\\q2.bcs"};
    const std::set<std::string> present = {"music\\here.mus", "scripts\\q2.bcs"};
    const auto installed = [&](const std::string& file) { return present.count(file) > 0; };
    EXPECT_EQ(UnreadArchiveLines(outcome, "D:\\Game", listed, installed),
              (std::vector<std::string>{
                  "Не установлен из непрочитанного архива Main.zip: morvath.exe",
                  "Не установлен из непрочитанного архива Music.zip: MUSIC\\theme.mus"}))
        << "each to the archive that holds it closest; q1.bcs is named by its own archive";
    EXPECT_EQ(UnreadArchiveLines(outcome, "D:\\Game", {}, installed),
              (std::vector<std::string>{
                  "Файлы архива Main.zip не названы: он не прочитан, а списка файлов "
                  "дистрибутива нет",
                  "Файлы архива Music.zip не названы: он не прочитан, а списка файлов "
                  "дистрибутива нет"}));
    outcome.finished = false;
    EXPECT_TRUE(UnreadArchiveLines(outcome, "D:\\Game", listed, installed).empty())
        << "a run that stopped early left out the rest anyway";
}

}  // namespace
