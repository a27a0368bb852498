#include "install/write_problem_dialog.h"

#include "controls/screen_skin.h"

using namespace mvt;
using mvt::install::WriteProblemAnswer;

namespace {
constexpr int kWidth = 421, kHeight = 200;  // the confirmation's plaque, taller
}  // namespace

TWriteProblemDialog::TWriteProblemDialog(TComponent* owner, TSkWave& click,
                                         install::WizardState& wizard)
    : TForm(owner), click_(click), wizard_(wizard) {
    skin::MakeDialogWindow(*this, kWidth, kHeight, "Не удалось записать файлы");
    Image1 = skin::AddBackground(*this, "BG_PROBLEM");
    Label1 = skin::AddLabel(*this, 26, 16, 369, 124, skin::kGold, "");
    Label1->Font().SetHeight(-18);
    Label1->SetAlignment(TAlignment::taCenter);
    Label1->SetLayout(TTextLayout::tlCenter);
    Label1->SetWordWrap(true);
    SkBmpButton1 = skin::AddButton(*this, 57, 154, 144, 36, "BTN_RETRY");
    SkBmpButton2 = skin::AddButton(*this, 223, 154, 147, 36, "BTN_SKIP");
    SetDefaultControl(SkBmpButton1);
    SetActiveControl(SkBmpButton1);
    SkBmpButton1->OnClick = [this](TObject*) { Answer(WriteProblemAnswer::Retry); };
    SkBmpButton2->OnClick = [this](TObject*) { Answer(WriteProblemAnswer::Skip); };
    OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

WriteProblemAnswer TWriteProblemDialog::Ask(const std::string& text) {
    Label1->SetCaption(text);
    answered_ = false;
    answer_ = WriteProblemAnswer::Skip;
    Handle();  // the window exists before its shape is cut
    skin::CutRoundedCorners(*this);
    ShowModal();
    return answer_;
}

void TWriteProblemDialog::Answer(WriteProblemAnswer answer) {
    click_.Play();
    answer_ = answer;
    answered_ = true;
    Close();
}

void TWriteProblemDialog::FormCloseQuery(bool& canClose) {
    if (answered_) return;
    // A close request is a wish to leave: the cancel confirmation decides. Confirmed, the
    // application terminates and the modal loop ends; declined, the question stays.
    click_.Play();
    wizard_.PassCloseRequest();
    canClose = wizard_.LeaveDecided();
}
