// The folder browser.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"

class TForm6 : public mvt::TForm {
  public:
    explicit TForm6(mvt::TComponent* owner);

    mvt::TImage* Image1;
};

extern TForm6* Form6;
