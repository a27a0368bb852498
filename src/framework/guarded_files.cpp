#include "framework/guarded_files.h"

#include <vector>

#include "framework/sysutils.h"

namespace mvt {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Levels on the way share everything but deletion: they cannot be renamed while held.
constexpr DWORD kHeldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kNoFollow = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

bool Valid(const UniqueHandle& handle) {
    return handle && handle.get() != INVALID_HANDLE_VALUE;
}

UniqueHandle OpenNoFollow(const std::string& path, DWORD access, DWORD share) {
    HANDLE handle =
        CreateFileA(path.c_str(), access, share, nullptr, OPEN_EXISTING, kNoFollow, nullptr);
    return UniqueHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::string Child(std::string parent, const std::string& name) {
    if (!parent.empty() && parent.back() != '\\') parent += '\\';
    return parent + name;
}

DWORD AttributesOf(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag))
        return INVALID_FILE_ATTRIBUTES;
    return tag.FileAttributes;
}

bool IsMissing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// Whether the item open as `handle` is no link and lies at `name` directly in the folder
// whose final path is `parentFinal`.
bool InPlace(HANDLE handle, const std::string& parentFinal, const std::string& name) {
    const DWORD attributes = AttributesOf(handle);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    const std::string final = FinalPathOf(handle);
    return !final.empty() && !parentFinal.empty() && SameText(final, Child(parentFinal, name));
}

}  // namespace

std::string FinalPathOf(HANDLE handle) {
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleA(handle, path.data(), static_cast<DWORD>(path.size()), 0);
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(length + 1);
    }
}

std::optional<TGuardedFolder> TGuardedFolder::Open(const std::string& path, bool wholeWay,
                                                   std::string& error) {
    const std::string folder = ExcludeTrailingBackslash(path);
    UniqueHandle handle =
        OpenNoFollow(folder.size() == 2 ? folder + "\\" : folder, FILE_READ_ATTRIBUTES, kHeldShare);
    if (!Valid(handle)) {
        error = SysErrorMessage(GetLastError());
        return std::nullopt;
    }
    const DWORD attributes = AttributesOf(handle.get());
    std::string final = FinalPathOf(handle.get());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        final.empty()) {
        error = "не папка";
        return std::nullopt;
    }
    const std::string plain = final.rfind("\\\\?\\", 0) == 0 ? final.substr(4) : final;
    if (wholeWay && ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
                     !SameText(ExcludeTrailingBackslash(plain), folder))) {
        error = "на пути ссылка (" + plain + ")";
        return std::nullopt;
    }
    return TGuardedFolder(folder, std::move(handle), std::move(final));
}

// The levels between a base folder and an item, opened, checked and held while the item is
// used.
class TGuardedWalk {
  public:
    TGuardedWalk(const TGuardedFolder& base, const std::string& relative)
        : path_(base.path_), parentFinal_(base.final_) {
        size_t start = 0;
        for (size_t end; (end = relative.find('\\', start)) != std::string::npos; start = end + 1) {
            const std::string name = relative.substr(start, end - start);
            path_ = Child(path_, name);
            UniqueHandle level = OpenNoFollow(path_, FILE_READ_ATTRIBUTES, kHeldShare);
            if (!Valid(level)) {
                Stop(IsMissing(GetLastError()) ? TGuardedOutcome::Missing
                                               : TGuardedOutcome::Failed);
                return;
            }
            if (!InPlace(level.get(), parentFinal_, name) ||
                !(AttributesOf(level.get()) & FILE_ATTRIBUTE_DIRECTORY)) {
                Stop(TGuardedOutcome::NotOurs);
                return;
            }
            parentFinal_ = FinalPathOf(level.get());
            levels_.push_back(std::move(level));
        }
        name_ = relative.substr(start);
        path_ = Child(path_, name_);
    }

    // Opens the item itself with `access`; null with the outcome set when that fails or the
    // item is no fit.
    UniqueHandle OpenItem(DWORD access, DWORD share, bool folder) {
        if (outcome_ != TGuardedOutcome::Done) return nullptr;
        UniqueHandle item = OpenNoFollow(path_, access, share);
        if (!Valid(item)) {
            Stop(IsMissing(GetLastError()) ? TGuardedOutcome::Missing : TGuardedOutcome::Failed);
            return nullptr;
        }
        const bool isFolder = (AttributesOf(item.get()) & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!InPlace(item.get(), parentFinal_, name_) || isFolder != folder) {
            Stop(TGuardedOutcome::NotOurs);
            return nullptr;
        }
        return item;
    }

    // The item's path through the held levels, and the folder it lies in.
    const std::string& ItemPath() const { return path_; }
    std::string FolderPath() const { return path_.substr(0, path_.size() - name_.size()); }

