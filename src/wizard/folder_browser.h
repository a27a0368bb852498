// The folder browser: a drive list of the fixed drives, the folder tree of the chosen
// drive, a button that makes a new folder through the name prompt, and the select button
// that makes the chosen folder the install directory.
#pragma once

#include <string>

#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "shell/drive_combo_box.h"
#include "shell/shell_tree.h"
#include "controls/skin_button.h"

class TForm6 : public mvt::TForm {
  public:
    explicit TForm6(mvt::TComponent* owner);

    mvt::TImage* Image1;
    mvt::TSkBmpButton* SkBmpButton3;  // create a folder
    mvt::shell::TSkShellTree* SkShellTree1;
    mvt::shell::TSkDriveComboBox* SkDriveComboBox1;
    mvt::TSkBmpButton* SkBmpButton1;  // select
    mvt::TSkBmpButton* SkBmpButton2;  // close

    void FormCreate();
    void SkDriveComboBox1Change();
    void SkBmpButton1Click();
    void SkBmpButton2Click();
    void SkBmpButton3Click();

    // The tree's base folder as the form stores it: the root of drive C: (My Computer,
    // then "C:\").
    static const unsigned char kStoredBaseFolder[52];
};

// Whether a path names a folder on a drive by its letter ("C:\..."), the only kind the
// browser takes as install directory.
bool IsDriveLetterPath(const std::string& path);

extern TForm6* Form6;
