// A folder tree as the acceptance tests compare it: every file with its size and CRC-32 by
// lower-cased relative path (Windows compares names without regard to case), and every
// folder.
#pragma once

#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace testsupport {

inline bool FolderExists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

inline std::string Lower(std::string text) {
    CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

struct FileFacts {
    std::string path;  // as found, relative
    uint64_t size = 0;
    uint32_t crc = 0;
};

// Size and CRC-32 of a file.
inline bool Measure(const std::string& path, uint64_t& size, uint32_t& crc) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::vector<unsigned char> buffer(1 << 20);
    size = 0;
    uLong sum = crc32(0, nullptr, 0);
    size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
        sum = crc32(sum, buffer.data(), static_cast<uInt>(got));
        size += got;
    }
    std::fclose(file);
    crc = static_cast<uint32_t>(sum);
    return true;
}

// Every file (by lower-cased relative path) and folder of a tree; Windows names are
// compared without regard to case, and the setup spells its game folders its own way.
struct Tree {
    std::map<std::string, FileFacts> files;
    std::set<std::string> folders;
};

inline void Walk(const std::string& root, const std::string& relative, Tree& tree) {
    WIN32_FIND_DATAA found{};
    const std::string folder = relative.empty() ? root : root + "\\" + relative;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string path = relative.empty() ? name : relative + "\\" + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree.folders.insert(Lower(path));
            Walk(root, path, tree);
        } else {
            FileFacts facts{path};
            Measure(root + "\\" + path, facts.size, facts.crc);
            tree.files[Lower(path)] = facts;
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

inline Tree ReadTree(const std::string& root) {
    Tree tree;
    Walk(root, "", tree);
    return tree;
}

// Each difference of two trees, a line each ("+ path" only in `after`, "- path" only in
// `before`, "* path" other content); empty when they are the same.
inline std::string TreeChanges(const Tree& before, const Tree& after) {
    std::string changes;
    for (const auto& [key, facts] : before.files) {
        const auto found = after.files.find(key);
        if (found == after.files.end())
            changes += "- " + facts.path + "\n";
        else if (found->second.size != facts.size || found->second.crc != facts.crc)
            changes += "* " + facts.path + "\n";
    }
    for (const auto& [key, facts] : after.files)
        if (!before.files.count(key)) changes += "+ " + facts.path + "\n";
    for (const std::string& folder : before.folders)
        if (!after.folders.count(folder)) changes += "- " + folder + "\\\n";
    for (const std::string& folder : after.folders)
        if (!before.folders.count(folder)) changes += "+ " + folder + "\\\n";
    return changes;
}

}  // namespace testsupport
