// The installation run: unpacks every archive the setup description lists into its folder
// of the install directory, the uninstaller when chosen, then writes the records, the
// program group and the settings file, and hands over to the finish screen. It runs on the
// GUI thread; the windows live on because the run, the zip component and the progress
// handler process pending messages at fixed points, which is also where a cancellation
// decided on the confirmation shows up in the cancel mark.
#include <string>

#include "framework/inifiles.h"
#include "framework/sysutils.h"
#include "install/installation_seal.h"
#include "install/program_group.h"
#include "install/progress_figures.h"
#include "install/progress_screen.h"
#include "install/record_stages.h"
#include "install/shell_link.h"

using namespace mvt;
using namespace mvt::install;

namespace {

// The progress screen as the record stages use it.
class ProgressDisplay final : public StageDisplay {
  public:
    explicit ProgressDisplay(TForm10& screen) : screen_(screen) {}
    void SetStatusCaption(const std::string& caption) override {
        screen_.Label1->SetCaption(caption);
    }
    void ClearTotalCaption() override { screen_.Label2->SetCaption(""); }
    void ProcessMessages() override { Application().ProcessMessages(); }

  private:
    TForm10& screen_;
};

}  // namespace

void TForm10::Install() {
    if (!wizard_) return;
    WizardState& wizard = *wizard_;
    const std::string installDir = wizard.InstallDirectory();
    // The shortcuts' link objects live until the run returns.
    LinkObjects links;
    TIniFile uninstallList = OpenUninstallList(installDir);
    const std::string archives = ProgramFolder() + "Archives\\";
    InstallationSeal seal;
    seal.madeGameFolders = MakeGameFolders(installDir);

    const TIniFile setup(ProgramFolder() + "MVTSetup.ini");
    Progress.FullSize =
        UsableFullSize(setup.ReadString("Setup", "FullSize", ""), DecimalSeparator());
    Progress.DoneSize = 0.0;
    Label1->SetCaption("Распаковка и копирование файлов...");
    Application().ProcessMessages();
    if (wizard.LeaveDecided()) return;

    // The list ends at the first missing or empty key.
    for (int n = 0;; ++n) {
        const std::string name = setup.ReadString("Files", "File" + std::to_string(n), "");
        if (name.empty()) break;
        if (wizard.LeaveDecided()) return;
        ZipUnpacker1->SetZipFileName(archives + name);
        ZipUnpacker1->SetExtrBaseDir(ArchiveDestination(installDir, name));
        ZipUnpacker1->Extract();  // the component has told the user of any failure
    }
    Label3->SetVisible(false);
    Label4->SetVisible(false);
    Label5->SetVisible(false);
    if (wizard.LeaveDecided()) return;

    if (wizard.UninstallerChosen()) {
        Label1->SetCaption("Установка деинсталлятора...");
        Application().ProcessMessages();
        ZipUnpacker1->SetZipFileName(archives + "Unregmvt.zip");
        ZipUnpacker1->SetExtrBaseDir(installDir);
        ZipUnpacker1->Extract();
    }
    // The last checkpoint: from the records on, the run always goes to its end.
    if (wizard.LeaveDecided()) return;

    ProgressDisplay display(*this);
    RunRecordStages(installDir, wizard, display, uninstallList, links, seal);

    SkAnimator1->SetAnimate(false);
    Hide();
    Application().ProcessMessages();
    wizard.ShowFinishScreen();
}
