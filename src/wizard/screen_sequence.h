// The wizard's screen sequence: creation of the screens at start-up and what every screen
// does when the user moves on or wants to leave.
#pragma once

#include <functional>

#include "framework/forms.h"
#include "install/wizard_state.h"

namespace wizard {

// Where the wizard's start-up lets a caller in: once the screens are made, once the
// message loop has ended, while the screens still exist, and once the splash has gone,
// before the welcome screen shows.
struct WizardHooks {
    std::function<void()> screensMade;
    std::function<void()> loopEnded;
    std::function<void()> splashGone;
};

// The whole wizard: the application's title, the splash with its gauge and pause, the
// screens, the message loop until the application is told to end; then the screens go.
void RunWizard(const WizardHooks& hooks);

// The user's choices as the screens hold them, read at the moment they are asked for; the
// cancel mark; close requests to the main window; the finish screen.
mvt::install::WizardState& ScreenState();

// Creates the ten screens in their fixed order (each screen's creation may read the screens
// made before it); the first becomes the application's main window.
void CreateScreens();

// Plays the wizard's click sound (the welcome screen's).
void PlayClick();
// Shows next exactly where current stands, then hides current.
void HandOver(mvt::TForm& current, mvt::TForm& next);
// Click sound, the cancel confirmation, then closing is allowed only when leaving has
// been decided.
void MainWindowCloseQuery(bool& canClose);

}  // namespace wizard
