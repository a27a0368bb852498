// The progress screen, the display of the installation run: the stage in words, the file
// being unpacked, the total percent as a figure and as a ring that closes from the bottom
// up, and the skull's glowing eyes while the run goes on.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "controls/animator.h"
#include "controls/skwave.h"
#include "framework/forms.h"
#include "framework/image_list.h"
#include "framework/stdctrls.h"
#include "install/installation_run.h"
#include "install/write_problem_dialog.h"
#include "zip/zipunpacker.h"

// The close permit (Tag of Form10): the progress screen may close.
constexpr int kClosePermitGranted = 101;

namespace mvt::install {

// The progress of the installation, process-wide: the run and this screen's progress
// handler share it.
extern ProgressState Progress;

}  // namespace mvt::install

class TForm10 : public mvt::TForm {
  public:
    explicit TForm10(mvt::TComponent* owner);

    mvt::TImage* Image3;  // work picture of ShowPercent
    mvt::TImage* Image2;  // the whole ring
    mvt::TImage* Image1;  // background
    mvt::TImage* Image4;  // the ring as far as it is shown
    mvt::TLabel* Label1;  // status caption
    mvt::TLabel* Label2;  // "Всего установлено..."
    mvt::TLabel* Label3;  // current file
    mvt::TLabel* Label4;  // percent figure
    mvt::TLabel* Label5;  // "%"
    mvt::TSkAnimator* SkAnimator1;
    mvt::TImageList* ImageList1;
    mvt::zip::TZipUnpacker* ZipUnpacker1;
    mvt::TSkWave* SkWave1;
    // The write-problem question, made once the wizard is known.
    TWriteProblemDialog* WriteProblemDialog1 = nullptr;

    // The wizard whose choices the run reads and to which close requests are passed.
    void SetWizard(mvt::install::WizardState& wizard);

    void FormCreate();
    void FormShow();
    void FormCloseQuery(bool& canClose);
    void ZipUnpacker1ItemProgress(const std::string& item, uint64_t totalSize, int32_t perCent);
    // Shows the ring as far as percent (a whole percent, 1 … 100 as called).
    void ShowPercent(double percent);
    // The installation run, with this screen as its display: what the ready screen's Next
    // calls. The installation itself (its log, its outcome) belongs to whoever binds
    // OnInstall: the setup's installation object.
    void Install();
    std::function<void()> OnInstall;

    // What the run shows goes out through this.
    mvt::install::InstallDisplay& Display() { return *screenDisplay_; }

  private:
    mvt::install::WizardState* wizard_ = nullptr;
    std::unique_ptr<mvt::install::InstallDisplay> screenDisplay_;
    // The percent whose cover both the work picture and the shown ring hold, when they do.
    std::optional<double> coverDrawn_;
};

extern TForm10* Form10;
