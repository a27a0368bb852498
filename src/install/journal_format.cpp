#include "install/journal_format.h"

#include <cstdint>

#include "uninstall/installed_files.h"

namespace mvt::install {

namespace {

constexpr char kDigits[] = "0123456789abcdef";
constexpr std::string_view kAsideMark = ".~mvt";

std::vector<std::string> Fields(std::string_view line) {
    std::vector<std::string> fields;
    for (size_t start = 0;;) {
        const size_t tab = line.find('\t', start);
        fields.emplace_back(line.substr(start, tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

// "C:\..." or "\\server\share\...": undoing never acts on a path taken from elsewhere.
bool IsAbsolute(const std::string& path) {
    const bool drive = path.size() >= 3 && path[1] == ':' && path[2] == '\\';
    const bool share = path.size() > 2 && path[0] == '\\' && path[1] == '\\';
    return (drive || share) && path.find("\\..\\") == std::string::npos && !path.ends_with("\\..");
}

bool IsNumber(const std::string& text) {
    return !text.empty() && text.size() <= 10 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

// Whether the fields after the kind letter are what the kind requires.
bool FieldsFit(JournalKind kind, const std::vector<std::string>& f) {
    using uninstall::IsPlainRelativePath;
    switch (kind) {
        case JournalKind::Folder:
            return f.size() == 1 && IsAbsolute(f[0]);
        case JournalKind::NewFile:
            return f.size() == 2 && IsAbsolute(f[0]) && IsPlainRelativePath(f[1]);
        case JournalKind::MovedAside:
            return f.size() == 3 && IsAbsolute(f[0]) && IsPlainRelativePath(f[1]) &&
                   IsPlainRelativePath(f[2]) && f[2].find('\\') == std::string::npos;
        case JournalKind::Content:
            return f.size() == 3 && IsAbsolute(f[0]) && IsPlainRelativePath(f[1]) &&
                   HexBytes(f[2]).has_value();
        case JournalKind::Key:
            return f.size() == 2 && f[0].starts_with("SOFTWARE\\") && (f[1] == "0" || f[1] == "1");
        case JournalKind::Value:
            return f.size() == 4 && f[0].starts_with("SOFTWARE\\") && HexBytes(f[1]).has_value() &&
                   IsNumber(f[2]) && HexBytes(f[3]).has_value();
    }
    return false;
}

}  // namespace

std::optional<std::string> EntryTarget(std::string_view name) {
    if (name.empty() || name.front() == '\\' || name.front() == '/') return std::nullopt;
    std::string path;
    for (size_t start = 0; start <= name.size();) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string_view::npos) end = name.size();
        const std::string_view component = name.substr(start, end - start);
        start = end + 1;
        if (component.empty() || component == ".") continue;
        if (!path.empty()) path += '\\';
        path += component;
    }
    if (!uninstall::IsPlainRelativePath(path)) return std::nullopt;
    return path;
}

std::string AsideName(const std::string& name, unsigned n) {
    return name + std::string(kAsideMark) + std::to_string(n);
}

bool IsAsideName(std::string_view name) {
    const size_t mark = name.rfind(kAsideMark);
    return mark != std::string_view::npos && mark + kAsideMark.size() < name.size() &&
           name.find_first_not_of("0123456789", mark + kAsideMark.size()) == std::string_view::npos;
}

std::string HexText(std::string_view bytes) {
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

std::optional<std::string> HexBytes(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (size_t at = 0; at < hex.size(); at += 2) {
        const int high = nibble(hex[at]), low = nibble(hex[at + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
}

std::string FormatJournalStep(const JournalStep& step) {
    std::string line(1, static_cast<char>(step.kind));
    for (const std::string& field : step.fields) line += "\t" + field;
    return line;
}

std::optional<std::vector<JournalStep>> ParseJournalSteps(std::string_view text) {
    std::vector<JournalStep> steps;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        if (line.size() < 2 || line[1] != '\t') return std::nullopt;
        const auto kind = static_cast<JournalKind>(line[0]);
        std::vector<std::string> fields = Fields(line.substr(2));
        if (!FieldsFit(kind, fields)) return std::nullopt;
        steps.push_back({kind, std::move(fields)});
    }
    return steps;
}

}  // namespace mvt::install
