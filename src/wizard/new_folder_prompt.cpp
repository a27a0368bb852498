#include "wizard/new_folder_prompt.h"

#include <windows.h>

#include <cctype>

#include "controls/screen_skin.h"
#include "framework/sysutils.h"
#include "wizard/cancel_confirmation.h"
#include "wizard/folder_browser.h"
#include "wizard/screen_sequence.h"

using namespace mvt;

TForm7* Form7 = nullptr;

namespace {

constexpr char kBackspace = 8;
constexpr char kCaret[] = "_";
constexpr int kMeasurePoints = 14;

bool IsDeviceName(const std::string& name) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const char* device : {"CON", "PRN", "AUX", "NUL"})
        if (upper == device) return true;
    return upper.size() == 4 && (upper.rfind("COM", 0) == 0 || upper.rfind("LPT", 0) == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

}  // namespace

bool AllowedInFolderName(char c) {
    const unsigned char code = static_cast<unsigned char>(c);
    return code == 32 || code == 43 || code == 45 || (code >= 48 && code <= 57) ||
           (code >= 65 && code <= 90) || code == 95 || (code >= 97 && code <= 122) || code >= 192;
}

std::string NewFolderPath(const std::string& parent, const std::string& name) {
    // Windows drops trailing blanks from a folder name; leading ones are part of it.
    std::string folderName = name;
    while (!folderName.empty() && folderName.back() == ' ') folderName.pop_back();
    if (parent.empty() || folderName.empty() || IsDeviceName(folderName)) return {};
    return ExcludeTrailingBackslash(parent) + "\\" + folderName;
}

TForm7::TForm7(TComponent* owner) : TForm(owner), measureDc_(CreateCompatibleDC(nullptr)) {
    skin::MakeDialogWindow(*this, 421, 144, "Создание каталога");
    Image1 = skin::AddBackground(*this, nullptr);
    Label2 = skin::AddLabel(*this, 28, 16, 365, 65, skin::kGold,
                            "Введите имя создаваемого каталога:\r ");
    Label2->SetAlignment(TAlignment::taCenter);
    Label2->SetLayout(TTextLayout::tlCenter);
    Label1 = skin::AddLabel(*this, 40, 47, 345, 24, skin::kGold, "");
    Label1->SetLayout(TTextLayout::tlCenter);
    Label1->SetShowAccelChar(false);
    SkBmpButton2 = skin::AddButton(*this, 57, 98, 144, 36, "BTN_OK");
    SkBmpButton1 = skin::AddButton(*this, 223, 98, 147, 36, "BTN_CANCEL");
    SetDefaultControl(SkBmpButton2);
    // Every typed character reaches the form first, whatever has the focus. The name
    // takes the blank too: Space types it rather than pressing a focused button.
    SetKeyPreview(true);
    OnKeyDown = [](TObject*, WORD& key, unsigned) {
        if (key == VK_SPACE) key = 0;
    };

    SkBmpButton1->OnClick = [this](TObject*) { SkBmpButton1Click(); };
    SkBmpButton2->OnClick = [this](TObject*) { SkBmpButton2Click(); };
    OnKeyPress = [this](TObject*, char& key) { FormKeyPress(key); };
    OnCreate = [this](TObject*) { FormCreate(); };
}

void TForm7::FormCreate() {
    skin::CutRoundedCorners(*this);
    typedName_ = "Morvath Trilogy";
    ShowTypedName();
    measure_.SetHandle(measureDc_.get());
    measure_.Font().SetName(skin::kTypeface);
    measure_.Font().SetSize(kMeasurePoints);
    Image1->Picture().Assign(Form3->Image1->Picture());
}

void TForm7::ShowTypedName() {
    Label1->SetCaption(typedName_ + kCaret);
    // The caret is no part of the name a reader should say.
    Label1->SetAccessibleName(typedName_);
}

int TForm7::TypedNameWidth() {
    if (!measure_.Handle()) return 0;
    return measure_.TextExtent(typedName_).cx;
}

void TForm7::FormKeyPress(char& key) {
    if (AllowedInFolderName(key)) {
        // The width before this key decides: the last character taken may go past it.
        if (TypedNameWidth() < kMaxNameWidth) {
            typedName_ += key;
            ShowTypedName();
        }
    } else if (key == kBackspace && !typedName_.empty()) {
        typedName_.pop_back();
        ShowTypedName();
    }
    // Nothing else types: Enter confirms and Escape cancels as keys of the window.
    key = 0;
}

void TForm7::SkBmpButton2Click() {
    wizard::PlayClick();
    // With no folder selected in the tree there is no place the user chose: nothing is
    // made (rather than a folder at the root of the current drive). The tree is read
    // anew all the same, so that it shows what is on disk now.
    const std::string folder = NewFolderPath(Form6->SkShellTree1->SelectedPathName(), typedName_);
    if (!folder.empty()) ForceDirectories(folder);  // one that cannot be made does not show
    Form6->SkShellTree1->RefreshNodes();
    if (!folder.empty()) Form6->SkShellTree1->SetSelectedPathName(folder);
    Close();
    Form6->SkShellTree1->SetFocus();
}

void TForm7::SkBmpButton1Click() {
    wizard::PlayClick();
    Close();
}
