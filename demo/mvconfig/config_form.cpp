#include "config_form.h"

#include <windows.h>

#include "controls/screen_skin.h"
#include "framework/inifiles.h"
#include "framework/sysutils.h"

using namespace mvt;

namespace mvconfig {

namespace {

// The wizard's colours and typeface.
constexpr TColor kFormColour = skin::kFormColour;
constexpr TColor kGold = skin::kGold;
constexpr TColor kBlack = 0x000000;
constexpr const char* kTypeface = skin::kTypeface;
constexpr int kFontHeight = skin::kLabelFontHeight;
constexpr char kCaption[] = "  Настройка Трилогии Морвата";

void UseFont(TControl& control, TColor colour) {
    control.Font().SetName(kTypeface);
    control.Font().SetHeight(kFontHeight);
    control.Font().SetColor(colour);
}

void LoadPicture(TBitmap& bitmap, const std::string& name) {
    std::vector<uint8_t> bytes = ResourceBytes(name.c_str());
    if (!bytes.empty()) bitmap.LoadFromBytes(bytes.data(), bytes.size());
}

}  // namespace

TConfigForm::TConfigForm(TComponent* owner)
    : TConfigForm(owner, mvconfig::SettingsPath(CurrentFolder())) {}

TConfigForm::TConfigForm(TComponent* owner, std::string settingsPath)
    : TForm(owner), settingsPath_(std::move(settingsPath)) {
    SetBorderStyle(TFormBorderStyle::bsSingle);
    SetSystemMenu(true);
    SetCaption(kCaption);
    SetColor(kFormColour);
    SetPosition(TPosition::poScreenCenter);
    SetClientSize(kWidth, kHeight);

    TitleLabel = AddLabel(20, 14, kWidth - 40, "НАСТРОЙКА ТРИЛОГИИ МОРВАТА");
    TitleLabel->SetAlignment(TAlignment::taCenter);

    AddLabel(20, 58, 190, "Уровень памяти:");
    for (int level = kLowestMemoryLevel; level <= kHighestMemoryLevel; ++level) {
        int left = 210 + (level - kLowestMemoryLevel) * 70;
        // One group: picking a level releases the others.
        MemoryLevelButtons[level - 1] = AddCheckBox(left, 56, 1, false);
        AddLabel(left + 32, 58, 30, std::to_string(level));
    }

    AddLabel(20, 98, 190, "Звуки:");
    EnvironmentalAudioButton = AddCheckBox(210, 96, 2, true);
    AddLabel(242, 98, 300, "Объёмный звук");
    FootstepsButton = AddCheckBox(210, 128, 3, true);
    AddLabel(242, 130, 300, "Звук шагов");

    AddLabel(20, 172, 190, "Язык:");
    LanguageList = CreateChild<TListBox>(this, this, 210, 170, 200, 110);
    LanguageList->SetColor(kBlack);
    UseFont(*LanguageList, kGold);
    LanguageList->SetItemHeight(21);
    for (const char* language : kLanguages) LanguageList->Add(language);

    AddLabel(20, 296, kWidth - 40, "Папки игры:");
    for (int i = 0; i < kAliasCount; ++i) {
        int top = 324 + i * 30;
        AddLabel(20, top + 2, 60, kAliasNames[i]);
        AliasEdits[i] = CreateChild<TChangeEdit>(this, this, 80, top, kWidth - 100, 27);
        AliasEdits[i]->SetColor(kBlack);
        UseFont(*AliasEdits[i], kGold);
    }

    OkButton = AddButton(118, 520, 144, "BTN_OK");
    CancelButton = AddButton(298, 520, 147, "BTN_CANCEL");
    OkButton->OnClick = [this](TObject*) { OkClick(); };
    CancelButton->OnClick = [this](TObject*) { CancelClick(); };

    ShowSettings(LoadGameSettings(settingsPath_));
}

TLabel* TConfigForm::AddLabel(int left, int top, int width, const std::string& caption) {
    auto* label = CreateChild<TLabel>(this, this, left, top, width, 23);
    label->SetAutoSize(false);
    label->SetTransparent(true);
    UseFont(*label, kGold);
    label->SetCaption(caption);
    return label;
}

TSkBmpButton* TConfigForm::AddCheckBox(int left, int top, int groupIndex, bool allowAllUp) {
    auto* box = CreateChild<TSkBmpButton>(this, this, left, top, 27, 25);
    box->SetButtonBorder(TButtonBorder::bbNone);
    box->SetButtonSize(TBtnSize::bszButtonToBitmap);
    box->SetGroupIndex(groupIndex);
    box->SetAllowAllUp(allowAllUp);
    box->SetShowFocus(false);
    box->SetTabStop(false);
    // Down means on here: the down state shows the ticked box.
    box->Bitmaps().SetTransparentColor(clOlive);
    LoadPicture(box->Bitmaps().Up(), "TOGGLE_DOWN");
    LoadPicture(box->Bitmaps().Down(), "TOGGLE_UP");
    return box;
}

TSkBmpButton* TConfigForm::AddButton(int left, int top, int width, const char* prefix) {
    auto* button = CreateChild<TSkBmpButton>(this, this, left, top, width, 36);
    button->SetButtonBorder(TButtonBorder::bbNone);
    button->SetButtonSize(TBtnSize::bszButtonToBitmap);
    button->SetShowFocus(false);
    button->SetTabStop(false);
    button->Bitmaps().SetTransparentColor(clLime);
    LoadPicture(button->Bitmaps().Up(), std::string(prefix) + "_UP");
    LoadPicture(button->Bitmaps().Down(), std::string(prefix) + "_DOWN");
    return button;
}

void TConfigForm::ShowSettings(const GameSettings& settings) {
    otherMemoryLevel_ = 0;
    bool offered =
        settings.memoryLevel >= kLowestMemoryLevel && settings.memoryLevel <= kHighestMemoryLevel;
    if (!offered) otherMemoryLevel_ = settings.memoryLevel;
    for (int level = kLowestMemoryLevel; level <= kHighestMemoryLevel; ++level)
        MemoryLevelButtons[level - 1]->SetDown(offered && level == settings.memoryLevel);
    EnvironmentalAudioButton->SetDown(settings.environmentalAudio);
    FootstepsButton->SetDown(settings.footsteps);
    SelectLanguage(settings.language);
    for (int i = 0; i < kAliasCount; ++i) AliasEdits[i]->SetText(settings.aliases[i]);
}

void TConfigForm::SelectLanguage(const std::string& language) {
    for (int i = 0; i < LanguageList->Count(); ++i) {
        if (lstrcmpiA(LanguageList->Item(i).c_str(), language.c_str()) == 0) {
            LanguageList->SetItemIndex(i);
            return;
        }
    }
    LanguageList->Add(language);
    LanguageList->SetItemIndex(LanguageList->Count() - 1);
}

GameSettings TConfigForm::Shown() {
    GameSettings settings;
    settings.memoryLevel = otherMemoryLevel_;
    for (int level = kLowestMemoryLevel; level <= kHighestMemoryLevel; ++level)
        if (MemoryLevelButtons[level - 1]->Down()) settings.memoryLevel = level;
    settings.environmentalAudio = EnvironmentalAudioButton->Down();
    settings.footsteps = FootstepsButton->Down();
    int language = LanguageList->ItemIndex();
    if (language >= 0) settings.language = LanguageList->Item(language);
    for (int i = 0; i < kAliasCount; ++i) settings.aliases[i] = AliasEdits[i]->Text();
    return settings;
}

bool TConfigForm::Save() {
    GameSettings settings = Shown();
    for (int i = 0; i < kAliasCount; ++i) {
        if (NormaliseAlias(settings.aliases[i]).empty()) {
            Tell(std::string("Укажите папку для ") + kAliasNames[i]);
            AliasEdits[i]->SetFocus();
            return false;
        }
    }
    try {
        SaveGameSettings(settings, settingsPath_);
    } catch (const EIniFileException& error) {
        Tell("Настройки не сохранены.\n" + error.Message());
        return false;
    }
    ShowSettings(LoadGameSettings(settingsPath_));
    return true;
}

void TConfigForm::OkClick() {
    if (Save()) Close();
}

void TConfigForm::CancelClick() {
    Close();
}

void TConfigForm::Tell(const std::string& text) {
    if (OnMessage) {
        OnMessage(text);
        return;
    }
    MessageBoxA(Handle(), text.c_str(), "MVConfig", MB_OK | MB_ICONWARNING);
}

}  // namespace mvconfig
