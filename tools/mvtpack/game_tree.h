// Reads a game's folder tree from disk for the distribution packer: names in code page 1251,
// sizes, attributes and times, and the reasons a name cannot go onto a medium.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "medium_plan.h"

namespace mvtpack {

struct GameTree {
    std::vector<TreeItem> items;
    std::vector<std::wstring> sources;  // full path of each item, same order
    std::vector<std::string> problems;
};

// Every file and folder below `folder` (not the folder itself), depth first.
GameTree ReadGameTree(const std::wstring& folder);

// A file time as a zip archive stores it: DOS date (high 16 bits) and time, local time.
uint32_t DosTime(const FILETIME& written);

// Text in code page 1251; false when a character has no place in it.
bool ToCodePage1251(const std::wstring& text, std::string& result);
std::wstring FromCodePage1251(const std::string& text);

}  // namespace mvtpack
