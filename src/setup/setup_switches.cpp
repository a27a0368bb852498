#include "setup/setup_switches.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "uninstall/installed_files.h"

namespace mvt::setup {

namespace {

constexpr char kRefusedInGroupName[] = "/\\:*?\"<>|";
// CreateDirectory takes no longer path (room is left for an 8.3 name below it).
constexpr size_t kLongestFolder = 247;

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string UpperAscii(std::string text) {
    for (char& c : text) c = UpperAscii(c);
    return text;
}

// Letters of code page 1251 in capitals too, for comparing paths: Latin, Cyrillic and Ё.
char FoldedCase(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0xE0) return static_cast<char>(byte - 0x20);
    if (byte == 0xB8) return static_cast<char>(0xA8);
    return UpperAscii(c);
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

enum class Kind {
    Flag,          // no value
    Value,         // a value that is not blank
    List,          // a value, which may be empty (no task at all)
    OptionalValue  // none, or one that is not blank
};

enum class Meaning {
    Acts,     // does what its help says
    NotHere,  // accepted and logged: nothing it could change exists here
    Refused   // accepted by others, refused here with its reason
};

struct SwitchRule {
    const char* name;  // in capitals
    Kind kind;
    Meaning meaning;
    const char* shown;  // as the help writes it
    const char* text;   // what it does, or why it does nothing here
};

constexpr char kNoRestart[] = "перезагрузка не нужна";
constexpr char kNoClosing[] = "других программ установка не закрывает";
constexpr char kOneSet[] = "у игры один состав";

constexpr SwitchRule kRules[] = {
    {"/SILENT", Kind::Flag, Meaning::Acts, "/SILENT", "без экранов мастера: виден ход установки"},
    {"/VERYSILENT", Kind::Flag, Meaning::Acts, "/VERYSILENT", "без единого окна и сообщения"},
    {"/SUPPRESSMSGBOXES", Kind::Flag, Meaning::Acts, "/SUPPRESSMSGBOXES",
     "вместе с /SILENT: без окон сообщений"},
    {"/DIR", Kind::Value, Meaning::Acts, "/DIR=\"каталог\"",
     "сам каталог установки (полный путь с буквой диска)"},
    {"/GROUP", Kind::Value, Meaning::Acts, "/GROUP=\"имя\"", "имя программной группы"},
    {"/NOICONS", Kind::Flag, Meaning::Acts, "/NOICONS", "без программной группы и её ярлыков"},
    {"/TASKS", Kind::List, Meaning::Acts, "/TASKS=\"задачи\"",
     "только эти задачи (через запятую; \"!\" перед задачей - без неё)"},
    {"/MERGETASKS", Kind::List, Meaning::Acts, "/MERGETASKS=\"задачи\"",
     "задачи по умолчанию, изменённые названными"},
    {"/NODESKTOP", Kind::Flag, Meaning::Acts, "/NODESKTOP", "без ярлыка на рабочем столе"},
    {"/NOUNINSTALLER", Kind::Flag, Meaning::Acts, "/NOUNINSTALLER", "без деинсталлятора"},
    {"/NOCANCEL", Kind::Flag, Meaning::Acts, "/NOCANCEL", "окно хода установки не закрывается"},
    {"/LANG", Kind::Value, Meaning::Acts, "/LANG=ru", "язык установки: только русский"},
    {"/LOADINF", Kind::Value, Meaning::Acts, "/LOADINF=\"файл\"",
     "ответы из файла (ключи в строке важнее)"},
    {"/SAVEINF", Kind::Value, Meaning::Acts, "/SAVEINF=\"файл\"",
     "записать ответы в файл для /LOADINF"},
    {"/LOG", Kind::OptionalValue, Meaning::Acts, "/LOG[=\"файл\"]", "журнал установки"},
    {"/HELP", Kind::Flag, Meaning::Acts, "/HELP, /?", "этот список"},
    {"/?", Kind::Flag, Meaning::Acts, nullptr, nullptr},
    {"/SP-", Kind::Flag, Meaning::NotHere, "/SP-", "начального вопроса нет и так"},
    {"/NORESTART", Kind::Flag, Meaning::NotHere, "/NORESTART", kNoRestart},
    {"/RESTARTEXITCODE", Kind::Value, Meaning::NotHere, "/RESTARTEXITCODE=код", kNoRestart},
    {"/CLOSEAPPLICATIONS", Kind::Flag, Meaning::NotHere, "/CLOSEAPPLICATIONS", kNoClosing},
    {"/NOCLOSEAPPLICATIONS", Kind::Flag, Meaning::NotHere, "/NOCLOSEAPPLICATIONS", kNoClosing},
    {"/FORCECLOSEAPPLICATIONS", Kind::Flag, Meaning::NotHere, "/FORCECLOSEAPPLICATIONS",
     kNoClosing},
    // Both spellings are in use: the documented one and the one Inno's own help shows.
    {"/NOFORCECLOSEAPPLICATIONS", Kind::Flag, Meaning::NotHere, "/NOFORCECLOSEAPPLICATIONS",
     kNoClosing},
    {"/FORCENOCLOSEAPPLICATIONS", Kind::Flag, Meaning::NotHere, "/FORCENOCLOSEAPPLICATIONS",
     kNoClosing},
    {"/LOGCLOSEAPPLICATIONS", Kind::Flag, Meaning::NotHere, "/LOGCLOSEAPPLICATIONS", kNoClosing},
    {"/RESTARTAPPLICATIONS", Kind::Flag, Meaning::NotHere, "/RESTARTAPPLICATIONS", kNoClosing},
    {"/NORESTARTAPPLICATIONS", Kind::Flag, Meaning::NotHere, "/NORESTARTAPPLICATIONS", kNoClosing},
    {"/ALLUSERS", Kind::Flag, Meaning::NotHere, "/ALLUSERS", "игра и так для всех пользователей"},
    {"/NOSTYLE", Kind::Flag, Meaning::NotHere, "/NOSTYLE", "у мастера свой облик"},
    {"/REDIRECTIONGUARD", Kind::Flag, Meaning::NotHere, "/REDIRECTIONGUARD",
     "защита от перенаправлений включена всегда"},
    {"/NOREDIRECTIONGUARD", Kind::Flag, Meaning::NotHere, "/NOREDIRECTIONGUARD",
     "защита от перенаправлений включена всегда"},
    {"/TYPE", Kind::Value, Meaning::NotHere, "/TYPE=тип", kOneSet},
    {"/COMPONENTS", Kind::List, Meaning::NotHere, "/COMPONENTS=\"список\"", kOneSet},
    {"/PASSWORD", Kind::Value, Meaning::NotHere, "/PASSWORD=пароль", "дистрибутив без пароля"},
    {"/CURRENTUSER", Kind::Flag, Meaning::Refused, "/CURRENTUSER",
     "игра устанавливается для всех пользователей"},
};

const SwitchRule* FindRule(const std::string& upperName) {
    for (const SwitchRule& rule : kRules)
        if (upperName == rule.name) return &rule;
    return nullptr;
}

// Edits (insertions, deletions, changes, swaps of neighbours) that turn a into b; anything
// above `most` counts as most + 1.
size_t EditDistance(const std::string& a, const std::string& b, size_t most) {
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > most) return most + 1;
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i)
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t change = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + change});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    return d[a.size()][b.size()];
}

