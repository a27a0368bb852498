// The destination screen: install folder, required and free space. The caption of Label1
// is the install directory the rest of the program reads.
#pragma once

#include <string>
#include <vector>

#include "controls/skmultilinelabel.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "controls/skin_button.h"

class TForm5 : public mvt::TForm {
  public:
    explicit TForm5(mvt::TComponent* owner);

    mvt::TImage* Image1;
    mvt::TSkMultilineLabel* LocateLabel1;
    mvt::TLabel* Label1;              // the install directory
    mvt::TSkBmpButton* SkBmpButton1;  // browse
    mvt::TSkBmpButton* SkBmpButton2;  // next
    mvt::TSkBmpButton* SkBmpButton3;  // back

    void FormCreate();
    void FormCloseQuery(bool& canClose);
    void SkBmpButton1Click();
    void SkBmpButton2Click();
    void SkBmpButton3Click();

    // Sets the two space lines and the Next gate for the current install directory (short
    // space disables Next; enough space leaves it as it is).
    void ShowSpace();
    // The same for a folder the browser chose: lines 5 and 6 from that folder's drive, and
    // Next disabled on short space, enabled on enough.
    void ShowSpaceFor(const std::string& folder, bool enableOnEnoughSpace);

    static constexpr int kRequiredLine = 5;
    static constexpr int kFreeLine = 6;

    // Every folder Next made for an install directory, outermost first: those of the
    // directory the installation goes to belong to it, and go when it is undone.
    const std::vector<std::string>& MadeFolders() const { return madeFolders_; }

  private:
    std::vector<std::string> madeFolders_;
};

extern TForm5* Form5;
