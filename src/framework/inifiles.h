// Ini files through the system's private-profile functions: every write reaches the file at
// once, and section and key names match without regard to case.
#pragma once

#include <string>
#include <vector>

#include "framework/sysutils.h"

namespace mvt {

class EIniFileException : public Exception {
    using Exception::Exception;
};

class TIniFile {
  public:
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}
    const std::string& FileName() const { return fileName_; }

    // Values longer than 2047 characters are cut, as the profile functions do with the
    // 2048-byte read buffer.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    int ReadInteger(const std::string& section, const std::string& key, int defaultValue) const;
    // Raise EIniFileException "Unable to write to <file>" when the system refuses.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void EraseSection(const std::string& section);
    std::vector<std::string> ReadSection(const std::string& section) const;

  private:
    [[noreturn]] void WriteFailed() const;
    std::string fileName_;
};

}  // namespace mvt
