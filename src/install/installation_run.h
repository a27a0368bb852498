// The installation run: unpacks every archive the setup description lists into its folder
// of the install directory, the uninstaller when chosen, then writes the records, the
// program group and the settings file, and hands over to the finish screen. It reads the
// user's choices through WizardState, shows everything through an InstallDisplay and
// unpacks with the zip component it is handed, so the same run serves the progress screen
// and an installation without windows.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "install/install_display.h"
#include "install/installation_journal.h"
#include "install/installation_outcome.h"
#include "install/wizard_state.h"
#include "zip/zipunpacker.h"

namespace mvt::install {

// The progress of the whole installation, shared by the run and the progress handler.
struct ProgressState {
    double FullSize = 0;      // bytes everything unpacks to: the denominator of the percent
    double DoneSize = 0;      // bytes of the items finished so far
    int32_t LastPercent = 0;  // the whole percent the ring was last drawn for
};

// One report of the zip component as the display shows it: the file name, the total
// percent on every report, the ring and a round of message processing when the whole
// percent changes. DoneSize grows by the TotalSize of every report with PerCent exactly
// 100: per archive its entry count (the directory read's last report) and, per file, its
// size plus any earlier step that already reads 100. ArchiveDoneGrowth (medium_layout.h)
// states the same sum, and the distribution packer writes FullSize with it.
void ShowItemProgress(ProgressState& progress, InstallDisplay& display, const std::string& item,
                      uint64_t totalSize, int32_t perCent);

// The component's settings the run relies on: the archive's folders recreated under the
// destination, existing files replaced without asking, a missing destination made.
// The status while archives are unpacked, and the caption above the percent figure then.
constexpr char kUnpackingCaption[] = "Распаковка и копирование файлов...";
constexpr char kInstalledCaption[] = "Всего установлено...";

void ConfigureInstallUnpacker(zip::TZipUnpacker& unpacker);

// Undoes what `journal` holds, the display showing `caption` alone as the status meanwhile
// and its windows serviced between the steps.
JournalOutcome UndoShown(InstallationJournal& journal, InstallDisplay& display,
                         const std::string& caption);

class InstallationRun {
  public:
    // The unpacker's OnItemProgress is the caller's: the progress screen binds its handler,
    // an installation without windows binds ShowItemProgress with its silent display.
    // keepIncomplete: an installation that left files out stays (the wizard, where the user
    // chose to go on without them); without it, it is undone.
    InstallationRun(WizardState& wizard, InstallDisplay& display, zip::TZipUnpacker& unpacker,
                    ProgressState& progress, bool keepIncomplete);

    // Runs to the finish screen, or stops at a checkpoint that finds the cancel mark set.
    // A write the system refuses in the record stages raises the framework's exception and
    // ends the run at that step. Every change is journaled first (installation_journal.h);
    // a run that does not end as an installation to keep is undone before Execute returns
    // or raises, with "Отмена установки..." as the status caption.
    void Execute();

    // What the run achieved so far, archive by archive.
    const InstallationOutcome& Outcome() const { return outcome_; }

  private:
    // The steps of the run, each change journaled first.
    void Install(const std::string& installDir);
    // What an archive is about to make below its destination, from its directory.
    void JournalArchive(const std::string& destination);
    // What the record stages are about to change: registry keys, the settings file, the
    // program group folder and the shortcuts.
    void JournalRecordStages(const std::string& installDir);
    void Undo();
    // The listed archives; false when the cancel mark stopped the loop.
    bool UnpackListedArchives(const std::string& installDir, const std::string& archives);
    // One archive (archive_unpacking.h); its last attempt goes into the outcome.
    void Unpack(const std::string& archive, const std::string& destination);
    // Ends the run at a checkpoint that finds the cancel mark set.
    bool Cancelled();

    WizardState& wizard_;
    InstallDisplay& display_;
    zip::TZipUnpacker& unpacker_;
    ProgressState& progress_;
    const bool keepIncomplete_;
    std::unique_ptr<InstallationJournal> journal_;
    InstallationOutcome outcome_;
};

}  // namespace mvt::install
