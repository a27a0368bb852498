// The cancel confirmation: the one question the wizard asks.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "controls/skin_button.h"

// The cancel mark (Tag of Form3): leaving has been decided. Never reset once set.
constexpr int kCancelMarkLeave = 111;

class TForm3 : public mvt::TForm {
  public:
    explicit TForm3(mvt::TComponent* owner);

    mvt::TImage* Image1;
    mvt::TLabel* Label1;
    mvt::TSkBmpButton* SkBmpButton1;  // exit
    mvt::TSkBmpButton* SkBmpButton2;  // cancel

    void FormCreate();
    void SkBmpButton1Click();
    void SkBmpButton2Click();
};

extern TForm3* Form3;
