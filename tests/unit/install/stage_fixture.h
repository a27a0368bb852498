// What the stage tests share: a scratch install directory with its own programs and desktop
// folders (the shell folder values point there during a test), the registry keys the stages
// write saved before and put back after every test, and readers for what the stages left.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "install/record_stages.h"

namespace stagetest {

// The registry keys the stages write (32-bit view of HKEY_LOCAL_MACHINE).
inline constexpr char kAppPathGame[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MV2Main.Exe";
inline constexpr char kAppPathRestore[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MV2Main.Exe\\MV2Restore";
inline constexpr char kAppPathMain[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\MVMain.exe";
inline constexpr char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MVT";
inline constexpr char kProduct1[] = "SOFTWARE\\Quillfen\\Veilspire\\1.00.000";
inline constexpr char kProduct2[] = "SOFTWARE\\Quillfen Corp\\Morvath II Duskmere\\1.00.000";
inline constexpr char kProduct3[] =
    "SOFTWARE\\Quillfen Corp\\Morvath(TM) II - Veilspire (TM)\\1.00.000";
inline constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

struct RegValue {
    bool found = false;
    DWORD type = REG_NONE;
    std::string data;  // the raw bytes
};
// A value read in the given view (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
RegValue ReadValue(HKEY root, const std::string& key, const std::string& name,
                   REGSAM view = KEY_WOW64_32KEY);
bool KeyExists(HKEY root, const std::string& key, REGSAM view = KEY_WOW64_32KEY);
// Every key and value the setup's records touch (the product keys, the application paths,
// the uninstall entry with its subkeys), one line each in a fixed order: two states of the
// registry compare as text.
std::string ProductRegistry();
// The value names of a key, sorted.
std::vector<std::string> ValueNames(HKEY root, const std::string& key);
void SetString(HKEY root, const std::string& key, const std::string& name,
               const std::string& value);
void DeleteValue(HKEY root, const std::string& key, const std::string& name);
void DeleteKeyTree(HKEY root, const std::string& key);
// Gives the key (created when missing) a security descriptor that refuses everyone the
// right to set values and create subkeys, so that opening it with full access fails.
void RefuseWrites(HKEY root, const std::string& key);

// Expect a REG_SZ value holding exactly text (with its terminating zero).
::testing::AssertionResult IsString(const RegValue& value, const std::string& text);

struct LinkInfo {
    bool loaded = false;
    std::string target, arguments, workingFolder;
};
LinkInfo ReadLink(const std::string& linkFile);

// The names of the files of a folder matching a pattern, as the system stores them (UTF-16).
std::vector<std::wstring> FileNames(const std::string& folder, const char* pattern);
bool FileExists(const std::string& path);
// Deletes a folder with everything in it.
void RemoveTree(const std::string& path);
void WriteFile(const std::string& path, const std::string& text);
// A file's bytes; empty when it cannot be read.
std::string FileText(const std::string& path);
// A file of size bytes, written in blocks as a RAM disk allocates them; false when the drive
// refused part of it.
bool WriteFiller(const std::string& path, uint64_t size);
// "[Section]" and "Key=Value" lines of an ini file, in file order (blank lines skipped).
std::vector<std::string> IniLines(const std::string& path);

// What a complete installation into installDir leaves: the group's four links with their
// targets, the uninstaller's link, the desktop link's file name, the lines of the game
// settings file, the registry records 1 to 6, the uninstall entry, and one shortcut file.
struct Link {
    const char* file;
    const char* target;
};
extern const Link kGroupLinks[4];
extern const Link kUninstallLink;
extern const std::string kStartLink;
std::vector<std::string> SettingsLines(const std::string& folder);
void ExpectRecords(const std::string& installDir);
void ExpectUninstallRecord(const std::string& installDir);
void ExpectLink(const std::string& linkFile, const std::string& installDir, const char* target);

// The progress screen as the stages see it: every call noted in order.
class RecordingDisplay : public mvt::install::StageDisplay {
  public:
    void SetStatusCaption(const std::string& caption) override {
        log.push_back("status " + caption);
    }
    void ClearTotalCaption() override { log.push_back("clear total"); }
    void ProcessMessages() override { log.push_back("messages"); }
    void Pause(unsigned milliseconds) override {
        log.push_back("pause " + std::to_string(milliseconds));
    }
    std::vector<std::string> log;
};

struct Choices : mvt::install::WizardChoices {
    std::string group = "Morvath Trilogy";
    bool desktop = true, uninstaller = true;
    std::string ProgramGroupName() const override { return group; }
    bool DesktopShortcutChosen() const override { return desktop; }
    bool UninstallerChosen() const override { return uninstaller; }
};

class StageTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A scratch folder below the test's own; made with its parents.
    std::string Folder(const std::string& relative);
    // The three stages as the run calls them, with a fresh uninstall list.
    void RunStages(const std::string& installDir);

    std::string scratch_;   // the test's scratch folder (no trailing backslash)
    std::string programs_;  // the "Programs" value during the test
    std::string desktop_;   // the "Common Desktop" value during the test
    Choices choices_;
    RecordingDisplay display_;
    // The game folders the next RunStages records as made by the installation.
    uint32_t madeGameFolders_ = 0;
    // The list of installed files the medium of the next RunStages holds; without it, the
    // install directory's list stands for the medium's.
    std::optional<std::string> mediumList_;

  private:
    struct Saved;
    std::shared_ptr<Saved> saved_;
};

}  // namespace stagetest
