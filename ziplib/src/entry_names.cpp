#include "entry_names.h"

#include <cstring>
#include <vector>

namespace ziplib {
namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

uint8_t Upper(char c) {
    const auto b = static_cast<uint8_t>(c);
    return (b >= 'a' && b <= 'z') ? static_cast<uint8_t>(b - 32) : b;
}

bool EqualsAsciiNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

// Device names are reserved with any extension ("nul.txt") and trailing blanks.
bool IsDeviceName(std::string_view component) {
    std::string_view stem = component.substr(0, component.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    static constexpr std::string_view kFixed[] = {"CON",    "PRN",     "AUX",   "NUL",
                                                  "CONIN$", "CONOUT$", "CLOCK$"};
    for (std::string_view device : kFixed)
        if (EqualsAsciiNoCase(stem, device)) return true;
    if (stem.size() == 4 && (EqualsAsciiNoCase(stem.substr(0, 3), "COM") ||
                             EqualsAsciiNoCase(stem.substr(0, 3), "LPT")))
        return stem[3] >= '0' && stem[3] <= '9';
    return false;
}

const char* ComponentProblem(std::string_view component) {
    if (component == "..") return "refers to a parent folder";
    if (component.back() == '.' || component.back() == ' ')
        return "has a component ending in a dot or blank";
    if (IsDeviceName(component)) return "names a device";
    return nullptr;
}

}  // namespace

CaseTable AsciiCaseTable() {
    CaseTable table{};
    for (int i = 0; i < 256; ++i) table[i] = Upper(static_cast<char>(i));
    return table;
}

SafePath MakeSafeRelativePath(std::string_view name) {
    SafePath result;
    auto refuse = [&](const char* why) {
        result.reason = why;
        result.path.clear();
        return result;
    };
    if (name.empty()) return refuse("is empty");
    if (IsSeparator(name.front())) return refuse("is an absolute path");
    for (char c : name) {
        const auto b = static_cast<uint8_t>(c);
        if (c == ':') return refuse("holds a drive letter or stream name");
        if (b < 0x20) return refuse("holds control characters");
        if (std::strchr("<>\"|?*", c) != nullptr)
            return refuse("holds wildcard or reserved characters");
    }
    size_t pos = 0;
    while (pos < name.size()) {
        size_t next = pos;
        while (next < name.size() && !IsSeparator(name[next])) ++next;
        const std::string_view component = name.substr(pos, next - pos);
        pos = next + 1;
        if (component.empty() || component == ".") continue;
        if (const char* problem = ComponentProblem(component)) return refuse(problem);
        if (!result.path.empty()) result.path += '\\';
        result.path.append(component);
    }
    if (result.path.empty()) {
        refuse("names no file");
        result.root = true;
        return result;
    }
    result.safe = true;
    return result;
}

std::string_view BaseName(std::string_view path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool MatchesSpec(std::string_view name, std::string_view pattern, const CaseTable& upper) {
    if (pattern == "*.*" || pattern == "*") return true;
    auto fold = [&](char c) -> uint8_t {
        return IsSeparator(c) ? uint8_t{'\\'} : upper[static_cast<uint8_t>(c)];
    };
    if (!pattern.empty() && IsSeparator(pattern.back())) {
        // A folder: everything below it.
        if (name.size() <= pattern.size()) return false;
        for (size_t i = 0; i < pattern.size(); ++i)
            if (fold(name[i]) != fold(pattern[i])) return false;
        return true;
    }
    // Greedy match with one backtrack point: linear in practice, never exponential.
    size_t n = 0, s = 0, starSpec = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (s < pattern.size() && pattern[s] == '*') {
            starSpec = s++;
            starName = n;
        } else if (s < pattern.size() && (pattern[s] == '?' || fold(pattern[s]) == fold(name[n]))) {
            ++s;
            ++n;
        } else if (starSpec != std::string_view::npos) {
            s = starSpec + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (s < pattern.size() && pattern[s] == '*') ++s;
    return s == pattern.size();
}

}  // namespace ziplib
