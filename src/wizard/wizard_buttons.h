// The wizard's bitmap buttons: pictures with their lettering from the program's resources.
#pragma once

#include "controls/skbmpbutton.h"
#include "framework/forms.h"

using WizardButton = mvt::TSkBmpButton;

// A borderless button sized to its pictures: <prefix>_UP, <prefix>_DOWN and, when the
// resources hold one, <prefix>_DISABLED, with transparentColour showing the screen behind.
WizardButton* AddWizardButton(mvt::TForm& form, int left, int top, int width, int height,
                              const char* prefix, mvt::TColor transparentColour = mvt::clLime);
