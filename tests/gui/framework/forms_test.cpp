// Forms, the application loop and input routing, with real windows.
#include <gtest/gtest.h>

#include "framework/forms.h"
#include "framework/listedits.h"
#include "framework/stdctrls.h"

using namespace mvt;

namespace {

class TFocusBox : public TWinControl {
  public:
    using TWinControl::TWinControl;
    int keys = 0;

  protected:
    bool KeyDown(WORD& key, unsigned shift) override {
        ++keys;
        return TWinControl::KeyDown(key, shift);
    }
};

class FormTest : public ::testing::Test {
  protected:
    TComponent owner{nullptr};
    TForm* form = owner.Make<TForm>();
    void SetUp() override {
        form->SetClientSize(300, 200);
        form->SetPosition(TPosition::poScreenCenter);
        Application().OnException = [this](const std::exception& error) {
            errors.push_back(error.what());
        };
    }
    void TearDown() override { Application().OnException = nullptr; }
    // Posts a message and lets the loop handle it.
    void Deliver(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        PostMessageA(window, message, wParam, lParam);
        Application().ProcessMessages();
    }
    std::vector<std::string> errors;
};

TEST_F(FormTest, ScreenCentredFormHasTheRequestedClientSize) {
    form->Show();
    Application().ProcessMessages();
    RECT client, window;
    GetClientRect(form->Handle(), &client);
    GetWindowRect(form->Handle(), &window);
    EXPECT_EQ(client.right, 300);
    EXPECT_EQ(client.bottom, 200);
    int centreX = (window.left + window.right) / 2, centreY = (window.top + window.bottom) / 2;
    EXPECT_NEAR(centreX, Screen().Width() / 2, 1);
    EXPECT_NEAR(centreY, Screen().Height() / 2, 1);
    EXPECT_EQ(form->Left(), window.left);
}

TEST_F(FormTest, LeftAndTopFollowTheUserMovingTheWindow) {
    form->Show();
    SetWindowPos(form->Handle(), nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Application().ProcessMessages();
    EXPECT_EQ(form->Left(), 37);
    EXPECT_EQ(form->Top(), 41);
}

TEST_F(FormTest, CloseQueryDecidesWhetherAWindowCloses) {
    bool allow = false;
    int asked = 0;
    form->OnCloseQuery = [&](TObject*, bool& canClose) {
        ++asked;
        canClose = allow;
    };
    form->Show();
    Deliver(form->Handle(), WM_CLOSE);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(IsWindowVisible(form->Handle()));
    allow = true;
    Deliver(form->Handle(), WM_CLOSE);
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST_F(FormTest, ModalFormDisablesTheOthersUntilItCloses) {
    TForm* dialog = owner.Make<TForm>();
    dialog->SetBorderStyle(TFormBorderStyle::bsNone);
    dialog->SetClientSize(100, 50);
    form->Show();
    bool ownerEnabledDuringModal = true;
    auto* timer = owner.Make<TTimer>();
    timer->SetInterval(50);
    timer->OnTimer = [&](TObject*) {
        timer->SetEnabled(false);
        ownerEnabledDuringModal = IsWindowEnabled(form->Handle());
        PostMessageA(dialog->Handle(), WM_CLOSE, 0, 0);  // Alt+F4 and the like
    };
    TModalResult result = dialog->ShowModal();
    EXPECT_EQ(result, mrCancel);
    EXPECT_FALSE(ownerEnabledDuringModal);
    EXPECT_TRUE(IsWindowEnabled(form->Handle()));
    EXPECT_FALSE(IsWindowVisible(dialog->Handle()));
    EXPECT_THROW({ form->ShowModal(); }, EInvalidOperation);  // already visible
}

TEST_F(FormTest, ExceptionsFromHandlersReachTheDefaultHandlerAndTheLoopGoesOn) {
    form->OnCloseQuery = [](TObject*, bool&) { throw Exception("Failed to create key X"); };
    form->Show();
    Deliver(form->Handle(), WM_CLOSE);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Failed to create key X");
    EXPECT_TRUE(IsWindowVisible(form->Handle()));  // left as at the failure
}

TEST_F(FormTest, KeyPreviewLetsTheFormSwallowKeysBeforeTheControl) {
    auto* box = CreateChild<TFocusBox>(&owner, form, 10, 10, 50, 20);
    form->Show();
    box->SetFocus();
    std::vector<WORD> previewed;
    form->OnKeyDown = [&](TObject*, WORD& key, unsigned) {
        previewed.push_back(key);
        if (key == VK_UP) key = 0;
    };
    Deliver(box->Handle(), WM_KEYDOWN, VK_DOWN);
    EXPECT_TRUE(previewed.empty()) << "without key preview the form sees nothing first";
    EXPECT_EQ(box->keys, 1);
    form->SetKeyPreview(true);
    Deliver(box->Handle(), WM_KEYDOWN, VK_UP);
    Deliver(box->Handle(), WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(previewed, (std::vector<WORD>{VK_UP, VK_DOWN}));
    EXPECT_EQ(box->keys, 2) << "a swallowed key must not reach the control";
}

TEST_F(FormTest, UnhandledWheelTurnsBubbleUpToTheForm) {
    auto* box = CreateChild<TFocusBox>(&owner, form, 10, 10, 50, 20);
    int delta = 0;
    form->OnMouseWheel = [&](TObject*, unsigned, int d, POINT, bool& handled) {
        delta = d;
        handled = true;
    };
    form->Show();
    Deliver(box->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)));
    EXPECT_EQ(delta, -120);
}

TEST_F(FormTest, TimerTicksWhileMessagesAreProcessedAndStopsWhenDisabled) {
    auto* timer = owner.Make<TTimer>();
    timer->SetInterval(10);
    int ticks = 0;
    timer->OnTimer = [&](TObject*) {
        if (++ticks == 3) timer->SetEnabled(false);
    };
    DWORD start = GetTickCount();
    while (timer->Enabled() && GetTickCount() - start < 5000) Application().HandleMessage();
    EXPECT_EQ(ticks, 3);
    Sleep(50);
    Application().ProcessMessages();
    EXPECT_EQ(ticks, 3);
}

TEST_F(FormTest, RegionShapesTheWindow) {
    form->SetBorderStyle(TFormBorderStyle::bsNone);
    form->SetWindowRegion(UniqueRegion(CreateRoundRectRgn(0, 0, 301, 201, 30, 30)));
    UniqueRegion copy(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(form->Handle(), copy.get()), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(copy.get(), 1, 1)) << "the corner must be cut";
    EXPECT_TRUE(PtInRegion(copy.get(), 150, 100));
}

// A system control used before its form has a window (a list filled in the form's
// constructor) makes the form's window, which makes the control's: exactly one window, and
// painting it ends.
TEST_F(FormTest, AControlUsedBeforeItsFormHasAWindowGetsOneWindow) {
    ASSERT_FALSE(form->HandleAllocated());
    auto* list = CreateChild<TListBox>(form, form, 10, 10, 120, 80);
    list->Add("one");
    list->Add("two");
    ASSERT_TRUE(form->HandleAllocated());
    int windows = 0;
    EnumChildWindows(
        form->Handle(),
        [](HWND, LPARAM count) -> BOOL { return ++*reinterpret_cast<int*>(count), TRUE; },
        reinterpret_cast<LPARAM>(&windows));
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(list->Count(), 2);
    form->Show();
    int paints = 0;
    MSG message;
    while (paints < 100 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_PAINT) ++paints;
        DispatchMessageA(&message);
    }
    EXPECT_LT(paints, 100) << "a window is painted again and again";
}

TEST(ScreenTest, FontListIsReadAgainAfterReset) {
    const auto& fonts = Screen().Fonts();
    EXPECT_FALSE(fonts.empty());
    EXPECT_FALSE(Screen().HasFont("No Such Typeface Here"));
    Screen().ResetFonts();
    EXPECT_FALSE(Screen().Fonts().empty());
}

}  // namespace
