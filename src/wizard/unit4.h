// The notice screen: a picture about the build of the package.
#pragma once

#include "framework/forms.h"
#include "framework/stdctrls.h"

class TForm4 : public mvt::TForm {
public:
    explicit TForm4(mvt::TComponent* owner);

    mvt::TImage* Image1;
};

extern TForm4* Form4;
