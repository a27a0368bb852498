#include "wizard/ready_screen.h"

#include "controls/screen_skin.h"
#include "install/progress_screen.h"
#include "wizard/options_screen.h"
#include "wizard/screen_sequence.h"
#include "wizard/welcome_screen.h"

using namespace mvt;

TForm9* Form9 = nullptr;

TForm9::TForm9(TComponent* owner) : TForm(owner) {
    skin::MakeWizardWindow(*this, skin::kWizardWidth, skin::kWizardHeight, true);
    Image1 = skin::AddBackground(*this, nullptr);
    Label1 = skin::AddLabel(
        *this, 40, 124, 557, 232, skin::kDarkBrown,
        std::string(51, ' ') + "ЗАПУСК КОПИРОВАНИЯ\r" +
            "Программа собрала необходимые сведения для начала установки Трилогии Морвата.\r"
            "\r"
            "Для запуска процесса распаковки и копирования файлов нажмите кнопку <Далее>.\r"
            "Для пересмотра параметров установки нажмите кнопку <Назад>.\r"
            "Для отмены установки Трилогии Морвата закройте текущее окно программы.");
    SkBmpButton3 = skin::AddButton(*this, 164, 428, 144, 36, "BTN_BACK");
    SkBmpButton2 = skin::AddButton(*this, 330, 428, 147, 36, "BTN_NEXT");
    SetDefaultControl(SkBmpButton2);
    SetActiveControl(SkBmpButton2);
    SkBmpButton2->OnClick = [this](TObject*) { SkBmpButton2Click(); };
    SkBmpButton3->OnClick = [this](TObject*) { SkBmpButton3Click(); };
    OnCreate = [this](TObject*) { FormCreate(); };
    OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

void TForm9::FormCreate() {
    Image1->Picture().Assign(Form1->Image1->Picture());
}

void TForm9::FormCloseQuery(bool& canClose) {
    wizard::MainWindowCloseQuery(canClose);
}

void TForm9::SkBmpButton2Click() {
    wizard::PlayClick();
    Form10->Show();  // at its own centred position
    Hide();
    Form10->Install();
}

void TForm9::SkBmpButton3Click() {
    wizard::PlayClick();
    wizard::HandOver(*this, *Form8);
}
