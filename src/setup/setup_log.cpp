#include "setup/setup_log.h"

#include "framework/sysutils.h"

namespace mvt::setup {

namespace {

const char* YesNo(bool yes) {
    return yes ? "да" : "нет";
}

}  // namespace

bool OpenRequestedLog(const SetupSwitches& switches, install::InstallLog& log) {
    if (!switches.log) return true;
    return switches.logFile.empty() ? log.OpenNewInTemporaryFolder() : log.Open(switches.logFile);
}

void LogStart(install::InstallLog& log, const std::string& commandLine,
              const SetupSwitches& switches) {
    log.Write("MVT Setup " + ProgramVersion());
    log.Write("Командная строка: " + CommandLineForLog(commandLine));
    log.Write("Дистрибутив: " + ProgramFolder());
    log.Write("Версия Windows: " + WindowsVersion());
    for (const std::string& name : switches.notApplicable)
        log.Write("Ключ " + name + " принят, здесь он ничего не меняет");
    for (const std::string& argument : switches.ignored)
        log.Write("Неизвестный параметр пропущен: " + argument);
}

void LogChoices(install::InstallLog& log, const SwitchChoices& choices) {
    if (!choices.answersFile.empty()) log.Write("Ответы из файла: " + choices.answersFile);
    log.Write("Каталог установки: " + choices.installDir);
    log.Write("Программная группа: " +
              (choices.programGroup ? choices.groupName : std::string("нет (/NOICONS)")));
    log.Write(std::string("Ярлык на рабочем столе: ") + YesNo(choices.desktopShortcut));
    log.Write(std::string("Деинсталлятор: ") + YesNo(choices.uninstaller));
    if (choices.noCancel) log.Write("Установку нельзя прервать (/NOCANCEL)");
}

ExitCode EndLog(install::InstallLog& log, ExitCode code, const std::string& summary) {
    log.WriteEnd(summary, static_cast<int>(code));
    return code;
}

}  // namespace mvt::setup
