#include "wizard/welcome_screen.h"

#include <windows.h>

#include <oleacc.h>

#include <cmath>

#include "controls/screen_skin.h"
#include "framework/graphics.h"
#include "framework/sysutils.h"
#include "wizard/destination_screen.h"
#include "wizard/notice_screen.h"
#include "wizard/screen_sequence.h"

using namespace mvt;

TForm1* Form1 = nullptr;

namespace {

// A borderless edit of no size: it can hold the focus but is never seen. It stands for the
// description in the viewport: the focus mark frames the viewport, and assistive
// technology reads the description's words as the focused static text.
class THiddenEdit : public TWinControl {
  public:
    THiddenEdit(TComponent* owner, TPanel& viewport, TSkMultilineLabel& text)
        : TWinControl(owner), viewport_(viewport), text_(text) {
        SetTabStop(true);
        text_.SetAccessibleElement(false);
    }

    RECT FocusMarkBounds() const override {
        RECT bounds = viewport_.BoundsRect();
        InflateRect(&bounds, 1, 1);
        return bounds;
    }
    // Its keys are the screen's: Enter and Escape work the window, not the edit.
    bool WantsKey(WORD) override { return false; }
    long AccessibleRole() const override { return ROLE_SYSTEM_STATICTEXT; }
    std::string AccessibleName() const override { return text_.AccessibleName(); }
    long AccessibleState() const override { return STATE_SYSTEM_READONLY; }

  protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        params.className = "EDIT";
        params.style |= ES_MULTILINE | ES_AUTOVSCROLL;
    }

  private:
    TPanel& viewport_;
    TSkMultilineLabel& text_;
};

void LoadSound(TSkWave& wave, const char* name) {
    std::vector<uint8_t> bytes = ResourceBytes(name);
    wave.Sound().LoadFromMemory(bytes.data(), bytes.size());
}

constexpr double kMarkerRatio = -6.41052632;
constexpr int kMarkerOrigin = 139;

}  // namespace

int TForm1::MarkerTop(int labelTop) {
    return static_cast<int>(std::nearbyint(labelTop / kMarkerRatio)) + kMarkerOrigin;
}

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    skin::MakeWizardWindow(*this, skin::kWizardWidth, skin::kWizardHeight, true);
    SetPosition(TPosition::poScreenCenter);
    Image1 = skin::AddBackground(*this, "BG_WELCOME");

    Image3 = CreateChild<TImage>(this, this, 588, 140, 6, 197);
    Image3->Picture().LoadFromResource("SCROLL_TRACK");
    Image3->SetStretch(true);
    Image2 = CreateChild<TImage>(this, this, 586, 139, 10, 9);
    Image2->Picture().LoadFromResource("SCROLL_MARKER");
    Image2->SetTransparent(true);

    SkBmpButton3 = skin::AddButton(*this, 584, 125, 14, 15, "ARROW_UP");
    SkBmpButton3->SetEnabled(false);
    SkBmpButton4 = skin::AddButton(*this, 584, 337, 14, 15, "ARROW_DOWN");
    // Like a scroll bar's arrows they take no focus: the text itself takes the arrow keys.
    for (TSkBmpButton* arrow : {SkBmpButton3, SkBmpButton4}) arrow->SetTabStop(false);

    SkPanel1 = CreateChild<TPanel>(this, this, 40, 123, 535, 234);
    SkPanel1->SetTransparent(true);
    SkLabel1 = CreateChild<TSkMultilineLabel>(this, SkPanel1, 4, 0, 527, 1451);
    SkLabel1->SetAutoSize(false);
    SkLabel1->SetWordWrap(true);
    SkLabel1->SetTransparent(true);
    SkLabel1->Font().SetName(skin::kTypeface);
    SkLabel1->Font().SetHeight(skin::kLabelFontHeight);
    SkLabel1->Font().SetColor(skin::kDarkBrown);
    std::vector<uint8_t> text = ResourceBytes("DESCRIPTION");
    SkLabel1->SetLinesText(std::string(text.begin(), text.end()));
    // Placed with the text it stands for, so that the text comes first in the tab order.
    RichEdit1 = Make<THiddenEdit>(*SkPanel1, *SkLabel1);
    RichEdit1->SetBounds(432, 392, 0, 0);
    RichEdit1->SetParent(this);

    SkBmpButton1 = skin::AddButton(*this, 164, 428, 144, 36, "BTN_ABOUT");
    SkBmpButton2 = skin::AddButton(*this, 330, 428, 147, 36, "BTN_NEXT");
    SetDefaultControl(SkBmpButton2);

    RichEdit1->OnKeyDown = [this](TObject*, WORD& key, unsigned shift) {
        RichEdit1KeyDown(key, shift);
    };
    RichEdit1->OnMouseWheel = [this](TObject*, unsigned, int delta, POINT, bool&) {
        RichEdit1MouseWheel(delta);  // left unhandled, as the screen does not consume it
    };
    // The text scrolls by wheel wherever the pointer is over the screen.
    SetWheelTarget(RichEdit1);
    SkWave1 = Make<TSkWave>();
    LoadSound(*SkWave1, "WAVE_CLICK");

    SkBmpButton1->OnClick = [this](TObject*) { SkBmpButton1Click(); };
    SkBmpButton2->OnClick = [this](TObject*) { SkBmpButton2Click(); };
    SkBmpButton3->OnClick = [this](TObject*) { SkBmpButton3Click(); };
    SkBmpButton4->OnClick = [this](TObject*) { SkBmpButton4Click(); };
    OnCreate = [this](TObject*) { FormCreate(); };
    OnShow = [this](TObject*) { FormShow(); };
    OnActivate = [this](TObject*) { FormActivate(); };
    OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