// The switch that acts here which an unknown name is a slip of: within two edits, and
// fewer edits than the switch has characters after its slash, so that short words of other
// installers ("/S", "/Q") are not taken for "/?".
const SwitchRule* NearMiss(const std::string& upperName) {
    const SwitchRule* nearest = nullptr;
    size_t fewest = 3;
    for (const SwitchRule& rule : kRules) {
        if (rule.meaning != Meaning::Acts) continue;
        const size_t edits = EditDistance(upperName, rule.name, 2);
        if (edits < fewest && edits + 1 < std::strlen(rule.name)) {
            nearest = &rule;
            fewest = edits;
        }
    }
    return nearest;
}

class SwitchReader {
  public:
    explicit SwitchReader(SetupSwitches& switches) : switches_(switches) {}

    // One argument; returns the error text, empty when it was taken.
    std::string Take(const std::string& argument) {
        const size_t equals = argument.find('=');
        const std::string given = argument.substr(0, equals);
        const std::string name = UpperAscii(given);
        const bool hasValue = equals != std::string::npos;
        const std::string value = hasValue ? Trim(argument.substr(equals + 1)) : std::string();
        const SwitchRule* rule = FindRule(name);
        if (!rule) return Unknown(argument, name);
        if (rule->meaning == Meaning::Refused)
            return "Ключ " + given + " не принимается: " + rule->text + ".";
        if (rule->meaning == Meaning::NotHere) {
            switches_.notApplicable.push_back(rule->name);
            return {};
        }
        if (rule->kind == Kind::Flag && hasValue) return "Ключ " + given + " не имеет значения.";
        if ((rule->kind == Kind::Value || rule->kind == Kind::List) && !hasValue)
            return "Для ключа " + given + " не указано значение.";
        if (rule->kind == Kind::Value && value.empty())
            return "Для ключа " + given + " не указано значение.";
        if (rule->kind == Kind::OptionalValue && hasValue && value.empty())
            return "Для ключа " + given + " не указано имя файла.";
        // /? and /HELP are the same request.
        const std::string key = name == "/?" ? "/HELP" : name;
        const auto [seen, first] = values_.emplace(key, value);
        if (!first && seen->second != value)
            return "Ключ " + given + " указан более одного раза с разными значениями.";
        return Apply(name, given, hasValue, value);
    }

