#include "framework/inifiles.h"

#include <windows.h>

#include <cstdlib>

namespace mvt {

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    char buffer[2048];
    DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                            buffer, sizeof buffer, fileName_.c_str());
    return std::string(buffer, length);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key,
                          int defaultValue) const {
    std::string text = Trim(ReadString(section, key, ""));
    if (text.empty()) return defaultValue;
    char* end = nullptr;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    long value = std::strtol(text.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
    return (end && *end == '\0') ? static_cast<int>(value) : defaultValue;
}

void TIniFile::WriteFailed() const {
    throw EIniFileException(Format("Unable to write to %s", fileName_.c_str()));
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), fileName_.c_str()))
        WriteFailed();
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::EraseSection(const std::string& section) {
    if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, fileName_.c_str()))
        WriteFailed();
}

std::vector<std::string> TIniFile::ReadSection(const std::string& section) const {
    std::vector<char> buffer(16384);
    DWORD length = GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(),
                                            buffer.size(), fileName_.c_str());
    std::vector<std::string> keys;
    for (DWORD at = 0; at < length && buffer[at];) {
        std::string key(buffer.data() + at);
        at += key.size() + 1;
        keys.push_back(std::move(key));
    }
    return keys;
}

}  // namespace mvt
