#include "framework/guarded_files.h"

#include "framework/sysutils.h"

namespace mvt {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Levels on the way share everything but deletion, and are held with a right that takes part
// in the system's sharing check (an open for attributes alone does not, and would let the
// folder be renamed all the same): nobody can rename or delete them while they are held.
constexpr DWORD kHeldShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
constexpr DWORD kHeldAccess = FILE_READ_ATTRIBUTES | FILE_TRAVERSE;
constexpr DWORD kNoFollow = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT;

bool Valid(const UniqueHandle& handle) {
    return handle && handle.get() != INVALID_HANDLE_VALUE;
}

UniqueHandle OpenNoFollow(const std::string& path, DWORD access, DWORD share,
                          DWORD disposition = OPEN_EXISTING) {
    HANDLE handle = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                                kNoFollow | FILE_ATTRIBUTE_NORMAL, nullptr);
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

bool IsTaken(DWORD error) {
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

// Whether the item open as `handle` is no link and lies at `name` directly in the folder
// whose final path is `parentFinal`; a file also has no second name (a hard link).
bool InPlace(HANDLE handle, const std::string& parentFinal, const std::string& name) {
    const DWORD attributes = AttributesOf(handle);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    // The link count alone: the whole file information also asks for the volume's serial,
    // which costs far more than the rest of the check (a third of a millisecond under Wine).
    FILE_STANDARD_INFO information{};
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
        (!GetFileInformationByHandleEx(handle, FileStandardInfo, &information,
                                       sizeof information) ||
         information.NumberOfLinks != 1))
        return false;
    const std::string final = FinalPathOf(handle);
    return !final.empty() && !parentFinal.empty() && SameText(final, Child(parentFinal, name));
}

// Without the "\\?\" the system puts in front of a final path.
std::string Plain(const std::string& finalPath) {
    return finalPath.rfind("\\\\?\\", 0) == 0 ? finalPath.substr(4) : finalPath;
}

// Whether the folder open as `handle` (not followed) at `folder` is no link and lies
// directly in the folder above it, reached the way the system places that one.
bool NoLinkAtItsEnd(HANDLE handle, const std::string& folder) {
    const size_t cut = folder.rfind('\\');
    if (cut == std::string::npos || folder.size() <= 2) return true;  // a drive's root
    const UniqueHandle parent(CreateFileA(folder.substr(0, cut + 1).c_str(), FILE_READ_ATTRIBUTES,
                                          kShareAll, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (parent.get() == INVALID_HANDLE_VALUE) return false;
    return InPlace(handle, FinalPathOf(parent.get()), folder.substr(cut + 1));
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

std::optional<TGuardedFolder> TGuardedFolder::Open(const std::string& path, TFolderWay way,
                                                   std::string& error) {
    const std::string folder = ExcludeTrailingBackslash(path);
    UniqueHandle handle =
        OpenNoFollow(folder.size() == 2 ? folder + "\\" : folder, kHeldAccess, kHeldShare);
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
    const bool linked =
        (way == TFolderWay::NoLinkOnTheWay &&
         ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
          !SameText(ExcludeTrailingBackslash(Plain(final)), folder))) ||
        (way == TFolderWay::NoLinkAtItsEnd && !NoLinkAtItsEnd(handle.get(), folder));
    if (linked) {
        error = "на пути ссылка (" + Plain(final) + ")";
        return std::nullopt;
    }
    return TGuardedFolder(folder, std::move(handle), std::move(final));
}

// The levels between a base folder and an item, opened, checked and held while the item is
// used.
class TGuardedWalk {
  public:
    TGuardedWalk(const TGuardedFolder& base, const std::string& relative)
        : base_(base), path_(base.path_), parentFinal_(base.final_) {
        size_t start = 0;
        for (size_t end; (end = relative.find('\\', start)) != std::string::npos; start = end + 1) {
            const std::string name = relative.substr(start, end - start);
            path_ = Child(path_, name);
            UniqueHandle level = OpenNoFollow(path_, kHeldAccess, kHeldShare);
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

    // Opens the item itself with `access` as `creation` says; null with the outcome set when
    // that fails or the item is no fit.
    UniqueHandle OpenItem(DWORD access, DWORD share, bool folder,
                          TGuardedCreation creation = TGuardedCreation::Existing) {
        if (outcome_ != TGuardedOutcome::Done) return nullptr;
        UniqueHandle item;
        if (creation != TGuardedCreation::New) item = OpenNoFollow(path_, access, share);
        const DWORD openFailure = Valid(item) ? ERROR_SUCCESS : GetLastError();
        if (!Valid(item) && creation != TGuardedCreation::Existing &&
            (creation == TGuardedCreation::New || openFailure == ERROR_FILE_NOT_FOUND)) {
            // Made only where nothing is, not even a link: a link that leads nowhere makes
            // this fail rather than make a file where it leads.
            item = OpenNoFollow(path_, access, share, CREATE_NEW);
            if (!Valid(item) && IsTaken(GetLastError())) {
                Stop(creation == TGuardedCreation::New ? TGuardedOutcome::Exists
                                                       : TGuardedOutcome::NotOurs);
                return nullptr;
            }
        }
        if (!Valid(item)) {
            const DWORD failure = GetLastError();
            Stop(IsMissing(failure) ? TGuardedOutcome::Missing : TGuardedOutcome::Failed, failure);
            return nullptr;
        }
        const bool isFolder = (AttributesOf(item.get()) & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!InPlace(item.get(), parentFinal_, name_) || isFolder != folder) {
            Stop(TGuardedOutcome::NotOurs);
            return nullptr;
        }
        return item;
    }

    // The checked item with the levels on the way and a handle of the base of its own.
    TGuardedFile Keep(UniqueHandle item) {
        HANDLE base = nullptr;
        DuplicateHandle(GetCurrentProcess(), base_.handle_.get(), GetCurrentProcess(), &base, 0,
                        FALSE, DUPLICATE_SAME_ACCESS);
        levels_.emplace(levels_.begin(), base);
        return TGuardedFile(std::move(levels_), std::move(item), path_);
    }

    // The item's path through the held levels, and the folder it lies in.
    const std::string& ItemPath() const { return path_; }
    std::string FolderPath() const { return path_.substr(0, path_.size() - name_.size()); }

    TGuardedOutcome Outcome() const { return outcome_; }
    const std::string& Error() const { return error_; }
    // The system's code for a Failed outcome.
    DWORD Failure() const { return failure_; }
    void Stop(TGuardedOutcome outcome, DWORD error = GetLastError()) {
        outcome_ = outcome;
        if (outcome != TGuardedOutcome::Failed) return;
        failure_ = error;
        error_ = SysErrorMessage(error);
    }

  private:
    const TGuardedFolder& base_;
    std::string path_;
    std::string parentFinal_;
    std::string name_;
    std::vector<UniqueHandle> levels_;
    TGuardedOutcome outcome_ = TGuardedOutcome::Done;
    std::string error_;
    DWORD failure_ = ERROR_SUCCESS;
};

std::optional<TGuardedFolder> TGuardedFolder::OpenBelow(const TGuardedFolder& base,
                                                        const std::string& relative,
                                                        TGuardedOutcome& outcome,
                                                        std::string& error) {
    TGuardedWalk walk(base, relative);
    UniqueHandle folder = walk.OpenItem(kHeldAccess, kHeldShare, true);
    outcome = walk.Outcome();
    error = walk.Error();
    if (!folder) return std::nullopt;
    std::string final = FinalPathOf(folder.get());
    return TGuardedFolder(walk.ItemPath(), std::move(folder), std::move(final));
}

bool ReadWholeFile(HANDLE file, size_t limit, std::string& bytes, std::string& error) {
    LARGE_INTEGER size{}, start{};
    if (!GetFileSizeEx(file, &size)) {
        error = SysErrorMessage(GetLastError());
        return false;
    }
    if (static_cast<uint64_t>(size.QuadPart) > limit) {
        error = "файл слишком велик";
        return false;
    }
    bytes.assign(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN) ||
        !ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
        read != bytes.size()) {
        error = SysErrorMessage(GetLastError());
        return false;
    }
    return true;
}

bool TGuardedFile::Read(size_t limit, std::string& bytes, std::string& error) const {
    return ReadWholeFile(Handle(), limit, bytes, error);
}

bool TGuardedFile::Rewrite(const std::string& bytes, std::string& error) {
    LARGE_INTEGER start{};
    DWORD written = 0;
    if (!SetFilePointerEx(Handle(), start, nullptr, FILE_BEGIN) ||
        !WriteFile(Handle(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !SetEndOfFile(Handle())) {
        error = SysErrorMessage(GetLastError());
        return false;
    }
    return true;
}

std::optional<TGuardedFile> OpenFileBelow(const TGuardedFolder& base, const std::string& relative,
                                          TGuardedCreation creation, DWORD access, DWORD share,
                                          TGuardedOutcome& outcome, std::string& error) {
    TGuardedWalk walk(base, relative);
    UniqueHandle item = walk.OpenItem(access, share, false, creation);
    outcome = walk.Outcome();
    error = walk.Error();
    if (!item) return std::nullopt;
    return walk.Keep(std::move(item));
}

UniqueHandle OpenFileIn(const TGuardedFolder& folder, const std::string& name, DWORD share,
                        TGuardedOutcome& outcome, std::string& error) {
    if (name.find('\\') != std::string::npos) {
        outcome = TGuardedOutcome::Failed;
        error = "имя с папкой";
        return nullptr;
    }
    TGuardedWalk walk(folder, name);
    UniqueHandle item = walk.OpenItem(GENERIC_READ, share, false);
    outcome = walk.Outcome();
    error = walk.Error();
    return item;
}

namespace {

// One attempt of DeleteBelow; `failure` is the system's code when the item could not be
// opened for deletion.
TGuardedOutcome DeleteOnce(const TGuardedFolder& base, const std::string& relative, bool folder,
                           std::string& error, DWORD& failure) {
    TGuardedWalk walk(base, relative);
    const UniqueHandle item =
        walk.OpenItem(DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll, folder);
    if (!item) {
        error = walk.Error();
        failure = walk.Failure();
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
    failure = GetLastError();
    if (readOnly) SetFileInformationByHandle(item.get(), FileBasicInfo, &basic, sizeof basic);
    if (folder && failure == ERROR_DIR_NOT_EMPTY) return TGuardedOutcome::NotEmpty;
    error = SysErrorMessage(failure);
    return TGuardedOutcome::Failed;
}

}  // namespace

// Another program may hold a file for a moment without letting it be deleted: the shell
// reading a shortcut just made (under Wine its menu builder), an indexer, a virus scanner.
// Like other uninstallers, the deletion is tried a few more times before it fails.
TGuardedOutcome DeleteBelow(const TGuardedFolder& base, const std::string& relative, bool folder,
                            std::string& error) {
    constexpr int kTries = 4;
    constexpr DWORD kPauseMs = 150;
    for (int attempt = 1;; ++attempt) {
        DWORD failure = ERROR_SUCCESS;
        const TGuardedOutcome outcome = DeleteOnce(base, relative, folder, error, failure);
        if (outcome != TGuardedOutcome::Failed || failure != ERROR_SHARING_VIOLATION ||
            attempt == kTries)
            return outcome;
        Sleep(kPauseMs);
    }
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
    // A new name only: whatever is there already, a link included, makes it fail.
    const UniqueHandle file =
        walk.OpenItem(GENERIC_WRITE | DELETE, 0, false, TGuardedCreation::New);
    if (!file) {
        error = walk.Outcome() == TGuardedOutcome::Exists ? SysErrorMessage(ERROR_FILE_EXISTS)
                                                          : walk.Error();
        return walk.Outcome() == TGuardedOutcome::Exists ? TGuardedOutcome::Failed : walk.Outcome();
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
                           std::string& error, bool folder) {
    TGuardedWalk walk(base, relative);
    const UniqueHandle item = walk.OpenItem(FILE_READ_ATTRIBUTES, kShareAll, folder);
    error = walk.Error();
    return item ? TGuardedOutcome::Done : walk.Outcome();
}

TGuardedOutcome ReadBelow(const TGuardedFolder& base, const std::string& relative, size_t limit,
                          std::string& bytes, std::string& error) {
    TGuardedOutcome outcome;
    const std::optional<TGuardedFile> file = OpenFileBelow(
        base, relative, TGuardedCreation::Existing, GENERIC_READ, FILE_SHARE_READ, outcome, error);
    if (!file) return outcome;
    return file->Read(limit, bytes, error) ? TGuardedOutcome::Done : TGuardedOutcome::Failed;
}

}  // namespace mvt
