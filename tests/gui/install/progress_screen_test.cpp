// The progress screen as the user sees it: the percent figure and file name from the zip
// component's reports, the ring revealed from the bottom, the refused close request.
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <vector>

#include "run_fixture.h"
#include "support/window_look.h"

using namespace mvt;
using namespace mvt::install;
using runtest::Process;

namespace {

class ProgressScreenTest : public runtest::RunTest {
  protected:
    void SetUp() override {
        RunTest::SetUp();
        Progress = {800, 200, 0};
        Form10->Show();
        Process();
    }
    void Report(const std::string& item, uint64_t total, int perCent) {
        Form10->ZipUnpacker1ItemProgress(item, total, perCent);
    }
    // The screen's pixel at a client point, as the screen shows it.
    COLORREF Shown(POINT at) {
        Form10->Repaint();
        GdiFlush();
        HDC dc = GetDC(Form10->Handle());
        COLORREF colour = GetPixel(dc, at.x, at.y);
        ReleaseDC(Form10->Handle(), dc);
        return colour;
    }
    // A point of the ring's band at the given angle (0 = straight down, counter-clockwise
    // positive as the screen shows it) where the ring and the background differ, so that
    // the screen tells whether the ring is shown there.
    POINT RingPoint(double degrees) {
        const TBitmap& ring = Form10->Image2->Picture();
        const TBitmap& background = Form10->Image1->Picture();
        const double cx = ring.Width() / 2.0, cy = ring.Height() / 2.0;
        const double radians = degrees * 3.14159265358979 / 180;
        for (double r = cy - 1; r > 0; r -= 0.5) {
            const int x = static_cast<int>(cx + r * std::sin(radians));
            const int y = static_cast<int>(cy + r * std::cos(radians));
            const COLORREF colour = ring.Pixel(x, y);
            if (colour == RGB(255, 255, 255)) continue;
            const POINT at{Form10->Image2->Left() + x, Form10->Image2->Top() + y};
            if (Distance(colour, background.Pixel(at.x, at.y)) > 60) return at;
        }
        ADD_FAILURE() << "no ring point at " << degrees << " degrees";
        return {0, 0};
    }
    static int Distance(COLORREF a, COLORREF b) {
        return std::abs(GetRValue(a) - GetRValue(b)) + std::abs(GetGValue(a) - GetGValue(b)) +
               std::abs(GetBValue(a) - GetBValue(b));
    }
    bool ShowsRing(POINT at) {
        const TBitmap& ring = Form10->Image2->Picture();
        const COLORREF expected =
            ring.Pixel(at.x - Form10->Image2->Left(), at.y - Form10->Image2->Top());
        return Distance(Shown(at), expected) < 12;
    }
};

TEST_F(ProgressScreenTest, WorkedExampleOfThePercentFigure) {
    Report("Data\\Area01.BIF", 8, 50);
    EXPECT_EQ(Form10->Label4->Caption(), "26");
    EXPECT_EQ(Form10->Label3->Caption(), "area01.bif");
    EXPECT_EQ(Progress.LastPercent, 26);
    EXPECT_EQ(Progress.DoneSize, 200);
    Report("Data\\Area01.BIF", 8, 100);
    EXPECT_EQ(Form10->Label4->Caption(), "26");
    EXPECT_EQ(Progress.DoneSize, 208);
    // The directory read's reports clear the name; its last one adds the entry count.
    Report("*Loading Directory", 3, 100);
    EXPECT_EQ(Form10->Label3->Caption(), "");
    EXPECT_EQ(Progress.DoneSize, 211);
    // The end of a batch shows what is done alone.
    Report("", 0, 101);
    EXPECT_EQ(Form10->Label4->Caption(), "26");
    EXPECT_EQ(Progress.DoneSize, 211);
}

TEST_F(ProgressScreenTest, ZipComponentHoldsTheScreensStoredSettings) {
    using namespace mvt::zip;
    TZipUnpacker& zip = *Form10->ZipUnpacker1;
    EXPECT_EQ(zip.AddOptions(), 0u);
    EXPECT_EQ(zip.AddStoreSuffixes(), kDefaultStoreSuffixes);
    EXPECT_FALSE(zip.Dll_Load());
    EXPECT_EQ(zip.ExtrOptions(), ExtrBit(ExtrOptsEnum::ExtrDirNames) |
                                     ExtrBit(ExtrOptsEnum::ExtrOverWrite) |
                                     ExtrBit(ExtrOptsEnum::ExtrForceDirs));
    EXPECT_EQ(zip.KeepFreeOnAllDisks(), 0u);
    EXPECT_EQ(zip.KeepFreeOnDisk1(), 0u);
    EXPECT_EQ(zip.MaxVolumeSize(), 0);
    EXPECT_EQ(zip.PasswordReqCount(), 1u);
    EXPECT_EQ(zip.SFX().options, 0u);
    EXPECT_EQ(zip.SpanOptions(), 0u);
    EXPECT_EQ(zip.SFX().overWriteMode, OvrOpts::OvrConfirm);
    EXPECT_EQ(zip.SFX().path, "ZLSFXUS.bin");
    EXPECT_FALSE(zip.Trace());
    EXPECT_FALSE(zip.Unattended());
    EXPECT_FALSE(zip.Verbose());
    EXPECT_EQ(zip.Version(), "1.79.08.02");
    EXPECT_EQ(zip.VersionInfo(), "1.79.08.02");
    EXPECT_TRUE(static_cast<bool>(zip.OnItemProgress));
}

TEST_F(ProgressScreenTest, FigureStopsAtOneHundredWhenFullSizeIsTooSmall) {
    Report("big.dat", 4000, 100);
    EXPECT_EQ(Form10->Label4->Caption(), "100");
    Report("more.dat", 4000, 100);
    EXPECT_EQ(Form10->Label4->Caption(), "100");
    EXPECT_EQ(Progress.DoneSize, 8200);
}

TEST_F(ProgressScreenTest, RingOpensFromTheBottomAndClosesAtTheTop) {
    const POINT bottom = RingPoint(0), top = RingPoint(180);
    const POINT left = RingPoint(-90), right = RingPoint(90);

    EXPECT_FALSE(ShowsRing(bottom)) << "nothing is drawn before the first percent";
    Form10->ShowPercent(25);
    EXPECT_TRUE(ShowsRing(bottom));
    EXPECT_FALSE(ShowsRing(left));
    EXPECT_FALSE(ShowsRing(top)) << "a hairline of the ring stands where the wedges meet";
    Form10->ShowPercent(60);
    EXPECT_TRUE(ShowsRing(left));
    EXPECT_TRUE(ShowsRing(right));
    EXPECT_FALSE(ShowsRing(top));
    Form10->ShowPercent(99);
    EXPECT_TRUE(ShowsRing(left));
    EXPECT_FALSE(ShowsRing(top)) << "99 % leaves a gap at the top";
    Form10->ShowPercent(100);
    EXPECT_TRUE(ShowsRing(top));
    EXPECT_TRUE(ShowsRing(bottom));
}

// Every whole percent repaints only the slivers of the ring and the figure that changed, and
// what the screen then shows is, pixel for pixel, what a full repaint from scratch shows.
TEST_F(ProgressScreenTest, PercentStepsRepaintOnlyWhatChanged) {
    Form10->SkAnimator1->SetAnimate(false);  // the eyes would change between the two looks
    const TImage& ring = *Form10->Image4;
    Form10->ShowPercent(0);
    Process();
    for (int percent = 1; percent <= 100; ++percent) {
        Form10->Label4->SetCaption(std::to_string(percent));
        Form10->ShowPercent(percent);
        UniqueRegion invalid(CreateRectRgn(0, 0, 0, 0));
        ASSERT_NE(GetUpdateRgn(Form10->Handle(), invalid.get(), FALSE), ERROR);
        std::vector<uint8_t> data(GetRegionData(invalid.get(), 0, nullptr));
        auto* region = reinterpret_cast<RGNDATA*>(data.data());
        ASSERT_TRUE(GetRegionData(invalid.get(), static_cast<DWORD>(data.size()), region));
        const auto* parts = reinterpret_cast<const RECT*>(region->Buffer);
        long area = 0;
        for (DWORD i = 0; i < region->rdh.nCount; ++i)
            area += (parts[i].right - parts[i].left) * (parts[i].bottom - parts[i].top);
        EXPECT_GT(area, 0) << "at " << percent << " %";
        EXPECT_LT(area, ring.Width() * ring.Height() / 5) << "at " << percent << " %";
        Process();
        if (percent % 5 != 0 && percent < 98) continue;  // the look now and then: seconds
        const testsupport::WindowLook partly = testsupport::CaptureLook(Form10->Handle());
        Form10->Image4->Picture().Canvas();  // its transparency made anew for all of it
        Form10->Repaint();
        const testsupport::WindowLook whole = testsupport::CaptureLook(Form10->Handle());
        ASSERT_EQ(partly.Digest(), whole.Digest()) << "at " << percent << " %";
    }
}

// The ring drawn a percent at a time (only where the cover changed) is, pixel for pixel,
// the ring drawn at once for that percent: forward, back, by fractions and by leaps.
TEST_F(ProgressScreenTest, RingDrawnStepByStepIsTheRingDrawnAtOnce) {
    const auto pixels = [] {
        const TBitmap& shown = Form10->Image4->Picture();
        std::vector<COLORREF> all;
        for (int y = 0; y < shown.Height(); ++y)
            for (int x = 0; x < shown.Width(); ++x) all.push_back(shown.Pixel(x, y));
        return all;
    };
    std::vector<double> steps;
    for (int percent = 0; percent < 100; ++percent) steps.push_back(percent);
    for (double percent : {99.5, 99.79, 40.0, 41.0, 7.25, 98.0, 0.0, 50.0, 100.0, 63.0})
        steps.push_back(percent);
    std::vector<size_t> stepped;
    for (double percent : steps) {
        Form10->ShowPercent(percent);
        const std::vector<COLORREF> shown = pixels();
        stepped.push_back(std::hash<std::string_view>{}(
            {reinterpret_cast<const char*>(shown.data()), shown.size() * sizeof(COLORREF)}));
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        Form10->ShowPercent(100);  // the whole ring: the next is drawn anew
        Form10->ShowPercent(steps[i]);
        const std::vector<COLORREF> atOnce = pixels();
        EXPECT_EQ(std::hash<std::string_view>{}({reinterpret_cast<const char*>(atOnce.data()),
                                                 atOnce.size() * sizeof(COLORREF)}),
                  stepped[i])
            << "at " << steps[i] << " %";
    }
}

TEST_F(ProgressScreenTest, CloseRequestIsRefusedAndPassedToTheMainWindow) {
    PostMessageA(Form10->Handle(), WM_CLOSE, 0, 0);
    Process();
    EXPECT_TRUE(Form10->Visible());
    EXPECT_EQ(wizard.closeRequests, 1);
    // Escape on the screen, which holds the focus itself, is the same request.
    ASSERT_EQ(GetFocus(), Form10->Handle());
    PostMessageA(Form10->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
    Process();
    EXPECT_TRUE(Form10->Visible());
    EXPECT_EQ(wizard.closeRequests, 2);
    Form10->SetTag(kClosePermitGranted);
    PostMessageA(Form10->Handle(), WM_CLOSE, 0, 0);
    Process();
    EXPECT_FALSE(Form10->Visible());
    EXPECT_EQ(wizard.closeRequests, 3);
}

TEST_F(ProgressScreenTest, EyesAnimateWhileShown) {
    EXPECT_TRUE(Form10->SkAnimator1->Animate());
    EXPECT_EQ(Form10->SkAnimator1->Width(), 96);
    EXPECT_EQ(Form10->SkAnimator1->Height(), 48);
    Form10->SkAnimator1->SetAnimate(false);  // ticks by hand from here
    Form10->SkAnimator1->SetImageIndex(2);
    std::vector<int> frames;
    Form10->SkAnimator1->OnFrameChange = [&](TObject*, int frame) { frames.push_back(frame); };
    // Frame 2 is already on the screen: its repaint is no change.
    for (int tick = 0; tick < 6; ++tick) Form10->SkAnimator1->TimerTick();
    EXPECT_EQ(frames, (std::vector<int>{3, 4, 0, 1, 2}));
    EXPECT_EQ(Form10->SkAnimator1->ImageIndex(), 3);
}

}  // namespace
