// The wizard's screens as the user drives them: clicks, keys and wheel turns sent as real
// window messages, state read back from the controls that hold it.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>

#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/sysutils.h"
#include "install/progress_screen.h"
#include "support/accessible_reader.h"
#include "support/window_look.h"
#include "shell/shell_namespace.h"
#include "install/write_problem_text.h"
#include "wizard/finish_screen.h"
#include "wizard/screen_sequence.h"
#include "wizard/welcome_screen.h"
#include "wizard/cancel_confirmation.h"
#include "wizard/notice_screen.h"
#include "wizard/destination_screen.h"
#include "wizard/folder_browser.h"
#include "wizard/new_folder_prompt.h"
#include "wizard/options_screen.h"
#include "wizard/ready_screen.h"

using namespace mvt;

namespace {

constexpr char kShellFolders[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

void Process() {
    Application().ProcessMessages();
}

void Post(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    PostMessageA(window, message, wParam, lParam);
    Process();
}

void ClickAt(TWinControl& control, int x, int y) {
    LPARAM at = MAKELPARAM(x, y);
    HWND window = control.Handle();
    PostMessageA(window, WM_MOUSEMOVE, 0, at);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(window, WM_LBUTTONUP, 0, at);
    Process();
}

void Click(TWinControl& control) {
    ClickAt(control, control.Width() / 2, control.Height() / 2);
}

void Type(TWinControl& control, const std::string& text) {
    for (char c : text) Post(control.Handle(), WM_CHAR, static_cast<unsigned char>(c));
}

// A key as the keyboard gives it: down and up, to the window with the focus; the message
// loop makes its character.
void PressKey(WORD key, bool shift = false) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    const HWND focus = GetFocus();
    LPARAM scan = static_cast<LPARAM>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC)) << 16;
    if (key >= VK_PRIOR && key <= VK_DOWN) scan |= LPARAM(1) << 24;  // the extended keys
    PostMessageA(focus, WM_KEYDOWN, key, 1 | scan);
    PostMessageA(focus, WM_KEYUP, key, 1 | scan | (LPARAM(1) << 30) | (LPARAM(1) << 31));
    Process();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

void WhileModal(TForm& modal, const std::function<void()>& open,
                const std::function<void()>& inside);

// Shows a screen as the mouse user opens it: the last input was a click.
void ShowAfterAClick(TForm& form) {
    form.Hide();
    Post(form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    Post(form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    form.Show();
    Process();
}

// Whether the skin's gold focus mark shows at a point of the screen's client area.
bool MarkAt(TForm& form, int x, int y) {
    Process();
    const testsupport::WindowLook look = testsupport::CaptureLook(form.Handle());
    return look.pixels[size_t(y) * look.width + x] == 0xB08D44;  // kGold as 0xRRGGBB
}

// Builds the screens once for the whole run, as start-up does, with a setup description
// and an all-users programs folder of the test's own.
class WizardEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        programs_ = ProgramFolder() + "common programs\\";
        ForceDirectories(programs_ + "Alpha");
        ForceDirectories(programs_ + "Бета");
        ForceDirectories(programs_ + "Hidden");
        SetFileAttributesA((programs_ + "Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
        if (HANDLE file = CreateFileA((programs_ + "file.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, 0, nullptr);
            file != INVALID_HANDLE_VALUE)
            CloseHandle(file);

        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        ASSERT_TRUE(registry.OpenKey(kShellFolders, true));
        saved_ = registry.ReadString("Common Programs");
        registry.WriteString("Common Programs", programs_);
        DeleteFileA((ProgramFolder() + "MVTSetup.ini").c_str());
        // An about picture that is no bitmap: reported while the screens are made.
        ForceDirectories(ProgramFolder() + "Resource");
        if (FILE* file = std::fopen((ProgramFolder() + "Resource\\About.bmp").c_str(), "wb")) {
            std::fputs("this is not a picture", file);
            std::fclose(file);
        }
        Application().OnException = [](const std::exception& error) {
            startupErrors.push_back(error.what());
        };

        ASSERT_GT(AddFontResourceExA(MVT_TYPEFACE, FR_PRIVATE, nullptr), 0) << MVT_TYPEFACE;
        Screen().ResetFonts();
        ASSERT_TRUE(Screen().HasFont("Windsor"));

        Application().SetTitle("MVT Setup");
        wizard::CreateScreens();
        Application().OnException = nullptr;
        Application().ShowMainForm();
        Process();
    }
    void TearDown() override {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        if (registry.OpenKey(kShellFolders, false)) registry.WriteString("Common Programs", saved_);
        Application().Shutdown();
        RemoveFontResourceExA(MVT_TYPEFACE, FR_PRIVATE, nullptr);
    }

  private:
    std::string programs_;
    std::string saved_;

  public:
    static inline std::vector<std::string> startupErrors;
};

// Every test starts on the welcome screen, scrolled to the top.
class WizardTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (TForm* form :
             {static_cast<TForm*>(Form5), static_cast<TForm*>(Form8), static_cast<TForm*>(Form9)})
            form->Hide();
        Form1->Show();
        while (Form1->SkBmpButton3->Enabled()) Form1->SkBmpButton3Click();
        Process();
    }
    void Key(WORD key) { Post(Form1->RichEdit1->Handle(), WM_KEYDOWN, key); }
    void Wheel(int delta) {
        Post(Form1->RichEdit1->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(delta)));
    }
};

TEST_F(WizardTest, WelcomeScrollsTwentyNineStepsAndNoFurther) {
    EXPECT_FALSE(Form1->SkBmpButton3->Enabled());
    EXPECT_TRUE(Form1->SkBmpButton4->Enabled());
    EXPECT_EQ(Form1->Image2->Top(), 139);
    for (int step = 1; step <= 29; ++step) {
        Click(*Form1->SkBmpButton4);
        ASSERT_EQ(Form1->SkLabel1->Top(), -42 * step);
    }
    EXPECT_FALSE(Form1->SkBmpButton4->Enabled());
    EXPECT_TRUE(Form1->SkBmpButton3->Enabled());
    EXPECT_EQ(Form1->Image2->Top(), 329);
    Wheel(-120);
    Key(VK_DOWN);
    EXPECT_EQ(Form1->SkLabel1->Top(), -1218) << "a 30th step moved the text";
    Click(*Form1->SkBmpButton3);
    EXPECT_EQ(Form1->SkLabel1->Top(), -1176);
    EXPECT_TRUE(Form1->SkBmpButton4->Enabled());
}

// (Enter, Tab and Escape work the window: they are no keys of the text.)
TEST_F(WizardTest, OnlyUpDownAndTheWheelScroll) {
    for (int key : {VK_NEXT, VK_PRIOR, VK_HOME, VK_END, VK_SPACE, int('A')}) Key(WORD(key));
    EXPECT_EQ(Form1->SkLabel1->Top(), 0);
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(Form1->SkLabel1->Top(), -84);
    Wheel(+360);  // one step per wheel message, whatever its size
    EXPECT_EQ(Form1->SkLabel1->Top(), -42);
    Key(VK_UP);
    Key(VK_UP);  // already at the top: nothing
    EXPECT_EQ(Form1->SkLabel1->Top(), 0);
    EXPECT_EQ(Form1->Image2->Top(), 139);
}

// Current Windows sends a wheel turn to the window under the pointer: over the text's
// viewport, or over the screen's background, the text scrolls one step per turn.
TEST_F(WizardTest, WheelOverAnyPartOfTheWelcomeScreenScrollsTheText) {
    const WPARAM down = MAKEWPARAM(0, static_cast<WORD>(-120));
    Post(Form1->SkPanel1->Handle(), WM_MOUSEWHEEL, down);
    EXPECT_EQ(Form1->SkLabel1->Top(), -42);
    Post(Form1->Handle(), WM_MOUSEWHEEL, down);
    EXPECT_EQ(Form1->SkLabel1->Top(), -84);
    Wheel(+120);  // the focused edit itself: still exactly one step
    EXPECT_EQ(Form1->SkLabel1->Top(), -42);
}

TEST_F(WizardTest, MarkerFollowsTheTextByTheFixedRatio) {
    EXPECT_EQ(TForm1::MarkerTop(0), 139);
    EXPECT_EQ(TForm1::MarkerTop(-42), 146);
    EXPECT_EQ(TForm1::MarkerTop(-1218), 329);
}

TEST_F(WizardTest, DescriptionHasItsTwentyFiveLinesInTheViewport) {
    EXPECT_EQ(Form1->SkLabel1->Lines().Count(), 25);
    EXPECT_EQ(Form1->SkLabel1->Parent(), Form1->SkPanel1);
    Form1->Hide();
    Form1->Show();
    Process();
    EXPECT_TRUE(Form1->RichEdit1->Focused()) << "showing the screen focuses the hidden edit";
}

TEST_F(WizardTest, DescriptionEndsWithinTheLastScrollStep) {
    // The 29 steps of 42 pixels end at 1218 + 234 = 1452: the wrapped text must end
    // there, and after 1452 - 42 so that the last step still shows new text.
    RECT bounds = Form1->SkLabel1->TextBounds(Form1->SkLabel1->Width());
    EXPECT_LE(bounds.bottom, 1452) << "the end of the description cannot be scrolled into view";
    EXPECT_GT(bounds.bottom, 1452 - 42) << "the last scroll step shows nothing new";
}

TEST_F(WizardTest, DamagedAboutPictureIsReportedAndStartUpGoesOn) {
    ASSERT_EQ(WizardEnvironment::startupErrors.size(), 1u);
    EXPECT_EQ(WizardEnvironment::startupErrors[0], "Bitmap image is not valid");
    EXPECT_TRUE(Form4->Image2->Picture().Empty());
    EXPECT_TRUE(Form1->SkBmpButton1->Enabled()) << "the file exists, so the button is enabled";
    ASSERT_NE(Form9, nullptr) << "the screens after the notice screen were not made";
    UniqueRegion shape(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(Form4->Handle(), shape.get()), ERROR);
    EXPECT_TRUE(PtInRegion(shape.get(), 160, 200));
    EXPECT_FALSE(PtInRegion(shape.get(), 5, 5)) << "the arch's corner must be cut";
}

TEST_F(WizardTest, DestinationShowsTheDefaultFolderAndItsSpaceLines) {
    std::string folder = Form5->Label1->Caption();
    EXPECT_GE(folder.size(), 3u);
    EXPECT_EQ(folder.substr(folder.size() - 16), "\\Morvath Trilogy");
    EXPECT_EQ(folder[1], ':');
    // No setup description beside the program: the default of 10 gigabytes.
    EXPECT_EQ(Form5->LocateLabel1->Lines()[5], "Требуется для установки:\t10 Гб");
    std::string freeLine = Form5->LocateLabel1->Lines()[6];
    EXPECT_EQ(freeLine.rfind(std::string("Свободно на диске ") + folder[0] + ":\t\t", 0), 0u)
        << freeLine;
    EXPECT_EQ(freeLine.substr(freeLine.size() - 3), " Гб");
}

// The package's games are 32-bit: the default folder follows the program files folder of
// the 32-bit registry view, which on 64-bit Windows differs from the 64-bit view's.
TEST_F(WizardTest, DefaultFolderFollowsThe32BitViewOfProgramFilesDir) {
    auto programFiles = [](REGSAM view) {
        char value[MAX_PATH] = {};
        DWORD size = sizeof value - 1;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", 0,
                          KEY_READ | view, &key) == ERROR_SUCCESS) {
            RegQueryValueExA(key, "ProgramFilesDir", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(value), &size);
            RegCloseKey(key);
        }
        return std::string(value);
    };
    const std::string view32 = programFiles(KEY_WOW64_32KEY);
    ASSERT_FALSE(view32.empty()) << "the prefix lacks the 32-bit view's ProgramFilesDir";
    EXPECT_NE(view32, programFiles(KEY_WOW64_64KEY));
    EXPECT_EQ(Form5->Label1->Caption(), view32 + "\\Morvath Trilogy");
}

