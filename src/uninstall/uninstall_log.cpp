#include "uninstall/uninstall_log.h"

#include <windows.h>

#include "framework/sysutils.h"

namespace mvt::uninstall {

namespace {

bool IsSwitch(const std::string& name, const char* expected) {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, expected, -1) ==
           CSTR_EQUAL;
}

}  // namespace

UninstallSwitches ReadUninstallSwitches(const std::vector<std::string>& arguments) {
    UninstallSwitches switches;
    for (const std::string& argument : arguments) {
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (IsSwitch(name, "/S") || IsSwitch(name, "/SILENT") || IsSwitch(name, "/VERYSILENT"))
            switches.silent = true;
        if (IsSwitch(name, "/LOG")) {
            switches.log = true;
            if (equals != std::string::npos) switches.logFile = Trim(argument.substr(equals + 1));
        }
    }
    return switches;
}

bool OpenUninstallLog(const UninstallSwitches& switches, install::InstallLog& log) {
    if (!switches.log) return true;
    return switches.logFile.empty() ? log.OpenNewInTemporaryFolder("MVTUninstall")
                                    : log.Open(switches.logFile);
}

void LogUninstallStart(install::InstallLog& log, const std::string& installDir) {
    log.Write("MVT Uninstall " + ProgramVersion());
    log.Write(std::string("Командная строка: ") + GetCommandLineA());
    log.Write("Каталог установки: " + installDir);
}

void LogRemoval(install::InstallLog& log, const RemovalReport& report) {
    for (const std::string& item : report.removed) log.Write("Удалено: " + item);
    for (const std::string& note : report.notes) log.Write("Оставлено: " + note);
    for (const std::string& name : report.kept) log.Write("Оставлено, не из установки: " + name);
    for (const std::string& failure : report.failures) log.Write("Не удалено: " + failure);
    for (const std::string& file : report.leftForRestart)
        log.Write("Удалится при перезагрузке: " + file);
    if (!report.Complete())
        log.Write("Установка оставлена зарегистрированной: удаление можно запустить снова");
}

}  // namespace mvt::uninstall
