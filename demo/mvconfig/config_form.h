// The configuration program's one window: the game's memory level, sounds, language and
// drive aliases from "morvath.ini" in the current directory, saved with the OK button.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "controls/skbmpbutton.h"
#include "framework/forms.h"
#include "framework/listedits.h"
#include "framework/stdctrls.h"
#include "game_settings.h"

namespace mvconfig {

class TConfigForm : public mvt::TForm {
  public:
    // Reads the settings from "morvath.ini" in the current directory.
    explicit TConfigForm(mvt::TComponent* owner);
    // Reads the settings from the file at settingsPath.
    TConfigForm(mvt::TComponent* owner, std::string settingsPath);

    const std::string& SettingsPath() const { return settingsPath_; }
    // What the controls show now.
    GameSettings Shown();
    void ShowSettings(const GameSettings& settings);

    // OK: checks the aliases, saves and closes; a refused save is shown and the window
    // stays. Cancel and the close icon close without saving.
    void OkClick();
    void CancelClick();
    // Saves what the controls show; false (with a message box) when it cannot.
    bool Save();

    // Takes the messages the window would show in a message box (for tests).
    std::function<void(const std::string&)> OnMessage;

    mvt::TLabel* TitleLabel;
    std::array<mvt::TSkBmpButton*, kHighestMemoryLevel> MemoryLevelButtons;
    mvt::TSkBmpButton* EnvironmentalAudioButton;
    mvt::TSkBmpButton* FootstepsButton;
    mvt::TListBox* LanguageList;
    std::array<mvt::TChangeEdit*, kAliasCount> AliasEdits;
    mvt::TSkBmpButton* OkButton;
    mvt::TSkBmpButton* CancelButton;

    static constexpr int kWidth = 560, kHeight = 572;

  private:
    mvt::TLabel* AddLabel(int left, int top, int width, const std::string& caption);
    mvt::TSkBmpButton* AddCheckBox(int left, int top, int groupIndex, bool allowAllUp);
    mvt::TSkBmpButton* AddButton(int left, int top, int width, const char* prefix);
    void SelectLanguage(const std::string& language);
    // Shows a message box over this window.
    void Tell(const std::string& text);

    std::string settingsPath_;
    // A memory level outside the offered ones, kept unless the user picks one.
    int otherMemoryLevel_ = 0;
};

}  // namespace mvconfig