TEST_F(WizardTest, RequiredSizeComesFromTheSetupDescriptionWithTheLocaleSeparator) {
    std::string ini = ProgramFolder() + "MVTSetup.ini";
    TIniFile setup(ini);
    char separator = DecimalSeparator();
    ASSERT_EQ(separator, ',') << "the Russian locale writes a decimal comma";
    setup.WriteString("Setup", "FullSize", "1073741823");
    Form5->ShowSpace();
    EXPECT_EQ(Form5->LocateLabel1->Lines()[5], "Требуется для установки:\t0,99 Гб");
    setup.WriteString("Setup", "FullSize", "0");
    Form5->ShowSpace();
    EXPECT_EQ(Form5->LocateLabel1->Lines()[5], "Требуется для установки:\t10 Гб");
    setup.WriteString("Setup", "FullSize", "2147483648,5");
    Form5->ShowSpace();
    EXPECT_EQ(Form5->LocateLabel1->Lines()[5], "Требуется для установки:\t2 Гб");
    // More than any disk has: Next is disabled.
    setup.WriteString("Setup", "FullSize", "1E18");
    Form5->SkBmpButton2->SetEnabled(true);
    Form5->ShowSpace();
    EXPECT_FALSE(Form5->SkBmpButton2->Enabled());
    DeleteFileA(ini.c_str());
    Form5->SkBmpButton2->SetEnabled(true);
    Form5->ShowSpace();
}

