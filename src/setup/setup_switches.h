// The setup's command line: the switches an administrator or a script uses to install
// without questions. Window-free: the parser only reads text and says what is wrong.
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
    bool log = false;
    std::string logFile;  // empty: a new file in the temporary folder
    bool help = false;

    // No message box may be shown.
    bool Quiet() const {
        return mode == SetupMode::VerySilent || (mode == SetupMode::Silent && suppressMessageBoxes);
    }
};

struct ParsedSwitches {
    SetupSwitches switches;
    std::string error;  // empty when the command line is usable
};

// The arguments after the program's own name. Blanks separate arguments outside quotes; a
// quote switches quoting on or off and is dropped, so /DIR="C:\A B" and "/DIR=C:\A B" read
// the same.
std::vector<std::string> SplitArguments(const std::string& commandLine);

// Reads the switches, case-insensitive, each at most once; an unknown switch, a repeated
// one, a value where none belongs or none where one is needed is an error in Russian.
ParsedSwitches ParseSwitches(const std::vector<std::string>& arguments);

// The install directory a /DIR value names, taken as the folder browser takes a folder
// (trailing backslashes go, a drive's root keeps its own); empty when the value is not an
// absolute path with a drive letter or holds characters no Windows name may hold.
std::string InstallDirectoryFromSwitch(const std::string& value);

// The program group name with the characters the options screen refuses dropped, blanks
// at the ends trimmed; empty when nothing usable is left.
std::string GroupNameFromSwitch(const std::string& value);

// The switches in Russian, for the help window.
std::string SwitchesHelpText();

}  // namespace mvt::setup
