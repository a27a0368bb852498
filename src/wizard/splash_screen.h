// The splash screen with its start-up gauge.
#pragma once

#include "controls/gauge.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

class TForm2 : public mvt::TForm {
  public:
    explicit TForm2(mvt::TComponent* owner);

    mvt::TImage* Image1;
    mvt::TGauge* Gauge1;
    mvt::TTimer* Timer1;

    void FormCreate();
    void FormCloseQuery(bool& canClose);
    void Timer1Timer();

  protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    int ticks_ = 0;
    bool painted_ = false;
};

// The splash exists only during start-up.
extern TForm2* Form2;