TEST_F(WizardTest, HandOversKeepThePositionTheUserGaveTheWindow) {
    Click(*Form1->SkBmpButton2);
    ASSERT_TRUE(Form5->Visible());
    EXPECT_FALSE(Form1->Visible());
    EXPECT_EQ(Form5->Left(), Form1->Left());
    EXPECT_EQ(Form5->Top(), Form1->Top());
    SetWindowPos(Form5->Handle(), nullptr, 20, 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Process();
    Click(*Form5->SkBmpButton2);
    ASSERT_TRUE(Form8->Visible());
    RECT rect;
    GetWindowRect(Form8->Handle(), &rect);
    EXPECT_EQ(rect.left, 20);
    EXPECT_EQ(rect.top, 30);
    EXPECT_TRUE(Form8->Edit1->Focused()) << "the options screen puts the focus into the name";
    Form8->Edit1->SetText("Моя группа");
    Click(*Form8->SkBmpButton4);
    Click(*Form8->SkBmpButton2);
    ASSERT_TRUE(Form9->Visible());
    Click(*Form9->SkBmpButton3);
    ASSERT_TRUE(Form8->Visible());
    GetWindowRect(Form8->Handle(), &rect);
    EXPECT_EQ(rect.left, 20);
    Click(*Form8->SkBmpButton3);
    std::string folder = Form5->Label1->Caption();
    Click(*Form5->SkBmpButton3);
    EXPECT_TRUE(Form1->Visible());
    EXPECT_EQ(Form1->Left(), 20);
    // All the way forward again: no screen was set up anew.
    Click(*Form1->SkBmpButton2);
    Click(*Form5->SkBmpButton2);
    EXPECT_EQ(Form5->Label1->Caption(), folder);
    EXPECT_EQ(Form8->Edit1->Text(), "Моя группа");
    EXPECT_TRUE(Form8->SkBmpButton4->Down());
    EXPECT_FALSE(Form8->SkBmpButton1->Down());
    Click(*Form8->SkBmpButton4);
    Form8->Edit1->SetText("Morvath Trilogy");
}

TEST_F(WizardTest, NextCreatesTheInstallFolderWithItsParents) {
    std::string folder = ProgramFolder() + "dest\\deeper\\Morvath Trilogy";
    std::string saved = Form5->Label1->Caption();
    Form5->Label1->SetCaption(folder);
    Form5->Show();
    Click(*Form5->SkBmpButton2);
    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_TRUE(Form8->Visible());
    Form5->Label1->SetCaption(saved);
}

TEST_F(WizardTest, GroupNameRefusesTheNineCharactersAndGatesNext) {
    Form8->Show();
    TChangeEdit& edit = *Form8->Edit1;
    edit.SetFocus();
    EXPECT_EQ(edit.Text(), "Morvath Trilogy");
    SendMessageA(edit.Handle(), EM_SETSEL, 0, -1);
    Type(edit, "/\\:*?\"<>|");
    EXPECT_EQ(edit.Text(), "Morvath Trilogy") << "a refused character replaced the selection";
    Post(edit.Handle(), WM_CHAR, VK_BACK);  // deletes the selected text
    EXPECT_EQ(edit.Text(), "");
    EXPECT_FALSE(Form8->SkBmpButton2->Enabled());
    Type(edit, "   ");
    EXPECT_FALSE(Form8->SkBmpButton2->Enabled()) << "blanks alone are no name";
    Type(edit, "Игры");
    EXPECT_EQ(edit.Text(), "   Игры");
    EXPECT_TRUE(Form8->SkBmpButton2->Enabled());
    edit.SetText("Morvath Trilogy");
}

TEST_F(WizardTest, ExistingGroupsAreListedAndPickingOneCopiesItsName) {
    TListBox& list = *Form8->ListBox1;
    std::set<std::string> items;
    for (int i = 0; i < list.Count(); ++i) items.insert(list.Item(i));
    EXPECT_EQ(items, (std::set<std::string>{"Alpha", "Бета"})) << "folders only, not hidden";
    Form8->Show();
    SendMessageA(list.Handle(), LB_SETCURSEL, 1, 0);
    // The list tells its parent, as a click or an arrow key does.
    Post(Form8->Handle(), WM_COMMAND, MAKEWPARAM(0, LBN_SELCHANGE),
         reinterpret_cast<LPARAM>(list.Handle()));
    EXPECT_EQ(Form8->Edit1->Text(), list.Item(1));
    EXPECT_EQ(list.ItemIndex(), -1) << "the picked entry stays highlighted";
    EXPECT_TRUE(Form8->SkBmpButton2->Enabled());
    Form8->Edit1->SetText("Morvath Trilogy");
}

// Tab and Shift+Tab move between the options screen's edit box and list of groups.
TEST_F(WizardTest, TabReachesTheListOfGroupsAndShiftTabComesBack) {
    Form8->Show();
    Form8->Edit1->SetFocus();
    Process();
    ASSERT_TRUE(Form8->Edit1->Focused());
    Post(Form8->Edit1->Handle(), WM_KEYDOWN, VK_TAB);
    EXPECT_TRUE(Form8->ListBox1->Focused());
    EXPECT_EQ(Form8->Edit1->Text(), "Morvath Trilogy") << "the Tab was typed";

    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    SetKeyboardState(keys);
    Post(Form8->ListBox1->Handle(), WM_KEYDOWN, VK_TAB);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(Form8->Edit1->Focused());
}

// The welcome and destination screens without a mouse: Tab in reading order, Enter on the
// default button (or the focused one), Escape as the close request; the gold focus mark
// only once a key has been used in the window.
TEST_F(WizardTest, KeysWorkTheWelcomeAndDestinationScreens) {
    ShowAfterAClick(*Form1);
    ASSERT_TRUE(Form1->RichEdit1->Focused()) << "the text holds the focus";
    EXPECT_FALSE(Form1->FocusCuesShown());
    EXPECT_FALSE(MarkAt(*Form1, 39, 200));
    PressKey(VK_TAB);
    EXPECT_TRUE(Form1->SkBmpButton1->Focused());
    EXPECT_TRUE(Form1->FocusCuesShown());
    EXPECT_TRUE(MarkAt(*Form1, 164 + 18, 428 + 6)) << "the mark frames the about lettering";
    PressKey(VK_TAB);
    EXPECT_TRUE(Form1->SkBmpButton2->Focused());
    EXPECT_FALSE(MarkAt(*Form1, 164 + 18, 428 + 6));
    PressKey(VK_TAB);
    EXPECT_TRUE(Form1->RichEdit1->Focused()) << "past the last the first again";
    EXPECT_TRUE(MarkAt(*Form1, 39, 200)) << "the text's mark frames the viewport";
    EXPECT_TRUE(MarkAt(*Form1, 575, 200));
    PressKey(VK_TAB, true);
    EXPECT_TRUE(Form1->SkBmpButton2->Focused()) << "Shift+Tab goes back";
    PressKey(VK_TAB);
    PressKey(VK_DOWN);
    EXPECT_EQ(Form1->SkLabel1->Top(), -42) << "the arrows still scroll";

    PressKey(VK_RETURN);
    ASSERT_TRUE(Form5->Visible()) << "Enter on the text presses Next";
    EXPECT_TRUE(Form5->SkBmpButton2->Focused());
    EXPECT_TRUE(Form5->FocusCuesShown()) << "opened from the keyboard, it shows the focus";
    for (TWinControl* next : {static_cast<TWinControl*>(Form5->SkBmpButton1),
                              static_cast<TWinControl*>(Form5->SkBmpButton3),
                              static_cast<TWinControl*>(Form5->SkBmpButton2)}) {
        PressKey(VK_TAB);
        EXPECT_TRUE(next->Focused()) << next->AccessibleName();
    }
    PressKey(VK_TAB, true);
    ASSERT_TRUE(Form5->SkBmpButton3->Focused());
    PressKey(VK_RETURN);
    EXPECT_TRUE(Form1->Visible()) << "Enter presses the focused Back";
    PressKey(VK_RETURN);
    ASSERT_TRUE(Form5->Visible());

    // Escape is the close request: the confirmation, where the keys press its buttons and
    // Escape stays.
    for (WORD answer : {WORD(VK_ESCAPE), WORD(VK_RETURN)})
        WhileModal(
            *Form3, [] { PressKey(VK_ESCAPE); },
            [&] {
                EXPECT_TRUE(Form3->SkBmpButton2->Focused()) << "the question opens on cancel";
                EXPECT_TRUE(Form3->FocusCuesShown());
                PressKey(VK_TAB);
                EXPECT_TRUE(Form3->SkBmpButton1->Focused());
                PressKey(VK_TAB);
                PressKey(answer);
            });
    EXPECT_TRUE(Form5->Visible());
    EXPECT_NE(Form3->Tag(), kCancelMarkLeave);
}

// The options and ready screens: every control in reading order, Space flips a toggle, the
// list's arrows only move its highlight and Enter or Space picks the entry.
TEST_F(WizardTest, KeysWorkTheOptionsAndReadyScreens) {
    Form1->Hide();
    Form8->Show();
    Process();
    ASSERT_TRUE(Form8->Edit1->Focused());
    const std::vector<TWinControl*> order = {
        Form8->ListBox1,     Form8->SkBmpButton1, Form8->SkBmpButton4, Form8->SkBmpButton5,
        Form8->SkBmpButton3, Form8->SkBmpButton2, Form8->Edit1,        Form8->ListBox1};
    for (TWinControl* next : order) {
        PressKey(VK_TAB);
        EXPECT_TRUE(next->Focused()) << next->AccessibleName();
    }
    TListBox& list = *Form8->ListBox1;
    ASSERT_EQ(list.Count(), 2);
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(Form8->Edit1->Text(), "Morvath Trilogy") << "an arrow replaced the group name";
    PressKey(VK_RETURN);
    EXPECT_EQ(Form8->Edit1->Text(), list.Item(1));
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_TRUE(Form8->Visible()) << "Enter on a highlighted entry only picks it";
    // The first key after a pick highlights the entry last picked, the next one moves.
    PressKey(VK_UP);
    PressKey(VK_UP);
    EXPECT_EQ(list.ItemIndex(), 0);
    EXPECT_EQ(Form8->Edit1->Text(), list.Item(1));
    PressKey(VK_SPACE);
    EXPECT_EQ(Form8->Edit1->Text(), list.Item(0));
    Form8->Edit1->SetText("Morvath Trilogy");

    PressKey(VK_TAB);
    ASSERT_TRUE(Form8->SkBmpButton1->Focused());
    EXPECT_TRUE(MarkAt(*Form8, 330, 186)) << "the mark frames the box";
    EXPECT_TRUE(MarkAt(*Form8, 500, 173)) << "and the caption";
    PressKey(VK_SPACE);
    EXPECT_TRUE(Form8->SkBmpButton1->Down()) << "Space flips the toggle";
    PressKey(VK_SPACE);
    EXPECT_FALSE(Form8->SkBmpButton1->Down());
    PressKey(VK_RETURN);
    ASSERT_TRUE(Form9->Visible()) << "Enter on a toggle presses Next";
    EXPECT_FALSE(Form8->SkBmpButton1->Down());
    EXPECT_TRUE(Form9->SkBmpButton2->Focused());
    PressKey(VK_TAB, true);
    PressKey(VK_SPACE);
    EXPECT_TRUE(Form8->Visible()) << "Space presses the focused Back";
}

// What a screen reader gets from each screen: every picture button a named push button,
// every toggle a named check button with its state, every text static text with its
// words, every window a name; and the changes it is told of.
TEST_F(WizardTest, AssistiveTechnologyReadsEveryScreen) {
    using testsupport::AccessibleItem;
    using testsupport::ReadAccessible;
    auto statics = [](const AccessibleItem& window) {
        std::set<std::string> names;
        for (const AccessibleItem* item : window.WithRole(ROLE_SYSTEM_STATICTEXT))
            names.insert(item->name);
        return names;
    };
    auto namedButtons = [](const AccessibleItem& window) {
        std::vector<std::string> names;
        for (long role : {ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_CHECKBUTTON})
            for (const AccessibleItem* item : window.WithRole(role)) names.push_back(item->name);
        return names;
    };

    const AccessibleItem welcome = ReadAccessible(Form1->Handle());
    EXPECT_EQ(welcome.role, ROLE_SYSTEM_DIALOG);
    EXPECT_EQ(welcome.name, "Установка Трилогии Морвата...");
    EXPECT_EQ(
        namedButtons(welcome),
        (std::vector<std::string>{"Прокрутить вверх", "Прокрутить вниз", "О сборке...", "Далее"}));
    ASSERT_TRUE(welcome.Named("Далее"));
    EXPECT_TRUE(welcome.Named("Далее")->Has(STATE_SYSTEM_DEFAULT | STATE_SYSTEM_FOCUSABLE));
    EXPECT_TRUE(welcome.Named("Прокрутить вверх")->Has(STATE_SYSTEM_UNAVAILABLE));
    RECT next{};
    GetWindowRect(Form1->SkBmpButton2->Handle(), &next);
    EXPECT_TRUE(EqualRect(&welcome.Named("Далее")->location, &next));
    const std::vector<const AccessibleItem*> texts = welcome.WithRole(ROLE_SYSTEM_STATICTEXT);
    ASSERT_EQ(texts.size(), 1u) << "the description, once";
    EXPECT_EQ(texts[0]->name.rfind("ТРИЛОГИЯ МОРВАТА Трилогия Морвата — собрание трёх", 0), 0u);
    EXPECT_TRUE(texts[0]->Has(STATE_SYSTEM_FOCUSED | STATE_SYSTEM_READONLY));

    const AccessibleItem destination = ReadAccessible(Form5->Handle());
    EXPECT_EQ(namedButtons(destination), (std::vector<std::string>{"Обзор...", "Назад", "Далее"}));
    EXPECT_TRUE(statics(destination).count(Form5->Label1->Caption()));
    const AccessibleItem* lines = destination.Find([](const AccessibleItem& item) {
        return item.name.find("ВЫБОР КАТАЛОГА УСТАНОВКИ Установка Трилогии Морвата будет") == 0;
    });
    ASSERT_TRUE(lines);
    EXPECT_NE(lines->name.find(" альтернативный каталог. Требуется для установки: 10 Гб "
                               "Свободно на диске "),
              std::string::npos)
        << lines->name;

    // The toggles: checked while they show the tick; pressed by a reader, they flip and
    // tell it so.
    const AccessibleItem options = ReadAccessible(Form8->Handle());
    const std::vector<const AccessibleItem*> toggles = options.WithRole(ROLE_SYSTEM_CHECKBUTTON);
    ASSERT_EQ(toggles.size(), 3u);
    EXPECT_EQ(toggles[0]->name, "Создать ярлык на рабочем столе");
    EXPECT_EQ(toggles[1]->name, "Установить деинсталлятор");
    EXPECT_EQ(toggles[2]->name, "Запустить программу конфигурации");
    for (const AccessibleItem* toggle : toggles) EXPECT_TRUE(toggle->Has(STATE_SYSTEM_CHECKED));
    EXPECT_TRUE(statics(options).count("Выбор программной группы: Действия после установки:"));
    testsupport::AccessibleEvents events;
    ASSERT_TRUE(events.Hooked());
    IAccessible* uninstaller = nullptr;
    ASSERT_EQ(AccessibleObjectFromWindow(Form8->SkBmpButton4->Handle(), OBJID_CLIENT,
                                         testsupport::kAccessibleId,
                                         reinterpret_cast<void**>(&uninstaller)),
              S_OK);
    VARIANT self;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    EXPECT_EQ(uninstaller->accDoDefaultAction(self), S_OK);
    uninstaller->Release();
    Process();
    EXPECT_TRUE(Form8->SkBmpButton4->Down());
    EXPECT_TRUE(events.Seen(EVENT_OBJECT_STATECHANGE, Form8->SkBmpButton4->Handle()));
    EXPECT_FALSE(ReadAccessible(Form8->SkBmpButton4->Handle()).Has(STATE_SYSTEM_CHECKED));
    Form8->SkBmpButton4->SetDown(false);

    // The progress screen's texts, and a changed percent told to the reader.
    EXPECT_EQ(statics(ReadAccessible(Form10->Handle())),
              (std::set<std::string>{"Распаковка и копирование файлов...", "Всего установлено...",
                                     "", "0", "%"}));
    events.Clear();
    Form10->Label4->SetCaption("37");
    Process();
    EXPECT_TRUE(events.Seen(EVENT_OBJECT_NAMECHANGE, Form10->Handle(), 4))
        << "the percent is the fourth text";
    EXPECT_TRUE(statics(ReadAccessible(Form10->Handle())).count("37"));
    Form10->Label4->SetCaption("0");

    const AccessibleItem finish = ReadAccessible(Form11->Handle());
    EXPECT_TRUE(
        statics(finish).count("Установка Трилогии Морвата успешно завершена. Нажмите "
                              "кнопку «ВЫХОД» для закрытия программы установки."));
    ASSERT_TRUE(finish.Named("Выход"));
    EXPECT_TRUE(finish.Named("Выход")->Has(STATE_SYSTEM_DEFAULT));

    // The dialogs without a title bar are named all the same.
    const AccessibleItem confirmation = ReadAccessible(Form3->Handle());
    EXPECT_EQ(confirmation.name, "Выход из установки");
    EXPECT_EQ(statics(confirmation), (std::set<std::string>{"Установка Трилогии Морвата не была "
                                                            "выполнена. Выйти из программы?"}));
    EXPECT_EQ(namedButtons(confirmation), (std::vector<std::string>{"Выход", "Отмена"}));
    EXPECT_EQ(ReadAccessible(Form4->Handle()).name, "О сборке");
    EXPECT_EQ(ReadAccessible(Form6->Handle()).name, "Выбор каталога установки");
    const AccessibleItem prompt = ReadAccessible(Form7->Handle());
    EXPECT_EQ(prompt.name, "Создание каталога");
    EXPECT_TRUE(statics(prompt).count(Form7->TypedName())) << "the name, without its caret";
    EXPECT_EQ(ReadAccessible(Form10->WriteProblemDialog1->Handle()).name,
              "Не удалось записать файлы");

    // The focus, as the system tells it when Tab moves it.
    Form1->Show();
    Process();
    events.Clear();
    PressKey(VK_TAB);
    EXPECT_TRUE(events.Seen(EVENT_OBJECT_FOCUS, Form1->SkBmpButton1->Handle()));
}

// The write-problem question: Retry is pressed by Enter, the other answer by Tab and Enter.
TEST_F(WizardTest, KeysAnswerTheWriteProblemQuestion) {
    TWriteProblemDialog& dialog = *Form10->WriteProblemDialog1;
    for (bool retry : {true, false}) {
        install::WriteProblemAnswer answer = install::WriteProblemAnswer::Skip;
        WhileModal(
            dialog, [&] { answer = dialog.Ask("Нет места.\rОсвободите место."); },
            [&] {
                EXPECT_TRUE(testsupport::ReadAccessible(dialog.Handle())
                                .Named("Нет места. Освободите место."))
                    << "the question's text, as static text";
                EXPECT_TRUE(dialog.SkBmpButton1->Focused());
                if (!retry) PressKey(VK_TAB);
                PressKey(VK_RETURN);
            });
        EXPECT_EQ(answer,
                  retry ? install::WriteProblemAnswer::Retry : install::WriteProblemAnswer::Skip);
    }
}

TEST_F(WizardTest, TogglesFlipIndependently) {
    Form8->Show();
    mvt::TSkBmpButton* toggles[] = {Form8->SkBmpButton1, Form8->SkBmpButton4, Form8->SkBmpButton5};
    for (mvt::TSkBmpButton* toggle : toggles)
        EXPECT_FALSE(toggle->Down()) << "options start chosen";
    Click(*toggles[0]);
    EXPECT_TRUE(toggles[0]->Down());
    EXPECT_FALSE(toggles[1]->Down());
    Click(*toggles[1]);
    EXPECT_TRUE(toggles[0]->Down());
    EXPECT_TRUE(toggles[1]->Down());
    Click(*toggles[0]);
    Click(*toggles[1]);
    for (mvt::TSkBmpButton* toggle : toggles) EXPECT_FALSE(toggle->Down());
}

TEST_F(WizardTest, ReadyScreenTextAndCopiedBackground) {
    EXPECT_EQ(Form9->Label1->Caption().substr(0, 51), std::string(51, ' '));
    EXPECT_NE(Form9->Label1->Caption().find("ЗАПУСК КОПИРОВАНИЯ\r"), std::string::npos);
    EXPECT_EQ(Form9->Image1->Picture().Width(), 640);
    EXPECT_EQ(Form9->Image1->Picture().Pixel(320, 240), Form1->Image1->Picture().Pixel(320, 240));
    EXPECT_EQ(Form8->Image1->Picture().Pixel(10, 10), Form1->Image1->Picture().Pixel(10, 10));
}

// The last column of a screen's client area, within the rows of a label, where what the
// window shows differs from the screen's background picture: the right end of the caption's
// lettering as the system drew it (-1 when nothing is drawn there).
int LastLetteredColumn(TForm& screen, TImage& background, const TLabel& label) {
    HDC dc = GetDC(screen.Handle());
    int last = -1;
    for (int y = label.Top(); y < label.Top() + label.Height(); ++y)
        for (int x = label.Left(); x < screen.ClientWidth(); ++x)
            if (GetPixel(dc, x, y) != background.Picture().Pixel(x, y)) last = std::max(last, x);
    ReleaseDC(screen.Handle(), dc);
    return last;
}

// The options and ready screens show the welcome screen's background with its scroll track
// (the track picture's column, 588 to 593): every caption ends with a free column before it.
TEST_F(WizardTest, CaptionsEndClearOfTheCopiedScrollTrack) {
    const int track = Form1->Image3->Left();
    for (int y : {0, 98, 196})
        ASSERT_EQ(Form8->Image1->Picture().Pixel(track + 2, Form1->Image3->Top() + y),
                  Form1->Image3->Picture().Pixel(2, y))
            << "the copied background carries the track where the welcome screen has it";
    Form8->Show();
    Process();
    for (TLabel* label :
         {Form8->Label1, Form8->Label5, Form8->Label2, Form8->Label3, Form8->Label4}) {
        const int last = LastLetteredColumn(*Form8, *Form8->Image1, *label);
        EXPECT_GT(last, label->Left()) << label->Caption() << ": nothing drawn";
        EXPECT_LT(last, track - 1) << label->Caption();
    }
    Form8->Hide();
    Form9->Show();
    Process();
    const int last = LastLetteredColumn(*Form9, *Form9->Image1, *Form9->Label1);
    EXPECT_GT(last, Form9->Label1->Left());
    EXPECT_LT(last, track - 1);
    Form9->Hide();
}

TEST_F(WizardTest, CancelOnTheConfirmationKeepsTheScreenAndTheArrowKeys) {
    auto* timer = Form1->Make<TTimer>();
    timer->SetInterval(50);
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        EXPECT_TRUE(Form3->Visible());
        Click(*Form3->SkBmpButton2);
    };
    Post(Form1->Handle(), WM_CLOSE);
    Form1->FreeComponent(timer);
    EXPECT_TRUE(Form1->Visible());
    EXPECT_FALSE(Form3->Visible());
    EXPECT_NE(Form3->Tag(), 111);
    EXPECT_TRUE(Form1->RichEdit1->Focused());
    Key(VK_DOWN);
    EXPECT_EQ(Form1->SkLabel1->Top(), -42);
}

