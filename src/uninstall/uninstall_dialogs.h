// The uninstaller's two windows, in the setup's look: the dialog panel of the setup's
// cancel confirmation with its lettered buttons, the setup's typeface and its click.
#pragma once

#include <string>

#include "controls/skwave.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "controls/skin_button.h"

namespace mvt::uninstall {

// A question with "ОК" and "ОТМЕНА", or a notice with "ОК" alone. Enter answers with the
// focused button (OK when the window opens), Escape and a close request answer Cancel.
class TUninstallDialog : public TForm {
  public:
    TUninstallDialog(TComponent* owner, const std::string& text, bool question);

    TImage* Image1 = nullptr;
    TLabel* Label1 = nullptr;
    mvt::TSkBmpButton* SkBmpButton1 = nullptr;  // ОК
    mvt::TSkBmpButton* SkBmpButton2 = nullptr;  // ОТМЕНА (questions only)
    TSkWave* SkWave1 = nullptr;

  private:
    void Answer(TModalResult result);
};

// Loads the setup's typeface from the program's resources for this process only.
void LoadTypeface();

// The question before anything is removed; true when the user chose to remove the game.
bool AskToRemove();
// A notice the user closes with "ОК".
void ShowNotice(const std::string& text);

}  // namespace mvt::uninstall