void TForm1::FormCreate() {
    SkBmpButton1->SetEnabled(FileExists(ProgramFolder() + "Resource\\About.bmp"));
}

void TForm1::FormShow() {
    RichEdit1->SetFocus();
}

void TForm1::FormActivate() {
    RichEdit1->SetFocus();
}

void TForm1::FormCloseQuery(bool& canClose) {
    wizard::MainWindowCloseQuery(canClose);
}

void TForm1::MoveMarker() {
    Image2->SetTop(MarkerTop(SkLabel1->Top()));
}

void TForm1::SkBmpButton3Click() {
    SkBmpButton4->SetEnabled(true);
    SkLabel1->SetTop(SkLabel1->Top() + kScrollStep);
    if (SkLabel1->Top() == 0) SkBmpButton3->SetEnabled(false);
    MoveMarker();
}

void TForm1::SkBmpButton4Click() {
    SkBmpButton3->SetEnabled(true);
    SkLabel1->SetTop(SkLabel1->Top() - kScrollStep);
    if (SkLabel1->Top() == kLowestTop) SkBmpButton4->SetEnabled(false);
    MoveMarker();
}

void TForm1::RichEdit1KeyDown(WORD& key, unsigned shift) {
    // Alt+F4 is a close request and Tab, Enter and Escape work the window, not the edit:
    // they go on to the screen.
    if (key == VK_F4 && (shift & ssAlt)) return;
    if (key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE) return;
    if (key == VK_UP && SkBmpButton3->Enabled()) SkBmpButton3Click();
    if (key == VK_DOWN && SkBmpButton4->Enabled()) SkBmpButton4Click();
    key = 0;  // whatever else reaches the hidden edit is never shown
}

void TForm1::RichEdit1MouseWheel(int delta) {
    // One step per wheel message, whatever its size.
    if (delta > 0 && SkBmpButton3->Enabled()) SkBmpButton3Click();
    if (delta < 0 && SkBmpButton4->Enabled()) SkBmpButton4Click();
}

void TForm1::SkBmpButton1Click() {
    wizard::PlayClick();
    Form4->ShowModal();
}

void TForm1::SkBmpButton2Click() {
    wizard::PlayClick();
    wizard::HandOver(*this, *Form5);
}
