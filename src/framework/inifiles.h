// Ini files through the system's private-profile functions: every write reaches the file at
// once, and section and key names match without regard to case.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "framework/guarded_files.h"
#include "framework/private_folder.h"
#include "framework/sysutils.h"

namespace mvt {

class EIniFileException : public Exception {
    using Exception::Exception;
};

class TIniFile {
  public:
    explicit TIniFile(std::string fileName) : fileName_(fileName), shownName_(fileName) {}
    virtual ~TIniFile() = default;
    TIniFile(const TIniFile&) = default;
    TIniFile(TIniFile&&) = default;
    TIniFile& operator=(const TIniFile&) = delete;
    TIniFile& operator=(TIniFile&&) = delete;
    // The file this object stands for.
    const std::string& FileName() const { return shownName_; }

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

  protected:
    // An object whose profile functions work on `fileName` in place of `shownName`.
    TIniFile(std::string fileName, std::string shownName)
        : fileName_(std::move(fileName)), shownName_(std::move(shownName)) {}
    // Called after every write the system took.
    virtual void Written() {}
    [[noreturn]] void WriteFailed() const;

  private:
    std::string fileName_;   // where the profile functions read and write
    std::string shownName_;  // the file in the messages
};

// An ini file in a folder others may write to (the install directory), written by an
// elevated program. The profile functions go by name and follow every kind of link, so they
// never touch it: they work on a copy in a private folder (private_folder.h), and after every
// write the copy's bytes go into the file through a handle checked to be no link of any
// kind, of one name only, directly in the folder (guarded_files.h), which the object holds
// without delete sharing. So each write still reaches the file at once, and nothing is ever
// written anywhere else. A file of that name that is a link, has a second name, is a folder
// or cannot be opened raises "Unable to write to <file>" before anything is written; a
// missing one is made, without following a link, at the first write.
class TGuardedIniFile final : public TIniFile {
  public:
    TGuardedIniFile(const std::string& folder, const std::string& name);
    TGuardedIniFile(TGuardedIniFile&&) = default;

  private:
    struct Opened;
    static Opened Open(const std::string& folder, const std::string& name);
    explicit TGuardedIniFile(Opened opened);
    void Written() override;

    TGuardedFolder folder_;
    std::string name_;
    TPrivateFolder copies_;
    std::optional<TGuardedFile> file_;  // none until the first write where none was
};

}  // namespace mvt
