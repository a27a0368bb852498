// The list of what a distribution medium installs, written by the distribution packer into
// the uninstaller's archive beside "unregmvt.exe" and read by the uninstaller: every file and
// every folder that the medium's archives put below the install directory. No window code.
//
// The text is code page 1251 with CRLF line ends:
//   MVT installed files 1
//   F<TAB>data\area01.bif           a file, relative to the install directory
//   D<TAB>save\000000001-Начало      a folder the archives make
//   END<TAB><entries><TAB><crc>      entry count and CRC-32 (8 hex digits) of every byte
//                                    before this line
// A list that lacks its end line, has another count or checksum, or holds a path that is not
// a plain relative path below the install directory is damaged as a whole.
#pragma once

#include <string>
#include <vector>

namespace mvt::uninstall {

inline constexpr char kInstalledFilesName[] = "unregmvt.lst";
inline constexpr char kUninstallerName[] = "unregmvt.exe";

struct InstalledFiles {
    std::vector<std::string> files;
    std::vector<std::string> folders;
};

std::string FormatInstalledFiles(const InstalledFiles& list);

struct InstalledFilesParse {
    bool ok = false;
    std::string error;  // why the list was refused (English, for the program to translate)
    InstalledFiles list;
};
InstalledFilesParse ParseInstalledFiles(const std::string& text);

// A relative path that names something below the folder it is taken from, and the same
// thing on every Windows: components separated by single backslashes, none empty, "." or
// "..", none ending in a dot or blank (which the system strips), no drive, colon, slash,
// wildcard, control character or device name (CON, NUL, COM1, ...); shorter than 260.
bool IsPlainRelativePath(const std::string& path);

}  // namespace mvt::uninstall
