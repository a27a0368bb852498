// The finish screen: the installation has ended; closing it ends the setup and, when the
// user chose so, starts the game's configuration program from the install directory.
#pragma once

#include "controls/launcher.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "controls/skin_button.h"

class TForm11 : public mvt::TForm {
  public:
    explicit TForm11(mvt::TComponent* owner);

    mvt::TImage* Image1;
    mvt::TSkBmpButton* SkBmpButton1;  // exit
    mvt::TSkLauncher* SkLauncher1;
    mvt::TLabel* Label1;  // what an incomplete installation left out; hidden otherwise

    // Turns the screen into the one after an installation that left files out: the
    // background that says so, and text below its headline.
    void ShowErrors(const std::string& text);
    void SkBmpButton1Click();
    void FormCloseQuery(bool& canClose);
};

// The game's configuration program, in the install directory.
constexpr char kConfigProgram[] = "MVConfig.exe";

extern TForm11* Form11;
