// The ready screen: the last wizard window before the installation.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "controls/skin_button.h"

class TForm9 : public mvt::TForm {
  public:
    explicit TForm9(mvt::TComponent* owner);

    mvt::TImage* Image1;
    mvt::TLabel* Label1;
    mvt::TSkBmpButton* SkBmpButton3;  // back
    mvt::TSkBmpButton* SkBmpButton2;  // next

    void FormCreate();
    void FormCloseQuery(bool& canClose);
    void SkBmpButton2Click();
    void SkBmpButton3Click();
};

extern TForm9* Form9;
