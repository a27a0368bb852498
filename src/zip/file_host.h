// The zip component's dealings with the file system on Windows: reading an archive file,
// what kind of drive a path lies on, OEM names, and preparing an extraction destination.
// The directory reader and the extract worker see the system only through here.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>

#include "zip/dirreader.h"

namespace mvt::zip {

// The file-system half of the directory reader's host; the reporting half is the worker's.
class Win32FileHost : public DirReaderHost {
  public:
    std::string ExpandPath(const std::string& path) override;
    DriveKind DriveOf(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    std::unique_ptr<ArchiveFile> OpenForReading(const std::string& path) override;
    std::string ConvertOemToAnsi(const std::string& text) override;
};

// A destination folder made absolute, with a mapped network drive replaced by its network
// name (\\server\share\...).
std::string FullDestinationPath(const std::string& folder);

// Where the folder leads when it is itself a link (a junction, a symbolic link, a mount
// point): the system's path of its target ("another place" when the system gives none);
// nothing when it is no link.
std::optional<std::string> LinkTargetOf(const std::string& folder);

// Whether a file can be made in the folder: a probe file is created and removed again.
// On failure, error holds the system's reason.
bool CanWriteInto(const std::string& folder, DWORD& error);

}  // namespace mvt::zip
