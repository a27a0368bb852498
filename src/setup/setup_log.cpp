#include "setup/setup_log.h"

#include "framework/sysutils.h"

namespace mvt::setup {

bool OpenRequestedLog(const SetupSwitches& switches, install::InstallLog& log) {
    if (!switches.log) return true;
    return switches.logFile.empty() ? log.OpenNewInTemporaryFolder() : log.Open(switches.logFile);
}

void LogStart(install::InstallLog& log, const std::string& commandLine) {
    log.Write("MVT Setup " + ProgramVersion());
    log.Write("Командная строка: " + commandLine);
    log.Write("Дистрибутив: " + ProgramFolder());
    log.Write("Версия Windows: " + WindowsVersion());
}

void LogChoices(install::InstallLog& log, const SwitchChoices& choices) {
    log.Write("Каталог установки: " + choices.installDir);
    log.Write("Программная группа: " + choices.groupName);
    log.Write(std::string("Ярлык на рабочем столе: ") + (choices.desktopShortcut ? "да" : "нет"));
    log.Write(std::string("Деинсталлятор: ") + (choices.uninstaller ? "да" : "нет"));
}

ExitCode EndLog(install::InstallLog& log, ExitCode code) {
    log.Write("Код завершения: " + std::to_string(static_cast<int>(code)));
    return code;
}

}  // namespace mvt::setup
