// The run's steps in order. It runs on the GUI thread; the windows live on because the run,
// the zip component and the progress handler process pending messages at fixed points,
// which is also where a cancellation decided on the confirmation shows up in the cancel
// mark.
#include "install/installation_run.h"

#include "framework/inifiles.h"
#include "install/archive_unpacking.h"
#include "framework/registry.h"
#include "framework/sysutils.h"
#include "install/installation_seal.h"
#include "install/medium_layout.h"
#include "install/program_group.h"
#include "install/progress_figures.h"
#include "install/record_names.h"
#include "install/record_stages.h"
#include "install/registry_records.h"
#include "install/setup_description.h"
#include "install/shell_link.h"

namespace mvt::install {

namespace {

constexpr char kUninstallerCaption[] = "Установка деинсталлятора...";
constexpr char kUndoCaption[] = "Отмена установки...";

}  // namespace

void ShowItemProgress(ProgressState& progress, InstallDisplay& display, const std::string& item,
                      uint64_t totalSize, int32_t perCent) {
    display.ShowCurrentFile(ShownFileName(item));
    const int percent = TotalPercent(totalSize, perCent, progress.DoneSize, progress.FullSize);
    display.ShowPercentFigure(percent);
    if (percent != progress.LastPercent) {
        // At most once per whole percent: the ring is redrawn and the windows serviced.
        display.ShowRing(percent);
        display.ProcessMessages();
        progress.LastPercent = percent;
    }
    if (perCent == 100) progress.DoneSize += totalSize;
}

void ConfigureInstallUnpacker(zip::TZipUnpacker& unpacker) {
    unpacker.SetExtrOptions(zip::ExtrBit(zip::ExtrOptsEnum::ExtrDirNames) |
                            zip::ExtrBit(zip::ExtrOptsEnum::ExtrOverWrite) |
                            zip::ExtrBit(zip::ExtrOptsEnum::ExtrForceDirs));
    unpacker.SFX().path = "ZLSFXUS.bin";  // stored only: no self-extractor is made
}

InstallationRun::InstallationRun(WizardState& wizard, InstallDisplay& display,
                                 zip::TZipUnpacker& unpacker, ProgressState& progress,
                                 bool keepIncomplete)
    : wizard_(wizard),
      display_(display),
      unpacker_(unpacker),
      progress_(progress),
      keepIncomplete_(keepIncomplete) {}

void InstallationRun::Execute() {
    const std::string installDir = ExcludeTrailingBackslash(wizard_.InstallDirectory());
    // Nothing is changed before the journal can be kept.
    journal_ = std::make_unique<InstallationJournal>(installDir);
    try {
        Install(installDir);
    } catch (...) {
        Undo();
        throw;
    }
    if (!journal_->Closed()) Undo();
}

void InstallationRun::Install(const std::string& installDir) {
    // The shortcuts' link objects live until the run returns.
    LinkObjects links;
    journal_->Adopt(wizard_.FoldersMadeBeforehand());
    std::vector<std::string> folders{installDir};
    for (const char* folder : kGameFolders) folders.push_back(installDir + folder);
    journal_->BeforeFolders(folders);
    InstallationSeal seal;
    // Game folders an earlier installation here made stay the game's.
    seal.madeGameFolders = MakeGameFolders(installDir) | SealedGameFolders(installDir);
    journal_->BeforeChange(installDir, kUninstallListFile);
    TGuardedIniFile uninstallList = OpenUninstallList(installDir);
    const std::string archives = ProgramFolder() + "Archives\\";

    if (!UnpackListedArchives(installDir, archives)) return;
    display_.HideFileLabels();
    if (Cancelled()) return;

    if (wizard_.UninstallerChosen()) {
        display_.SetStatusCaption(kUninstallerCaption);
        display_.ProcessMessages();
        Unpack(archives + "Unregmvt.zip", installDir);
        // What the uninstaller will trust is the medium's list, not what lies in the install
        // directory now.
        seal.installedFiles =
            InstalledFilesFromMedium(archives + "Unregmvt.zip", unpacker_.DLLDirectory());
    }
    // The last checkpoint: from the records on, the run always goes to its end.
    if (Cancelled()) return;

    JournalRecordStages(installDir);
    RunRecordStages(installDir, wizard_, display_, uninstallList, links, seal);
    // Where nobody could choose to go on without files, an installation without them is
    // none: it is undone, so that a failure never leaves a game that seems installed.
    if (!keepIncomplete_ && !outcome_.Complete()) return;
    journal_->Commit();

    display_.StopAnimation();
    display_.Close();
    display_.ProcessMessages();
    outcome_.finished = true;
    wizard_.ShowFinishScreen(outcome_);
}

void InstallationRun::JournalArchive(const std::string& destination) {
    std::vector<std::string> names;
    for (const zip::ZipDirEntry& entry : unpacker_.ZipContents()) names.push_back(entry.fileName);
    journal_->BeforeEntries(destination, names);
}

void InstallationRun::JournalRecordStages(const std::string& installDir) {
    journal_->BeforeKeys(RecordKeys(installDir));
    journal_->BeforeChange(installDir, kGameSettingsFile);
    TRegistry registry(KEY_ALL_ACCESS);
    const ShortcutPlaces places = PlanShortcuts(registry, ChosenProgramGroup(installDir, wizard_));
    if (!places.group.empty()) {
        journal_->BeforeFolders({places.group});
        journal_->BeforeFiles(places.group, places.groupLinks);
    }
    if (!places.desktop.empty()) journal_->BeforeFiles(places.desktop, places.desktopLinks);
}

JournalOutcome UndoShown(InstallationJournal& journal, InstallDisplay& display,
                         const std::string& caption) {
    display.HideFileLabels();
    display.ClearTotalCaption();
    display.SetStatusCaption(caption);
    display.ProcessMessages();
    return journal.Undo([&display] { display.ProcessMessages(); });
}

void InstallationRun::Undo() {
    const JournalOutcome undone = UndoShown(*journal_, display_, kUndoCaption);
    outcome_.undone = true;
    outcome_.undoFailures = undone.failures;
}

bool InstallationRun::Cancelled() {
    outcome_.cancelled = wizard_.LeaveDecided();
    return outcome_.cancelled;
}

bool InstallationRun::UnpackListedArchives(const std::string& installDir,
                                           const std::string& archives) {
    const TIniFile setup(SetupDescriptionPath());
    progress_.FullSize =
        UsableFullSize(setup.ReadString("Setup", "FullSize", ""), DecimalSeparator());
    progress_.DoneSize = 0.0;
    display_.SetStatusCaption(kUnpackingCaption);
    display_.ProcessMessages();
    if (Cancelled()) return false;

    for (const std::string& name : ListedArchives()) {
        if (Cancelled()) return false;
        Unpack(archives + name, ArchiveDestination(installDir, name));
    }
    return true;
}

void InstallationRun::Unpack(const std::string& archive, const std::string& destination) {
    outcome_.archives.push_back(
        UnpackArchive({unpacker_, display_, wizard_, progress_}, archive, destination,
                      [&] { JournalArchive(ExcludeTrailingBackslash(destination)); }));
}

}  // namespace mvt::install
