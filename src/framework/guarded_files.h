// Files and folders reached by handle, for the elevated programs that read, write or delete
// inside folders other users can write to. Every level on the way is opened without
// following a link at its end and accepted only when, through its handle, it is no link
// (junction, symbolic link, mount point) and the system places it directly in the level
// above; a file is accepted only when it has no other name either (a hard link, which looks
// like a plain file, shares its content with the file elsewhere). The levels stay open
// without delete sharing while the item is used, so that none of them can be renamed or
// swapped for a link meanwhile, and the item is read, written or deleted through the very
// handle that was checked.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/handles.h"

namespace mvt {

// The path the system gives for an open handle ("\\?\C:\..."), empty when it gives none.
std::string FinalPathOf(HANDLE handle);

// The whole content of the file open as `file`, read from its start; at most `limit` bytes
// (a longer file fails). False, with the reason, when it cannot be read.
bool ReadWholeFile(HANDLE file, size_t limit, std::string& bytes, std::string& error);

// How far the path of a folder that items are reached from may lead through links.
enum class TFolderWay {
    // Taken where the system places it: links on the way and at its end are followed.
    Followed,
    // The folder itself is no link and lies directly in the folder above it; links further
    // up are the way its owner chose (a drive reached through a junction, say).
    NoLinkAtItsEnd,
    // No level of the path is a link: its final path is the path itself.
    NoLinkOnTheWay,
};

enum class TGuardedOutcome {
    Done,      // read, written, opened or deleted
    Missing,   // nothing of that name (or a level on the way is missing)
    Exists,    // a new file was asked for and the name is taken (by whatever)
    NotOurs,   // a link of any kind, the other kind (file for folder), placed elsewhere: left alone
    NotEmpty,  // a folder that still holds something: left alone
    Failed,    // the system refused (reason in the error text)
};

// A folder that items are reached from.
class TGuardedFolder {
  public:
    // Opens the existing folder `path`, checked as `way` says. Nothing (with the reason)
    // when it cannot be opened or checked.
    static std::optional<TGuardedFolder> Open(const std::string& path, TFolderWay way,
                                              std::string& error);

    // The folder at `relative` below `base`, reached as every item is (no link on the way, each
    // level in its place) and held so that it stays where it was found: items below it are
    // then reached from it in one step. Nothing, with the outcome, when it is no such folder.
    static std::optional<TGuardedFolder> OpenBelow(const TGuardedFolder& base,
                                                   const std::string& relative,
                                                   TGuardedOutcome& outcome, std::string& error);

    const std::string& Path() const { return path_; }

  private:
    friend class TGuardedWalk;
    TGuardedFolder(std::string path, UniqueHandle handle, std::string finalPath)
        : path_(std::move(path)), handle_(std::move(handle)), final_(std::move(finalPath)) {}

    std::string path_;  // as given, without a trailing backslash
    UniqueHandle handle_;
    std::string final_;  // the system's path for the handle
};

// How a file below a guarded folder is opened.
enum class TGuardedCreation {
    Existing,       // only a file that is there
    New,            // only a file made now; Exists when the name is taken
    ExistingOrNew,  // the file that is there, else one made now
};

// A file below a guarded folder, open through its checked handle; the handle and the levels
// on the way (the folder it was reached from included) stay open while the object lives.
class TGuardedFile {
  public:
    HANDLE Handle() const { return item_.get(); }
    // The path it was reached by.
    const std::string& Path() const { return path_; }

    // The whole content, at most `limit` bytes (a longer file fails).
    bool Read(size_t limit, std::string& bytes, std::string& error) const;
    // Replaces the whole content through the handle.
    bool Rewrite(const std::string& bytes, std::string& error);
    // Cuts the file to nothing.
    bool Clear(std::string& error) { return Rewrite({}, error); }

  private:
    friend class TGuardedWalk;
    TGuardedFile(std::vector<UniqueHandle> levels, UniqueHandle item, std::string path)
        : levels_(std::move(levels)), item_(std::move(item)), path_(std::move(path)) {}

    std::vector<UniqueHandle> levels_;
    UniqueHandle item_;
    std::string path_;
};

// Opens the file at `relative` below `base` (components joined by '\') with `access` and
// `share` as `creation` says. Nothing, with the outcome (and the reason when Failed), when it
// is missing, taken, no plain file of one name in its place, or refused; a link that leads
// nowhere counts as no file of ours, and nothing is made where it leads.
std::optional<TGuardedFile> OpenFileBelow(const TGuardedFolder& base, const std::string& relative,
                                          TGuardedCreation creation, DWORD access, DWORD share,
                                          TGuardedOutcome& outcome, std::string& error);

// Opens the file `name` lying directly in `folder` for reading, checked as OpenFileBelow
// checks it, for a caller that holds `folder` itself while it uses the handle: only the
// file's handle, which spares a handle of the folder per file. A name with a folder in it
// is refused (Failed).
UniqueHandle OpenFileIn(const TGuardedFolder& folder, const std::string& name, DWORD share,
                        TGuardedOutcome& outcome, std::string& error);

// Deletes the file (or with `folder` the empty folder) at `relative` below `base`, through a
// handle checked as above; a read-only file loses that attribute first.
TGuardedOutcome DeleteBelow(const TGuardedFolder& base, const std::string& relative, bool folder,
                            std::string& error);

// Whether the file (with `folder`: the folder) at `relative` below `base` is in its place,
// of that kind and, a file, of one name (Done), is not there (Missing), or is a link of any
// kind, of the other kind or placed elsewhere (NotOurs).
TGuardedOutcome CheckBelow(const TGuardedFolder& base, const std::string& relative,
                           std::string& error, bool folder = false);

// Gives the file at `relative` below `base` the name `newName` in the same folder, the
// levels on the way held and the file checked first; with `replace` an item of that name
// goes (its name is taken over: nothing is written through it). Missing when there is no
// such file.
TGuardedOutcome RenameBelow(const TGuardedFolder& base, const std::string& relative,
                            const std::string& newName, bool replace, std::string& error);

// Creates the file at `relative` below `base`, which must not exist yet (nor anything else
// of that name, a link that leads nowhere included: Failed), with `bytes` in it, the levels
// on the way held; a file that could not be filled goes again.
TGuardedOutcome CreateBelow(const TGuardedFolder& base, const std::string& relative,
                            const std::string& bytes, std::string& error);

// Reads the whole file at `relative` below `base` through a checked handle that lets nobody
// write to it meanwhile. At most `limit` bytes: a longer file fails.
TGuardedOutcome ReadBelow(const TGuardedFolder& base, const std::string& relative, size_t limit,
                          std::string& bytes, std::string& error);

}  // namespace mvt
