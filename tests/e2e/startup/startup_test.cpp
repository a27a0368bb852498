// The wizard's start-up and leaving it, seen from outside through its windows.
#include <gtest/gtest.h>

#include "support/process_windows.h"

using namespace testsupport;

namespace {

const std::string kProgram = std::string(MVT_DIST_DIR) + "\\MVTSetup.exe";
constexpr char kWizardCaption[] = "  Установка Трилогии Морвата...";

class StartupTest : public ::testing::Test {
  protected:
    Process program{"\"" + kProgram + "\""};
    HWND splash = nullptr;
    HWND welcome = nullptr;

    void WaitForSplash() {
        ASSERT_TRUE(program.Started()) << kProgram;
        ASSERT_TRUE(WaitUntil(
            [&] { return (splash = WindowWithClientSize(program.Id(), 497, 303)); }, 5000))
            << "no splash window";
    }
    void WaitForWelcome() {
        ASSERT_TRUE(WaitUntil(
            [&] { return (welcome = WindowWithClientSize(program.Id(), 640, 480)); }, 10000))
            << "no welcome window";
    }
    HWND Confirmation() { return WindowWithClientSize(program.Id(), 421, 144); }
};

TEST_F(StartupTest, SplashRefusesToCloseWhileTheGaugeRunsThenWelcomeAppearsCentred) {
    WaitForSplash();
    auto shown = std::chrono::steady_clock::now();
    EXPECT_LE(OffCentre(splash), 1);
    EXPECT_EQ(GetWindowLongA(splash, GWL_STYLE) & WS_CAPTION, 0) << "splash has a border";
    EXPECT_TRUE(GetWindowLongA(splash, GWL_EXSTYLE) & WS_EX_TOPMOST);
    PostMessageA(splash, WM_CLOSE, 0, 0);
    Sleep(300);
    EXPECT_TRUE(IsWindowVisible(splash)) << "the splash closed while its gauge ran";

    WaitForWelcome();
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - shown).count();
    // 100 ticks of 30 ms and the 700 ms pause; timers under load may run a little slow.
    EXPECT_GT(seconds, 3.2);
    EXPECT_LT(seconds, 8.0);
    EXPECT_FALSE(IsWindow(splash) && IsWindowVisible(splash)) << "splash still shown";
    EXPECT_EQ(WindowText(welcome), kWizardCaption);
    EXPECT_LE(OffCentre(welcome), 1);
    EXPECT_TRUE(GetWindowLongA(welcome, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(GetWindowLongA(welcome, GWL_STYLE) & WS_SYSMENU);
}

TEST_F(StartupTest, CloseRequestAsksAndCancelKeepsTheWizardAndExitEndsIt) {
    WaitForSplash();
    WaitForWelcome();

    PostMessageA(welcome, WM_CLOSE, 0, 0);
    HWND confirmation = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (confirmation = Confirmation()); }, 3000));
    EXPECT_LE(OffCentre(confirmation), 1);
    EXPECT_FALSE(IsWindowEnabled(welcome)) << "the confirmation is not modal";
    HWND cancel = ChildAt(confirmation, 223, 98);
    ASSERT_NE(cancel, confirmation);
    Click(cancel);
    ASSERT_TRUE(WaitUntil([&] { return !Confirmation(); }, 3000));
    Sleep(200);
    EXPECT_TRUE(program.Running());
    EXPECT_TRUE(IsWindowVisible(welcome));
    EXPECT_TRUE(IsWindowEnabled(welcome));

    PostMessageA(welcome, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return (confirmation = Confirmation()); }, 3000));
    HWND exit = ChildAt(confirmation, 57, 98);
    ASSERT_NE(exit, confirmation);
    Click(exit);
    EXPECT_TRUE(program.WaitForExit(5000)) << "the exit button did not end the program";
}

TEST_F(StartupTest, AboutButtonShowsTheNoticeUntilItsCloseButton) {
    WaitForSplash();
    WaitForWelcome();
    HWND about = ChildAt(welcome, 164, 428);
    ASSERT_NE(about, welcome);
    ASSERT_TRUE(IsWindowEnabled(about)) << "the medium has Resource\\About.bmp";
    Click(about);
    HWND notice = nullptr;
    ASSERT_TRUE(
        WaitUntil([&] { return (notice = WindowWithClientSize(program.Id(), 324, 423)); }, 3000));
    EXPECT_LE(OffCentre(notice), 1);
    HWND close = ChildAt(notice, 22, 294);
    ASSERT_NE(close, notice);
    Click(close);
    EXPECT_TRUE(WaitUntil([&] { return !WindowWithClientSize(program.Id(), 324, 423); }, 3000));
    EXPECT_TRUE(IsWindowVisible(welcome));
}

}  // namespace
