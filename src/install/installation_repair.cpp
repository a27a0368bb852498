#include "install/installation_repair.h"

#include <windows.h>

#include <algorithm>
#include <map>

#include "framework/guarded_files.h"
#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/sha256.h"
#include "framework/sysutils.h"
#include "install/archive_unpacking.h"
#include "install/installation_seal.h"
#include "install/medium_layout.h"
#include "install/program_group.h"
#include "install/registry_records.h"
#include "install/settings_file.h"

namespace mvt::install {

namespace {

constexpr char kRecordsCaption[] = "Восстановление ярлыков и записей...";
constexpr char kUndoCaption[] = "Отмена восстановления...";

// A plain file of `size` bytes at `relative` below the install directory, as the library
// must have left it (it checked the content's CRC-32 while writing).
bool WrittenWhole(const std::string& installDir, const std::string& relative, uint64_t size) {
    std::string error;
    const std::optional<TGuardedFolder> base =
        TGuardedFolder::Open(installDir, TFolderWay::Followed, error);
    TGuardedOutcome outcome = TGuardedOutcome::Missing;
    const std::optional<TGuardedFile> file =
        base ? OpenFileBelow(*base, relative, TGuardedCreation::Existing, GENERIC_READ,
                             FILE_SHARE_READ, outcome, error)
             : std::nullopt;
    LARGE_INTEGER bytes{};
    return file && GetFileSizeEx(file->Handle(), &bytes) &&
           static_cast<uint64_t>(bytes.QuadPart) == size;
}

}  // namespace

RepairRun::RepairRun(const CheckReport& report, const MediumContents& medium,
                     InstallDisplay& display, zip::TZipUnpacker& unpacker, ProgressState& progress,
                     WizardState& wizard, InstallLog& log)
    : report_(report),
      medium_(medium),
      installDir_(report.installDir),
      display_(display),
      unpacker_(unpacker),
      progress_(progress),
      wizard_(wizard),
      log_(log) {}

void RepairRun::Execute() {
    // Nothing is changed before the journal can be kept.
    journal_ = std::make_unique<InstallationJournal>(installDir_);
    try {
        if (!RepairFiles()) return Undo();
        const bool listRepaired = std::any_of(
            report_.damaged.begin(), report_.damaged.end(), [&](const DamagedItem& item) {
                return item.kind == ItemKind::File &&
                       AnsiLowerCase(medium_.files[item.file].path) ==
                           AnsiLowerCase(kInstalledFilesFile);
            });
        if (listRepaired &&
            Sha256Hex(InstalledFilesText(installDir_)) != report_.seal.installedFilesHash) {
            outcome_.sealMismatch = true;
            log_.Write(std::string("Список файлов ") + kInstalledFilesFile +
                       " с дистрибутива не тот, что записан об установке");
            return Undo();
        }
        RepairRecords();
    } catch (const std::exception& error) {
        outcome_.failure = error.what();
        log_.Write(std::string("Ошибка записи: ") + error.what());
        return Undo();
    }
    journal_->Commit();
    outcome_.repaired = true;
    for (const DamagedItem& item : report_.damaged) log_.Write("Восстановлено: " + item.name);
}

bool RepairRun::RepairFiles() {
    std::map<size_t, std::vector<size_t>> byArchive;  // archive -> its damaged files
    for (const DamagedItem& item : report_.damaged)
        if (item.kind == ItemKind::File)
            byArchive[medium_.files[item.file].archive].push_back(item.file);
    if (byArchive.empty()) return true;
    // The percent runs over what the component reports for these entries alone.
    double full = 0;
    for (const auto& [archive, files] : byArchive) {
        full += static_cast<double>(DirectoryDoneGrowth(medium_.archives[archive].entries));
        for (size_t file : files)
            full += static_cast<double>(ItemDoneGrowth(medium_.files[file].size));
    }
    progress_.FullSize = std::max(full, 1.0);
    progress_.DoneSize = 0;
    display_.SetStatusCaption(kUnpackingCaption);
    display_.SetTotalCaption(kInstalledCaption);
    display_.ProcessMessages();

    for (const auto& [archive, files] : byArchive) {
        outcome_.unpacking.cancelled = wizard_.LeaveDecided();
        if (outcome_.unpacking.cancelled) return false;
        const MediumArchive& source = medium_.archives[archive];
        std::vector<std::string> entries;
        for (size_t file : files) entries.push_back(medium_.files[file].entry);
        log_.Write("Распаковать из архива " + source.path + ": файлов " +
                   std::to_string(entries.size()));
        ArchiveOutcome unpacked = UnpackArchive(
            {unpacker_, display_, wizard_, progress_}, source.path, source.destination, [&] {
                journal_->BeforeEntries(ExcludeTrailingBackslash(source.destination), entries);
                // One pass over the archive for just these entries.
                unpacker_.FSpecArgs().Clear();
                for (const std::string& entry : entries) unpacker_.FSpecArgs().Add(entry);
            });
        const bool complete = unpacked.Complete();
        outcome_.unpacking.archives.push_back(std::move(unpacked));
        if (!complete) return false;
        for (size_t file : files)
            if (!WrittenWhole(installDir_, medium_.files[file].path, medium_.files[file].size)) {
                outcome_.failure = "файл не записан: " + medium_.files[file].path;
                log_.Write("Не записан: " + medium_.files[file].path);
                return false;
            }
    }
    outcome_.unpacking.cancelled = wizard_.LeaveDecided();
    return !outcome_.unpacking.cancelled;
}

void RepairRun::RepairRecords() {
    display_.HideFileLabels();
    display_.ClearTotalCaption();
    display_.SetStatusCaption(kRecordsCaption);
    display_.ProcessMessages();
    RepairFolders();
    RepairRegistry();
    RepairShortcuts();
    RepairShortcutList();
    RepairSettings();
}

void RepairRun::RepairFolders() {
    std::string error;
    for (const DamagedItem& item : report_.damaged) {
        if (item.kind != ItemKind::Folder) continue;
        const std::string folder = installDir_ + "\\" + item.path;
        // Made only where nothing stands and no link lies on the way, checked again after.
        const std::optional<TGuardedFolder> base =
            TGuardedFolder::Open(installDir_, TFolderWay::NoLinkAtItsEnd, error);
        if (!base || CheckBelow(*base, item.path, error, true) != TGuardedOutcome::Missing)
            throw Exception("папка не создана: " + folder);
        journal_->BeforeFolders({folder});
        ForceDirectories(folder);
        if (CheckBelow(*base, item.path, error, true) != TGuardedOutcome::Done)
            throw Exception("папка не создана: " + folder);
    }
}

void RepairRun::RepairRegistry() {
    const bool any =
        std::any_of(report_.damaged.begin(), report_.damaged.end(), [](const DamagedItem& item) {
            return item.kind == ItemKind::RegistryKey || item.kind == ItemKind::RegistryValue;
        });
    if (!any) return;
    journal_->BeforeKeys(RecordKeys(installDir_));
    TRegistry registry(KEY_ALL_ACCESS);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    for (const DamagedItem& item : report_.damaged)
        if (item.kind == ItemKind::RegistryKey) registry.CreateKey(item.path);
    for (const DamagedItem& item : report_.damaged)
        if (item.kind == ItemKind::RegistryValue)
            WriteRecords(registry, std::span<const RegistryRecord>(item.value, 1), installDir_);
}

void RepairRun::RepairShortcuts() {
    const std::vector<PlannedShortcut> planned =
        PlannedShortcuts(installDir_, report_.seal.groupFolder, report_.seal.desktopFolder, true);
    LinkObjects links;
    for (const DamagedItem& item : report_.damaged) {
        if (item.kind != ItemKind::Shortcut) continue;
        const auto shortcut =
            std::find_if(planned.begin(), planned.end(),
                         [&](const PlannedShortcut& p) { return p.record == item.shortcut; });
        if (shortcut == planned.end()) continue;
        const std::string folder = ExcludeTrailingBackslash(ExtractFilePath(shortcut->linkFile));
        journal_->BeforeFolders({folder});
        journal_->BeforeFiles(folder, {shortcut->record->link});
        ForceDirectories(folder);
        // Only a missing link is made, in a folder reached with no link on its way: the link
        // object's save would write through whatever stands at its name.
        std::string error;
        const std::optional<TGuardedFolder> place =
            TGuardedFolder::Open(folder, TFolderWay::NoLinkOnTheWay, error);
        if (!place || CheckBelow(*place, shortcut->record->link, error) != TGuardedOutcome::Missing)
            throw Exception("ярлык не создан: " + shortcut->linkFile);
        MakeShortcutFile(*shortcut, links);
        if (CheckBelow(*place, shortcut->record->link, error) != TGuardedOutcome::Done)
            throw Exception("ярлык не создан: " + shortcut->linkFile);
    }
}

void RepairRun::RepairShortcutList() {
    if (!report_.Count(ItemKind::ShortcutList)) return;
    journal_->BeforeChange(installDir_, kUninstallListFile);
    // Written whole and in order, as the seal's hash covers it.
    TGuardedIniFile list = OpenUninstallList(installDir_);
    for (const ShortcutEntry& entry : SealedShortcutEntries(installDir_, report_.seal))
        list.WriteString(kShortCutsSection, entry.key, entry.linkFile);
}

void RepairRun::RepairSettings() {
    std::vector<SettingsRecord> missing;
    for (const DamagedItem& item : report_.damaged)
        if (item.kind == ItemKind::Setting) missing.push_back(*item.setting);
    if (missing.empty()) return;
    journal_->BeforeChange(installDir_, kGameSettingsFile);
    // Only the missing keys: every value there, the user's own included, stays.
    WriteSettingsRecords(installDir_, missing);
}

void RepairRun::Undo() {
    const JournalOutcome undone = UndoShown(*journal_, display_, kUndoCaption);
    outcome_.unpacking.undone = true;
    outcome_.unpacking.undoFailures = undone.failures;
}

}  // namespace mvt::install
