// The question the progress screen asks when entries of an archive could not be written
// for a cause the user can remove: what happened and where, and whether to unpack the
// archive again ("ПОВТОРИТЬ") or go on without those files ("ПРОПУСТИТЬ"). A skinned
// modal dialog like the cancel confirmation; a close request on it leads to that
// confirmation, as everywhere.
#pragma once

#include <string>

#include "controls/skin_button.h"
#include "controls/skwave.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "install/install_display.h"
#include "install/wizard_state.h"

class TWriteProblemDialog : public mvt::TForm {
  public:
    // click is the progress screen's own sound; close requests go to the wizard.
    TWriteProblemDialog(mvt::TComponent* owner, mvt::TSkWave& click,
                        mvt::install::WizardState& wizard);

    mvt::TImage* Image1;
    mvt::TLabel* Label1;              // what happened and what to do
    mvt::TSkBmpButton* SkBmpButton1;  // retry
    mvt::TSkBmpButton* SkBmpButton2;  // skip

    // Shows text modally and returns the answer; a confirmed cancellation ends it with
    // Skip (the run then stops at its next checkpoint).
    mvt::install::WriteProblemAnswer Ask(const std::string& text);

  private:
    void Answer(mvt::install::WriteProblemAnswer answer);
    void FormCloseQuery(bool& canClose);

    mvt::TSkWave& click_;
    mvt::install::WizardState& wizard_;
    mvt::install::WriteProblemAnswer answer_ = mvt::install::WriteProblemAnswer::Skip;
    bool answered_ = false;
};
