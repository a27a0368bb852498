#include "setup/help_window.h"

#include <algorithm>
#include <vector>

#include "framework/button_edit.h"
#include "framework/forms.h"

namespace mvt::setup {

namespace {

constexpr int kMargin = 10;
constexpr int kButtonWidth = 75, kButtonHeight = 25;
constexpr int kFontHeight = -13;
constexpr int kTextMargin = 4;  // inside the edit box, left and right

// A read-only text of several lines that scrolls up and down and never wraps a line the
// box is wide enough for.
class TTextView final : public TEdit {
  public:
    TTextView(TComponent* owner, HFONT font) : TEdit(owner), font_(font) {}

  protected:
    void CreateParams(TCreateParams& params) override {
        TEdit::CreateParams(params);
        params.style = (params.style & ~ES_AUTOHSCROLL) | ES_MULTILINE | ES_READONLY | WS_VSCROLL;
    }
    void HandleCreated() override {
        TEdit::HandleCreated();
        SendMessageA(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        // Margins of a known width, so that the box can be made wide enough.
        SendMessageA(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN,
                     MAKELPARAM(kTextMargin, kTextMargin));
    }

  private:
    HFONT font_;  // the window's
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

// The text's widest line and the height of all its lines, drawn in font.
SIZE TextSize(const std::string& text, HFONT font) {
    WindowDc dc(nullptr);
    SelectGuard select(dc.get(), font);
    SIZE total{0, 0};
    for (const std::string& line : Lines(text)) {
        SIZE size{};
        GetTextExtentPoint32A(dc.get(), line.empty() ? " " : line.c_str(),
                              std::max<int>(static_cast<int>(line.size()), 1), &size);
        total.cx = std::max(total.cx, size.cx);
        total.cy += size.cy;
    }
    return total;
}

class THelpWindow final : public TForm {
  public:
    THelpWindow(TComponent* owner, const std::string& text)
        : TForm(owner),
          // Fixed width, with Cyrillic letters: the columns are made of characters.
          font_(CreateFontA(kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, RUSSIAN_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            FIXED_PITCH | FF_MODERN, "Courier New")) {
        SetBorderStyle(TFormBorderStyle::bsSingle);
        SetPosition(TPosition::poScreenCenter);
        SetCaption("MVT Setup: ключи командной строки");
        const SIZE textSize = TextSize(text, font_.get());
        const int scrollBar = GetSystemMetrics(SM_CXVSCROLL);
        // The edit's edge, its margins, and a character's room: a line that fills the box to
        // the last pixel is wrapped.
        const int frame = 2 * GetSystemMetrics(SM_CXEDGE) + 2 * kTextMargin + textSize.cx / 64 + 8;
        const int width = std::min<int>(textSize.cx + scrollBar + frame,
                                        GetSystemMetrics(SM_CXSCREEN) - 4 * kMargin);
        const int height =
            std::min<int>(textSize.cy + frame, GetSystemMetrics(SM_CYSCREEN) * 2 / 3);
        view_ = Make<TTextView>(font_.get());
        view_->SetName("HelpText");
        view_->SetText(text);
        view_->SetParent(this);
        view_->SetBounds(kMargin, kMargin, width, height);
        auto* ok = Make<TButton>();
        ok->SetName("HelpOk");
        ok->SetCaption("ОК");
        ok->SetModalResult(mrOk);
        ok->SetDefault(true);
        ok->SetCancel(true);
        ok->SetParent(this);
        const int buttonTop = kMargin + height + kMargin;
        ok->SetBounds(kMargin + (width - kButtonWidth) / 2, buttonTop, kButtonWidth, kButtonHeight);
        SetActiveControl(ok);
        SetClientSize(width + 2 * kMargin, buttonTop + kButtonHeight + kMargin);
    }

  protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_COMMAND && DispatchButtonCommand(*this, wParam, lParam)) return 0;
        return TForm::WndProc(message, wParam, lParam);
    }

  private:
    UniqueFont font_;
    TTextView* view_ = nullptr;
};

}  // namespace

void ShowSwitchesHelp(const std::string& text) {
    THelpWindow window(nullptr, text);
    window.ShowModal();
}

}  // namespace mvt::setup
