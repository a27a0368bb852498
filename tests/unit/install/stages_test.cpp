// The three stages run in order into scratch install directories: the records in the
// prefix's registry, the shortcut files read back through the shell link object, the
// uninstall list and the game settings file.
#include <windows.h>

#include "framework/inifiles.h"
#include "stage_fixture.h"

using namespace stagetest;
using Lines = std::vector<std::string>;

namespace {

// The game's files that the links point at, as the unpacking leaves them.
void UnpackTargets(const std::string& installDir) {
    for (const Link& link : kGroupLinks) WriteFile(installDir + "\\" + link.target, "x");
    WriteFile(installDir + "\\unregmvt.exe", "x");
}

TEST_F(StageTest, FullRunWritesRecordsLinksListAndSettings) {
    const std::string dir = Folder("Games\\Morvath Trilogy");
    UnpackTargets(dir);
    RunStages(dir);

    EXPECT_EQ(display_.log, (Lines{"clear total", "status Создание ключей реестра...", "messages",
                                   "pause 700", "status Создание программной группы и ярлыков...",
                                   "messages", "status Установка деинсталлятора...", "messages",
                                   "pause 500", "status Создание файла настроек...", "messages"}));
    ExpectRecords(dir);
    ExpectUninstallRecord(dir);

    const std::string group = programs_ + "\\Morvath Trilogy";
    Lines listed;
    int number = 1;
    for (const Link& link : kGroupLinks) {
        ExpectLink(group + "\\" + link.file, dir, link.target);
        listed.push_back("ShCut#" + std::to_string(number++) + "=" + group + "\\" + link.file);
    }
    ExpectLink(desktop_ + "\\" + kStartLink, dir, "morvath.exe");
    ExpectLink(group + "\\" + kUninstallLink.file, dir, kUninstallLink.target);
    // The files carry the Russian names, not their code page bytes.
    EXPECT_EQ(
        FileNames(group, "*"),
        (std::vector<std::wstring>{L"Запуск Трилогии Морвата.lnk", L"Настройка параметров.lnk",
                                   L"Просмотр файла персонажа.lnk", L"Руководство пользователя.lnk",
                                   L"Удаление Трилогии Морвата.lnk"}));
    EXPECT_EQ(FileNames(desktop_, "*"), std::vector<std::wstring>{L"Запуск Трилогии Морвата.lnk"});
    listed.push_back("ShCut#5=" + desktop_ + "\\" + kStartLink);
    listed.push_back("ShCut#6=" + group + "\\" + kUninstallLink.file);
    listed.insert(listed.begin(), "[ShortCuts]");
    EXPECT_EQ(IniLines(dir + "\\unreglst.ini"), listed);

    EXPECT_EQ(IniLines(dir + "\\morvath.ini"), SettingsLines(dir + "\\"));
}

// A drive root chosen in the folder browser keeps its backslash; every path is formed by
// appending to it, so the paths hold two backslashes after the drive, as the run forms them
// everywhere. (Wine cannot map a scratch folder to a drive letter for file access, so this
// test installs into the root of C: and puts back the two files it writes there.)
TEST_F(StageTest, DriveRootInstallDirectory) {
    const std::string root = "C:\\";
    const std::string kept = Folder("Kept from the root");
    struct PutBack {
        std::string kept;
        ~PutBack() {
            for (const char* name : {"morvath.ini", "unreglst.ini"}) {
                std::string original = std::string("C:\\") + name;
                DeleteFileA(original.c_str());
                MoveFileA((kept + "\\" + name).c_str(), original.c_str());
            }
        }
    } putBack{kept};
    for (const char* name : {"morvath.ini", "unreglst.ini"})
        MoveFileA((root + name).c_str(), (kept + "\\" + name).c_str());

    RunStages(root);
    ExpectRecords(root);
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, kAppPathGame, "Install"), "C:\\\\"));
    ExpectUninstallRecord(root);
    const std::string group = programs_ + "\\Morvath Trilogy";
    for (const Link& link : kGroupLinks) {
        LinkInfo info = ReadLink(group + "\\" + link.file);
        ASSERT_TRUE(info.loaded) << link.file;
        // The link object keeps the working folder as given and its target as a full path.
        EXPECT_EQ(info.workingFolder, "C:\\\\");
        EXPECT_EQ(info.arguments, "");
        char full[MAX_PATH];
        GetFullPathNameA((root + "\\" + link.target).c_str(), MAX_PATH, full, nullptr);
        EXPECT_EQ(info.target, full);
    }
    EXPECT_EQ(IniLines("C:\\morvath.ini"), SettingsLines("C:\\\\"));
    EXPECT_EQ(mvt::TIniFile("C:\\unreglst.ini").ReadString("ShortCuts", "ShCut#1", ""),
              group + "\\" + kStartLink);
}

