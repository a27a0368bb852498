// The installation log: UTF-8, one time-stamped line per event, each line written to the
// file as it happens, so that whatever was logged survives a crash of the setup. The
// formatting is window-free and testable on its own.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "framework/guarded_files.h"

namespace mvt::install {

// "2026-12-09 13:45:01.123  text\r\n"; text is UTF-8 already. Line breaks inside the text
// become blanks, so one event stays one line.
std::string LogLine(const SYSTEMTIME& time, const std::string& utf8Text);

// Text in the ANSI code page as UTF-8.
std::string AnsiToUtf8(const std::string& text);

// "<program> Log YYYY-MM-DD #NNN.txt": "MVTSetup Log ...", "MVTUninstall Log ...".
std::string DefaultLogName(const SYSTEMTIME& date, unsigned number,
                           const char* program = "MVTSetup");

class InstallLog {
  public:
    // No file: every Write is dropped.
    InstallLog() = default;

    // Creates path anew (an existing file is emptied); false when it cannot be made, and
    // when path (or the folder it is in) is a link of any kind or a file with another name
    // (a hard link): then nothing is written anywhere. The log is written through the
    // checked handle only.
    bool Open(const std::string& path);
    // A new file "<program> Log <today> #NNN.txt" in the temporary folder (TemporaryFolder),
    // the first number whose name nothing has taken yet, not even a link.
    bool OpenNewInTemporaryFolder(const char* program = "MVTSetup");

    bool Enabled() const { return file_.has_value(); }
    const std::string& Path() const { return path_; }

    // One event, in the ANSI code page.
    void Write(const std::string& text);
    // The last two lines: how the program ended, in one line, then its exit code.
    void WriteEnd(const std::string& summary, int exitCode);

  private:
    std::optional<mvt::TGuardedFile> file_;
    std::string path_;
};

}  // namespace mvt::install