  private:
    std::string Unknown(const std::string& argument, const std::string& name) {
        if (const SwitchRule* meant = NearMiss(name))
            return "Неизвестный ключ " + argument + " похож на " + meant->name +
                   ": проверьте командную строку.";
        switches_.ignored.push_back(argument);
        return {};
    }

    std::string Apply(const std::string& name, const std::string& given, bool hasValue,
                      const std::string& value) {
        SetupSwitches& s = switches_;
        if (name == "/SILENT" && s.mode != SetupMode::VerySilent)
            s.mode = SetupMode::Silent;
        else if (name == "/VERYSILENT")
            s.mode = SetupMode::VerySilent;
        else if (name == "/SUPPRESSMSGBOXES")
            s.suppressMessageBoxes = true;
        else if (name == "/DIR")
            s.directory = value;
        else if (name == "/GROUP")
            s.group = value;
        else if (name == "/NOICONS")
            s.noIcons = true;
        else if (name == "/TASKS" || name == "/MERGETASKS") {
            TaskChoices check;
            const std::string error = ApplyTaskList(value, name == "/MERGETASKS", check);
            if (!error.empty()) return error + " (ключ " + given + ")";
            (name == "/TASKS" ? s.tasks : s.mergeTasks) = value;
        } else if (name == "/NODESKTOP")
            s.noDesktop = true;
        else if (name == "/NOUNINSTALLER")
            s.noUninstaller = true;
        else if (name == "/NOCANCEL")
            s.noCancel = true;
        else if (name == "/LANG" && UpperAscii(value) != "RU")
            return "Язык установки только русский (/LANG=ru), а не " + value + ".";
        else if (name == "/LOADINF")
            s.loadInf = value;
        else if (name == "/SAVEINF")
            s.saveInf = value;
        else if (name == "/LOG") {
            s.log = true;
            if (hasValue) s.logFile = value;
        } else if (name == "/?" || name == "/HELP")
            s.help = true;
        return {};
    }

    SetupSwitches& switches_;
    std::map<std::string, std::string> values_;  // each switch taken, with its value
};

struct Token {
    size_t begin = 0, end = 0;  // where it stands in the line, quotes included
    std::string text;           // without its quotes
};

std::vector<Token> Tokens(const std::string& line) {
    std::vector<Token> tokens;
    Token current;
    bool quoted = false, inToken = false;
    for (size_t at = 0; at < line.size(); ++at) {
        const char c = line[at];
        if (IsBlank(c) && !quoted) {
            if (inToken) tokens.push_back(current);
            current = Token();
            inToken = false;
            continue;
        }
        if (!inToken) current.begin = at;
        inToken = true;
        current.end = at + 1;
        if (c == '"')
            quoted = !quoted;
        else
            current.text += c;
    }
    if (inToken) tokens.push_back(current);
    return tokens;
}

bool StartsWithFolded(const std::string& text, size_t at, const std::string& prefix) {
    if (prefix.empty() || text.size() - at < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (FoldedCase(text[at + i]) != FoldedCase(prefix[i])) return false;
    return true;
}

std::string WithoutExe(const std::string& path) {
    const size_t size = path.size();
    return size > 4 && UpperAscii(path.substr(size - 4)) == ".EXE" ? path.substr(0, size - 4)
                                                                   : std::string();
}

std::string Padded(const std::string& text, size_t width) {
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text + ' ';
}

}  // namespace

std::string ArgumentsPart(const std::string& commandLine, const std::string& moduleFileName) {
    size_t start = 0;
    while (start < commandLine.size() && IsBlank(commandLine[start])) ++start;
    if (start == commandLine.size()) return {};
    if (commandLine[start] == '"') {
        const size_t close = commandLine.find('"', start + 1);
        return close == std::string::npos ? std::string() : commandLine.substr(close + 1);
    }
    for (const std::string& name : {moduleFileName, WithoutExe(moduleFileName)}) {
        const size_t end = start + name.size();
        if (StartsWithFolded(commandLine, start, name) &&
            (end == commandLine.size() || IsBlank(commandLine[end])))
            return commandLine.substr(end);
    }
    size_t end = start;
    while (end < commandLine.size() && !IsBlank(commandLine[end])) ++end;
    return commandLine.substr(end);
}

std::vector<std::string> SplitArguments(const std::string& arguments) {
    std::vector<std::string> texts;
    for (Token& token : Tokens(arguments)) texts.push_back(std::move(token.text));
    return texts;
}

ParsedSwitches ParseSwitches(const std::vector<std::string>& arguments) {
    ParsedSwitches parsed;
    SwitchReader reader(parsed.switches);
    // After an error the rest is still read, so that /VERYSILENT anywhere keeps its box
    // away; the first error is the one reported.
    for (const std::string& argument : arguments) {
        const std::string error = reader.Take(argument);
        if (parsed.error.empty()) parsed.error = error;
    }
    return parsed;
}

