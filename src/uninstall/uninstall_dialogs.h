// The uninstaller's two windows, dialogs in the setup's look (controls/skin_dialog.h), and
// the setup's typeface they are lettered in.
#pragma once

#include <string>

namespace mvt::uninstall {

// Loads the setup's typeface from the program's resources for this process only.
void LoadTypeface();

// The question before anything is removed; true when the user chose to remove the game.
bool AskToRemove();
// A notice the user closes with "ОК".
void ShowNotice(const std::string& text);

}  // namespace mvt::uninstall