    TGuardedOutcome Outcome() const { return outcome_; }
    const std::string& Error() const { return error_; }
    void Stop(TGuardedOutcome outcome, DWORD error = GetLastError()) {
        outcome_ = outcome;
        if (outcome == TGuardedOutcome::Failed) error_ = SysErrorMessage(error);
    }

  private:
    std::string path_;
    std::string parentFinal_;
    std::string name_;
    std::vector<UniqueHandle> levels_;
    TGuardedOutcome outcome_ = TGuardedOutcome::Done;
    std::string error_;
};

TGuardedOutcome DeleteBelow(const TGuardedFolder& base, const std::string& relative, bool folder,
                            std::string& error) {
    TGuardedWalk walk(base, relative);
    const UniqueHandle item =
        walk.OpenItem(DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll, folder);
    if (!item) {
        error = walk.Error();
        return walk.Outcome();
    }
    FILE_BASIC_INFO basic{};
    const bool readOnly =
        GetFileInformationByHandleEx(item.get(), FileBasicInfo, &basic, sizeof basic) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly) {
        FILE_BASIC_INFO writable = basic;
        writable.FileAttributes &= ~DWORD{FILE_ATTRIBUTE_READONLY};
        if (writable.FileAttributes == 0) writable.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(item.get(), FileBasicInfo, &writable, sizeof writable);
    }
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    if (SetFileInformationByHandle(item.get(), FileDispositionInfo, &disposition,
                                   sizeof disposition))
        return TGuardedOutcome::Done;
    const DWORD failure = GetLastError();
    if (readOnly) SetFileInformationByHandle(item.get(), FileBasicInfo, &basic, sizeof basic);
    if (folder && failure == ERROR_DIR_NOT_EMPTY) return TGuardedOutcome::NotEmpty;
    error = SysErrorMessage(failure);
    return TGuardedOutcome::Failed;
}

TGuardedOutcome RenameBelow(const TGuardedFolder& base, const std::string& relative,
                            const std::string& newName, bool replace, std::string& error) {
    TGuardedWalk walk(base, relative);
    if (!walk.OpenItem(FILE_READ_ATTRIBUTES, kShareAll, false)) {
        error = walk.Error();
        return walk.Outcome();
    }
    // By name, while the levels stay held: a rename moves a name and never writes through
    // what it names, so an item swapped for a link meanwhile is itself what moves.
    const DWORD flags = replace ? MOVEFILE_REPLACE_EXISTING : 0;
    if (MoveFileExA(walk.ItemPath().c_str(), (walk.FolderPath() + newName).c_str(), flags))
        return TGuardedOutcome::Done;
    error = SysErrorMessage(GetLastError());
    return TGuardedOutcome::Failed;
}

TGuardedOutcome CreateBelow(const TGuardedFolder& base, const std::string& relative,
                            const std::string& bytes, std::string& error) {
    TGuardedWalk walk(base, relative);
    if (walk.Outcome() != TGuardedOutcome::Done) {
        error = walk.Error();
        return walk.Outcome();
    }
    // A new name only: whatever is there already, a link included, makes it fail.
    const UniqueHandle file(CreateFileA(walk.ItemPath().c_str(), GENERIC_WRITE | DELETE, 0, nullptr,
                                        CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!Valid(file)) {
        error = SysErrorMessage(GetLastError());
        return TGuardedOutcome::Failed;
    }
    DWORD written = 0;
    if (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size())
        return TGuardedOutcome::Done;
    error = SysErrorMessage(GetLastError());
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
    return TGuardedOutcome::Failed;
}

TGuardedOutcome CheckBelow(const TGuardedFolder& base, const std::string& relative,
                           std::string& error) {
    TGuardedWalk walk(base, relative);
    const UniqueHandle item = walk.OpenItem(FILE_READ_ATTRIBUTES, kShareAll, false);
    error = walk.Error();
    return item ? TGuardedOutcome::Done : walk.Outcome();
}

TGuardedOutcome ReadBelow(const TGuardedFolder& base, const std::string& relative, size_t limit,
                          std::string& bytes, std::string& error) {
    TGuardedWalk walk(base, relative);
    const UniqueHandle item = walk.OpenItem(GENERIC_READ, FILE_SHARE_READ, false);
    if (!item) {
        error = walk.Error();
        return walk.Outcome();
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(item.get(), &size) || static_cast<uint64_t>(size.QuadPart) > limit) {
        error = "файл слишком велик";
        return TGuardedOutcome::Failed;
    }
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(item.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size()) {
        error = SysErrorMessage(GetLastError());
        return TGuardedOutcome::Failed;
    }
    return TGuardedOutcome::Done;
}

}  // namespace mvt