TEST_F(StageTest, BothOptionsOffMakeExactlyFourLinksAndNoUninstallEntry) {
    const std::string dir = Folder("Games\\Morvath Trilogy");
    choices_.desktop = choices_.uninstaller = false;
    RunStages(dir);
    ExpectRecords(dir);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstall));
    const std::string group = programs_ + "\\Morvath Trilogy";
    EXPECT_EQ(FileNames(group, "*").size(), 4u);
    // Nothing was unpacked: the links are made all the same and point where the game goes.
    for (const Link& link : kGroupLinks) ExpectLink(group + "\\" + link.file, dir, link.target);
    EXPECT_TRUE(FileNames(desktop_, "*").empty());
    EXPECT_EQ(mvt::TIniFile(dir + "\\unreglst.ini").ReadSection("ShortCuts"),
              (Lines{"ShCut#1", "ShCut#2", "ShCut#3", "ShCut#4"}));
    for (const std::string& entry : display_.log)
        EXPECT_NE(entry, "status Установка деинсталлятора...");
}

// A second installation into another folder: every record now names the second folder, the
// product keys keep what other software put there, and the uninstall entry of the first run
// stays as it was when the second run has no uninstaller.
TEST_F(StageTest, SecondRunOverwritesRecordsAndKeepsOtherValues) {
    const std::string first = Folder("Games\\First");
    RunStages(first);
    SetString(HKEY_LOCAL_MACHINE, kProduct1, "Other", "kept");
    SetString(HKEY_LOCAL_MACHINE, kProduct2, "Other", "kept");
    SetString(HKEY_LOCAL_MACHINE, kProduct3, "Other", "kept");
    SetString(HKEY_LOCAL_MACHINE, kAppPathGame, "Foreign", "kept");
    SetString(HKEY_LOCAL_MACHINE, kAppPathMain, "Path", "C:\\Elsewhere\\");

    const std::string second = Folder("Games\\Second Place");
    choices_.uninstaller = false;
    choices_.group = "Другая группа";
    RunStages(second);
    for (const char* key : {kProduct1, kProduct2, kProduct3})
        EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, key, "Other"), "kept")) << key;
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, kAppPathGame, "Install"), second + "\\"));
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, kAppPathGame, "Foreign"), "kept"));
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, kAppPathMain, "Path"), second + "\\"));
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, kAppPathRestore, "LogFile"),
                         second + "\\MVMain.exe"));
    ExpectUninstallRecord(first);
    EXPECT_EQ(
        ValueNames(HKEY_LOCAL_MACHINE, kUninstall),
        (Lines{"DisplayIcon", "DisplayName", "DisplayVersion", "EstimatedSize", "InstallLocation",
               "NoModify", "NoRepair", "Publisher", "QuietUninstallString", "UninstallString"}));
    EXPECT_TRUE(IsString(ReadValue(HKEY_LOCAL_MACHINE, kUninstall, "InstallLocation"), first));
    ExpectLink(programs_ + "\\Другая группа\\" + kStartLink, second, "morvath.exe");
    ExpectLink(desktop_ + "\\" + kStartLink, second, "morvath.exe");  // replaced
}

// Installing again into the same folder with an existing program group: links of the same
// name are replaced, others stay; the uninstall list names only this run's links, has no
// "SetupFiles" any more and keeps sections that are not the installer's.
TEST_F(StageTest, ExistingGroupAndUninstallListOfAnEarlierInstall) {
    const std::string dir = Folder("Games\\Morvath Trilogy");
    const std::string group = Folder("Start Menu\\Programs\\Morvath Trilogy");
    WriteFile(group + "\\Readme.lnk", "not ours");
    WriteFile(group + "\\" + kGroupLinks[1].file, "an old link");
    WriteFile(dir + "\\unreglst.ini",
              "[SetupFiles]\r\nFile0=data.zip\r\n[ShortCuts]\r\nShCut#5=C:\\Old\\link.lnk\r\n"
              "ShCut#9=C:\\Old\\x.lnk\r\n[Uninstaller]\r\nMode=1\r\n");
    choices_.desktop = false;
    RunStages(dir);

    EXPECT_EQ(FileNames(group, "*").size(), 6u);
    EXPECT_TRUE(FileExists(group + "\\Readme.lnk"));
    ExpectLink(group + "\\" + kGroupLinks[1].file, dir, kGroupLinks[1].target);
    mvt::TIniFile list(dir + "\\unreglst.ini");
    EXPECT_TRUE(list.ReadSection("SetupFiles").empty());
    EXPECT_EQ(list.ReadSection("ShortCuts"),
              (Lines{"ShCut#1", "ShCut#2", "ShCut#3", "ShCut#4", "ShCut#6"}));
    EXPECT_EQ(list.ReadString("ShortCuts", "ShCut#6", ""), group + "\\" + kUninstallLink.file);
    EXPECT_EQ(list.ReadString("Uninstaller", "Mode", ""), "1");
    for (const std::string& line : IniLines(dir + "\\unreglst.ini"))
        EXPECT_NE(line, "[SetupFiles]");
}

