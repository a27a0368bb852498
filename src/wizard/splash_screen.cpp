#include "wizard/splash_screen.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "controls/screen_skin.h"
#include "framework/sysutils.h"
#include "wizard/screen_sequence.h"

using namespace mvt;

TForm2* Form2 = nullptr;

namespace {
constexpr int kTicks = 100;
constexpr unsigned kTickMilliseconds = 30;

// For the start-up benchmark: when MVT_FIRST_PAINT_FILE names a file, the moment of the
// first completed paint (performance counter) is written there.
void RecordFirstPaint() {
    const char* path = std::getenv("MVT_FIRST_PAINT_FILE");
    if (!path || !*path) return;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (FILE* file = std::fopen(path, "w")) {
        std::fprintf(file, "%lld\n", static_cast<long long>(now.QuadPart));
        std::fclose(file);
    }
}
}  // namespace

TForm2::TForm2(TComponent* owner) : TForm(owner) {
    SetBorderStyle(TFormBorderStyle::bsNone);
    SetStayOnTop(true);
    SetPosition(TPosition::poScreenCenter);
    SetColor(skin::kFormColour);

    Image1 = CreateChild<TImage>(this, this, 0, 0, 0, 0);
    Image1->Picture().LoadFromResource("SPLASH");
    Image1->SetBounds(0, 0, Image1->Picture().Width(), Image1->Picture().Height());
    Image1->SetCursor(crHourGlass);
    // The form takes the size of its picture.
    SetClientSize(Image1->Width(), Image1->Height());

    Gauge1 = CreateChild<TGauge>(this, this, 141, 288, 223, 5);
    Gauge1->SetBackColor(0x313131);
    Gauge1->SetForeColor(0xFF8000);
    Gauge1->SetShowText(false);
    Gauge1->SetCursor(crHourGlass);

    Timer1 = Make<TTimer>();
    Timer1->SetInterval(kTickMilliseconds);
    Timer1->OnTimer = [this](TObject*) { Timer1Timer(); };

    OnCreate = [this](TObject*) { FormCreate(); };
    OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

void TForm2::FormCreate() {
    ticks_ = 0;
    // The typeface stays registered until the user logs off; the program never removes it.
    std::string font = ProgramFolder() + "Resource\\WINDSOR.TTF";
    AddFontResourceA(font.c_str());
    SendMessageA(HWND_BROADCAST, WM_FONTCHANGE, 0, 0);
    Screen().ResetFonts();
}

void TForm2::Timer1Timer() {
    ++ticks_;
    Gauge1->SetProgress(ticks_);
    if (ticks_ == kTicks) Timer1->SetEnabled(false);
}

void TForm2::FormCloseQuery(bool& canClose) {
    canClose = !Timer1->Enabled();
}

LRESULT TForm2::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = TForm::WndProc(message, wParam, lParam);
    if (message == WM_PAINT && !painted_) {
        painted_ = true;
        RecordFirstPaint();
    }
    return result;
}
