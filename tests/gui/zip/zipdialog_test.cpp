// TZipDialogBox in real windows: buttons found by enumerating the dialog's child windows,
// clicked with BM_CLICK or keys, and the result read back; the component's boxes and its
// password dialog driven the same way.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "ziptest.h"
#include "zip/zipunpacker.h"

namespace mvt::zip {
namespace {

constexpr char kTitle[] = "Установка Morvath";

struct ChildButton {
    HWND window;
    std::string name;     // the control's name, when known
    std::string caption;  // the window's text
    LONG style;
};

std::string WindowText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

BOOL CALLBACK CollectButton(HWND child, LPARAM list) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Button") == 0)
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
    return TRUE;
}

// The dialog's child windows of class BUTTON, in creation order, named from `box` when
// it is given.
std::vector<ChildButton> Buttons(HWND dialog, TZipDialogBox* box = nullptr) {
    std::vector<HWND> windows;
    EnumChildWindows(dialog, &CollectButton, reinterpret_cast<LPARAM>(&windows));
    std::vector<ChildButton> buttons;
    for (HWND window : windows) {
        ChildButton button{window, {}, WindowText(window), GetWindowLongA(window, GWL_STYLE)};
        if (box)
            for (TControl* control : box->Controls())
                if (auto* win = dynamic_cast<TWinControl*>(control);
                    win && win->HandleAllocated() && win->Handle() == window)
                    button.name = control->Name();
        buttons.push_back(button);
    }
    return buttons;
}

// Runs `action` once the modal loop is running (from a thread timer of this thread).
class WhenShown {
  public:
    explicit WhenShown(std::function<void()> action) {
        Pending() = std::move(action);
        timer_ = SetTimer(nullptr, 0, 100, &WhenShown::Fire);
    }
    ~WhenShown() {
        KillTimer(nullptr, timer_);
        Pending() = nullptr;
    }

