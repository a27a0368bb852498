#include "wizard/unattended_setup.h"

#include <windows.h>

#include "framework/inifiles.h"
#include "framework/registry.h"
#include "framework/sysutils.h"
#include "install/record_log.h"
#include "install/unattended_installation.h"
#include "wizard/destination_screen.h"
#include "wizard/size_figures.h"

using namespace mvt;
using namespace mvt::install;

namespace wizard {

namespace {

constexpr char kDefaultGroup[] = "Morvath Trilogy";
constexpr char kBoxTitle[] = "MVT Setup";

// The choices as the run reads them: fixed, no cancel mark, no finish screen.
class FixedWizardState final : public SwitchChoicesState {
  public:
    using SwitchChoicesState::SwitchChoicesState;
    bool LeaveDecided() const override { return false; }
    void PassCloseRequest() override {}
    void ShowFinishScreen(const InstallationOutcome&) override {}
};

bool FileThere(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The first file of the medium the installation would need and cannot find; empty when
// every one is there.
std::string MissingMediumFile(bool uninstaller) {
    const std::string medium = ProgramFolder();
    for (const char* file : {"MVTSetup.ini", "ZipLib179.dll"})
        if (!FileThere(medium + file)) return medium + file;
    const TIniFile setup(medium + "MVTSetup.ini");
    if (setup.ReadString("Files", "File0", "").empty()) return medium + "MVTSetup.ini [Files]";
    for (int n = 0;; ++n) {
        const std::string name = setup.ReadString("Files", "File" + std::to_string(n), "");
        if (name.empty()) break;
        if (!FileThere(medium + "Archives\\" + name)) return medium + "Archives\\" + name;
    }
    const std::string uninstallerArchive = medium + "Archives\\Unregmvt.zip";
    return uninstaller && !FileThere(uninstallerArchive) ? uninstallerArchive : std::string();
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

std::string WindowsVersion() {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    // The system's own answer: the process's compatibility view may say less.
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    const auto query = ntdll ? reinterpret_cast<RtlGetVersionFunction>(
                                   reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                             : nullptr;
    if (!query || query(&version) != 0) return "неизвестна";
    return std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion) +
           "." + std::to_string(version.dwBuildNumber);
}

// The file version of this program, from its own version resource.
std::string ProgramVersion() {
    const HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
    const HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const auto* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const DWORD size = found ? SizeofResource(nullptr, found) : 0;
    for (DWORD at = 0; bytes && at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
        VS_FIXEDFILEINFO info;
        CopyMemory(&info, bytes + at, sizeof info);
        if (info.dwSignature != VS_FFI_SIGNATURE) continue;
        return std::to_string(HIWORD(info.dwFileVersionMS)) + "." +
               std::to_string(LOWORD(info.dwFileVersionMS)) + "." +
               std::to_string(HIWORD(info.dwFileVersionLS)) + "." +
               std::to_string(LOWORD(info.dwFileVersionLS));
    }
    return "неизвестна";
}

}  // namespace

SwitchChoices CheckSwitchChoices(const SetupSwitches& switches) {
    SwitchChoices choices;
    choices.desktopShortcut = !switches.noDesktop;
    choices.uninstaller = !switches.noUninstaller;
    choices.directoryGiven = switches.directory.has_value();
    const std::string given = switches.directory.value_or(
        ReadMachineString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir") +
        "\\Morvath Trilogy");
    choices.installDir = InstallDirectoryFromSwitch(given);
    choices.groupName = switches.group ? GroupNameFromSwitch(*switches.group) : kDefaultGroup;
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

bool OpenRequestedLog(const SetupSwitches& switches, InstallLog& log) {
    if (!switches.log) return true;
    return switches.logFile.empty() ? log.OpenNewInTemporaryFolder() : log.Open(switches.logFile);
}

void LogStart(InstallLog& log, const std::string& commandLine) {
    log.Write("MVT Setup " + ProgramVersion());
    log.Write("Командная строка: " + commandLine);
    log.Write("Дистрибутив: " + ProgramFolder());
    log.Write("Версия Windows: " + WindowsVersion());
}

void LogChoices(InstallLog& log, const SwitchChoices& choices) {
    log.Write("Каталог установки: " + choices.installDir);
    log.Write("Программная группа: " + choices.groupName);
    log.Write(std::string("Ярлык на рабочем столе: ") + (choices.desktopShortcut ? "да" : "нет"));
    log.Write(std::string("Деинсталлятор: ") + (choices.uninstaller ? "да" : "нет"));
}

ExitCode Refuse(const SetupSwitches& switches, InstallLog& log, const std::string& text) {
    log.Write("Установка не начата: " + text);
    log.Write("Код завершения: 1");
    if (!switches.Quiet()) MessageBoxA(nullptr, text.c_str(), kBoxTitle, MB_OK | MB_ICONERROR);
    return ExitCode::Refused;
}

ExitCode InstallWithoutWindows(const SwitchChoices& choices, InstallLog& log) {
    LogChoices(log, choices);
    // As the destination screen's Next does: a folder that cannot be made shows in the
    // first archive's outcome.
    ForceDirectories(choices.installDir);
    FixedWizardState state(choices);
    UnattendedInstallation installation(state, &log);
    bool stagesFailed = false;
    try {
        installation.Run();
    } catch (const std::exception& error) {
        log.Write(std::string("Ошибка записи: ") + error.what());
        stagesFailed = true;
    }
    LogWrittenRecords(log, choices.installDir);
    const ExitCode code = ExitCodeFor(installation.Outcome(), stagesFailed);
    const InstallationOutcome& outcome = installation.Outcome();
    if (outcome.MissingFiles() || outcome.UnreadableArchives())
        log.Write("Не установлено файлов: " + std::to_string(outcome.MissingFiles()) +
                  ", непрочитанных архивов: " + std::to_string(outcome.UnreadableArchives()));
    log.Write("Код завершения: " + std::to_string(static_cast<int>(code)));
    return code;
}

void ShowSwitchesHelp(const SetupSwitches& switches) {
    if (switches.mode == SetupMode::VerySilent) return;
    MessageBoxA(nullptr, SwitchesHelpText().c_str(), kBoxTitle, MB_OK | MB_ICONINFORMATION);
}

}  // namespace wizard
