#include "game_tree.h"

#include <windows.h>

#include <map>

namespace mvtpack {

namespace {

constexpr UINT kCodePage = 1251;
constexpr DWORD kKeptAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

std::wstring Upper(const std::wstring& text) {
    std::wstring upper = text;
    if (!upper.empty())
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.c_str(), static_cast<int>(text.size()),
                     upper.data(), static_cast<int>(upper.size()));
    return upper;
}

class TreeReader {
  public:
    explicit TreeReader(GameTree& tree) : tree_(tree) {}

    void Read(const std::wstring& folder, const std::string& relative) {
        WIN32_FIND_DATAW found{};
        HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            tree_.problems.push_back(
                (relative.empty() ? std::string("the game folder") : relative) +
                ": cannot be read");
            return;
        }
        // Two names that differ in case only cannot both exist on Windows.
        std::map<std::wstring, std::string> seen;
        std::vector<std::pair<std::wstring, std::string>> subfolders;
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            std::string narrow;
            const bool representable = ToCodePage1251(name, narrow);
            const std::string path = relative.empty() ? narrow : relative + "\\" + narrow;
            if (!representable) {
                tree_.problems.push_back(path + ": a name that code page 1251 cannot write");
                continue;
            }
            auto [other, fresh] = seen.emplace(Upper(name), path);
            if (!fresh) {
                tree_.problems.push_back(path + " and " + other->second +
                                         ": names that Windows takes for the same");
                continue;
            }
            const bool folderEntry = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                tree_.problems.push_back(path +
                                         ": a link to elsewhere, which the packer does not follow");
                continue;
            }
            TreeItem item;
            item.path = path;
            item.folder = folderEntry;
            item.size =
                folderEntry ? 0 : (uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow;
            item.attributes = found.dwFileAttributes & kKeptAttributes;
            item.dosTime = DosTime(found.ftLastWriteTime);
            tree_.items.push_back(item);
            tree_.sources.push_back(folder + L"\\" + name);
            if (folderEntry) subfolders.emplace_back(folder + L"\\" + name, path);
        } while (FindNextFileW(search, &found));
        FindClose(search);
        for (const auto& [full, path] : subfolders) Read(full, path);
    }

  private:
    GameTree& tree_;
};

}  // namespace

uint32_t DosTime(const FILETIME& written) {
    FILETIME local{};
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&written, &local) || !FileTimeToDosDateTime(&local, &date, &time))
        return (1u << 16) | 0x21;  // 1980-01-01, the earliest a zip archive can say
    return (uint32_t{date} << 16) | time;
}

bool ToCodePage1251(const std::wstring& text, std::string& result) {
    result.clear();
    if (text.empty()) return true;
    BOOL usedDefault = FALSE;
    const int size =
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.c_str(),
                            static_cast<int>(text.size()), nullptr, 0, nullptr, &usedDefault);
    result.resize(static_cast<size_t>(size));
    WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, text.c_str(),
                        static_cast<int>(text.size()), result.data(), size, nullptr, &usedDefault);
    return size > 0 && !usedDefault;
}

std::wstring FromCodePage1251(const std::string& text) {
    if (text.empty()) return {};
    const int size =
        MultiByteToWideChar(kCodePage, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(kCodePage, 0, text.c_str(), static_cast<int>(text.size()), result.data(),
                        size);
    return result;
}

GameTree ReadGameTree(const std::wstring& folder) {
    GameTree tree;
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        tree.problems.push_back("the game folder does not exist");
        return tree;
    }
    TreeReader(tree).Read(folder, "");
    return tree;
}

}  // namespace mvtpack
