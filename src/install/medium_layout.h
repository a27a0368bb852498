// What a distribution medium is, as the setup reads it: the game folders made before
// anything is unpacked, the subfolder rules that send each listed archive into its folder,
// and FullSize, the total the progress percent is measured against, with the way it grows
// archive by archive. The installation run, the distribution packer and the uninstaller
// share these; none of it touches a window.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mvt::install {

// The total the run expects when the setup description gives none it can use.
constexpr double kDefaultFullSize = 10000000000.0;

// The game folders made under the install directory before anything is unpacked, in order.
extern const char* const kGameFolders[13];

// The folder an archive listed in the setup description unpacks into: the last of the
// subfolder rules whose text occurs in the ASCII-lower-cased name wins; with none, the
// install directory itself. Paths are formed by plain concatenation.
std::string ArchiveDestination(const std::string& installDir, const std::string& archiveName);

// The folder, as the rules name it ("data", "eReg", "script compiler"; no backslash), of the
// rule that unpacks into a folder called `folder` (ASCII letters compared without regard to
// case); empty when no rule does.
std::string RuleFolderNamed(const std::string& folder);

// FullSize as the run uses it: a missing or unparsable value, and also 0 or below (which
// would make the percent meaningless), become kDefaultFullSize.
double UsableFullSize(const std::string& text, char decimalSeparator);

// How DoneSize grows while one listed archive is read and unpacked. The progress handler
// adds a report's TotalSize whenever its PerCent is exactly 100, so, report by report:
//  - the directory read of the ZipFileName assignment ends its per-entry reports with
//    PerCent 100 and TotalSize = the archive's entry count (folder entries included);
//  - a file item of s bytes is reported done in steps of ZL_PROGRESS_CHUNK bytes and a last
//    step with the rest, each with TotalSize = bytes done so far and PerCent = the
//    component's item percent. The last step reads 100 (+ s). From 214748 bytes up the item
//    percent counts in hundredths of the size cut down, so a step that ends within the last
//    (s mod 100) bytes reads 100 too and is added as well;
//  - folder entries are no items; item starts read 0 and the end of a batch 101.
// A medium's FullSize is exact when it is the sum of ArchiveDoneGrowth over the listed
// archives: the percent then reaches 100 with the last report of the last listed archive.
uint64_t DirectoryDoneGrowth(uint32_t entries);
uint64_t ItemDoneGrowth(uint64_t size);
uint64_t ArchiveDoneGrowth(uint32_t entries, const std::vector<uint64_t>& fileSizes);

// The ASCII letters A–Z lowered, every other byte kept (the rules' and the shown names'
// case folding, which leaves code page 1251 letters alone).
std::string AsciiLower(std::string text);

}  // namespace mvt::install
