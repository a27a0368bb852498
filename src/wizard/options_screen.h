// The options screen: program group name and three option toggles. Edit1's text is the
// program group; the toggles' Down = True means the option is switched off.
#pragma once

#include "framework/forms.h"
#include "framework/listedits.h"
#include "framework/stdctrls.h"
#include "controls/skin_button.h"

class TForm8 : public mvt::TForm {
  public:
    explicit TForm8(mvt::TComponent* owner);

    mvt::TImage* Image1;
    mvt::TLabel* Label1;
    mvt::TLabel* Label5;
    mvt::TChangeEdit* Edit1;
    mvt::TListBox* ListBox1;
    mvt::TSkBmpButton* SkBmpButton1;  // desktop shortcut
    mvt::TLabel* Label2;
    mvt::TSkBmpButton* SkBmpButton4;  // uninstaller
    mvt::TLabel* Label3;
    mvt::TSkBmpButton* SkBmpButton5;  // configuration program
    mvt::TLabel* Label4;
    mvt::TSkBmpButton* SkBmpButton3;  // back
    mvt::TSkBmpButton* SkBmpButton2;  // next

    void FormCreate();
    void FormShow();
    void FormCloseQuery(bool& canClose);
    void Edit1Change();
    void Edit1KeyPress(char& key);
    void ListBox1Click();
    void SkBmpButton1Click();
    void SkBmpButton2Click();
    void SkBmpButton3Click();

  private:
    mvt::TSkBmpButton* AddToggle(int top, int groupIndex);
    void FillProgramGroups();
};

extern TForm8* Form8;
