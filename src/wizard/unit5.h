// The destination screen: install folder, required and free space.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"

class TForm5 : public mvt::TForm {
public:
    explicit TForm5(mvt::TComponent* owner);

    mvt::TImage* Image1;
};

extern TForm5* Form5;
