// Entry names: turning an archive's name into a safe relative path, and matching names
// against the caller's file specifications. No platform headers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace ziplib {

// Upper-case table for case-insensitive matching in the program's code page.
using CaseTable = std::array<uint8_t, 256>;
CaseTable AsciiCaseTable();

struct SafePath {
    bool safe = false;
    std::string path;    // relative, components joined by '\', no trailing separator
    std::string reason;  // why the name was refused
    bool root = false;   // only "." components: the destination itself (refused as a file)
};

// Accepts only names that stay inside the destination: no absolute paths, drive letters,
// UNC prefixes, colons (alternate streams), ".." components, device names (CON, NUL,
// COM1, …), control or wildcard characters, or components ending in a dot or blank (which
// the system would silently strip). "." components and doubled separators are dropped.
SafePath MakeSafeRelativePath(std::string_view name);

// The last component of a safe relative path.
std::string_view BaseName(std::string_view path);

// Matches a name against one file specification: case-insensitive by `upper`, "\" and "/"
// alike, "?" one character, "*" any run of characters (separators included, so "*.txt"
// finds text files in every folder). "*.*" matches every name, and a specification that ends
// in a separator matches everything below that folder.
bool MatchesSpec(std::string_view name, std::string_view pattern, const CaseTable& upper);

}  // namespace ziplib
