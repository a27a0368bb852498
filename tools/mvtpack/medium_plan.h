// What the distribution packer puts onto a medium, decided from the game's folder tree alone:
// which archives, named how, holding which files under which names, and what the setup's
// subfolder rules will make of every name. No file is read or written here.
//
// The layout follows the setup's rules: a top-level folder that one of the rules unpacks
// into (Data, Movies, Save, ...) goes into archives named so that the rules send them there:
// "Data.zip" for the files directly in it, and "Data\<subfolder>.zip" (in a subfolder of the
// archives folder) for each of its subfolders. The files at the top and every folder
// without a rule go into archives that unpack into the install directory itself, with their
// folder names kept inside: "Main.zip", and "<folder>.zip" for a top-level folder without a
// rule. Every name is checked against the rules; a subfolder or folder whose own archive the
// rules would send elsewhere (a subfolder "Music" of "Override": "Override\Music.zip" would
// land in "music") is carried by its parent's archive instead. Archives are split by size:
// "Data.zip", "Data-2.zip", ...
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "uninstall/installed_files.h"

namespace mvtpack {

// One file or folder of the game tree.
struct TreeItem {
    std::string path;  // relative to the game folder, code page 1251, '\' between components
    bool folder = false;
    uint64_t size = 0;
    uint32_t attributes = 0;  // read-only, hidden and system bits, as the archive stores them
    uint32_t dosTime = 0;     // date (high 16 bits) and time of the last change, DOS format
};

struct ArchiveMember {
    size_t item = 0;   // index into the tree
    std::string name;  // name inside the archive: '/' between components, folders end in '/'
};

struct PlannedArchive {
    std::string name;         // relative to the archives folder, '\' between components
    std::string destination;  // folder below the install directory; empty: the directory itself
    std::vector<ArchiveMember> members;
    uint64_t bytes = 0;  // uncompressed size of its files
};

struct PackOptions {
    // Largest sum of file sizes in one archive; a file larger than this gets one of its own.
    uint64_t splitSize = uint64_t{1} << 30;
    // Entries of one archive at most: so many fit the end record's 16-bit count, and the
    // archive needs no Zip64 end record for its count.
    uint32_t maxEntries = 65535;
};

struct MediumPlan {
    std::vector<PlannedArchive> archives;  // in the order of the setup description
    // Everything the archives put below the install directory, in archive order.
    mvt::uninstall::InstalledFiles installed;
    // Layouts the setup cannot reproduce: nothing may be written when there is one.
    std::vector<std::string> problems;
    std::vector<std::string> warnings;
};

// The tree in any order, with every folder on the way to a file; members refer to it by index.
MediumPlan PlanMedium(const std::vector<TreeItem>& tree, const PackOptions& options);

// The folder below the install directory that the setup's subfolder rules pick for an
// archive of this name ("" for the directory itself).
std::string RulesDestination(const std::string& archiveName);

// Whether a name with bytes above 127 would be taken for UTF-8 by the zip library (it reads
// names that are valid UTF-8 as such), so that a code page 1251 name would be misread.
bool LooksLikeUtf8(const std::string& name);

}  // namespace mvtpack