// Alt+F4 is a close request like the close icon, also while the focus is in the hidden
// edit that swallows every other key of the welcome screen.
TEST_F(WizardTest, AltF4OnTheWelcomeScreenAsksForTheConfirmation) {
    ASSERT_TRUE(Form1->RichEdit1->Focused());
    bool asked = false;
    auto* timer = Form1->Make<TTimer>();
    timer->SetInterval(50);
    timer->OnTimer = [&](TObject*) {
        if (!Form3->Visible()) return;
        timer->SetEnabled(false);
        asked = true;
        Click(*Form3->SkBmpButton2);
    };
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_MENU] = 0x80;
    SetKeyboardState(keys);
    const LPARAM altDown = 1 | (1 << 29);
    Post(Form1->RichEdit1->Handle(), WM_SYSKEYDOWN, VK_F4, altDown);
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    for (int i = 0; i < 20 && !asked; ++i) {
        Sleep(20);
        Process();
    }
    timer->SetEnabled(false);
    Form1->FreeComponent(timer);
    EXPECT_TRUE(asked) << "Alt+F4 did not ask to leave";
    EXPECT_TRUE(Form1->Visible());
    EXPECT_NE(Form3->Tag(), 111);
    Key(VK_DOWN);
    EXPECT_EQ(Form1->SkLabel1->Top(), -42) << "the arrow keys stopped working";
}

