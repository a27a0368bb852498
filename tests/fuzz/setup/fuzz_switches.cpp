// Fuzz target: the setup's command line (the program's own name, the arguments, every
// switch and its value, the task lists, the install directory's normalisation) and the
// command line as the log shows it.
#include <cstdlib>
#include <string>

#include "setup/setup_switches.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace mvt::setup;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string arguments = ArgumentsPart(text, "C:\\Program Files\\Medium\\MVTSetup.exe");
    if (arguments.size() > text.size()) std::abort();
    const ParsedSwitches parsed = ParseSwitches(SplitArguments(arguments));
    // A folder is a drive's path, and normalised once it is normalised for good.
    for (const std::string& value : {text, parsed.switches.directory.value_or("")}) {
        const std::string folder = InstallDirectoryFromSwitch(value);
        if (!folder.empty() && (folder.size() < 3 || folder[1] != ':' || folder[2] != '\\' ||
                                InstallDirectoryFromSwitch(folder) != folder))
            std::abort();
    }
    if (CommandLineForLog(text).find("/PASSWORD=secret") != std::string::npos &&
        text.find("/PASSWORD=secret") == std::string::npos)
        std::abort();
    TaskChoices tasks;
    ApplyTaskList(text, true, tasks);
    GroupNameFromSwitch(text);
    return 0;
}