std::string CommandLineForLog(const std::string& commandLine) {
    constexpr char kPassword[] = "/PASSWORD=";
    std::string shown = commandLine;
    const std::vector<Token> tokens = Tokens(commandLine);
    for (auto token = tokens.rbegin(); token != tokens.rend(); ++token)
        if (UpperAscii(token->text).starts_with(kPassword))
            shown.replace(token->begin, token->end - token->begin, "/PASSWORD=***");
    return shown;
}

std::string ApplyTaskList(const std::string& list, bool merge, TaskChoices& tasks) {
    TaskChoices chosen = merge ? tasks : TaskChoices{false, false};
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        std::string item = Trim(list.substr(start, comma - start));
        start = comma + 1;
        const bool on = item.empty() || item[0] != '!';
        item.erase(0, item.find_first_not_of("!*"));
        if (item.empty()) continue;
        const std::string name = UpperAscii(item);
        if (name == "DESKTOPICON")
            chosen.desktopIcon = on;
        else if (name == "UNINSTALLER")
            chosen.uninstaller = on;
        else
            return "Неизвестная задача " + item + ": есть только desktopicon и uninstaller";
    }
    tasks = chosen;
    return {};
}

std::string TaskListText(const TaskChoices& tasks) {
    std::string list = tasks.desktopIcon ? "desktopicon" : "";
    if (tasks.uninstaller) list += list.empty() ? "uninstaller" : ",uninstaller";
    return list;
}

std::string InstallDirectoryFromSwitch(const std::string& value) {
    std::string path = Trim(value);
    std::replace(path.begin(), path.end(), '/', '\\');
    const bool drive = path.size() >= 2 && UpperAscii(path[0]) >= 'A' &&
                       UpperAscii(path[0]) <= 'Z' && path[1] == ':' &&
                       (path.size() == 2 || path[2] == '\\');
    if (!drive) return {};
    std::vector<std::string> parts;
    size_t start = 3;
    while (start < path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        std::string part = path.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
            continue;
        }
        // The system drops them from a name, so the folder made would not be the one
        // recorded.
        part.erase(part.find_last_not_of(". ") + 1);
        if (part.empty()) return {};
        parts.push_back(part);
    }
    std::string below;
    for (const std::string& part : parts) below += (below.empty() ? "" : "\\") + part;
    if (!below.empty() && !uninstall::IsPlainRelativePath(below)) return {};
    const std::string folder = std::string(1, UpperAscii(path[0])) + ":\\" + below;
    return folder.size() > kLongestFolder ? std::string() : folder;
}

std::string GroupNameFromSwitch(const std::string& value) {
    std::string name;
    for (char c : value)
        if (!std::strchr(kRefusedInGroupName, c)) name += c;
    return Trim(name);
}

std::string SwitchesHelpText() {
    size_t width = 0;
    for (const SwitchRule& rule : kRules)
        if (rule.shown) width = std::max(width, std::strlen(rule.shown));
    width += 3;
    const auto rows = [&](Meaning meaning) {
        std::string text;
        for (const SwitchRule& rule : kRules)
            if (rule.meaning == meaning && rule.shown)
                text += "  " + Padded(rule.shown, width) + rule.text + "\r\n";
        return text;
    };
    const auto row = [&](const char* left, const char* right) {
        return "  " + Padded(left, width) + right + "\r\n";
    };
    return "MVTSetup.exe [ключи]\r\n\r\n" + rows(Meaning::Acts) + "\r\n" + "Задачи:\r\n" +
           row("desktopicon", "ярлык на рабочем столе (по умолчанию есть)") +
           row("uninstaller", "деинсталлятор, его ярлык и запись (по умолчанию есть)") +
           "\r\nЖурнал без имени файла: %TEMP%\\MVTSetup Log ГГГГ-ММ-ДД #NNN.txt\r\n\r\n" +
           "Принимаются, но здесь ничего не меняют:\r\n" + rows(Meaning::NotHere) + "\r\n" +
           "Не принимается:\r\n" + rows(Meaning::Refused) + "\r\n" +
           "Неизвестный ключ записывается в журнал и пропускается; ключ, похожий на один из\r\n"
           "действующих (/VERYSLENT), не принимается.\r\n\r\n"
           "Коды завершения:\r\n" +
           row("0", "установлено полностью; или показан этот список") +
           row("1", "установка не начата: неверный ключ или значение, неполный дистрибутив") +
           row("2", "мастер закрыт до начала установки") +
           row("4", "установка не удалась или установлены не все файлы") +
           row("5", "установка прервана пользователем");
}

}  // namespace mvt::setup
