#include "controls/screen_skin.h"

using namespace mvt;

namespace skin {

namespace {

// What every window of the skin does with the keyboard: Escape asks to close it, as its
// close icon does, and the focused control shows a gold mark once keys are used.
void UseKeyboard(TForm& form) {
    form.SetCloseOnEscape(true);
    form.SetFocusMarkColour(kGold);
}

}  // namespace

void MakeWizardWindow(TForm& form, int clientWidth, int clientHeight, bool closeIcon) {
    form.SetBorderStyle(TFormBorderStyle::bsToolWindow);
    form.SetSystemMenu(closeIcon);
    form.SetCaption(kWizardCaption);
    form.SetColor(kFormColour);
    form.SetClientSize(clientWidth, clientHeight);
    UseKeyboard(form);
}

void MakeDialogWindow(TForm& form, int clientWidth, int clientHeight, const std::string& name) {
    form.SetBorderStyle(TFormBorderStyle::bsNone);
    form.SetColor(kFormColour);
    form.SetPosition(TPosition::poScreenCenter);
    form.SetClientSize(clientWidth, clientHeight);
    // Without a title bar the caption is never drawn: it names the dialog for assistive
    // technology and the task list.
    form.SetCaption(name);
    UseKeyboard(form);
}

TImage* AddBackground(TForm& form, const char* name) {
    auto* image = CreateChild<TImage>(&form, &form, 0, 0, form.ClientWidth(), form.ClientHeight());
    if (name) image->Picture().LoadFromResource(name);
    return image;
}

TLabel* AddLabel(TForm& form, int left, int top, int width, int height, TColor colour,
                 const std::string& caption) {
    auto* label = CreateChild<TLabel>(&form, &form, left, top, width, height);
    label->SetAutoSize(false);
    label->SetTransparent(true);
    label->Font().SetName(kTypeface);
    label->Font().SetHeight(kLabelFontHeight);
    label->Font().SetColor(colour);
    label->SetCaption(caption);
    return label;
}

void CutRoundedCorners(TForm& form) {
    form.SetWindowRegion(UniqueRegion(
        CreateRoundRectRgn(0, 0, form.ClientWidth() + 1, form.ClientHeight() + 1, 30, 30)));
}

}  // namespace skin
