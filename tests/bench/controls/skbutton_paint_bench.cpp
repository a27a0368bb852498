// Prints the cost of one bitmap button paint (background from the parent's picture, the
// face with transparency, one block copy) against plain block copies of the same size and
// against the 10 ms pause the borderless face takes, all in the same run.
#include <cstdio>
#include <vector>

#include "controls/skbmpbutton.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

using namespace mvt;

namespace {

// A 24-bit BMP of one colour with lime 4 x 4 corners.
std::vector<uint8_t> Picture(int width, int height, COLORREF body) {
    TBitmap picture;
    picture.SetSize(width, height);
    TCanvas& canvas = picture.Canvas();
    canvas.Brush().color = RGB(0, 255, 0);
    canvas.FillRect({0, 0, width, height});
    canvas.Brush().color = body;
    // The body everywhere but the 4 x 4 corners.
    canvas.FillRect({4, 0, width - 4, height});
    canvas.FillRect({0, 4, width, height - 4});
    GdiFlush();
    return EncodeBmp24(picture);
}

template <class F>
double MillisecondsPer(int runs, F&& work) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    for (int i = 0; i < runs; ++i) work();
    QueryPerformanceCounter(&end);
    return double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart) / runs;
}

}  // namespace

int main() {
    constexpr int kRuns = 200;
    TForm form(nullptr);
    form.SetBorderStyle(TFormBorderStyle::bsNone);
    form.SetClientSize(640, 480);
    auto* background = form.Make<TImage>();
    background->SetParent(&form);
    background->SetBounds(0, 0, 640, 480);
    const auto backgroundBytes = Picture(640, 480, RGB(90, 72, 35));
    background->Picture().LoadFromBytes(backgroundBytes.data(), backgroundBytes.size());
    auto* button = form.Make<TSkBmpButton>();
    button->SetParent(&form);
    button->SetBounds(330, 428, 147, 36);
    button->Bitmaps().SetTransparentColor(clLime);
    const auto up = Picture(147, 36, RGB(176, 141, 68));
    button->Bitmaps().LoadImage(TButtonImage::Up, up.data(), up.size());
    form.Show();
    Application().ProcessMessages();

    TBitmap target;
    target.SetSize(147, 36);
    HDC targetDc = target.Canvas().Handle();
    const double copy = MillisecondsPer(kRuns, [&] {
        BitBlt(targetDc, 0, 0, 147, 36, background->Picture().Canvas().Handle(), 330, 428, SRCCOPY);
        GdiFlush();
    });
    const double pause = MillisecondsPer(kRuns / 4, [] { Sleep(10); });
    const double borderless = MillisecondsPer(kRuns, [&] { button->PaintFace(targetDc); });
    button->SetButtonBorder(TButtonBorder::bbSingle);
    const double framed = MillisecondsPer(kRuns, [&] { button->PaintFace(targetDc); });

    std::printf("baseline block copy 147x36\t%.3f ms\n", copy);
    std::printf("baseline Sleep(10)\t%.3f ms\n", pause);
    std::printf("borderless button paint\t%.3f ms\t(%.3f ms above the pause)\n", borderless,
                borderless - pause);
    std::printf("framed button paint\t%.3f ms\t(%.1f block copies)\n", framed, framed / copy);
    return 0;
}