// A "ProgramFilesDir" of another value type cannot be read as a folder: it counts as empty,
// like a missing one, and the screen is still set up.
TEST_F(WizardTest, ProgramFilesDirOfAnotherTypeCountsAsEmpty) {
    constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersion, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_32KEY, &key),
              ERROR_SUCCESS);
    char saved[MAX_PATH] = {};
    DWORD savedType = 0, savedSize = sizeof saved - 1;
    ASSERT_EQ(RegQueryValueExA(key, "ProgramFilesDir", nullptr, &savedType,
                               reinterpret_cast<BYTE*>(saved), &savedSize),
              ERROR_SUCCESS);
    const std::string savedCaption = Form5->Label1->Caption();
    DWORD number = 7;
    ASSERT_EQ(RegSetValueExA(key, "ProgramFilesDir", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&number), sizeof number),
              ERROR_SUCCESS);
    std::string failure;
    try {
        Form5->FormCreate();
    } catch (const std::exception& error) {
        failure = error.what();
    }
    RegSetValueExA(key, "ProgramFilesDir", 0, savedType, reinterpret_cast<const BYTE*>(saved),
                   savedSize);
    RegCloseKey(key);
    const std::string caption = Form5->Label1->Caption();
    const std::string freeLine = Form5->LocateLabel1->Lines()[6];
    const bool nextEnabled = Form5->SkBmpButton2->Enabled();
    Form5->Label1->SetCaption(savedCaption);
    Form5->SkBmpButton2->SetEnabled(true);
    Form5->ShowSpace();
    EXPECT_EQ(failure, "");
    EXPECT_EQ(caption, "\\Morvath Trilogy");
    EXPECT_EQ(freeLine, "Свободно на диске \\:\t\t0 Гб");
    EXPECT_FALSE(nextEnabled);
}

// ---- Folder browser and new-folder prompt -----------------------------------------------

// Opens a modal screen with `open` and, once it shows, runs `inside` from a timer of its
// message loop. Should `inside` leave it open, the screen is closed, so that a failing test
// cannot hang the run.
void WhileModal(TForm& modal, const std::function<void()>& open,
                const std::function<void()>& inside) {
    auto* timer = Form1->Make<TTimer>();
    timer->SetInterval(50);
    bool ran = false;
    timer->OnTimer = [&](TObject*) {
        if (!modal.Visible()) return;
        timer->SetEnabled(false);
        ran = true;
        inside();
        if (modal.Modal() && modal.ModalResult() == mrNone) {
            ADD_FAILURE() << "the screen was still open";
            modal.Close();
        }
    };
    open();
    Form1->FreeComponent(timer);
    EXPECT_TRUE(ran) << "the screen never showed";
}

void OpenBrowser() {
    Click(*Form5->SkBmpButton1);
}

void OpenPrompt() {
    Click(*Form6->SkBmpButton3);
}

// The prompt's name, typed as a user types it: backspaces, then the text.
void RetypeName(const std::string& text) {
    for (size_t i = Form7->TypedName().size(); i > 0; --i) Post(Form7->Handle(), WM_CHAR, 8);
    Type(*Form7, text);
}

void SelectNoFolder() {
    SendMessageA(Form6->SkShellTree1->Handle(), TVM_SELECTITEM, TVGN_CARET, 0);
}