// A settings file unpacked from an archive: its other keys stay where they are, the 17 values
// are replaced in place or appended to their sections.
TEST_F(StageTest, SettingsFileFromAnArchiveKeepsItsOtherKeys) {
    const std::string dir = Folder("Games\\Morvath Trilogy");
    WriteFile(dir + "\\morvath.ini",
              "[Game Options]\r\nMemory Level=4\r\nBrightness Correction=3\r\n"
              "[Alias]\r\nHD0:=D:\\old\\\r\nCD9:=E:\\\r\n[Movies]\r\nINTRO=1\r\n");
    RunStages(dir);
    const std::string folder = dir + "\\";
    EXPECT_EQ(IniLines(dir + "\\morvath.ini"), (Lines{"[Game Options]",
                                                      "Memory Level=1",
                                                      "Brightness Correction=3",
                                                      "Memory Access=100",
                                                      "Never Show Nuisance DKM=1",
                                                      "Never Show Nuisance=1",
                                                      "Environmental Audio=0",
                                                      "Footsteps=1",
                                                      "[Alias]",
                                                      "HD0:=" + folder,
                                                      "CD9:=E:\\",
                                                      "CD1:=" + folder,
                                                      "CD2:=" + folder,
                                                      "CD3:=" + folder,
                                                      "CD4:=" + folder,
                                                      "CD5:=" + folder,
                                                      "[Movies]",
                                                      "INTRO=1",
                                                      "[Program Options]",
                                                      "Installing=0",
                                                      "Install Type=2",
                                                      "[Local]",
                                                      "Language=English",
                                                      "Language25=English",
                                                      "[GameSpy]",
                                                      "Enabled=1"}));
}

// Without the "Programs" value there is no programs folder to make the group in, and without
// "Common Desktop" no desktop: those links are left out (never put at the root of the current
// drive) and the uninstall list names only the links that were made.
TEST_F(StageTest, MissingShellFoldersLeaveTheirLinksOut) {
    const std::string dir = Folder("Games\\Morvath Trilogy");
    DeleteValue(HKEY_CURRENT_USER, kShellFolders, "Programs");
    DeleteValue(HKEY_LOCAL_MACHINE, kShellFolders, "Common Desktop");
    // The current folder lies on C:, whose root is what the empty values would lead to.
    struct CurrentFolder {
        char previous[MAX_PATH];
        explicit CurrentFolder(const std::string& folder) {
            GetCurrentDirectoryA(MAX_PATH, previous);
            SetCurrentDirectoryA(folder.c_str());
        }
        ~CurrentFolder() { SetCurrentDirectoryA(previous); }
    } current(dir);
    const bool rootLinkBefore = FileExists("C:\\" + kStartLink);
    RunStages(dir);
    EXPECT_FALSE(mvt::DirectoryExists("C:\\Morvath Trilogy"));
    EXPECT_EQ(FileExists("C:\\" + kStartLink), rootLinkBefore);
    if (mvt::DirectoryExists("C:\\Morvath Trilogy")) RemoveTree("C:\\Morvath Trilogy");
    EXPECT_TRUE(mvt::TIniFile(dir + "\\unreglst.ini").ReadSection("ShortCuts").empty());
    ExpectUninstallRecord(dir);
    EXPECT_EQ(IniLines(dir + "\\morvath.ini"), SettingsLines(dir + "\\"));

    // Only the desktop missing: the group is made as usual.
    SetString(HKEY_CURRENT_USER, kShellFolders, "Programs", programs_);
    RunStages(dir);
    EXPECT_EQ(mvt::TIniFile(dir + "\\unreglst.ini").ReadSection("ShortCuts"),
              (Lines{"ShCut#1", "ShCut#2", "ShCut#3", "ShCut#4", "ShCut#6"}));
    EXPECT_EQ(FileNames(programs_ + "\\Morvath Trilogy", "*.lnk").size(), 5u);
    EXPECT_EQ(FileExists("C:\\" + kStartLink), rootLinkBefore);
    if (!rootLinkBefore) DeleteFileA(("C:\\" + kStartLink).c_str());
}

// The options screen refuses separators when they are typed, not when they are pasted: a
// group name that would lead out of the programs folder makes no group.
TEST_F(StageTest, GroupNameLeadingOutOfTheProgramsFolderMakesNoGroup) {
    const std::string dir = Folder("Games\\Morvath Trilogy");
    for (const char* name : {"..\\Outside", "..", "C:\\Outside", "a/b"}) {
        choices_.group = name;
        RunStages(dir);
        EXPECT_FALSE(mvt::DirectoryExists(scratch_ + "\\Start Menu\\Outside")) << name;
        EXPECT_FALSE(mvt::DirectoryExists("C:\\Outside")) << name;
        EXPECT_TRUE(FileNames(programs_, "*.lnk").empty()) << name;
        EXPECT_EQ(mvt::TIniFile(dir + "\\unreglst.ini").ReadSection("ShortCuts"), Lines{"ShCut#5"})
            << name;
    }
}

}  // namespace
