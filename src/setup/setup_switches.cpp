#include "setup/setup_switches.h"

#include <cctype>
#include <cstring>
#include <set>

namespace mvt::setup {

namespace {

constexpr char kRefusedInGroupName[] = "/\\:*?\"<>|";
constexpr char kRefusedInPath[] = "/*?\"<>|";

std::string UpperAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string Trim(const std::string& text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

enum class Kind { Flag, Value, OptionalValue };

struct SwitchRule {
    const char* name;
    Kind kind;
};

constexpr SwitchRule kRules[] = {
    {"/SILENT", Kind::Flag},
    {"/VERYSILENT", Kind::Flag},
    {"/SUPPRESSMSGBOXES", Kind::Flag},
    {"/DIR", Kind::Value},
    {"/GROUP", Kind::Value},
    {"/NODESKTOP", Kind::Flag},
    {"/NOUNINSTALLER", Kind::Flag},
    {"/LOG", Kind::OptionalValue},
    {"/?", Kind::Flag},
    {"/HELP", Kind::Flag},
};

const SwitchRule* FindRule(const std::string& upperName) {
    for (const SwitchRule& rule : kRules)
        if (upperName == rule.name) return &rule;
    return nullptr;
}

void Apply(SetupSwitches& switches, const std::string& name, bool hasValue,
           const std::string& value) {
    if (name == "/SILENT" && switches.mode != SetupMode::VerySilent)
        switches.mode = SetupMode::Silent;
    else if (name == "/VERYSILENT")
        switches.mode = SetupMode::VerySilent;
    else if (name == "/SUPPRESSMSGBOXES")
        switches.suppressMessageBoxes = true;
    else if (name == "/DIR")
        switches.directory = value;
    else if (name == "/GROUP")
        switches.group = value;
    else if (name == "/NODESKTOP")
        switches.noDesktop = true;
    else if (name == "/NOUNINSTALLER")
        switches.noUninstaller = true;
    else if (name == "/LOG") {
        switches.log = true;
        if (hasValue) switches.logFile = value;
    } else if (name == "/?" || name == "/HELP")
        switches.help = true;
}

// One argument; returns the error text, empty when it was taken.
std::string Take(SetupSwitches& switches, std::set<std::string>& seen,
                 const std::string& argument) {
    const size_t equals = argument.find('=');
    const std::string given = argument.substr(0, equals);
    const std::string name = UpperAscii(given);
    const bool hasValue = equals != std::string::npos;
    const std::string value = hasValue ? argument.substr(equals + 1) : std::string();
    const SwitchRule* rule = FindRule(name);
    if (!rule) return "Неизвестный ключ командной строки: " + argument;
    // /? and /HELP are the same request.
    const std::string key = name == "/?" ? "/HELP" : name;
    if (!seen.insert(key).second) return "Ключ " + given + " указан более одного раза.";
    if (rule->kind == Kind::Flag && hasValue) return "Ключ " + given + " не имеет значения.";
    if (rule->kind == Kind::Value && Trim(value).empty())
        return "Для ключа " + given + " не указано значение.";
    if (rule->kind == Kind::OptionalValue && hasValue && Trim(value).empty())
        return "Для ключа " + given + " не указано имя файла.";
    Apply(switches, name, hasValue, Trim(value));
    return {};
}

}  // namespace

std::vector<std::string> SplitArguments(const std::string& commandLine) {
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false, inArgument = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inArgument = true;
        } else if (IsBlank(c) && !quoted) {
            if (inArgument) arguments.push_back(current);
            current.clear();
            inArgument = false;
        } else {
            current += c;
            inArgument = true;
        }
    }
    if (inArgument) arguments.push_back(current);
    // The first is the program's own name.
    if (!arguments.empty()) arguments.erase(arguments.begin());
    return arguments;
}

ParsedSwitches ParseSwitches(const std::vector<std::string>& arguments) {
    ParsedSwitches parsed;
    std::set<std::string> seen;
    // After an error the rest is still read, so that /VERYSILENT anywhere keeps its box
    // away; the first error is the one reported.
    for (const std::string& argument : arguments) {
        const std::string error = Take(parsed.switches, seen, argument);
        if (parsed.error.empty()) parsed.error = error;
    }
    return parsed;
}

std::string InstallDirectoryFromSwitch(const std::string& value) {
    std::string folder = Trim(value);
    const bool drive = folder.size() >= 2 && std::isalpha(static_cast<unsigned char>(folder[0])) &&
                       folder[1] == ':' && (folder.size() == 2 || folder[2] == '\\');
    if (!drive || folder.size() > 247) return {};
    if (folder.find_first_of(kRefusedInPath) != std::string::npos) return {};
    if (folder.find(':', 2) != std::string::npos) return {};
    while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
    // An empty folder name inside the path.
    if (folder.find("\\\\") != std::string::npos) return {};
    if (folder.size() == 2) folder += '\\';
    folder[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(folder[0])));
    return folder;
}

std::string GroupNameFromSwitch(const std::string& value) {
    std::string name;
    for (char c : value)
        if (!std::strchr(kRefusedInGroupName, c)) name += c;
    return Trim(name);
}

std::string SwitchesHelpText() {
    return "MVTSetup.exe [ключи]\r\n\r\n"
           "/SILENT\t\tбез экранов мастера, виден только ход установки\r\n"
           "/VERYSILENT\tбез единого окна и сообщения\r\n"
           "/SUPPRESSMSGBOXES\tвместе с /SILENT: без окон сообщений\r\n"
           "/DIR=\"каталог\"\tкаталог установки\r\n"
           "/GROUP=\"имя\"\tимя программной группы\r\n"
           "/NODESKTOP\tне создавать ярлык на рабочем столе\r\n"
           "/NOUNINSTALLER\tне устанавливать деинсталлятор\r\n"
           "/LOG[=\"файл\"]\tзаписать журнал установки\r\n"
           "/? или /HELP\tэтот список\r\n\r\n"
           "Коды завершения: 0 - установлено полностью; 1 - установка не начата (неверный "
           "ключ или значение, неполный дистрибутив); 2 - мастер закрыт до начала установки; "
           "4 - установка не удалась или установлены не все файлы; 5 - установка прервана "
           "пользователем.";
}

}  // namespace mvt::setup
