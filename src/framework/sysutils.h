// Strings, exceptions and file-system helpers shared by every layer of the program.
#pragma once

#include <cstdarg>
#include <stdexcept>
#include <string>
#include <vector>

namespace mvt {

// The base of every error the framework raises. The message is code page 1251 text,
// shown as it is by the application's default exception handler.
class Exception : public std::runtime_error {
  public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// An operation that is not allowed in the object's current state (range errors too).
class EInvalidOperation : public Exception {
    using Exception::Exception;
};

// A stream or byte block that ends before the data it announces.
class EReadError : public Exception {
    using Exception::Exception;
};

// A system resource (window, bitmap, device context) that could not be created.
class EOutOfResources : public Exception {
    using Exception::Exception;
};

// printf-style formatting into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatV(const char* format, va_list args);

std::string Trim(const std::string& text);
// The text in the system's lower case (ANSI code page): names the system compares without
// regard to case, made comparable as they are.
std::string AnsiLowerCase(std::string text);
std::string IncludeTrailingBackslash(const std::string& path);
std::string ExcludeTrailingBackslash(const std::string& path);
// The folder part of a path, with its trailing separator ("C:\a\b.txt" -> "C:\a\").
std::string ExtractFilePath(const std::string& path);
std::string ExtractFileName(const std::string& path);
// The full path of a path taken from the current folder (unchanged when the system cannot
// make it full).
std::string ExpandFileName(const std::string& path);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates a folder and every missing parent; true when the folder exists afterwards.
bool ForceDirectories(const std::string& path);
// The folder and each of its parents that is not there (nothing of that name), outermost
// first: what ForceDirectories makes for it.
std::vector<std::string> MissingFolders(const std::string& path);

// The full path of the running program and its folder (with trailing separator).
std::string ProgramPath();
std::string ProgramFolder();

// The version of the running program's file, from its version resource ("1.0.0.0");
// "неизвестна" without one.
std::string ProgramVersion();
// The system's own version ("10.0.19045"), not what a compatibility view tells the
// program; "неизвестна" when it cannot be asked.
std::string WindowsVersion();

// Free bytes available to the user on the drive named by the path's first character
// (A = 1, B = 2, …, taken unchanged); -1 when there is no such drive or it cannot say.
double FreeBytesOnDriveOf(const std::string& path);

// The user's locale decimal separator (first character of LOCALE_SDECIMAL).
char DecimalSeparator();

// The system's text for an error number (GetLastError), without the trailing line break.
std::string SysErrorMessage(unsigned long error);

// While it lives, the system shows no critical-error or missing-file boxes ("There is no
// disk in the drive") for calls on this thread: they fail with their error instead.
class TQuietSystemErrors {
  public:
    TQuietSystemErrors();
    ~TQuietSystemErrors();
    TQuietSystemErrors(const TQuietSystemErrors&) = delete;
    TQuietSystemErrors& operator=(const TQuietSystemErrors&) = delete;

  private:
    unsigned long previous_ = 0;
};

}  // namespace mvt
