#include "setup/answers_file.h"

#include "framework/inifiles.h"
#include "framework/sysutils.h"
#include "setup/setup_switches.h"

namespace mvt::setup {

namespace {

constexpr char kSection[] = "Setup";

}  // namespace

std::vector<std::string> AnswersAsSwitches(const std::string& path, std::string& error) {
    // The profile functions would look for a bare name in the Windows folder.
    const std::string file = ExpandFileName(path);
    if (!FileExists(file)) {
        error = "Не найден файл ответов: " + path;
        return {};
    }
    const TIniFile answers(file);
    std::vector<std::string> switches;
    for (const char* key : {"Lang", "Dir", "Group", "Tasks"}) {
        // A key that is there but empty still counts: "Tasks=" chooses no task.
        const std::string absent = "\x01";
        const std::string value = answers.ReadString(kSection, key, absent);
        if (value != absent) switches.push_back(std::string("/") + key + "=" + value);
    }
    if (answers.ReadInteger(kSection, "NoIcons", 0) != 0) switches.emplace_back("/NOICONS");
    return switches;
}

std::string SaveAnswers(const std::string& path, const install::WizardState& chosen) {
    const std::string file = ExpandFileName(path);
    TaskChoices tasks;
    tasks.desktopIcon = chosen.DesktopShortcutChosen();
    tasks.uninstaller = chosen.UninstallerChosen();
    try {
        // Written with the rights of the setup: only through a checked handle, never
        // through a link of any kind planted in its place.
        TGuardedIniFile answers(ExcludeTrailingBackslash(ExtractFilePath(file)),
                                ExtractFileName(file));
        answers.EraseSection(kSection);
        answers.WriteString(kSection, "Lang", "ru");
        answers.WriteString(kSection, "Dir", chosen.InstallDirectory());
        answers.WriteString(kSection, "Group", chosen.ProgramGroupName());
        answers.WriteString(kSection, "NoIcons", chosen.ProgramGroupChosen() ? "0" : "1");
        answers.WriteString(kSection, "Tasks", TaskListText(tasks));
    } catch (const std::exception& failure) {
        return failure.what();
    }
    return {};
}

}  // namespace mvt::setup
