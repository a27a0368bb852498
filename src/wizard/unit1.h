// The welcome screen: the application's main window, owner of the wizard's click sound.
#pragma once

#include "controls/skwave.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

class TForm1 : public mvt::TForm {
public:
    explicit TForm1(mvt::TComponent* owner);

    mvt::TImage* Image1;
    // Never visible: holds the keyboard focus so that arrow keys and wheel turns reach
    // this screen.
    mvt::TWinControl* RichEdit1;
    mvt::TSkWave* SkWave1;

    void FormCreate();
    void FormCloseQuery(bool& canClose);
};

extern TForm1* Form1;
