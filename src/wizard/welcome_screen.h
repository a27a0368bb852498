// The welcome screen: the application's main window, owner of the wizard's click sound.
// It shows the product description in a viewport that scrolls in steps of 42 pixels.
#pragma once

#include "controls/skmultilinelabel.h"
#include "controls/skwave.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "controls/skin_button.h"

class TForm1 : public mvt::TForm {
  public:
    explicit TForm1(mvt::TComponent* owner);

    mvt::TImage* Image1;
    mvt::TImage* Image3;              // scroll track
    mvt::TImage* Image2;              // position marker
    mvt::TSkBmpButton* SkBmpButton3;  // scroll up
    mvt::TSkBmpButton* SkBmpButton4;  // scroll down
    mvt::TPanel* SkPanel1;
    mvt::TSkMultilineLabel* SkLabel1;
    mvt::TSkBmpButton* SkBmpButton1;  // about the build
    mvt::TSkBmpButton* SkBmpButton2;  // next
    // Never visible: holds the keyboard focus so that arrow keys and wheel turns reach
    // this screen.
    mvt::TWinControl* RichEdit1;
    mvt::TSkWave* SkWave1;

    void FormCreate();
    void FormShow();
    void FormActivate();
    void FormCloseQuery(bool& canClose);
    void SkBmpButton1Click();
    void SkBmpButton2Click();
    void SkBmpButton3Click();
    void SkBmpButton4Click();
    void RichEdit1KeyDown(WORD& key, unsigned shift);
    void RichEdit1MouseWheel(int delta);

    static constexpr int kScrollStep = 42;
    static constexpr int kLowestTop = -1218;  // 29 steps
    // The marker's top for a label top: 139 at the start, 329 at the end.
    static int MarkerTop(int labelTop);

  private:
    void MoveMarker();
};

extern TForm1* Form1;
