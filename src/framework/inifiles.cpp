#include "framework/inifiles.h"

#include <windows.h>

#include <cstdlib>

#include "framework/handles.h"

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
    throw EIniFileException(Format("Unable to write to %s", shownName_.c_str()));
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    if (!WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), fileName_.c_str()))
        WriteFailed();
    Written();
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::EraseSection(const std::string& section) {
    if (!WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, fileName_.c_str()))
        WriteFailed();
    Written();
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

// ---- TGuardedIniFile ---------------------------------------------------------------------

namespace {

// An ini file of some megabytes is far beyond any the setup writes.
constexpr size_t kIniLimit = 16u << 20;
constexpr DWORD kIniAccess = GENERIC_READ | GENERIC_WRITE;

// The whole content of a file in the private folder (nobody else can reach it); false when
// it is not there.
bool ReadCopy(const std::string& path, std::string& bytes) {
    const UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string error;
    return file.get() != INVALID_HANDLE_VALUE && ReadWholeFile(file.get(), kIniLimit, bytes, error);
}

}  // namespace

struct TGuardedIniFile::Opened {
    std::string shown;
    TGuardedFolder folder;
    std::string name;
    TPrivateFolder copies;
    std::optional<TGuardedFile> file;
};

TGuardedIniFile::Opened TGuardedIniFile::Open(const std::string& folder, const std::string& name) {
    const std::string shown = folder + "\\" + name;
    const auto refuse = [&] {
        throw EIniFileException(Format("Unable to write to %s", shown.c_str()));
    };
    std::string error, bytes;
    std::optional<TGuardedFolder> guarded =
        TGuardedFolder::Open(folder, TFolderWay::NoLinkAtItsEnd, error);
    if (!guarded) refuse();
    TGuardedOutcome outcome;
    std::optional<TGuardedFile> file = OpenFileBelow(*guarded, name, TGuardedCreation::Existing,
                                                     kIniAccess, FILE_SHARE_READ, outcome, error);
    if ((!file && outcome != TGuardedOutcome::Missing) ||
        (file && !file->Read(kIniLimit, bytes, error)))
        refuse();
    std::optional<TPrivateFolder> copies = TPrivateFolder::Make("mvt-ini-", error);
    if (!copies || (file && !WriteNewFile(copies->Path() + "\\" + name, bytes))) refuse();
    return Opened{shown, std::move(*guarded), name, std::move(*copies), std::move(file)};
}

TGuardedIniFile::TGuardedIniFile(const std::string& folder, const std::string& name)
    : TGuardedIniFile(Open(folder, name)) {}

TGuardedIniFile::TGuardedIniFile(Opened opened)
    : TIniFile(opened.copies.Path() + "\\" + opened.name, opened.shown),
      folder_(std::move(opened.folder)),
      name_(std::move(opened.name)),
      copies_(std::move(opened.copies)),
      file_(std::move(opened.file)) {}

void TGuardedIniFile::Written() {
    std::string bytes, error;
    // A write that made nothing (an erased section of a file that is not there) leaves the
    // file as it is.
    if (!ReadCopy(copies_.Path() + "\\" + name_, bytes)) {
        if (file_) WriteFailed();
        return;
    }
    TGuardedOutcome outcome;
    if (!file_)
        file_ = OpenFileBelow(folder_, name_, TGuardedCreation::New, kIniAccess, FILE_SHARE_READ,
                              outcome, error);
    if (!file_ || !file_->Rewrite(bytes, error)) WriteFailed();
}

}  // namespace mvt
