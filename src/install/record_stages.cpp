#include "install/record_stages.h"

#include "framework/registry.h"
#include "install/program_group.h"
#include "install/registry_records.h"
#include "install/settings_file.h"

namespace mvt::install {

namespace {

constexpr char kRegistryCaption[] = "Создание ключей реестра...";
constexpr char kProgramGroupCaption[] = "Создание программной группы и ярлыков...";
constexpr char kSettingsCaption[] = "Создание файла настроек...";
constexpr unsigned kPauseAfterRegistry = 700;
constexpr unsigned kPauseAfterProgramGroup = 500;

}  // namespace

void RunRecordStages(const std::string& installDir, const WizardChoices& choices,
                     StageDisplay& display, TIniFile& uninstallList, LinkObjects& links,
                     InstallationSeal& seal) {
    display.ClearTotalCaption();
    display.SetStatusCaption(kRegistryCaption);
    display.ProcessMessages();
    {
        // One registry object, full access, serves the records and the program group's
        // reads of the shell folders.
        TRegistry registry(KEY_ALL_ACCESS);
        WriteRegistryRecords(registry, installDir);
        display.Pause(kPauseAfterRegistry);

        display.SetStatusCaption(kProgramGroupCaption);
        display.ProcessMessages();
        MakeProgramGroup(registry, ChosenProgramGroup(installDir, choices), uninstallList, links,
                         display, seal);
    }
    display.Pause(kPauseAfterProgramGroup);

    display.SetStatusCaption(kSettingsCaption);
    display.ProcessMessages();
    WriteGameSettings(installDir);
}

}  // namespace mvt::install
