// The notice screen: a picture about the build of the package.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "controls/skin_button.h"

class TForm4 : public mvt::TForm {
  public:
    explicit TForm4(mvt::TComponent* owner);

    mvt::TImage* Image1;
    mvt::TImage* Image2;              // the about picture, at its own size, clipped
    mvt::TSkBmpButton* SkBmpButton1;  // close

    void FormCreate();
    void SkBmpButton1Click();
};

extern TForm4* Form4;
