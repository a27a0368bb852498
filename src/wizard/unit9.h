// The ready screen: the last wizard window before the installation.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"

class TForm9 : public mvt::TForm {
public:
    explicit TForm9(mvt::TComponent* owner);

    mvt::TImage* Image1;
};

extern TForm9* Form9;
