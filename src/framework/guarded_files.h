// Files and folders reached by handle, for the elevated programs that read or delete inside
// folders other users can write to. Every level on the way is opened without following a
// link at its end and accepted only when, through its handle, it is no link (junction,
// symbolic link, mount point) and the system places it directly in the level above; the
// levels stay open without delete sharing while the item is used, so that on Windows none of
// them can be renamed or swapped for a link meanwhile, and the item is read or deleted
// through the very handle that was checked.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "framework/handles.h"

namespace mvt {

// The path the system gives for an open handle ("\\?\C:\..."), empty when it gives none.
std::string FinalPathOf(HANDLE handle);

// A folder that items are reached from.
class TGuardedFolder {
  public:
    // Opens the existing folder `path`. With `wholeWay` no level of the path may be a link
    // either (its final path must be the path itself); without, the folder is taken where
    // the system places it. Nothing (with the reason) when it cannot be opened or checked.
    static std::optional<TGuardedFolder> Open(const std::string& path, bool wholeWay,
                                              std::string& error);

    const std::string& Path() const { return path_; }

  private:
    friend class TGuardedWalk;
    TGuardedFolder(std::string path, UniqueHandle handle, std::string finalPath)
        : path_(std::move(path)), handle_(std::move(handle)), final_(std::move(finalPath)) {}

    std::string path_;  // as given, without a trailing backslash
    UniqueHandle handle_;
    std::string final_;  // the system's path for the handle
};

enum class TGuardedOutcome {
    Done,      // read, or deleted
    Missing,   // nothing of that name (or a level on the way is missing)
    NotOurs,   // a link, the other kind (file for folder), or placed elsewhere: left alone
    NotEmpty,  // a folder that still holds something: left alone
    Failed,    // the system refused (reason in the error text)
};

// Deletes the file (or with `folder` the empty folder) at `relative` below `base`
// (components joined by '\'), through a handle checked as above; a read-only file loses
// that attribute first.
TGuardedOutcome DeleteBelow(const TGuardedFolder& base, const std::string& relative, bool folder,
                            std::string& error);

// Whether the file at `relative` below `base` is a plain file in its place (Done), is not
// there (Missing), or is a link, a folder or placed elsewhere (NotOurs).
TGuardedOutcome CheckBelow(const TGuardedFolder& base, const std::string& relative,
                           std::string& error);

// Gives the file at `relative` below `base` the name `newName` in the same folder, the
// levels on the way held and the file checked first; with `replace` an item of that name
// goes (its name is taken over: nothing is written through it). Missing when there is no
// such file.
TGuardedOutcome RenameBelow(const TGuardedFolder& base, const std::string& relative,
                            const std::string& newName, bool replace, std::string& error);

// Creates the file at `relative` below `base`, which must not exist yet, with `bytes` in it,
// the levels on the way held; a file that could not be filled goes again.
TGuardedOutcome CreateBelow(const TGuardedFolder& base, const std::string& relative,
                            const std::string& bytes, std::string& error);

// Reads the whole file at `relative` below `base` through a checked handle that lets nobody
// write to it meanwhile. At most `limit` bytes: a longer file fails.
TGuardedOutcome ReadBelow(const TGuardedFolder& base, const std::string& relative, size_t limit,
                          std::string& bytes, std::string& error);

}  // namespace mvt
