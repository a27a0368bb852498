#include "setup/switch_choices.h"

#include <windows.h>

#include "framework/inifiles.h"
#include "framework/sysutils.h"
#include "install/setup_description.h"
#include "install/space_figures.h"
#include "setup/answers_file.h"

namespace mvt::setup {

namespace {

using namespace mvt::install;

// The first file of the medium the installation would need and cannot find; empty when
// every one is there.
std::string MissingMediumFile(bool uninstaller) {
    const std::string medium = ProgramFolder();
    for (const char* file : {"MVTSetup.ini", "ZipLib179.dll"})
        if (!FileExists(medium + file)) return medium + file;
    const std::vector<std::string> archives = ListedArchives();
    if (archives.empty()) return medium + "MVTSetup.ini [Files]";
    for (const std::string& name : archives)
        if (!FileExists(medium + "Archives\\" + name)) return medium + "Archives\\" + name;
    const std::string uninstallerArchive = medium + "Archives\\Unregmvt.zip";
    return uninstaller && !FileExists(uninstallerArchive) ? uninstallerArchive : std::string();
}

std::string DirectoryError(const std::string& given, const std::string& folder) {
    if (folder.empty())
        return "Каталог установки должен быть полным путём с буквой диска: " + given;
    const UINT type = GetDriveTypeA((folder.substr(0, 2) + "\\").c_str());
    if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN || FreeBytesOnDriveOf(folder) < 0)
        return "Диск " + folder.substr(0, 2) + " недоступен.";
    const double free = GigabyteFigure(FreeBytesOnDriveOf(folder));
    const double required = GigabyteFigure(RequiredBytesFromSetup());
    if (!EnoughSpace(free, required))
        return "Недостаточно места на диске " + folder.substr(0, 2) + ": требуется " +
               NumberText(required, '.') + " Гб, свободно " + NumberText(free, '.') + " Гб.";
    return {};
}

// The switches an answers file gives, with those of the command line over them.
SetupSwitches WithAnswers(const SetupSwitches& line, const SetupSwitches& loaded) {
    SetupSwitches merged = line;
    if (!line.directory) merged.directory = loaded.directory;
    if (!line.group) merged.group = loaded.group;
    if (!line.tasks) merged.tasks = loaded.tasks;
    merged.noIcons = line.noIcons || loaded.noIcons;
    return merged;
}

// The switches with the answers file's under them; sets error when it cannot be used.
SetupSwitches LoadAnswers(const SetupSwitches& switches, std::string& error) {
    if (!switches.loadInf) return switches;
    const std::vector<std::string> answers = AnswersAsSwitches(*switches.loadInf, error);
    const ParsedSwitches loaded = ParseSwitches(answers);
    if (error.empty() && !loaded.error.empty())
        error = "Файл ответов " + *switches.loadInf + ": " + loaded.error;
    return WithAnswers(switches, loaded.switches);
}

}  // namespace

SwitchChoices CheckSwitchChoices(const SetupSwitches& line) {
    SwitchChoices choices;
    const SetupSwitches switches = LoadAnswers(line, choices.error);
    if (!choices.error.empty()) return choices;
    choices.answersFile = line.loadInf.value_or("");
    TaskChoices tasks;
    // Both lists were checked when they were read.
    if (switches.tasks) ApplyTaskList(*switches.tasks, false, tasks);
    if (switches.mergeTasks) ApplyTaskList(*switches.mergeTasks, true, tasks);
    choices.desktopShortcut = tasks.desktopIcon && !switches.noDesktop;
    choices.uninstaller = tasks.uninstaller && !switches.noUninstaller;
    choices.programGroup = !switches.noIcons;
    choices.noCancel = switches.noCancel;
    choices.directoryGiven = switches.directory.has_value();
    const std::string given = switches.directory.value_or(DefaultInstallDirectory());
    choices.installDir = InstallDirectoryFromSwitch(given);
    choices.groupName = switches.group ? GroupNameFromSwitch(*switches.group) : kDefaultGroupName;
    const std::string missing = MissingMediumFile(choices.uninstaller);
    if (!missing.empty())
        choices.error = "Дистрибутив неполон: нет файла " + missing;
    else if (choices.groupName.empty())
        choices.error = "Недопустимое имя программной группы: " + switches.group.value_or("");
    else if (switches.directory || switches.mode != SetupMode::Wizard)
        // The wizard itself keeps Next off on a default folder without room.
        choices.error = DirectoryError(given, choices.installDir);
    return choices;
}

}  // namespace mvt::setup
