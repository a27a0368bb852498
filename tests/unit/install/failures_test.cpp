// Refused writes end the stages with the framework's exception and its exact text; nothing
// after the failing step is done.
#include <thread>

#include "framework/comobj.h"
#include "framework/inifiles.h"
#include "framework/registry.h"
#include "install/program_group.h"
#include "install/shell_link.h"
#include "stage_fixture.h"

using namespace stagetest;
using Lines = std::vector<std::string>;

namespace {

// Runs the stages and hands back the text of the framework exception they raised.
template <class E>
std::string FailureOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const E& error) {
        // The application's default handler shows framework exceptions as they are.
        EXPECT_NE(dynamic_cast<const mvt::Exception*>(&error), nullptr);
        return error.what();
    }
    ADD_FAILURE() << "the stages ended without an error";
    return {};
}

class StageFailureTest : public StageTest {
  protected:
    void SetUp() override {
        StageTest::SetUp();
        dir_ = Folder("Games\\Morvath Trilogy");
        group_ = programs_ + "\\Morvath Trilogy";
    }
    std::string Run() {
        return FailureOf<mvt::ERegistryException>([this] { RunStages(dir_); });
    }
    // Nothing of the program group and settings stages happened.
    void ExpectNoLinksNorSettings() {
        EXPECT_TRUE(FileNames(group_, "*").empty());
        EXPECT_TRUE(FileNames(desktop_, "*").empty());
        EXPECT_TRUE(mvt::TIniFile(dir_ + "\\unreglst.ini").ReadSection("ShortCuts").empty());
        EXPECT_FALSE(FileExists(dir_ + "\\morvath.ini"));
    }
    std::string dir_, group_;
};

TEST_F(StageFailureTest, ProductKeyThatCannotBeCreatedEndsBeforeAnyRecord) {
    RefuseWrites(HKEY_LOCAL_MACHINE, kProduct1);
    EXPECT_EQ(Run(), "Failed to create key SOFTWARE\\Quillfen\\Veilspire\\1.00.000");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kProduct2));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppPathGame));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    ExpectNoLinksNorSettings();
    EXPECT_EQ(display_.log,
              (Lines{"clear total", "status Создание ключей реестра...", "messages"}));
}

TEST_F(StageFailureTest, AppPathKeyThatCannotBeOpenedFailsAtItsFirstValue) {
    RefuseWrites(HKEY_LOCAL_MACHINE, kAppPathGame);
    EXPECT_EQ(Run(), "Failed to set data for 'Install'");
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kProduct3));
    EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE, kAppPathGame).empty());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppPathMain));
    ExpectNoLinksNorSettings();
    EXPECT_EQ(display_.log.size(), 3u);
}

// The uninstall registration comes after the uninstall shortcut: that link is made and
// listed when the registration fails, and the settings file is not written.
TEST_F(StageFailureTest, UninstallKeyThatCannotBeOpenedEndsAfterTheUninstallShortcut) {
    RefuseWrites(HKEY_LOCAL_MACHINE, kUninstall);
    EXPECT_EQ(Run(), "Failed to set data for 'DisplayName'");
    EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE, kUninstall).empty());
    EXPECT_TRUE(ReadLink(group_ + "\\Удаление Трилогии Морвата.lnk").loaded);
    EXPECT_EQ(mvt::TIniFile(dir_ + "\\unreglst.ini").ReadSection("ShortCuts"),
              (Lines{"ShCut#1", "ShCut#2", "ShCut#3", "ShCut#4", "ShCut#5", "ShCut#6"}));
    EXPECT_FALSE(FileExists(dir_ + "\\morvath.ini"));
    EXPECT_EQ(display_.log.back(), "messages");
    EXPECT_EQ(display_.log[display_.log.size() - 2], "status Установка деинсталлятора...");
}

