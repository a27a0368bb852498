// The skin every screen of the setup shares: window kinds, colours, the caption, the
// typeface of the labels and the background pictures from the program's resources.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"

namespace skin {

constexpr mvt::TColor kFormColour = 0x111A26;  // dark brown
constexpr mvt::TColor kGold = 0x448DB0;        // labels on dark areas
constexpr mvt::TColor kDarkBrown = 0x23485A;   // labels on parchment
constexpr char kWizardCaption[] = "  Установка Трилогии Морвата...";
constexpr char kTypeface[] = "Windsor";
constexpr int kLabelFontHeight = -19;
constexpr int kWizardWidth = 640, kWizardHeight = 480;

// Tool-window border with the close icon only (or none), the caption and form colour.
void MakeWizardWindow(mvt::TForm& form, int clientWidth, int clientHeight, bool closeIcon);
// Borderless dialog without icons, centred on the screen; name is its caption, which no
// title bar shows.
void MakeDialogWindow(mvt::TForm& form, int clientWidth, int clientHeight, const std::string& name);
// The background picture filling the client area, loaded from the program's resources
// (or left empty when name is null, for screens that copy another's picture).
mvt::TImage* AddBackground(mvt::TForm& form, const char* name);
mvt::TLabel* AddLabel(mvt::TForm& form, int left, int top, int width, int height,
                      mvt::TColor colour, const std::string& caption);
// The dialogs' rounded shape: corner ellipse 30 × 30.
void CutRoundedCorners(mvt::TForm& form);

}  // namespace skin
