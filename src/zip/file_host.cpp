#include "zip/file_host.h"

#include <winnetwk.h>

#include <cctype>

#include "framework/guarded_files.h"
#include "framework/handles.h"
#include "framework/sysutils.h"
#include "framework/system_library.h"

namespace mvt::zip {

namespace {

class Win32ArchiveFile : public ArchiveFile {
  public:
    explicit Win32ArchiveFile(HANDLE file) : file_(file) {}
    int64_t Size() override {
        LARGE_INTEGER size;
        return GetFileSizeEx(file_.get(), &size) ? size.QuadPart : -1;
    }
    bool Seek(int64_t position) override {
        LARGE_INTEGER to;
        to.QuadPart = position;
        return SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN);
    }
    size_t Read(void* buffer, size_t count) override {
        DWORD read = 0;
        if (!ReadFile(file_.get(), buffer, static_cast<DWORD>(count), &read, nullptr)) return 0;
        return read;
    }

  private:
    UniqueHandle file_;
};

}  // namespace

std::string Win32FileHost::ExpandPath(const std::string& path) {
    char buffer[MAX_PATH * 2];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    return length && length < sizeof buffer ? std::string(buffer, length) : path;
}

DriveKind Win32FileHost::DriveOf(const std::string& path) {
    if (path.size() < 2 || path[1] != ':') return DriveKind::Invalid;
    const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    if (letter < 'A' || letter > 'Z' || !(GetLogicalDrives() & (1u << (letter - 'A'))))
        return DriveKind::Invalid;
    const char root[] = {letter, ':', '\\', '\0'};
    switch (GetDriveTypeA(root)) {
        case DRIVE_REMOVABLE:
            return DriveKind::Removable;
        case DRIVE_FIXED:
            return DriveKind::Fixed;
        case DRIVE_REMOTE:
            return DriveKind::Network;
        case DRIVE_CDROM:
            return DriveKind::CdRom;
        case DRIVE_RAMDISK:
            return DriveKind::RamDisk;
        default:
            return DriveKind::Unknown;
    }
}

bool Win32FileHost::FileExists(const std::string& path) {
    return mvt::FileExists(path);
}

std::unique_ptr<ArchiveFile> Win32FileHost::OpenForReading(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32ArchiveFile>(file);
}

std::string Win32FileHost::ConvertOemToAnsi(const std::string& text) {
    std::string result = text;
    if (!result.empty())
        OemToCharBuffA(text.data(), result.data(), static_cast<DWORD>(text.size()));
    return result;
}

std::string FullDestinationPath(const std::string& folder) {
    std::string result = folder;
    char full[MAX_PATH * 2];
    const DWORD length = GetFullPathNameA(folder.c_str(), sizeof full, full, nullptr);
    if (length && length < sizeof full) result.assign(full, length);
    if (result.size() >= 2 && result[1] == ':' &&
        std::isalpha(static_cast<unsigned char>(result[0]))) {
        // The network library is no KnownDLL: taken from the system folder for this look-up.
        const TSystemLibrary network("mpr.dll");
        const auto getConnection =
            network.Entry<decltype(&::WNetGetConnectionA)>("WNetGetConnectionA");
        const std::string drive = result.substr(0, 2);
        char remote[MAX_PATH];
        DWORD size = sizeof remote;
        if (getConnection && getConnection(drive.c_str(), remote, &size) == NO_ERROR)
            result = ExcludeTrailingBackslash(remote) + result.substr(2);
    }
    return result;
}

namespace {

UniqueHandle OpenFolder(const std::string& path, DWORD flags) {
    HANDLE handle = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

// The system's path for an open folder, without the "\\?\" prefix; empty when it gives none.
std::string ShownFinalPath(HANDLE handle) {
    std::string path = handle ? FinalPathOf(handle) : std::string();
    if (path.rfind("\\\\?\\", 0) == 0) path.erase(0, 4);
    return path;
}

}  // namespace

std::optional<std::string> LinkTargetOf(const std::string& folder) {
    const std::string path = ExcludeTrailingBackslash(folder);
    const size_t cut = path.find_last_of('\\');
    if (cut == std::string::npos || cut + 1 >= path.size()) return std::nullopt;  // a root
    const UniqueHandle itself = OpenFolder(path, FILE_FLAG_OPEN_REPARSE_POINT);
    if (!itself) return std::nullopt;
    // A link opened as itself says so (Windows); one the system follows anyway (Wine) shows
    // as a folder that does not lie where its name does.
    FILE_ATTRIBUTE_TAG_INFO tag{};
    const bool reparse =
        GetFileInformationByHandleEx(itself.get(), FileAttributeTagInfo, &tag, sizeof tag) &&
        (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    const std::string parent = ShownFinalPath(OpenFolder(path.substr(0, cut + 1), 0).get());
    const std::string expected = ExcludeTrailingBackslash(parent) + path.substr(cut);
    const std::string target = ShownFinalPath(OpenFolder(path, 0).get());
    const bool elsewhere = !parent.empty() && !target.empty() &&
                           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, target.data(),
                                          static_cast<int>(target.size()), expected.data(),
                                          static_cast<int>(expected.size())) != CSTR_EQUAL;
    if (!reparse && !elsewhere) return std::nullopt;
    return target.empty() ? std::string("another place") : target;
}

bool CanWriteInto(const std::string& folder, DWORD& error) {
    // Some systems answer with a name although the file could not be made, so the file
    // itself is looked for as well.
    char probe[MAX_PATH];
    SetLastError(0);
    const bool named = GetTempFileNameA(folder.c_str(), "tmp", 0, probe) != 0;
    error = GetLastError();
    if (!named || !mvt::FileExists(probe)) {
        if (error == 0) error = ERROR_ACCESS_DENIED;
        return false;
    }
    DeleteFileA(probe);
    return true;
}

}  // namespace mvt::zip
