// The progress screen, owner of the installation run.
#pragma once

#include "controls/skwave.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "install/wizard_state.h"

// The close permit (Tag of Form10): the progress screen may close.
constexpr int kClosePermitGranted = 101;

class TForm10 : public mvt::TForm {
  public:
    explicit TForm10(mvt::TComponent* owner);

    mvt::TImage* Image1;
    mvt::TSkWave* SkWave1;

    // The wizard whose choices the run reads and to which close requests are passed.
    void SetWizard(install::WizardState& wizard) { wizard_ = &wizard; }

    void FormCloseQuery(bool& canClose);
    // The installation run.
    void Install();

  private:
    install::WizardState* wizard_ = nullptr;
};

extern TForm10* Form10;
