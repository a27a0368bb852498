// The new-folder name prompt: the user types a name, confirming makes that folder under the
// folder selected in the browser's tree and selects it there.
#pragma once

#include <string>

#include "framework/forms.h"
#include "framework/graphics.h"
#include "framework/stdctrls.h"
#include "controls/skin_button.h"

class TForm7 : public mvt::TForm {
  public:
    explicit TForm7(mvt::TComponent* owner);

    mvt::TImage* Image1;
    mvt::TLabel* Label2;              // the question
    mvt::TLabel* Label1;              // the typed name with its caret
    mvt::TSkBmpButton* SkBmpButton2;  // confirm
    mvt::TSkBmpButton* SkBmpButton1;  // cancel

    void FormCreate();
    void FormKeyPress(char& key);
    void SkBmpButton1Click();
    void SkBmpButton2Click();

    // The typed name, kept from one opening of the prompt to the next.
    const std::string& TypedName() const { return typedName_; }
    // Its width in the measuring font ("Windsor", 14 points).
    int TypedNameWidth();

    // A name is refused once it is this wide.
    static constexpr int kMaxNameWidth = 323;

  private:
    void ShowTypedName();

    std::string typedName_;
    mvt::UniqueDc measureDc_;
    mvt::TCanvas measure_;
};

// Whether a typed character may go into a folder name: blank, "+", "-", digits, Latin
// letters, "_" and the Cyrillic letters А–я of code page 1251 (not Ё and ё).
bool AllowedInFolderName(char c);
// The folder the prompt makes for a name under a parent (the parent as the tree gives it,
// a drive root with its backslash): the parent, a backslash and the name without trailing
// blanks. Empty when there is nothing sound to make: no parent, a blank name, or a name the
// system keeps for a device (CON, NUL, COM1 and the like).
std::string NewFolderPath(const std::string& parent, const std::string& name);

extern TForm7* Form7;
