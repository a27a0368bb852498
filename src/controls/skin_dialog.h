// The setup's small dialog in its look: the panel of the cancel confirmation with lettered
// buttons, the typeface and the click. The uninstaller's two windows are such dialogs, and
// so is the setup's notice about an interrupted installation it undid.
#pragma once

#include <string>

#include "controls/skin_button.h"
#include "controls/skwave.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

namespace skin {

// A question with "ОК" and "ОТМЕНА", or a notice with "ОК" alone, named `title` (the
// caption no title bar shows, which a screen reader reads). Enter answers with the focused
// button (OK when the window opens), Escape and a close request answer Cancel.
class TSkinDialog : public mvt::TForm {
  public:
    TSkinDialog(mvt::TComponent* owner, const std::string& title, const std::string& text,
                bool question);

    mvt::TImage* Image1 = nullptr;
    mvt::TLabel* Label1 = nullptr;
    mvt::TSkBmpButton* SkBmpButton1 = nullptr;  // ОК
    mvt::TSkBmpButton* SkBmpButton2 = nullptr;  // ОТМЕНА (questions only)
    mvt::TSkWave* SkWave1 = nullptr;

  private:
    void Answer(mvt::TModalResult result);
};

// The dialog shown modally with `text` in at most three lines separated by '\r'; true when
// it was answered with "ОК".
bool ShowSkinDialog(const std::string& title, const std::string& text, bool question);

}  // namespace skin
