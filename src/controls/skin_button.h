// The skin's bitmap buttons, shared by the wizard and the uninstaller: pictures with their
// lettering from the program's resources.
#pragma once

#include "controls/skbmpbutton.h"
#include "framework/forms.h"

namespace skin {

// A borderless button sized to its pictures: <prefix>_UP, <prefix>_DOWN and, when the
// resources hold one, <prefix>_DISABLED, with transparentColour showing the screen behind.
// It is a tab stop, named for assistive technology by the words of its lettering, and its
// focus mark frames the lettering inside a plaque or the picture of any other button.
mvt::TSkBmpButton* AddButton(mvt::TForm& form, int left, int top, int width, int height,
                             const char* prefix, mvt::TColor transparentColour = mvt::clLime);

}  // namespace skin
