// Creation of the wizard's screens at start-up.
#pragma once

namespace wizard {

// Creates the ten screens in their fixed order (each screen's creation may read the screens
// made before it); the first becomes the application's main window.
void CreateScreens();

}  // namespace wizard
