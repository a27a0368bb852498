// The finish screen.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"

class TForm11 : public mvt::TForm {
  public:
    explicit TForm11(mvt::TComponent* owner);

    mvt::TImage* Image1;
};

extern TForm11* Form11;
