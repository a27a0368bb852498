// The run's steps in order. It runs on the GUI thread; the windows live on because the run,
// the zip component and the progress handler process pending messages at fixed points,
// which is also where a cancellation decided on the confirmation shows up in the cancel
// mark.
#include "install/installation_run.h"

#include "framework/inifiles.h"
#include "framework/sysutils.h"
#include "install/installation_seal.h"
#include "install/medium_layout.h"
#include "install/program_group.h"
#include "install/progress_figures.h"
#include "install/record_stages.h"
#include "install/setup_description.h"
#include "install/outcome_recorder.h"
#include "install/shell_link.h"
#include "install/write_problem.h"

namespace mvt::install {

namespace {

constexpr char kUnpackingCaption[] = "Распаковка и копирование файлов...";
constexpr char kUninstallerCaption[] = "Установка деинсталлятора...";

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
                                 zip::TZipUnpacker& unpacker, ProgressState& progress)
    : wizard_(wizard), display_(display), unpacker_(unpacker), progress_(progress) {}

void InstallationRun::Execute() {
    const std::string installDir = wizard_.InstallDirectory();
    // The shortcuts' link objects live until the run returns.
    LinkObjects links;
    TIniFile uninstallList = OpenUninstallList(installDir);
    const std::string archives = ProgramFolder() + "Archives\\";
    InstallationSeal seal;
    seal.madeGameFolders = MakeGameFolders(installDir);

    if (!UnpackListedArchives(installDir, archives)) return;
    display_.HideFileLabels();
    if (Cancelled()) return;

    if (wizard_.UninstallerChosen()) {
        display_.SetStatusCaption(kUninstallerCaption);
        display_.ProcessMessages();
        Unpack(archives + "Unregmvt.zip", installDir);
    }
    // The last checkpoint: from the records on, the run always goes to its end.
    if (Cancelled()) return;

    RunRecordStages(installDir, wizard_, display_, uninstallList, links, seal);

    display_.StopAnimation();
    display_.Close();
    display_.ProcessMessages();
    outcome_.finished = true;
    wizard_.ShowFinishScreen(outcome_);
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
    // A retry counts the archive's progress once: what the failed attempt added goes.
    const double doneBefore = progress_.DoneSize;
    for (;;) {
        ArchiveOutcome outcome = UnpackOnce(archive, destination);
        display_.ArchiveFinished(outcome);
        const bool retry = outcome.problem != WriteProblem::None && !wizard_.LeaveDecided() &&
                           display_.AskAboutWriteProblem(outcome) == WriteProblemAnswer::Retry &&
                           !wizard_.LeaveDecided();
        if (!retry) {
            outcome_.archives.push_back(std::move(outcome));
            return;
        }
        progress_.DoneSize = doneBefore;
    }
}

ArchiveOutcome InstallationRun::UnpackOnce(const std::string& archive,
                                           const std::string& destination) {
    ArchiveOutcome outcome;
    outcome.archive = archive;
    outcome.destination = destination;
    const OutcomeRecorder recorder(unpacker_, outcome);
    unpacker_.SetZipFileName(archive);
    unpacker_.SetExtrBaseDir(destination);
    outcome.directoryRead = unpacker_.DirectoryResult() == 0;
    // The component has told the user of any failure of its own, in its own way.
    outcome.result = unpacker_.Extract();
    outcome.errorMessage = unpacker_.ErrorMessage();
    recorder.Complete(outcome);
    DiagnoseWriteProblem(outcome);
    return outcome;
}

}  // namespace mvt::install
