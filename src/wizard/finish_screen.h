// The finish screen: the installation has ended; closing it ends the setup and, when the
// user chose so, starts the game's configuration program from the install directory.
#pragma once

#include "controls/launcher.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/user_start.h"
#include "controls/skin_button.h"
#include "install/install_log.h"

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

    // How the configuration program is started goes into log from now on.
    void LogTo(mvt::install::InstallLog& log) { log_ = &log; }
    // Where the configuration program is started from: the system, or a test's stand-in.
    void SetUserStart(mvt::TUserStartSystem& system) { userStart_ = &system; }

  private:
    // Starts the configuration program in folder: with the signed-in user's rights where
    // the system can (StartAsSignedInUser), else through the launcher, as the setup runs.
    void StartConfigProgram(const std::string& folder);

    mvt::install::InstallLog* log_ = nullptr;
    mvt::TSystemUserStart systemUserStart_;
    mvt::TUserStartSystem* userStart_ = &systemUserStart_;
};

// The game's configuration program, in the install directory.
constexpr char kConfigProgram[] = "MVConfig.exe";

extern TForm11* Form11;