// A settings file the system refuses to write. Wine running as root writes read-only files
// all the same, so the file is held open without write sharing instead, as a running game or
// editor can hold it; the profile functions are refused either way.
TEST_F(StageFailureTest, SettingsFileThatCannotBeWrittenEndsTheStagesUnchanged) {
    const std::string settings = dir_ + "\\morvath.ini";
    WriteFile(settings, "[Game Options]\r\nMemory Level=4\r\n");
    HANDLE holder = CreateFileA(settings.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    std::string failure = FailureOf<mvt::EIniFileException>([this] { RunStages(dir_); });
    CloseHandle(holder);
    EXPECT_EQ(failure, "Unable to write to " + settings);
    EXPECT_EQ(IniLines(settings), (Lines{"[Game Options]", "Memory Level=4"}));
    // Everything before the settings stage was done.
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    EXPECT_EQ(FileNames(group_, "*.lnk").size(), 5u);
    EXPECT_EQ(display_.log.back(), "messages");
    EXPECT_EQ(display_.log[display_.log.size() - 2], "status Создание файла настроек...");
}

// An uninstall list another program holds open without write sharing (an editor): the run
// refuses it as it starts, before any record or link, and the file stays as it was. Once the
// run has it, the run holds it: nobody else can open it for writing meanwhile.
TEST_F(StageFailureTest, UninstallListHeldByAnotherProgramIsRefusedAtTheStart) {
    const std::string listFile = dir_ + "\\unreglst.ini";
    WriteFile(listFile, "[ShortCuts]\r\nShCut#1=C:\\Old\\link.lnk\r\n");
    HANDLE holder = CreateFileA(listFile.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FailureOf<mvt::EIniFileException>([this] { RunStages(dir_); }),
              "Unable to write to " + listFile);
    CloseHandle(holder);
    EXPECT_EQ(IniLines(listFile), (Lines{"[ShortCuts]", "ShCut#1=C:\\Old\\link.lnk"}));
    EXPECT_TRUE(FileNames(group_, "*").empty());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kAppPathGame));
    EXPECT_TRUE(display_.log.empty());

    const mvt::TGuardedIniFile list = mvt::install::OpenUninstallList(dir_);
    EXPECT_TRUE(list.ReadSection("ShortCuts").empty());
    EXPECT_EQ(CreateFileA(listFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

// A program group folder that cannot be made (the programs folder is a file): its links are
// silently missing, their keys are written all the same, and the stages go on.
TEST_F(StageFailureTest, GroupFolderThatCannotBeMadeLeavesItsLinksOutButListsThem) {
    const std::string blocked = scratch_ + "\\Start Menu\\Blocked";
    WriteFile(blocked, "a file, not a folder");
    SetString(HKEY_CURRENT_USER, kShellFolders, "Programs", blocked);
    RunStages(dir_);
    EXPECT_FALSE(mvt::DirectoryExists(blocked + "\\Morvath Trilogy"));
    EXPECT_EQ(mvt::TIniFile(dir_ + "\\unreglst.ini").ReadSection("ShortCuts"),
              (Lines{"ShCut#1", "ShCut#2", "ShCut#3", "ShCut#4", "ShCut#5", "ShCut#6"}));
    EXPECT_EQ(mvt::TIniFile(dir_ + "\\unreglst.ini").ReadString("ShortCuts", "ShCut#2", ""),
              blocked + "\\Morvath Trilogy\\Настройка параметров.lnk");
    EXPECT_TRUE(ReadLink(desktop_ + "\\Запуск Трилогии Морвата.lnk").loaded);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    EXPECT_TRUE(FileExists(dir_ + "\\morvath.ini"));
}

// A thread without COM cannot create the link object: the system's text for the result
// code, and no link file.
TEST_F(StageFailureTest, LinkObjectThatCannotBeCreatedRaisesTheSystemText) {
    const std::string linkFile = desktop_ + "\\x.lnk";
    std::string text;
    long code = 0;
    std::thread([&] {
        try {
            mvt::install::MakeShellLink("C:\\x.exe", "", "C:\\", linkFile);
        } catch (const mvt::EOleSysError& error) {
            text = error.what();
            code = error.ErrorCode();
        }
    }).join();
    EXPECT_EQ(code, CO_E_NOTINITIALIZED);
    EXPECT_FALSE(text.empty());
    std::string system = mvt::SysErrorMessage(CO_E_NOTINITIALIZED);
    if (!system.empty()) {
        EXPECT_EQ(text, system);
    }
    EXPECT_FALSE(FileExists(linkFile));
}

}  // namespace