class BrowserTest : public WizardTest {
  protected:
    void SetUp() override {
        WizardTest::SetUp();
        scratch_ = Format("C:\\mvt_browser_test_%lu", GetCurrentProcessId());
        ASSERT_TRUE(ForceDirectories(scratch_ + "\\Spiele"));
        savedFolder_ = Form5->Label1->Caption();
        savedName_ = Form7->TypedName();
        Form1->Hide();
        Form5->Show();
        Process();
    }
    void TearDown() override {
        DeleteFileA((ProgramFolder() + "MVTSetup.ini").c_str());
        Form5->Label1->SetCaption(savedFolder_);
        Form5->SkBmpButton2->SetEnabled(true);
        Form5->ShowSpace();
        RetypeName(savedName_);
        RemoveFolder(scratch_);
        Form5->Hide();
        WizardTest::TearDown();
    }
    static void RemoveFolder(const std::string& folder) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name != "." && name != "..") RemoveFolder(folder + "\\" + name);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(folder.c_str());
    }
    static void SetRequiredSize(const char* bytes) {
        TIniFile(ProgramFolder() + "MVTSetup.ini").WriteString("Setup", "FullSize", bytes);
    }

    std::string scratch_, savedFolder_, savedName_;
};

TEST_F(BrowserTest, StartsOnTheDriveOfTheInstallDirectoryInItsShape) {
    EXPECT_EQ(Form6->SkDriveComboBox1->Text().substr(0, 2), savedFolder_.substr(0, 2));
    EXPECT_EQ(Form6->SkShellTree1->NodeText(Form6->SkShellTree1->RootNode()),
              savedFolder_.substr(0, 3));
    EXPECT_EQ(Form6->SkDriveComboBox1->ItemData(0), DRIVE_FIXED);
    UniqueRegion shape(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(Form6->Handle(), shape.get()), ERROR);
    EXPECT_TRUE(PtInRegion(shape.get(), 161, 5)) << "top of the arch";
    EXPECT_TRUE(PtInRegion(shape.get(), 4, 250)) << "left edge of the middle";
    EXPECT_TRUE(PtInRegion(shape.get(), 161, 520)) << "bottom of the lower arch";
    EXPECT_FALSE(PtInRegion(shape.get(), 5, 5));
    EXPECT_FALSE(PtInRegion(shape.get(), 318, 518));
    EXPECT_EQ(Form6->SkShellTree1->Color(), clBlack);
    EXPECT_EQ(Form6->SkShellTree1->Font().Color(), clSilver);
    // The base folder the form stores: 52 bytes, kind 0, a list of 47 bytes naming C:\.
    auto stored =
        mvt::shell::DecodeLocator(TForm6::kStoredBaseFolder, sizeof TForm6::kStoredBaseFolder);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->length, 52u);
    EXPECT_EQ(stored->locator.list.Size(), 47u);
    EXPECT_EQ(mvt::shell::PathOf(stored->locator.list), "C:\\");
}

// Without a program files folder the install directory has no drive letter: the browser
// still starts, on the first drive of its list, without an error.
TEST_F(BrowserTest, StartsOnTheFirstDriveWhenTheInstallDirectoryHasNoLetter) {
    std::vector<std::string> errors;
    Application().OnException = [&](const std::exception& error) {
        errors.push_back(error.what());
    };
    Form6->SkDriveComboBox1->SetDrive('\0');
    Form5->Label1->SetCaption("\\Morvath Trilogy");
    Form6->FormCreate();
    Application().OnException = nullptr;
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Form6->SkDriveComboBox1->ItemIndex(), 0);
    const std::string first = Form6->SkDriveComboBox1->Item(0);
    EXPECT_EQ(Form6->SkShellTree1->NodeText(Form6->SkShellTree1->RootNode()),
              first.substr(0, 2) + "\\");
    Form5->Label1->SetCaption(savedFolder_);
    Form6->FormCreate();
    EXPECT_EQ(Form6->SkDriveComboBox1->Text().substr(0, 2), savedFolder_.substr(0, 2));
}

TEST_F(BrowserTest, BrowseThenSelectTakesTheFolderAndMeasuresItsDrive) {
    SetRequiredSize("1048576");
    Form5->SkBmpButton2->SetEnabled(false);
    const std::string folder = scratch_ + "\\Spiele";
    WhileModal(*Form6, OpenBrowser, [&] {
        EXPECT_TRUE(Form6->SkShellTree1->Focused()) << "the keys go to the tree";
        Form6->SkShellTree1->SetSelectedPathName(folder);
        Click(*Form6->SkBmpButton1);
    });
    EXPECT_FALSE(Form6->Visible());
    EXPECT_EQ(Form5->Label1->Caption(), folder) << "the folder itself, no product folder";
    EXPECT_EQ(Form5->LocateLabel1->Lines()[5], "Требуется для установки:\t0 Гб");
    EXPECT_EQ(Form5->LocateLabel1->Lines()[6].rfind("Свободно на диске C:\t\t", 0), 0u);
    EXPECT_TRUE(Form5->SkBmpButton2->Enabled()) << "enough space enables Next again";

    // More than any disk holds: the same select disables Next.
    SetRequiredSize("1E18");
    WhileModal(*Form6, OpenBrowser, [&] { Click(*Form6->SkBmpButton1); });
    EXPECT_FALSE(Form5->SkBmpButton2->Enabled());
    EXPECT_EQ(Form5->Label1->Caption(), folder) << "the browser kept its selection";

    // A drive's root keeps its backslash.
    WhileModal(*Form6, OpenBrowser, [&] {
        Form6->SkShellTree1->SetSelectedPathName("C:\\");
        Click(*Form6->SkBmpButton1);
    });
    EXPECT_EQ(Form5->Label1->Caption(), "C:\\");
}

TEST_F(BrowserTest, CloseAndSelectWithoutAFolderChangeNothing) {
    SetRequiredSize("1048576");
    const std::string lines = Form5->LocateLabel1->Lines().Text();
    Form5->SkBmpButton2->SetEnabled(false);
    WhileModal(*Form6, OpenBrowser, [&] {
        Form6->SkShellTree1->SetSelectedPathName(scratch_);
        Click(*Form6->SkBmpButton2);
    });
    EXPECT_FALSE(Form6->Visible());
    EXPECT_EQ(Form5->Label1->Caption(), savedFolder_);
    EXPECT_EQ(Form5->LocateLabel1->Lines().Text(), lines);
    EXPECT_FALSE(Form5->SkBmpButton2->Enabled());

    WhileModal(*Form6, OpenBrowser, [&] {
        SelectNoFolder();
        Click(*Form6->SkBmpButton1);
        EXPECT_TRUE(Form6->Visible()) << "a select without a folder is ignored";
        Click(*Form6->SkBmpButton2);
    });
    EXPECT_EQ(Form5->Label1->Caption(), savedFolder_);
    EXPECT_EQ(Form5->LocateLabel1->Lines().Text(), lines);
}

TEST_F(BrowserTest, AltF4ClosesItWhereverTheFocusIs) {
    // The key as the system delivers it to the focused control: Alt held (bit 29).
    const LPARAM altF4 = 1 | (MapVirtualKeyA(VK_F4, MAPVK_VK_TO_VSC) << 16) | (1 << 29);
    const std::vector<std::pair<const char*, TWinControl*>> targets = {
        {"drive list", Form6->SkDriveComboBox1},
        {"folder tree", Form6->SkShellTree1},
        {"select button", Form6->SkBmpButton1}};
    for (const auto& [name, control] : targets) {
        SCOPED_TRACE(name);
        WhileModal(*Form6, OpenBrowser, [&] {
            control->SetFocus();
            Post(control->Handle(), WM_SYSKEYDOWN, VK_F4, altF4);
            Process();
        });
        EXPECT_FALSE(Form6->Visible()) << name;
        EXPECT_EQ(Form5->Label1->Caption(), savedFolder_) << name;
    }
}

TEST_F(BrowserTest, AnotherDriveReRootsTheTree) {
    mvt::shell::TSkDriveComboBox& drives = *Form6->SkDriveComboBox1;
    int other = -1;
    for (int i = 0; i < drives.Count(); ++i)
        if (drives.Item(i)[0] != 'C') other = i;
    if (other < 0) GTEST_SKIP() << "only one fixed drive here";
    const char letter = drives.Item(other)[0];
    drives.SetItemIndex(other);
    Post(Form6->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
         reinterpret_cast<LPARAM>(drives.Handle()));
    EXPECT_EQ(Form6->SkShellTree1->NodeText(Form6->SkShellTree1->RootNode()),
              std::string(1, letter) + ":\\");
    drives.SetDrive('C');
    EXPECT_EQ(Form6->SkShellTree1->NodeText(Form6->SkShellTree1->RootNode()), "C:\\");
}

