// The new-folder name prompt.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"

class TForm7 : public mvt::TForm {
  public:
    explicit TForm7(mvt::TComponent* owner);

    mvt::TImage* Image1;
};

extern TForm7* Form7;
