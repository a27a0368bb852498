// The wizard's screen sequence: creation of the screens at start-up and what every screen
// does when the user moves on or wants to leave.
#pragma once

#include "framework/forms.h"

namespace wizard {

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