// The browser and the prompt without a mouse: the keys reach every control, the prompt
// types a blank with Space, Enter confirms and takes the folder, Escape leaves unchanged.
TEST_F(BrowserTest, KeysWorkTheBrowserAndThePrompt) {
    const std::string parent = scratch_ + "\\Spiele";
    const std::string made = parent + "\\Neu Ordner";
    Form5->SkBmpButton1->SetFocus();
    WhileModal(
        *Form6, [] { PressKey(VK_SPACE); },
        [&] {
            ASSERT_TRUE(Form6->SkShellTree1->Focused());
            Form6->SkShellTree1->SetSelectedPathName(parent);
            for (TWinControl* next : {static_cast<TWinControl*>(Form6->SkDriveComboBox1),
                                      static_cast<TWinControl*>(Form6->SkBmpButton1),
                                      static_cast<TWinControl*>(Form6->SkBmpButton2),
                                      static_cast<TWinControl*>(Form6->SkBmpButton3),
                                      static_cast<TWinControl*>(Form6->SkShellTree1)}) {
                PressKey(VK_TAB);
                EXPECT_TRUE(next->Focused()) << next->AccessibleName();
            }
            EXPECT_TRUE(MarkAt(*Form6, 43, 200)) << "the tree's mark lies just outside it";
            PressKey(VK_TAB, true);
            ASSERT_TRUE(Form6->SkBmpButton3->Focused());
            WhileModal(
                *Form7, [] { PressKey(VK_RETURN); },
                [&] {
                    RetypeName("Neu");
                    PressKey(VK_SPACE);
                    Type(*Form7, "Ordner");
                    EXPECT_EQ(Form7->TypedName(), "Neu Ordner") << "Space typed no blank";
                    PressKey(VK_RETURN);
                });
            Process();
            EXPECT_TRUE(DirectoryExists(made));
            ASSERT_TRUE(Form6->SkShellTree1->Focused());
            PressKey(VK_RETURN);
        });
    EXPECT_EQ(Form5->Label1->Caption(), made) << "Enter in the tree takes the folder";

    Form5->SkBmpButton1->SetFocus();
    WhileModal(
        *Form6, [] { PressKey(VK_SPACE); },
        [&] {
            Form6->SkShellTree1->SetSelectedPathName(parent);
            WhileModal(
                *Form7, [] { Click(*Form6->SkBmpButton3); }, [] { PressKey(VK_ESCAPE); });
            EXPECT_TRUE(Form6->Visible());
            PressKey(VK_ESCAPE);
        });
    EXPECT_FALSE(Form6->Visible());
    EXPECT_EQ(Form5->Label1->Caption(), made) << "Escape took nothing";
    EXPECT_EQ(Form7->TypedName(), "Neu Ordner");
}

TEST(NewFolderName, AllowedCharactersAndTheFolderMade) {
    std::string allowed;
    for (int code = 1; code < 256; ++code)
        if (AllowedInFolderName(static_cast<char>(code))) allowed += static_cast<char>(code);
    std::string expected = " +-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz";
    for (int code = 192; code < 256; ++code) expected += static_cast<char>(code);
    EXPECT_EQ(allowed, expected);

    EXPECT_EQ(NewFolderPath("C:\\Games", "Новая папка"), "C:\\Games\\Новая папка");
    EXPECT_EQ(NewFolderPath("C:\\", "x"), "C:\\x") << "one separator after a drive root";
    EXPECT_EQ(NewFolderPath("C:\\Games", " two  "), "C:\\Games\\ two");
    EXPECT_EQ(NewFolderPath("", "x"), "") << "no folder selected";
    EXPECT_EQ(NewFolderPath("C:\\Games", "   "), "");
    EXPECT_EQ(NewFolderPath("C:\\Games", ""), "");
    for (const char* device : {"CON", "nul", "Aux", "PRN", "COM1", "lpt9"})
        EXPECT_EQ(NewFolderPath("C:\\Games", device), "") << device;
    EXPECT_EQ(NewFolderPath("C:\\Games", "COM10"), "C:\\Games\\COM10");
    EXPECT_EQ(NewFolderPath("C:\\Games", "CONSOLE"), "C:\\Games\\CONSOLE");
}

TEST_F(BrowserTest, PromptTakesAllowedKeysUpToItsWidthAndBackspace) {
    RetypeName("");
    EXPECT_EQ(Form7->TypedName(), "");
    EXPECT_EQ(Form7->Label1->Caption(), "_");
    Post(Form7->Handle(), WM_CHAR, 8);  // nothing to remove
    EXPECT_EQ(Form7->TypedName(), "");
    Type(*Form7, "Мои игры.ё 2+1-x_Y");
    Post(Form7->Handle(), WM_CHAR, VK_RETURN);
    Post(Form7->Handle(), WM_CHAR, VK_ESCAPE);
    EXPECT_EQ(Form7->TypedName(), "Мои игры 2+1-x_Y") << "\".\" and \"ё\" are refused";
    EXPECT_EQ(Form7->Label1->Caption(), "Мои игры 2+1-x_Y_");
    // Whatever control has the focus, the form sees the key first.
    Post(Form7->SkBmpButton1->Handle(), WM_CHAR, static_cast<unsigned char>('Z'));
    EXPECT_EQ(Form7->TypedName(), "Мои игры 2+1-x_YZ");

    RetypeName("");
    for (int i = 0; i < 200; ++i) Type(*Form7, "Ш");
    const std::string full = Form7->TypedName();
    ASSERT_FALSE(full.empty());
    ASSERT_LT(full.size(), 200u) << "no width limit";
    EXPECT_GE(Form7->TypedNameWidth(), TForm7::kMaxNameWidth);
    RetypeName(full.substr(0, full.size() - 1));
    EXPECT_LT(Form7->TypedNameWidth(), TForm7::kMaxNameWidth)
        << "the last character taken was refused too early";
    Type(*Form7, "Ш");
    EXPECT_EQ(Form7->TypedName(), full);
    Post(Form7->Handle(), WM_CHAR, 8);
    EXPECT_EQ(Form7->TypedName(), full.substr(0, full.size() - 1)) << "backspace at the limit";
}

TEST_F(BrowserTest, ConfirmMakesTheFolderSelectsItAndTheNameStays) {
    const std::string parent = scratch_ + "\\Spiele";
    const std::string made = parent + "\\Мои игры 2";
    WhileModal(*Form6, OpenBrowser, [&] {
        Form6->SkShellTree1->SetSelectedPathName(parent);
        WhileModal(*Form7, OpenPrompt, [&] {
            RetypeName("Мои игры 2");
            Click(*Form7->SkBmpButton2);
        });
        Process();
        EXPECT_TRUE(DirectoryExists(made));
        EXPECT_EQ(Form6->SkShellTree1->SelectedPathName(), made);
        EXPECT_TRUE(Form6->SkShellTree1->Focused()) << "the focus goes back to the tree";
        // Reopened, the prompt shows the last name; cancel makes nothing.
        WhileModal(*Form7, OpenPrompt, [&] {
            EXPECT_EQ(Form7->Label1->Caption(), "Мои игры 2_");
            RetypeName("Noch einer");
            Click(*Form7->SkBmpButton1);
        });
        EXPECT_FALSE(DirectoryExists(made + "\\Noch einer"));
        EXPECT_EQ(Form7->TypedName(), "Noch einer") << "cancel keeps the typed name";
        Click(*Form6->SkBmpButton1);
    });
    EXPECT_EQ(Form5->Label1->Caption(), made);
}

// A blank name makes no folder, but the confirm still refreshes the tree: a folder made
// meanwhile by another program shows at once.
TEST_F(BrowserTest, ConfirmWithABlankNameMakesNothingButRefreshesTheTree) {
    mvt::shell::TSkShellTree& tree = *Form6->SkShellTree1;
    const std::string parent = scratch_ + "\\Spiele";
    WhileModal(*Form6, OpenBrowser, [&] {
        tree.SetSelectedPathName(parent);
        ASSERT_EQ(tree.SelectedPathName(), parent);
        HTREEITEM scratchNode = reinterpret_cast<HTREEITEM>(
            SendMessageA(tree.Handle(), TVM_GETNEXTITEM, TVGN_PARENT,
                         reinterpret_cast<LPARAM>(tree.SelectedNode())));
        auto captions = [&] {
            std::set<std::string> names;
            for (HTREEITEM child : tree.ChildNodes(scratchNode)) names.insert(tree.NodeText(child));
            return names;
        };
        ASSERT_EQ(captions(), (std::set<std::string>{"Spiele"}));
        ASSERT_TRUE(ForceDirectories(scratch_ + "\\Neu"));
        WhileModal(*Form7, OpenPrompt, [&] {
            RetypeName("  ");
            Click(*Form7->SkBmpButton2);
        });
        EXPECT_EQ(captions(), (std::set<std::string>{"Neu", "Spiele"}));
        EXPECT_EQ(tree.SelectedPathName(), parent);
        Click(*Form6->SkBmpButton2);
    });
}

