// The options screen: program group name and three option toggles.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"

class TForm8 : public mvt::TForm {
public:
    explicit TForm8(mvt::TComponent* owner);

    mvt::TImage* Image1;
};

extern TForm8* Form8;
