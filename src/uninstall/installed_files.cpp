#include "uninstall/installed_files.h"

#include <zlib.h>

#include <cstdio>
#include <sstream>

namespace mvt::uninstall {

namespace {

constexpr char kHeader[] = "MVT installed files 1\r\n";
constexpr char kEnd[] = "END\t";

uint32_t Checksum(const std::string& text, size_t length) {
    uLong crc = crc32(0, nullptr, 0);
    return static_cast<uint32_t>(
        crc32(crc, reinterpret_cast<const Bytef*>(text.data()), static_cast<uInt>(length)));
}

std::string Hex8(uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
    return text;
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// CON, PRN, AUX, NUL, COM1..9, LPT1..9, alone or with an extension: the system opens the
// device whatever folder is in front.
bool IsDeviceName(const std::string& component) {
    std::string stem = component.substr(0, component.find('.'));
    for (char& c : stem) c = AsciiUpper(c);
    while (!stem.empty() && stem.back() == ' ') stem.pop_back();
    if (stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL") return true;
    return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) &&
           stem[3] >= '1' && stem[3] <= '9';
}

bool IsPlainComponent(const std::string& component) {
    if (component.empty() || component == "." || component == "..") return false;
    if (component.back() == '.' || component.back() == ' ') return false;
    for (char c : component) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 32 || std::string_view("<>:\"/|?*").find(c) != std::string_view::npos)
            return false;
    }
    return !IsDeviceName(component);
}

}  // namespace

bool IsPlainRelativePath(const std::string& path) {
    if (path.empty() || path.size() >= 260) return false;
    size_t start = 0;
    for (;;) {
        const size_t end = path.find('\\', start);
        if (!IsPlainComponent(path.substr(start, end - start))) return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

std::string FormatInstalledFiles(const InstalledFiles& list) {
    std::string text = kHeader;
    for (const std::string& file : list.files) text += "F\t" + file + "\r\n";
    for (const std::string& folder : list.folders) text += "D\t" + folder + "\r\n";
    const size_t entries = list.files.size() + list.folders.size();
    const uint32_t crc = Checksum(text, text.size());
    text += kEnd + std::to_string(entries) + "\t" + Hex8(crc) + "\r\n";
    return text;
}

InstalledFilesParse ParseInstalledFiles(const std::string& text) {
    InstalledFilesParse result;
    auto refuse = [&](const std::string& why) {
        result = InstalledFilesParse{};
        result.error = why;
        return result;
    };
    if (!text.starts_with(kHeader)) return refuse("not a list of installed files");
    size_t at = sizeof kHeader - 1;
    for (;;) {
        const size_t end = text.find("\r\n", at);
        if (end == std::string::npos) return refuse("the list is cut short");
        const std::string line = text.substr(at, end - at);
        if (line.starts_with(kEnd)) {
            const std::string expected =
                kEnd + std::to_string(result.list.files.size() + result.list.folders.size()) +
                "\t" + Hex8(Checksum(text, at));
            if (line != expected) return refuse("the list's count or checksum does not match");
            if (end + 2 != text.size()) return refuse("text follows the end of the list");
            result.ok = true;
            return result;
        }
        if (line.size() < 3 || line[1] != '\t' || (line[0] != 'F' && line[0] != 'D'))
            return refuse("a line of the list is damaged");
        const std::string path = line.substr(2);
        if (!IsPlainRelativePath(path))
            return refuse("a path leads outside the install directory: " + path);
        (line[0] == 'F' ? result.list.files : result.list.folders).push_back(path);
        at = end + 2;
    }
}

}  // namespace mvt::uninstall
