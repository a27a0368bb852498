#include "wizard/options_screen.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "controls/screen_skin.h"
#include "framework/handles.h"
#include "framework/registry.h"
#include "framework/sysutils.h"
#include "install/setup_description.h"
#include "wizard/destination_screen.h"
#include "wizard/ready_screen.h"
#include "wizard/screen_sequence.h"
#include "wizard/welcome_screen.h"

using namespace mvt;

TForm8* Form8 = nullptr;

namespace {

constexpr char kRefusedInGroupName[] = "/\\:*?\"<>|";
constexpr TColor kBlack = 0x000000;

std::string CommonProgramsFolder() {
    return mvt::ReadMachineString(
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Common Programs");
}

void UseWizardFont(TControl& control, TColor colour) {
    control.Font().SetName(skin::kTypeface);
    control.Font().SetHeight(skin::kLabelFontHeight);
    control.Font().SetColor(colour);
}

}  // namespace

TForm8::TForm8(TComponent* owner) : TForm(owner) {
    skin::MakeWizardWindow(*this, skin::kWizardWidth, skin::kWizardHeight, true);
    Image1 = skin::AddBackground(*this, nullptr);
    Label1 = skin::AddLabel(*this, 40, 124, 559, 21, skin::kDarkBrown,
                            std::string(40, ' ') + "ДОПОЛНИТЕЛЬНЫЕ ОПЦИИ УСТАНОВКИ");
    Label5 = skin::AddLabel(
        *this, 40, 150, 559, 21, skin::kDarkBrown,
        "Выбор программной группы:" + std::string(33, ' ') + "Действия после установки:");

    Edit1 = CreateChild<TChangeEdit>(this, this, 40, 176, 265, 29);
    Edit1->SetColor(kBlack);
    UseWizardFont(*Edit1, skin::kGold);
    Edit1->SetText(install::kDefaultGroupName);
    ListBox1 = CreateChild<TListBox>(this, this, 40, 207, 265, 152);
    ListBox1->SetColor(kBlack);
    UseWizardFont(*ListBox1, skin::kGold);
    ListBox1->SetItemHeight(21);

    SkBmpButton1 = AddToggle(174, 1);
    Label2 = skin::AddLabel(*this, 364, 178, 233, 21, skin::kDarkBrown,
                            "Создать ярлык на рабочем столе");
    Label2->SetLayout(TTextLayout::tlCenter);
    SkBmpButton4 = AddToggle(206, 20);
    Label3 = skin::AddLabel(*this, 364, 210, 233, 21, skin::kDarkBrown, "Установить деинсталлятор");
    SkBmpButton5 = AddToggle(238, 50);
    Label4 = skin::AddLabel(*this, 364, 242, 233, 21, skin::kDarkBrown,
                            "Запустить программу конфигурации");

    SkBmpButton3 = skin::AddButton(*this, 164, 428, 144, 36, "BTN_BACK");
    SkBmpButton2 = skin::AddButton(*this, 330, 428, 147, 36, "BTN_NEXT");
    for (mvt::TSkBmpButton* button : {SkBmpButton3, SkBmpButton2}) button->SetShowFocus(false);
    SetDefaultControl(SkBmpButton2);
    // Each toggle is the check box of the caption beside it.
    for (auto [toggle, caption] :
         {std::pair{SkBmpButton1, Label2}, {SkBmpButton4, Label3}, {SkBmpButton5, Label4}})
        toggle->SetCaptionLabel(caption);

    Edit1->OnChange = [this](TObject*) { Edit1Change(); };
    Edit1->OnKeyPress = [this](TObject*, char& key) { Edit1KeyPress(key); };
    ListBox1->OnClick = [this](TObject*) { ListBox1Click(); };
    SkBmpButton2->OnClick = [this](TObject*) { SkBmpButton2Click(); };
    SkBmpButton3->OnClick = [this](TObject*) { SkBmpButton3Click(); };
    OnCreate = [this](TObject*) { FormCreate(); };
    OnShow = [this](TObject*) { FormShow(); };
    OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

mvt::TSkBmpButton* TForm8::AddToggle(int top, int groupIndex) {
    mvt::TSkBmpButton* toggle = skin::AddButton(*this, 332, top, 27, 25, "TOGGLE", clOlive);
    toggle->SetGroupIndex(groupIndex);
    toggle->SetAllowAllUp(true);
    toggle->SetShowFocus(false);
    // The raised picture is the ticked box.
    toggle->SetCheckedWhenUp(true);
    toggle->OnClick = [this](TObject*) { SkBmpButton1Click(); };
    return toggle;
}

void TForm8::FormCreate() {
    Image1->Picture().Assign(Form1->Image1->Picture());
    FillProgramGroups();
}

void TForm8::FillProgramGroups() {
    std::string folder = CommonProgramsFolder();
    ListBox1->Clear();
    ListBox1->BeginUpdate();
    // Without the all-users programs folder there are no groups to offer. (Listing the
    // current drive's root instead would offer system folders as program groups.)
    if (!folder.empty()) {
        WIN32_FIND_DATAA found;
        std::string pattern = IncludeTrailingBackslash(folder) + "*";
        HANDLE search = FindFirstFileExA(pattern.c_str(), FindExInfoStandard, &found,
                                         FindExSearchLimitToDirectories, nullptr, 0);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                bool directory = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
                bool concealed =
                    found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
                bool dots =
                    !std::strcmp(found.cFileName, ".") || !std::strcmp(found.cFileName, "..");
                if (directory && !concealed && !dots) ListBox1->Add(found.cFileName);
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
    }
    ListBox1->EndUpdate();
    ListBox1->SetItemIndex(-1);
}

void TForm8::FormShow() {
    Edit1->SetFocus();
}

void TForm8::FormCloseQuery(bool& canClose) {
    wizard::MainWindowCloseQuery(canClose);
}

void TForm8::Edit1Change() {
    ListBox1->SetItemIndex(-1);
    SkBmpButton2->SetEnabled(!Trim(Edit1->Text()).empty());
}

void TForm8::Edit1KeyPress(char& key) {
    if (key != 0 && std::strchr(kRefusedInGroupName, key)) key = 0;
}

void TForm8::ListBox1Click() {
    int index = ListBox1->ItemIndex();
    if (index >= 0) Edit1->SetText(ListBox1->Item(index));
}

void TForm8::SkBmpButton1Click() {
    wizard::PlayClick();
}

void TForm8::SkBmpButton2Click() {
    wizard::PlayClick();
    wizard::HandOver(*this, *Form9);
}

void TForm8::SkBmpButton3Click() {
    wizard::PlayClick();
    wizard::HandOver(*this, *Form5);
}