  private:
    static std::function<void()>& Pending() {
        static std::function<void()> pending;
        return pending;
    }
    static void CALLBACK Fire(HWND, UINT, UINT_PTR timer, DWORD) {
        KillTimer(nullptr, timer);
        if (auto action = std::move(Pending())) action();
    }
    UINT_PTR timer_;
};

// The visible top-level window with the title (the application's own hidden window
// carries it too).
HWND FindDialog(const char* title = kTitle) {
    for (HWND window = FindWindowExA(nullptr, nullptr, nullptr, title); window;
         window = FindWindowExA(nullptr, window, nullptr, title))
        if (IsWindowVisible(window)) return window;
    return nullptr;
}

class ZipDialog : public ::testing::Test {
  protected:
    void SetUp() override { Application().SetTitle(kTitle); }
};

TEST_F(ZipDialog, ButtonsNamedCaptionedAndOrdered) {
    const TZipDlgButtons set = ButtonBit(TZipDlgButton::zmbYesToAll) |
                               ButtonBit(TZipDlgButton::zmbCancel) |
                               ButtonBit(TZipDlgButton::zmbYes) | ButtonBit(TZipDlgButton::zmbNo);
    TZipDialogBox box(nullptr, {kTitle, "Overwrite?", TZipDialogKind::Confirmation, set});
    std::vector<ChildButton> seen;
    WhenShown click([&] {
        seen = Buttons(box.Handle(), &box);
        for (const auto& button : seen)
            if (button.name == "zudlg2") SendMessageA(button.window, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(box.Execute(), zmrNo);
    ASSERT_EQ(seen.size(), 4u);
    const std::vector<std::string> names = {"zudlg1", "zudlg2", "zudlg3", "zudlg4"};
    const std::vector<std::string> captions = {"&Yes", "&No", "&Cancel", "YesToAll"};
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i].name, names[i]);
        EXPECT_EQ(seen[i].caption, captions[i]);
    }
    // Yes is the default when there is no OK.
    EXPECT_EQ(seen[0].style & 0x0F, BS_DEFPUSHBUTTON);
    EXPECT_EQ(seen[1].style & 0x0F, BS_PUSHBUTTON);
    EXPECT_EQ(WindowText(box.Handle()), kTitle);
}

TEST_F(ZipDialog, EnterAndEscapeUseDefaultAndCancelButtons) {
    const TZipDlgButtons set = ButtonBit(TZipDlgButton::zmbRetry) |
                               ButtonBit(TZipDlgButton::zmbNo) |
                               ButtonBit(TZipDlgButton::zmbIgnore);
    for (const auto& [key, expected] : {std::pair{VK_RETURN, zmrRetry}, {VK_ESCAPE, zmrNo}}) {
        TZipDialogBox box(nullptr, {kTitle, "Disk?", TZipDialogKind::Information, set});
        WhenShown press([&] {
            const HWND button = Buttons(box.Handle()).at(2).window;  // Ignore
            PostMessageA(button, WM_KEYDOWN, key, 0);
        });
        EXPECT_EQ(box.Execute(), expected);
    }
}

TEST_F(ZipDialog, PasswordBoxReturnsTheTypedText) {
    std::string password = "stale";
    WhenShown type([] {
        const HWND dialog = FindDialog();
        const HWND edit = FindWindowExA(dialog, nullptr, "Edit", nullptr);
        for (char c : std::string("pw1")) SendMessageA(edit, WM_CHAR, c, 0);
        for (const auto& button : Buttons(dialog))
            if (button.caption == "&OK") SendMessageA(button.window, BM_CLICK, 0, 0);
    });
    const int result =
        ShowZipDialog({kTitle, "Enter Password ", TZipDialogKind::Password,
                       ButtonBit(TZipDlgButton::zmbOK) | ButtonBit(TZipDlgButton::zmbCancel)},
                      &password);
    EXPECT_EQ(result, zmrOk);
    EXPECT_EQ(password, "pw1");
}

TEST_F(ZipDialog, ComponentShowsItsErrorBox) {
    TZipUnpacker zip(nullptr);
    std::vector<std::string> texts;
    zip.OnMessage = [&](TObject*, int, const std::string& text) { texts.push_back(text); };
    zip.SetZipFileName(MVT_ZIP_GUI_MISSING_ARCHIVE);
    std::vector<ChildButton> seen;
    std::string caption;
    WhenShown click([&] {
        const HWND dialog = FindDialog();
        caption = WindowText(dialog);
        seen = Buttons(dialog);
        if (!seen.empty()) SendMessageA(seen[0].window, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(zip.Extract(), 11002);
    EXPECT_EQ(caption, kTitle);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, "&OK");
    EXPECT_EQ(texts, std::vector<std::string>{"Zip file could not be opened"});
}

TEST_F(ZipDialog, LibraryPasswordRequestOpensThePasswordBox) {
    test::FakeLibrary fake;
    TZipUnpacker zip(nullptr);
    zip.SetDLLDirectory(fake.Folder());
    zip.SetZipFileName(test::Fixture("many.zip"));
    fake.SetScript({{8, 2, 0, 0, 0, "secret/s.txt"}});
    std::string caption;
    std::vector<ChildButton> seen;
    WhenShown type([&] {
        const HWND dialog = FindDialog("Password");
        caption = WindowText(dialog);
        const HWND edit = FindWindowExA(dialog, nullptr, "Edit", nullptr);
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"));
        seen = Buttons(dialog);
        if (!seen.empty()) SendMessageA(seen[0].window, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(caption, "Password");
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].caption, "&OK");
    EXPECT_EQ(seen[1].caption, "&Cancel");
    EXPECT_EQ(seen[2].caption, "CancelAll");
    const auto replies = fake.Replies();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].kindOrReply, -1);
    EXPECT_STREQ(replies[0].replyText, "typed");
    EXPECT_EQ(replies[0].number, 2);
}

TEST_F(ZipDialog, OnZipDialogIsAskedFirst) {
    TZipUnpacker zip(nullptr);
    int asked = 0;
    zip.OnZipDialog = [&](TObject*, const std::string&, std::string&, int& result, TZipDlgButtons) {
        ++asked;
        result = zmrOk;
    };
    EXPECT_EQ(zip.Extract(), 10102);  // no box: the handler answered
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(FindDialog(), nullptr);
}

}  // namespace
}  // namespace mvt::zip
