#include "install/installation_check.h"

#include <windows.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <thread>

#include "crc32_fast.h"
#include "framework/comobj.h"
#include "framework/guarded_files.h"
#include "framework/handles.h"
#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/sha256.h"
#include "framework/sysutils.h"
#include "install/installation_seal.h"
#include "install/journal_format.h"
#include "install/medium_layout.h"
#include "install/program_group.h"
#include "install/setup_description.h"
#include "uninstall/installed_files.h"

namespace mvt::install {

namespace {

constexpr char kCheckCaption[] = "Проверка файлов...";
constexpr char kCheckedCaption[] = "Всего проверено...";
// Large enough that reading stays bound by the disk, small enough to show progress in a
// large file every few milliseconds.
constexpr size_t kReadBlock = 1u << 20;
constexpr char kUninstallerArchive[] = "Unregmvt.zip";

std::string Lower(const std::string& path) {
    return AnsiLowerCase(path);
}

std::string Hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

uint32_t Crc32(const std::string& bytes) {
    return static_cast<uint32_t>(crc32(crc32(0, nullptr, 0),
                                       reinterpret_cast<const Bytef*>(bytes.data()),
                                       static_cast<uInt>(bytes.size())));
}

// The files the setup writes itself after the archives (and so never as they came): checked
// by their keys, not by their content.
bool WrittenBySetup(const std::string& path) {
    const std::string lower = Lower(path);
    return lower == Lower(kGameSettingsFile) || lower == Lower(kUninstallListFile);
}

std::string Hklm(const std::string& key) {
    return "HKLM\\" + key;
}

// The data a registry value should have, as it stands in the key.
std::vector<BYTE> ExpectedData(const RegistryRecord& record, const std::string& installDir) {
    if (record.data == RecordData::Number) {
        const auto number = static_cast<DWORD>(record.number);
        const auto* bytes = reinterpret_cast<const BYTE*>(&number);
        return {bytes, bytes + sizeof number};
    }
    const std::string text = RecordText(record, installDir);
    std::vector<BYTE> data(text.begin(), text.end());
    data.push_back(0);
    return data;
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && Lower(a) == Lower(b);
}

}  // namespace

size_t CheckReport::Count(ItemKind kind) const {
    return static_cast<size_t>(std::count_if(
        damaged.begin(), damaged.end(), [kind](const DamagedItem& d) { return d.kind == kind; }));
}

std::string DamagedCounts(const CheckReport& report) {
    const std::pair<size_t, const char*> counts[] = {
        {report.Count(ItemKind::File), "файлов"},
        {report.Count(ItemKind::Folder), "папок"},
        {report.Count(ItemKind::Shortcut), "ярлыков"},
        {report.Count(ItemKind::RegistryKey) + report.Count(ItemKind::RegistryValue) +
             report.Count(ItemKind::ShortcutList),
         "записей"},
        {report.Count(ItemKind::Setting), "ключей настроек"},
    };
    std::string text;
    for (const auto& [count, what] : counts)
        if (count)
            text += (text.empty() ? "" : ", ") + std::string(what) + " " + std::to_string(count);
    return text;
}

InstallationCheck::InstallationCheck(const std::string& installDir, InstallDisplay& display,
                                     zip::TZipUnpacker& unpacker, ProgressState& progress,
                                     const WizardState& wizard, InstallLog& log)
    : installDir_(ExcludeTrailingBackslash(installDir)),
      display_(display),
      unpacker_(unpacker),
      progress_(progress),
      wizard_(wizard),
      log_(log) {}

CheckReport InstallationCheck::Run() {
    report_.installDir = installDir_;
    const std::optional<StoredSeal> seal = ReadStoredSeal(installDir_);
    if (!seal) {
        Refuse("нет записи об установке\rв реестре");
        return report_;
    }
    report_.seal = *seal;
    display_.SetStatusCaption(kCheckCaption);
    display_.SetTotalCaption(kCheckedCaption);
    display_.ProcessMessages();
    if (!ReadMedium()) return report_;
    log_.Write("Каталоги архивов прочитаны: архивов " + std::to_string(medium_.archives.size()) +
               ", файлов " + std::to_string(medium_.files.size()));
    if (!CheckLists()) return report_;
    CheckFiles();
    if (report_.cancelled) return report_;
    CheckFolders();
    CheckShortcuts();
    CheckRegistry();
    CheckSettings();
    log_.Write("Проверено файлов " + std::to_string(report_.checkedFiles) + ", байт " +
               std::to_string(report_.checkedBytes));
    return report_;
}

bool InstallationCheck::Refuse(const std::string& why) {
    report_.refusal = why;
    log_.Write("Проверка невозможна: " + why);
    return false;
}

void InstallationCheck::Damaged(DamagedItem item) {
    log_.Write(item.name + ": " + item.why);
    report_.damaged.push_back(std::move(item));
}

void InstallationCheck::Note(const std::string& text) {
    log_.Write("Оставлено как есть: " + text);
    report_.notes.push_back(text);
}

// ---- the medium ---------------------------------------------------------------------------

bool InstallationCheck::ReadMedium() {
    std::vector<std::string> names = ListedArchives();
    // An installation with a seal has the uninstaller.
    names.push_back(kUninstallerArchive);
    const std::string archives = ProgramFolder() + "Archives\\";
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(archives + name);
    const std::vector<ArchiveDirectory> directories = ReadDirectories(paths);
    if (report_.cancelled) return false;
    for (size_t n = 0; n < names.size(); ++n) {
        const ArchiveDirectory& directory = directories[n];
        if (!directory.read) {
            // Read once more by the run's own component, which reports the failure (its box
            // unless unattended) as it does in an installation.
            unpacker_.SetZipFileName(paths[n]);
            log_.Write("Архив не прочитан: " + paths[n]);
            return Refuse("не прочитан архив\rдистрибутива " + names[n]);
        }
        MediumArchive archive;
        archive.path = paths[n];
        archive.destination = names[n] == kUninstallerArchive
                                  ? installDir_
                                  : ArchiveDestination(installDir_, names[n]);
        archive.entries =
            static_cast<uint32_t>(directory.entries.size() + directory.droppedDirectories);
        medium_.archives.push_back(archive);
        AddArchiveFiles(medium_.archives.size() - 1, directory.entries);
    }
    return true;
}

// The directories are read by a component of their own on a thread of their own: off the
// main thread the component neither shows the hourglass nor services windows, which in a run
// without windows started the display for nothing (under Wine its driver loaded, and the
// pointer moved twice for every archive). The main thread meanwhile keeps the screen serviced
// and passes a decision to leave on. The reading stops at the first archive it cannot read.
std::vector<ArchiveDirectory> InstallationCheck::ReadDirectories(
    const std::vector<std::string>& paths) {
    std::vector<ArchiveDirectory> directories(paths.size());
    zip::TZipUnpacker reader(nullptr);
    reader.SetUnattended(true);
    reader.OnCheckTerminate = [](TObject*, bool&) {};
    std::atomic<bool> stop{false};
    const UniqueHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread thread([&] {
        try {
            for (size_t n = 0; n < paths.size() && !stop; ++n) {
                reader.SetZipFileName(paths[n]);
                if (reader.DirectoryResult() != 0) break;
                directories[n].entries = reader.ZipContents();
                directories[n].droppedDirectories = reader.Archive().droppedDirectories;
                directories[n].read = true;
            }
        } catch (const std::exception&) {
            // Out of memory: the archive counts as unread.
        }
        SetEvent(done.get());
    });
    try {
        // Often enough for the screen to stay answering while it waits.
        while (WaitForSingleObject(done.get(), 10) == WAIT_TIMEOUT) {
            if (!stop && wizard_.LeaveDecided()) {
                stop = true;
                report_.cancelled = true;
            }
            display_.ProcessMessages();
        }
    } catch (...) {
        // A handler of the screen that raised: the reading ends before its state goes.
        stop = true;
        thread.join();
        throw;
    }
    thread.join();
    return directories;
}

void InstallationCheck::AddArchiveFiles(size_t archive,
                                        const std::vector<zip::ZipDirEntry>& entries) {
    const std::string& destination = medium_.archives[archive].destination;
    std::string folder = destination.substr(std::min(destination.size(), installDir_.size()));
    folder.erase(0, folder.find_first_not_of('\\'));
    std::map<std::string, size_t> known;
    for (size_t n = 0; n < medium_.files.size(); ++n) known[Lower(medium_.files[n].path)] = n;
    for (const zip::ZipDirEntry& entry : entries) {
        const std::optional<std::string> target = EntryTarget(entry.fileName);
        // The library writes no entry it refuses, and a folder entry is no file.
        if (!target || entry.fileName.ends_with('\\')) continue;
        MediumFile file{archive, entry.fileName, folder.empty() ? *target : folder + "\\" + *target,
                        entry.uncompressedSize, entry.crc32};
        const auto [at, added] = known.emplace(Lower(file.path), medium_.files.size());
        if (added)
            medium_.files.push_back(std::move(file));
        else
            medium_.files[at->second] = std::move(file);
    }
}

// ---- the lists and the seal ------------------------------------------------------------

bool InstallationCheck::CheckLists() {
    const std::string text = InstalledFilesText(installDir_);
    // Missing (or no plain file): damaged like any other file of the medium, and put back
    // from it by a repair, which then holds the list against the seal.
    if (!text.empty()) {
        if (Sha256Hex(text) != report_.seal.installedFilesHash)
            return Refuse(std::string("список файлов ") + kInstalledFilesFile +
                          "\rизменён после установки");
        const auto onMedium = std::find_if(
            medium_.files.begin(), medium_.files.end(),
            [](const MediumFile& file) { return SameText(file.path, kInstalledFilesFile); });
        const uninstall::InstalledFilesParse list = uninstall::ParseInstalledFiles(text);
        std::set<std::string> listed, brought;
        for (const std::string& file : list.list.files) listed.insert(Lower(file));
        for (const MediumFile& file : medium_.files) brought.insert(Lower(file.path));
        if (onMedium == medium_.files.end() || onMedium->size != text.size() ||
            onMedium->crc != Crc32(text) || !list.ok || listed != brought)
            return Refuse("дистрибутив не тот, с которого\rсделана установка");
        listedFolders_ = list.list.folders;
        listChecked_ = true;
        ++report_.checkedFiles;
        report_.checkedBytes += text.size();
    }
    return CheckShortcutList();
}

bool InstallationCheck::CheckShortcutList() {
    const std::vector<ShortcutEntry> sealed = SealedShortcutEntries(installDir_, report_.seal);
    if (Sha256Hex(ShortCutsText(sealed)) != report_.seal.shortCutsHash)
        return Refuse("запись об установке в реестре\rне сходится со списком ярлыков");
    const std::vector<ShortcutEntry> listed =
        ReadShortcutEntries(installDir_ + "\\" + kUninstallListFile);
    std::string absent;
    for (const ShortcutEntry& entry : listed) {
        const auto found = std::find_if(sealed.begin(), sealed.end(), [&](const ShortcutEntry& s) {
            return SameText(s.key, entry.key);
        });
        // The uninstaller would refuse the list: nothing of it may be trusted.
        if (found == sealed.end() || found->linkFile != entry.linkFile)
            return Refuse(std::string("список ярлыков ") + kUninstallListFile +
                          "\rизменён после установки");
    }
    for (const ShortcutEntry& entry : sealed) {
        const bool there = std::any_of(listed.begin(), listed.end(), [&](const ShortcutEntry& l) {
            return SameText(l.key, entry.key);
        });
        if (!there) absent += (absent.empty() ? "" : ", ") + entry.key;
    }
    // Missing lines, or the lines in another order: the hash the uninstaller checks fails.
    const bool whole = ShortCutsText(listed) == ShortCutsText(sealed);
    if (!whole)
        Damaged({ItemKind::ShortcutList, std::string("Список ярлыков ") + kUninstallListFile,
                 absent.empty() ? "строки не по порядку" : "нет строк " + absent});
    return true;
}

// ---- files --------------------------------------------------------------------------------

void InstallationCheck::CheckFiles() {
    std::vector<size_t> toRead;
    double bytes = 0;
    for (size_t n = 0; n < medium_.files.size(); ++n) {
        const MediumFile& file = medium_.files[n];
        if (WrittenBySetup(file.path)) continue;
        if (listChecked_ && SameText(file.path, kInstalledFilesFile)) continue;
        toRead.push_back(n);
        bytes += file.size;
    }
    progress_.FullSize = std::max(bytes, 1.0);
    progress_.DoneSize = 0;
    buffer_.resize(kReadBlock);
    std::string error;
    // Held for the whole check; without it every file counts as missing.
    base_ = TGuardedFolder::Open(installDir_, TFolderWay::Followed, error);
    for (size_t n : toRead) {
        if (wizard_.LeaveDecided()) {
            report_.cancelled = true;
            return;
        }
        CheckFile(n);
    }
    heldFolders_.clear();
    ShowItemProgress(progress_, display_, "", 0, 0);
}

const TGuardedFolder* InstallationCheck::HeldFolder(const std::string& folder,
                                                    TGuardedOutcome& outcome) {
    auto [at, added] = heldFolders_.try_emplace(Lower(folder));
    HeldFolderEntry& held = at->second;
    if (added && base_) {
        std::string error;
        held.folder = TGuardedFolder::OpenBelow(*base_, folder, held.outcome, error);
    }
    outcome = held.outcome;
    return held.folder ? &*held.folder : nullptr;
}

void InstallationCheck::CheckFile(size_t index) {
    const MediumFile& file = medium_.files[index];
    const double doneBefore = progress_.DoneSize;
    const auto damaged = [&](const std::string& why) {
        Damaged({ItemKind::File, "Файл " + file.path, why, index});
    };
    std::string error;
    TGuardedOutcome outcome = TGuardedOutcome::Missing;
    const size_t cut = file.path.rfind('\\');
    const TGuardedFolder* folder = cut == std::string::npos
                                       ? (base_ ? &*base_ : nullptr)
                                       : HeldFolder(file.path.substr(0, cut), outcome);
    // The folder is held for the whole check.
    const UniqueHandle opened =
        folder ? OpenFileIn(*folder, file.path.substr(cut + 1), FILE_SHARE_READ, outcome, error)
               : nullptr;
    const HANDLE handle = opened.get();
    LARGE_INTEGER size{};
    if (!handle) {
        damaged(outcome == TGuardedOutcome::Missing ? "нет"
                : outcome == TGuardedOutcome::NotOurs ? "на его месте ссылка или папка"
                                                      : "не читается: " + error);
    } else if (!GetFileSizeEx(handle, &size) || static_cast<uint64_t>(size.QuadPart) != file.size) {
        damaged("размер " + std::to_string(size.QuadPart) + " байт вместо " +
                std::to_string(file.size));
    } else {
        uint32_t crc = 0;
        DWORD read = 0;
        uint64_t total = 0;
        while (
            ReadFile(handle, buffer_.data(), static_cast<DWORD>(buffer_.size()), &read, nullptr) &&
            read > 0) {
            crc = ziplib::Crc32(crc, reinterpret_cast<const uint8_t*>(buffer_.data()), read);
            total += read;
            progress_.DoneSize = doneBefore + static_cast<double>(total);
            ShowItemProgress(progress_, display_, file.path, 0, 0);
        }
        ++report_.checkedFiles;
        report_.checkedBytes += total;
        if (total != file.size)
            damaged("не читается до конца: " + SysErrorMessage(GetLastError()));
        else if (crc != file.crc)
            damaged("содержимое изменено (CRC-32 " + Hex8(crc) + " вместо " + Hex8(file.crc) + ")");
    }
    progress_.DoneSize = doneBefore + file.size;
    ShowItemProgress(progress_, display_, file.path, 0, 0);
}

// ---- folders ------------------------------------------------------------------------------

void InstallationCheck::CheckFolders() {
    std::vector<std::string> folders = listedFolders_;
    for (const char* folder : kGameFolders) folders.emplace_back(folder + 1);
    std::set<std::string> seen;
    std::string error;
    for (const std::string& folder : folders) {
        if (!seen.insert(Lower(folder)).second) continue;
        const TGuardedOutcome found =
            base_ ? CheckBelow(*base_, folder, error, true) : TGuardedOutcome::Missing;
        if (found == TGuardedOutcome::Missing)
            Damaged({ItemKind::Folder, "Папка " + folder, "нет", 0, folder});
        else if (found != TGuardedOutcome::Done)
            Damaged(
                {ItemKind::Folder, "Папка " + folder, "на её месте ссылка или файл", 0, folder});
    }
}

// ---- shortcuts ----------------------------------------------------------------------------

void InstallationCheck::CheckShortcuts() {
    const ComApartment com;
    for (const PlannedShortcut& shortcut : PlannedShortcuts(installDir_, report_.seal.groupFolder,
                                                            report_.seal.desktopFolder, true)) {
        std::string error;
        const std::optional<TGuardedFolder> folder = TGuardedFolder::Open(
            ExtractFilePath(shortcut.linkFile), TFolderWay::NoLinkOnTheWay, error);
        const TGuardedOutcome found =
            folder ? CheckBelow(*folder, shortcut.record->link, error) : TGuardedOutcome::Missing;
        DamagedItem item{ItemKind::Shortcut, "Ярлык " + shortcut.linkFile};
        item.shortcut = shortcut.record;
        if (found == TGuardedOutcome::Missing) {
            item.why = "нет";
            Damaged(std::move(item));
        } else if (found != TGuardedOutcome::Done) {
            item.why = "на его месте ссылка или папка";
            Damaged(std::move(item));
        } else if (const std::string target = ShellLinkTarget(shortcut.linkFile);
                   !SameText(target, shortcut.target)) {
            // Pointed elsewhere by its user: a shortcut is the user's to change.
            Note("ярлык " + shortcut.linkFile + " ведёт на " +
                 (target.empty() ? std::string("неизвестно что") : target));
        }
    }
}

// ---- registry -----------------------------------------------------------------------------

void InstallationCheck::CheckRegistry() {
    for (const std::string& key : kProductKeys)
        if (!TRegistryKey(HKEY_LOCAL_MACHINE, key)) {
            DamagedItem item{ItemKind::RegistryKey, "Ключ реестра " + Hklm(key), "нет"};
            item.path = key;
            Damaged(std::move(item));
        }
    for (const char* key : {kGameAppPath, kRestoreAppPath, kMainAppPath, kUninstallKey})
        CheckKeyRecords(key);
}

void InstallationCheck::CheckKeyRecords(const char* key) {
    const TRegistryKey values(HKEY_LOCAL_MACHINE, key);
    if (const RegistryRecord* naming = NamingRecord(key)) {
        const std::optional<std::string> owner = values.String(naming->name);
        // The records of a later installation elsewhere: theirs, as the uninstaller sees it.
        if (owner && !SameText(*owner, RecordText(*naming, installDir_))) {
            Note("записи " + Hklm(key) + " другой установки (" + *owner + ")");
            return;
        }
    }
    std::map<std::string, TRegistryKey::Value> present;
    for (TRegistryKey::Value& value : values.Values()) present[Lower(value.name)] = value;
    for (std::span<const RegistryRecord> table : kRecordTables)
        for (const RegistryRecord& record : table) {
            if (std::strcmp(record.key, key) != 0) continue;
            const std::string name = "Значение реестра " + Hklm(key) + " " + record.name;
            const auto found = present.find(Lower(record.name));
            if (found == present.end()) {
                DamagedItem item{ItemKind::RegistryValue, name, "нет"};
                item.value = &record;
                Damaged(std::move(item));
                continue;
            }
            const DWORD type = IsNumberRecord(record) ? REG_DWORD : REG_SZ;
            // The size measured at the time is whatever it was: only its kind is known.
            const bool same = found->second.type == type &&
                              (record.data == RecordData::Kilobytes ||
                               found->second.data == ExpectedData(record, installDir_));
            if (!same) Note(Hklm(key) + " " + record.name + " изменено");
        }
}

// ---- the settings file ------------------------------------------------------------------

void InstallationCheck::CheckSettings() {
    std::string error;
    const TGuardedOutcome found =
        base_ ? CheckBelow(*base_, kGameSettingsFile, error) : TGuardedOutcome::Missing;
    const TIniFile settings(installDir_ + "\\" + kGameSettingsFile);
    std::map<std::string, std::set<std::string>> keys;  // per section, lower case
    if (found == TGuardedOutcome::Done)
        for (const SettingsRecord& record : kSettingsRecords)
            if (!keys.count(record.section))
                for (const std::string& key : settings.ReadSection(record.section))
                    keys[record.section].insert(Lower(key));
    for (const SettingsRecord& record : kSettingsRecords) {
        const std::string name =
            std::string("Ключ ") + kGameSettingsFile + " [" + record.section + "] " + record.key;
        if (found == TGuardedOutcome::NotOurs) {
            DamagedItem item{ItemKind::Setting, name, "на месте файла ссылка или папка"};
            item.setting = &record;
            Damaged(std::move(item));
        } else if (!keys[record.section].count(Lower(record.key))) {
            DamagedItem item{ItemKind::Setting, name, "нет"};
            item.setting = &record;
            Damaged(std::move(item));
        } else if (settings.ReadString(record.section, record.key, "") !=
                   SettingsValue(record, installDir_)) {
            // The game's settings are its user's: a changed value stays.
            Note(name + " изменён");
        }
    }
}

}  // namespace mvt::install