TEST_F(BrowserTest, ConfirmWithoutASelectedFolderMakesNothing) {
    const std::string name = Format("mvt nothing %lu", GetCurrentProcessId());
    WhileModal(*Form6, OpenBrowser, [&] {
        SelectNoFolder();
        WhileModal(*Form7, OpenPrompt, [&] {
            RetypeName(name);
            Click(*Form7->SkBmpButton2);
        });
        Click(*Form6->SkBmpButton2);
    });
    EXPECT_FALSE(DirectoryExists("C:\\" + name));
    EXPECT_FALSE(DirectoryExists("\\" + name)) << "not at the root of the current drive";
    EXPECT_FALSE(DirectoryExists(ExtractFilePath(ProgramFolder()).substr(0, 3) + name));
}

// The finish screen as a complete installation shows it, as the screens are made.
void ShowSuccessOnTheFinishScreen() {
    Form11->Image1->Picture().LoadFromResource("BG_FINISH");
    Form11->Label1->SetCaption("");
    Form11->Label1->SetVisible(false);
}

// ---- The look without the keyboard ------------------------------------------------------

// Digests of every window as a mouse user sees it, taken before the keyboard's focus mark
// existed: the windows must look exactly the same. MVT_LOOK_DIR names a folder that gets a
// BMP of every window; a window that differs is written beside the test program.
const testsupport::LookDigests kLooksBefore = {
    {"welcome", "7544e774eea14de290d4749a0339c39783d254f69a84633821094ec9d0161d21"},
    {"notice", "92409cfbeed7ac246e8b041a73ce86fc286ad73c590bec526fecd63f6b43f375"},
    {"confirmation", "bf5ccf8bdcc0d258b26b001a63bdb057e1fc848e4eb60fdbdf14d43ed7edc739"},
    {"destination", "dccbe52e98fd1cf1a7d1a9007556155e07151af3b87354d9686fb8ca17908e73"},
    {"browser", "64362bd0f42a168acc6341a49eb4e9833b119906ac89b86b6edb77cfcdba674b"},
    {"prompt", "873e3777c1ff963646916ddf4f1385423eb30e4e076abb6fc3c171390242a326"},
    {"options", "da5dd2ca6a5620e2ce5ce5b06d31a46475b0f143433826bac691a32d37d3d1b8"},
    {"ready", "6c72e26354f94695405b35f534f6219540314c4a8a8b86068dadf9737c425c3f"},
    {"progress", "9b4ca0464c479f5a3721e47172cd7bdfc303eade54ef10c4092e6dae95c5776f"},
    {"question", "e8cd4e67082ac57cb917fb9e46603305890f38103a9dc60846ef0b8bb20387b6"},
    {"finish", "98a3125605de8aedfa859e2831cef6661c6ea8d15edbd4ff6b9aef0cc4d0781d"},
    {"finish-errors", "3c21b09c97c76d4da6bbdda21bd9c25bce322b3792921e135859ffd21cb777e8"},
};

void ExpectLookAsBefore(TForm& form, const std::string& name,
                        const std::vector<RECT>& blanks = {}) {
    Process();
    testsupport::ExpectLookAsBefore(form.Handle(), name, kLooksBefore, ProgramFolder(), blanks);
}

// A window shown after mouse clicks only, in a state that is the same on every machine
// (the destination's free space and the browser's folder tree are not).
TEST_F(BrowserTest, EveryWindowLooksAsBeforeWithoutTheKeyboard) {
    Form5->Hide();
    Form1->Show();
    ExpectLookAsBefore(*Form1, "welcome");
    WhileModal(
        *Form4, [] { Click(*Form1->SkBmpButton1); },
        [] {
            ExpectLookAsBefore(*Form4, "notice");
            Click(*Form4->SkBmpButton1);
        });
    WhileModal(
        *Form3, [] { Post(Form1->Handle(), WM_CLOSE); },
        [] {
            ExpectLookAsBefore(*Form3, "confirmation");
            Click(*Form3->SkBmpButton2);
        });

    Click(*Form1->SkBmpButton2);
    ASSERT_TRUE(Form5->Visible());
    const std::string lines = Form5->LocateLabel1->Lines().Text();
    Form5->Label1->SetCaption("C:\\Program Files (x86)\\Morvath Trilogy");
    Form5->LocateLabel1->SetLine(TForm5::kRequiredLine, "Требуется для установки:\t2,5 Гб");
    Form5->LocateLabel1->SetLine(TForm5::kFreeLine, "Свободно на диске C:\t\t25,75 Гб");
    Form5->SkBmpButton2->SetEnabled(true);
    ExpectLookAsBefore(*Form5, "destination");
    Form5->Label1->SetCaption(savedFolder_);
    WhileModal(*Form6, OpenBrowser, [&] {
        ExpectLookAsBefore(*Form6, "browser", {Form6->SkShellTree1->BoundsRect()});
        WhileModal(*Form7, OpenPrompt, [] {
            RetypeName("Morvath Trilogy");
            ExpectLookAsBefore(*Form7, "prompt");
            Click(*Form7->SkBmpButton1);
        });
        Click(*Form6->SkBmpButton2);
    });

    Click(*Form5->SkBmpButton2);
    ASSERT_TRUE(Form8->Visible());
    Form8->Edit1->SetText("Morvath Trilogy");
    SendMessageA(Form8->Edit1->Handle(), EM_SETSEL, 0, 0);
    HideCaret(Form8->Edit1->Handle());
    ExpectLookAsBefore(*Form8, "options");
    ShowCaret(Form8->Edit1->Handle());
    Click(*Form8->SkBmpButton2);
    ASSERT_TRUE(Form9->Visible());
    ExpectLookAsBefore(*Form9, "ready");
    Form9->Hide();

    Form10->Show();
    Form10->SkAnimator1->SetAnimate(false);
    ExpectLookAsBefore(*Form10, "progress");
    install::ArchiveOutcome full;
    full.archive = "Data.zip";
    full.destination = "C:\\Games\\Morvath Trilogy\\Data";
    full.problem = install::WriteProblem::DiskFull;
    full.blocked = "area01.bif";
    full.freeBytes = 1048576;
    WhileModal(
        *Form10->WriteProblemDialog1,
        [&] { Form10->WriteProblemDialog1->Ask(install::WriteProblemText(full, ',')); },
        [] {
            ExpectLookAsBefore(*Form10->WriteProblemDialog1, "question");
            Click(*Form10->WriteProblemDialog1->SkBmpButton2);
        });
    Form10->Hide();
    Form11->Show();
    ExpectLookAsBefore(*Form11, "finish");
    Form11->ShowErrors(
        "Не установлено файлов: 3.\rНажмите кнопку «ВЫХОД» для закрытия "
        "программы установки.");
    ExpectLookAsBefore(*Form11, "finish-errors");
    ShowSuccessOnTheFinishScreen();
    Form11->Hide();
    Form5->Show();
    Form5->LocateLabel1->SetLinesText(lines);
}

// ---- Finish screen ------------------------------------------------------------------------

TEST_F(WizardTest, FinishScreenAfterAnIncompleteInstallationSaysWhatIsMissing) {
    EXPECT_FALSE(Form11->Label1->Visible()) << "a complete installation's screen has no label";
    TBitmap success;
    success.Assign(Form11->Image1->Picture());
    install::InstallationOutcome outcome;
    install::ArchiveOutcome archive;
    archive.directoryRead = true;
    archive.missing.resize(3);
    outcome.archives.push_back(archive);
    Form11->ShowErrors(install::FinishErrorsText(outcome));

    EXPECT_TRUE(Form11->Label1->Visible());
    EXPECT_EQ(Form11->Label1->Caption(),
              "Не установлено файлов: 3.\rНажмите кнопку «ВЫХОД» для закрытия программы "
              "установки.");
    // The headline in the artwork is another one: its row differs from the success's.
    TBitmap& errors = Form11->Image1->Picture();
    ASSERT_EQ(errors.Width(), success.Width());
    bool differs = false;
    for (int x = 60; x < 420 && !differs; x += 2)
        differs = errors.Pixel(x, 50) != success.Pixel(x, 50);
    EXPECT_TRUE(differs);
    ShowSuccessOnTheFinishScreen();
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new WizardEnvironment);  // gtest owns it
    return RUN_ALL_TESTS();
}
