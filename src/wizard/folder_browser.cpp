#include "wizard/folder_browser.h"

#include <cctype>

#include "controls/screen_skin.h"
#include "wizard/destination_screen.h"
#include "wizard/new_folder_prompt.h"
#include "wizard/screen_sequence.h"

using namespace mvt;
using namespace mvt::shell;

TForm6* Form6 = nullptr;

// kind 0, N = 47; an item of 20 bytes: type 0x1F, 0x50 and the class id of My Computer
// {20D04FE0-3AEA-1069-A2D8-08002B30309D}; an item of 25 bytes: type 0x2F and "C:\" padded
// with zeros; the terminator.
const unsigned char TForm6::kStoredBaseFolder[52] = {
    0x00, 0x2F, 0x00, 0x00, 0x00,                                // kind, N
    0x14, 0x00, 0x1F, 0x50,                                      // My Computer
    0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,              //
    0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D,              //
    0x19, 0x00, 0x2F, 'C',  ':',  '\\',                          // drive C: under My Computer
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  //
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,        //
    0x00, 0x00,                                                  // end
};

bool IsDriveLetterPath(const std::string& path) {
    return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
           path[1] == ':' && path[2] == '\\';
}

TForm6::TForm6(TComponent* owner) : TForm(owner) {
    skin::MakeDialogWindow(*this, 322, 524, "Выбор каталога установки");
    Image1 = skin::AddBackground(*this, "BG_BROWSER");

    SkBmpButton3 = skin::AddButton(*this, 44, 64, 233, 31, "BTN_NEWFOLDER");

    SkShellTree1 = CreateChild<TSkShellTree>(this, this, 44, 96, 233, 243);
    SkShellTree1->SetColor(clBlack);
    SkShellTree1->Font().SetName("MS Sans Serif");
    SkShellTree1->Font().SetHeight(-11);
    SkShellTree1->Font().SetColor(clSilver);
    SkShellTree1->SetIndent(19);
    SkShellTree1->SetShowRoot(true);
    SkShellTree1->SetOptions(stoAutoFill | stoDynamicRefresh | stoShowHidden);
    SkShellTree1->BaseFolder().LoadPidl(kStoredBaseFolder, sizeof kStoredBaseFolder);

    SkDriveComboBox1 = CreateChild<TSkDriveComboBox>(this, this, 44, 340, 233, 21);
    SkDriveComboBox1->SetColor(clBlack);
    SkDriveComboBox1->Font().SetName("MS Sans Serif");
    SkDriveComboBox1->Font().SetHeight(-11);
    SkDriveComboBox1->Font().SetColor(clSilver);
    SkDriveComboBox1->SetDriveTypes(DriveTypeBit(dtFixed));
    SkDriveComboBox1->SetTextCase(TTextCase::tcUpperCase);

    SkBmpButton1 = skin::AddButton(*this, 26, 371, 271, 31, "BTN_SELECT");
    SkBmpButton2 = skin::AddButton(*this, 26, 402, 271, 31, "BTN_CLOSE");

    // The keys go to the tree whenever the browser is shown (arrows walk the folders);
    // Enter takes the selected folder.
    SetActiveControl(SkShellTree1);
    SetDefaultControl(SkBmpButton1);

    SkDriveComboBox1->OnChange = [this](TObject*) { SkDriveComboBox1Change(); };
    SkBmpButton1->OnClick = [this](TObject*) { SkBmpButton1Click(); };
    SkBmpButton2->OnClick = [this](TObject*) { SkBmpButton2Click(); };
    SkBmpButton3->OnClick = [this](TObject*) { SkBmpButton3Click(); };
    OnCreate = [this](TObject*) { FormCreate(); };
}

void TForm6::FormCreate() {
    UniqueRegion shape(CreateEllipticRgn(2, 1, 322, 295));
    UniqueRegion lower(CreateEllipticRgn(2, 220, 322, 526));
    UniqueRegion middle(CreateRectRgn(2, 140, 321, 373));
    CombineRgn(shape.get(), shape.get(), lower.get(), RGN_OR);
    CombineRgn(shape.get(), shape.get(), middle.get(), RGN_OR);
    SetWindowRegion(std::move(shape));

    const std::string folder = Form5->Label1->Caption();
    char letter = IsDriveLetterPath(folder) ? folder[0] : '\0';
    if (!letter) {
        // An install directory without a drive letter (no program files folder known):
        // the browser starts on the first drive of its list, without a folder to go to.
        const std::string first = SkDriveComboBox1->Count() ? SkDriveComboBox1->Item(0) : "";
        if (!first.empty()) SkDriveComboBox1->SetDrive(first[0]);
        return;
    }
    try {
        // Through the list's change event the tree is rooted at that drive.
        SkDriveComboBox1->SetDrive(letter);
        SkShellTree1->SetSelectedPathName(folder);
    } catch (const std::exception&) {
        SkDriveComboBox1->SetDrive(letter);
    }
}

void TForm6::SkDriveComboBox1Change() {
    // No entry for the letter (not a fixed drive): the tree stays where it is.
    const std::string text = SkDriveComboBox1->Text();
    if (text.empty()) return;
    SkShellTree1->BaseFolder().SetPathName(std::string(1, text[0]) + ":\\");
}

void TForm6::SkBmpButton1Click() {
    // Nothing selected, or a folder outside the file system (no path, no drive): there is
    // nothing to take, and the click changes nothing.
    const std::string path = SkShellTree1->SelectedPathName();
    if (!IsDriveLetterPath(path)) return;
    Form5->ShowSpaceFor(path, true);
    wizard::PlayClick();
    // The folder itself, as the tree gives it: a drive root keeps its backslash.
    Form5->Label1->SetCaption(path);
    Close();
}

void TForm6::SkBmpButton2Click() {
    wizard::PlayClick();
    Close();
}

void TForm6::SkBmpButton3Click() {
    wizard::PlayClick();
    Form7->ShowModal();
}
