// The command line's switches, the log's lines and the exit codes, without any window: the
// parser on the arguments an administrator types, the log on real files in the temporary
// folder, the report on outcomes as the run records them.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "install/install_log.h"
#include "install/install_report.h"
#include "setup/exit_code.h"
#include "setup/setup_switches.h"

using namespace mvt::install;
using namespace mvt::setup;

namespace {

ParsedSwitches Parse(const std::string& commandLine) {
    return ParseSwitches(SplitArguments(commandLine));
}

TEST(SetupSwitches, ArgumentsSplitOnBlanksOutsideQuotesAndLoseTheQuotes) {
    EXPECT_TRUE(SplitArguments("MVTSetup.exe").empty());
    EXPECT_TRUE(SplitArguments("\"C:\\Medium Folder\\MVTSetup.exe\"   ").empty());
    const auto arguments = SplitArguments(
        "\"D:\\My Medium\\MVTSetup.exe\" /DIR=\"C:\\Игры\\Morvath A\" \"/GROUP=Моя группа\" /LOG");
    ASSERT_EQ(arguments.size(), 3u);
    EXPECT_EQ(arguments[0], "/DIR=C:\\Игры\\Morvath A");
    EXPECT_EQ(arguments[1], "/GROUP=Моя группа");
    EXPECT_EQ(arguments[2], "/LOG");
}

TEST(SetupSwitches, EverySwitchIsReadWhateverItsCase) {
    const ParsedSwitches parsed = Parse(
        "x /verysilent /Dir=\"C:\\Games\\MT\\\" /group=\"  Trilogy \" /NoDesktop "
        "/nouninstaller /log=\"C:\\temp\\a b.txt\" /SuppressMsgBoxes");
    ASSERT_EQ(parsed.error, "");
    const SetupSwitches& s = parsed.switches;
    EXPECT_EQ(s.mode, SetupMode::VerySilent);
    EXPECT_EQ(s.directory.value_or(""), "C:\\Games\\MT\\");
    EXPECT_EQ(s.group.value_or(""), "Trilogy");
    EXPECT_TRUE(s.noDesktop && s.noUninstaller && s.log && s.suppressMessageBoxes);
    EXPECT_EQ(s.logFile, "C:\\temp\\a b.txt");
    EXPECT_TRUE(s.Quiet());
    EXPECT_FALSE(s.help);

    EXPECT_EQ(Parse("x /SILENT").switches.mode, SetupMode::Silent);
    EXPECT_FALSE(Parse("x /SILENT").switches.Quiet());
    EXPECT_TRUE(Parse("x /SILENT /SUPPRESSMSGBOXES").switches.Quiet());
    EXPECT_FALSE(Parse("x /SUPPRESSMSGBOXES").switches.Quiet()) << "alone it changes nothing";
    EXPECT_EQ(Parse("x /VERYSILENT /SILENT").switches.mode, SetupMode::VerySilent);
    EXPECT_TRUE(Parse("x /?").switches.help);
    EXPECT_TRUE(Parse("x /help").switches.help);
    const ParsedSwitches log = Parse("x /LOG");
    EXPECT_TRUE(log.switches.log);
    EXPECT_EQ(log.switches.logFile, "");
    EXPECT_EQ(Parse("x").switches.mode, SetupMode::Wizard);
}

TEST(SetupSwitches, WrongArgumentsAreNamedAndTheRestStillRead) {
    EXPECT_EQ(Parse("x /QUIET").error, "Неизвестный ключ командной строки: /QUIET");
    EXPECT_EQ(Parse("x C:\\Games").error, "Неизвестный ключ командной строки: C:\\Games");
    EXPECT_EQ(Parse("x /dir=C:\\A /DIR=C:\\B").error, "Ключ /DIR указан более одного раза.");
    EXPECT_EQ(Parse("x /? /HELP").error, "Ключ /HELP указан более одного раза.");
    EXPECT_EQ(Parse("x /SILENT=1").error, "Ключ /SILENT не имеет значения.");
    EXPECT_EQ(Parse("x /DIR").error, "Для ключа /DIR не указано значение.");
    EXPECT_EQ(Parse("x /GROUP=\"  \"").error, "Для ключа /GROUP не указано значение.");
    EXPECT_EQ(Parse("x /LOG=").error, "Для ключа /LOG не указано имя файла.");
    // The first error is the one told; /VERYSILENT after it still keeps every box away.
    const ParsedSwitches parsed = Parse("x /BOGUS /OTHER /VERYSILENT");
    EXPECT_EQ(parsed.error, "Неизвестный ключ командной строки: /BOGUS");
    EXPECT_TRUE(parsed.switches.Quiet());
}

TEST(SetupSwitches, InstallDirectoryIsAnAbsolutePathWithADriveLetter) {
    EXPECT_EQ(InstallDirectoryFromSwitch("C:\\Games\\Morvath"), "C:\\Games\\Morvath");
    EXPECT_EQ(InstallDirectoryFromSwitch("d:\\Игры\\\\"), "D:\\Игры");
    EXPECT_EQ(InstallDirectoryFromSwitch("D:\\"), "D:\\");
    EXPECT_EQ(InstallDirectoryFromSwitch("D:"), "D:\\");
    for (const char* refused :
         {"Games\\Morvath", "\\Games", "\\\\server\\share\\Games", "C:Games", "C:\\a\\\\b",
          "C:\\a:b", "C:\\a?b", "C:\\a*", "C:\\a<b", "C:\\a|b", "C:/Games", "1:\\Games", ""})
        EXPECT_EQ(InstallDirectoryFromSwitch(refused), "") << refused;
    EXPECT_EQ(InstallDirectoryFromSwitch("C:\\" + std::string(260, 'a')), "");
}

TEST(SetupSwitches, GroupNameLosesWhatTheOptionsScreenRefuses) {
    EXPECT_EQ(GroupNameFromSwitch("Игры\\Морват: Трилогия?"), "ИгрыМорват Трилогия");
    EXPECT_EQ(GroupNameFromSwitch(" <a|b> "), "ab");
    EXPECT_EQ(GroupNameFromSwitch("/\\:*?\"<>|"), "");
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
}

}  // namespace
