// Checking an installation against its medium, writing nothing: every file the medium
// installs (its size and CRC-32 as the archives' central directories on the medium give them,
// read by the zip component; the installed lists are never trusted alone), the uninstaller
// and its two lists against the installation's seal, the folders, the shortcuts, the registry
// records and the keys of the two ini files. What the record stages write is known from the
// tables of record_names.h, which the stages themselves write from.
//
// Whatever a user changed on purpose stays the user's: a value of the settings file, a
// registry value or a shortcut that is there with other data is noted, not called damaged;
// what is missing or whose content differs from the medium is damaged, and that is exactly
// what a repair (installation_repair.h) puts back.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "framework/guarded_files.h"
#include "install/install_display.h"
#include "install/install_log.h"
#include "install/installation_run.h"
#include "install/record_names.h"
#include "install/seal_format.h"
#include "install/wizard_state.h"
#include "zip/zipunpacker.h"

namespace mvt::install {

// One archive of the medium, as the check read it.
struct MediumArchive {
    std::string path;         // full path on the medium
    std::string destination;  // the folder it unpacks into
    uint32_t entries = 0;     // entries of its directory (the progress counts every one)
};

// One file the medium installs.
struct MediumFile {
    size_t archive = 0;  // index into MediumContents::archives
    std::string entry;   // its name in the archive, as the zip component read it
    std::string path;    // below the install directory
    uint64_t size = 0;
    uint32_t crc = 0;
};

// What the medium installs: per path below the install directory, the file of the last
// archive that brings it (a later archive replaces what an earlier one wrote).
struct MediumContents {
    std::vector<MediumArchive> archives;
    std::vector<MediumFile> files;
};

enum class ItemKind { File, Folder, Shortcut, ShortcutList, RegistryKey, RegistryValue, Setting };

// Something the installation should have and has not, or has damaged: what a repair writes.
struct DamagedItem {
    ItemKind kind = ItemKind::File;
    std::string name;  // as the log names it
    std::string why;   // what is wrong, for the log
    size_t file = 0;   // File: index into MediumContents::files
    std::string path;  // Folder: below the install directory; RegistryKey: the key
    const RegistryRecord* value = nullptr;
    const SettingsRecord* setting = nullptr;
    const ShortcutRecord* shortcut = nullptr;
};

struct CheckReport {
    std::string installDir;
    // Why the installation cannot be checked (nothing of it may be trusted, or the medium is
    // not what it came from); empty when it was checked.
    std::string refusal;
    bool cancelled = false;
    StoredSeal seal;
    std::vector<DamagedItem> damaged;
    // Left as they are on purpose: a user's own values, records of another installation.
    std::vector<std::string> notes;
    uint64_t checkedFiles = 0;
    uint64_t checkedBytes = 0;

    bool Checked() const { return refusal.empty() && !cancelled; }
    bool Whole() const { return Checked() && damaged.empty(); }
    size_t Count(ItemKind kind) const;
};

// "файлов 3, папок 1, ярлыков 1, записей реестра 2, ключей настроек 1": the damaged items
// by kind, those without any left out; the shortcut list counts with the shortcuts' entries
// as records.
std::string DamagedCounts(const CheckReport& report);

// One archive's central directory as the zip component read it.
struct ArchiveDirectory {
    bool read = false;
    std::vector<zip::ZipDirEntry> entries;
    int droppedDirectories = 0;
};

class InstallationCheck {
  public:
    // The zip component reads the medium's directories, `unpacker` reports an archive it
    // cannot read as an installation's does; `wizard` says when the user has decided to leave.
    InstallationCheck(const std::string& installDir, InstallDisplay& display,
                      zip::TZipUnpacker& unpacker, ProgressState& progress,
                      const WizardState& wizard, InstallLog& log);

    // Reads and compares, writes nothing; each damaged item and each note is logged as it is
    // found. The percent runs over the bytes of the files to check.
    CheckReport Run();
    const MediumContents& Medium() const { return medium_; }

  private:
    bool Refuse(const std::string& why);
    bool ReadMedium();
    std::vector<ArchiveDirectory> ReadDirectories(const std::vector<std::string>& paths);
    void AddArchiveFiles(size_t archive, const std::vector<zip::ZipDirEntry>& entries);
    bool CheckLists();
    bool CheckShortcutList();
    void CheckFiles();
    void CheckFile(size_t index);
    // A folder below the install directory, reached once and held while the files are read:
    // each file in it is then opened in one checked step. Null, with the outcome, when it is
    // missing or no plain folder in its place.
    const TGuardedFolder* HeldFolder(const std::string& folder, TGuardedOutcome& outcome);
    void CheckFolders();
    void CheckShortcuts();
    void CheckRegistry();
    void CheckKeyRecords(const char* key);
    void CheckSettings();
    void Damaged(DamagedItem item);
    void Note(const std::string& text);

    const std::string installDir_;
    InstallDisplay& display_;
    zip::TZipUnpacker& unpacker_;
    ProgressState& progress_;
    const WizardState& wizard_;
    InstallLog& log_;
    MediumContents medium_;
    CheckReport report_;
    std::vector<std::string> listedFolders_;  // from the sealed list of installed files
    bool listChecked_ = false;                // that list was read and matched its seal
    std::optional<TGuardedFolder> base_;      // the install directory, held while checking
    struct HeldFolderEntry {
        std::optional<TGuardedFolder> folder;
        TGuardedOutcome outcome = TGuardedOutcome::Missing;
    };
    std::map<std::string, HeldFolderEntry> heldFolders_;  // by lower-case path, while reading
    std::vector<char> buffer_;
};

}  // namespace mvt::install
