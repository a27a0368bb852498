#include "wizard/destination_screen.h"

#include <windows.h>

#include "controls/screen_skin.h"
#include "framework/sysutils.h"
#include "install/setup_description.h"
#include "install/space_figures.h"
#include "wizard/folder_browser.h"
#include "wizard/options_screen.h"
#include "wizard/screen_sequence.h"
#include "wizard/welcome_screen.h"

using namespace mvt;

TForm5* Form5 = nullptr;

TForm5::TForm5(TComponent* owner) : TForm(owner) {
    skin::MakeWizardWindow(*this, skin::kWizardWidth, skin::kWizardHeight, true);
    Image1 = skin::AddBackground(*this, "BG_DEST");

    LocateLabel1 = CreateChild<TSkMultilineLabel>(this, this, 44, 124, 553, 151);
    LocateLabel1->SetAutoSize(false);
    LocateLabel1->SetTransparent(true);
    LocateLabel1->Font().SetName(skin::kTypeface);
    LocateLabel1->Font().SetHeight(skin::kLabelFontHeight);
    LocateLabel1->Font().SetColor(skin::kDarkBrown);
    TStringList lines;
    lines.Add(std::string(46, ' ') + "ВЫБОР КАТАЛОГА УСТАНОВКИ");
    lines.Add("Установка Трилогии Морвата будет выполнена в каталог по умолчанию, указанный");
    lines.Add("ниже. Для выбора другого пути установки необходимо нажать кнопку обзора и задать");
    lines.Add("альтернативный каталог.");
    lines.Add("");
    lines.Add("X");
    lines.Add("X");
    LocateLabel1->SetLines(lines);

    Label1 = skin::AddLabel(*this, 44, 334, 508, 31, skin::kGold, "X");
    Label1->SetLayout(TTextLayout::tlCenter);

    SkBmpButton1 = skin::AddButton(*this, 553, 331, 57, 38, "BTN_BROWSE");
    // Back before Next: the tab order reads the buttons from left to right.
    SkBmpButton3 = skin::AddButton(*this, 164, 428, 144, 36, "BTN_BACK");
    SkBmpButton2 = skin::AddButton(*this, 330, 428, 147, 36, "BTN_NEXT");
    SetDefaultControl(SkBmpButton2);
    SetActiveControl(SkBmpButton2);

    SkBmpButton1->OnClick = [this](TObject*) { SkBmpButton1Click(); };
    SkBmpButton2->OnClick = [this](TObject*) { SkBmpButton2Click(); };
    SkBmpButton3->OnClick = [this](TObject*) { SkBmpButton3Click(); };
    OnCreate = [this](TObject*) { FormCreate(); };
    OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

void TForm5::FormCreate() {
    Label1->SetCaption(install::DefaultInstallDirectory());
    ShowSpace();
}

void TForm5::ShowSpace() {
    ShowSpaceFor(Label1->Caption(), false);
}

void TForm5::ShowSpaceFor(const std::string& folder, bool enableOnEnoughSpace) {
    char separator = DecimalSeparator();
    double required = install::GigabyteFigure(install::RequiredBytesFromSetup());
    LocateLabel1->SetLine(kRequiredLine, "Требуется для установки:\t" +
                                             install::NumberText(required, separator) + " Гб");
    double free = install::GigabyteFigure(FreeBytesOnDriveOf(folder));
    std::string drive = folder.empty() ? std::string() : folder.substr(0, 1);
    LocateLabel1->SetLine(kFreeLine, "Свободно на диске " + drive + ":\t\t" +
                                         install::NumberText(free, separator) + " Гб");
    if (!install::EnoughSpace(free, required))
        SkBmpButton2->SetEnabled(false);
    else if (enableOnEnoughSpace)
        SkBmpButton2->SetEnabled(true);
}

void TForm5::FormCloseQuery(bool& canClose) {
    wizard::MainWindowCloseQuery(canClose);
}

void TForm5::SkBmpButton1Click() {
    wizard::PlayClick();
    Form6->ShowModal();
}

void TForm5::SkBmpButton2Click() {
    wizard::PlayClick();
    const std::vector<std::string> missing = MissingFolders(Label1->Caption());
    ForceDirectories(Label1->Caption());  // a folder that cannot be made does not stop us
    for (const std::string& folder : missing)
        if (DirectoryExists(folder)) madeFolders_.push_back(folder);
    wizard::HandOver(*this, *Form8);
}

void TForm5::SkBmpButton3Click() {
    wizard::PlayClick();
    wizard::HandOver(*this, *Form1);
}
