// The setup's command line: the switches an administrator, a script or a package manager
// uses to install without questions. They follow the command line of Inno-Setup-style
// installers, since that is what package managers send: every parameter of that command
// line is accepted; those without a meaning here are logged as such, and a parameter
// nobody knows is logged and skipped, unless it is a near miss of a switch that acts here.
// Window-free: the parser only reads text and says what is wrong.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mvt::setup {

enum class SetupMode {
    Wizard,     // every screen, as without arguments
    Silent,     // the progress screen only
    VerySilent  // no window and no message box at all
};

struct SetupSwitches {
    SetupMode mode = SetupMode::Wizard;
    bool suppressMessageBoxes = false;
    std::optional<std::string> directory;  // the install directory as given
    std::optional<std::string> group;      // the program group name as given
    bool noDesktop = false;
    bool noUninstaller = false;
    bool noIcons = false;                   // no program group and none of its shortcuts
    bool noCancel = false;                  // the progress screen cannot be closed
    std::optional<std::string> tasks;       // /TASKS: the tasks chosen, the rest not
    std::optional<std::string> mergeTasks;  // /MERGETASKS: changes to the default tasks
    std::optional<std::string> loadInf;     // the answers file to preset from
    std::optional<std::string> saveInf;     // the answers file to write
    bool log = false;
    std::string logFile;  // empty: a new file in the temporary folder
    bool help = false;
    std::vector<std::string> notApplicable;  // accepted switches without a meaning here
    std::vector<std::string> ignored;        // arguments nobody knows, as given

    // No message box may be shown.
    bool Quiet() const {
        return mode == SetupMode::VerySilent || (mode == SetupMode::Silent && suppressMessageBoxes);
    }
};

struct ParsedSwitches {
    SetupSwitches switches;
    std::string error;  // empty when the command line is usable
};

// The part of the command line after the program's own name. A quoted first token is the
// name; else, when the line starts with the program's own file name (moduleFileName, or
// that name without ".exe", as CreateProcess finds a program), that is the name even when it
// holds blanks; else the first token is.
std::string ArgumentsPart(const std::string& commandLine, const std::string& moduleFileName);

// Arguments separated by blanks outside quotes; a quote switches quoting on or off and is
// dropped, so /DIR="C:\A B" and "/DIR=C:\A B" read the same.
std::vector<std::string> SplitArguments(const std::string& arguments);

// Reads the switches, case-insensitive. A flag may be repeated; a value switch repeated
// with another value, a value where none belongs or none where one is needed, a task or
// language that does not exist here, /CURRENTUSER and a near miss of a switch that acts
// here are errors in Russian.
ParsedSwitches ParseSwitches(const std::vector<std::string>& arguments);

// The command line as the log shows it: a /PASSWORD value is not written down.
std::string CommandLineForLog(const std::string& commandLine);

// The tasks an installation can be given by name.
struct TaskChoices {
    bool desktopIcon = true;  // "desktopicon": the desktop shortcut
    bool uninstaller = true;  // "uninstaller": the uninstaller with its shortcut and entry
};

// Applies a comma-separated task list to tasks: /TASKS (merge false) chooses exactly the
// tasks named, /MERGETASKS (merge true) changes only those named; "!name" turns a task off,
// a leading "*" is allowed and changes nothing (the tasks have no subtasks). Returns the
// error for a name that is no task, empty when the list was taken.
std::string ApplyTaskList(const std::string& list, bool merge, TaskChoices& tasks);
// The chosen tasks as a /TASKS list ("desktopicon,uninstaller"; empty for none).
std::string TaskListText(const TaskChoices& tasks);

// The install directory a /DIR value names, normalised as Windows would take it: "/" read
// as "\", repeated separators, "." and ".." parts resolved (never above the drive's root),
// dots and blanks at the end of a folder name dropped, the drive letter in capitals, no
// trailing backslash except a drive's root. Empty when the value is not an absolute path
// with a drive letter or names something no folder can be (a device name, a character no
// Windows name may hold, a name of dots only, a path too long for a folder).
std::string InstallDirectoryFromSwitch(const std::string& value);

// The program group name with the characters the options screen refuses dropped, blanks
// at the ends trimmed; empty when nothing usable is left.
std::string GroupNameFromSwitch(const std::string& value);

// Every switch, the task names, where a log without a name goes and the exit codes, in
// Russian, in columns of fixed-width characters, lines separated by "\r\n".
std::string SwitchesHelpText();

}  // namespace mvt::setup
