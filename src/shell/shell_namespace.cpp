#include "shell/shell_namespace.h"

#include <algorithm>
#include <memory>

namespace mvt::shell {

namespace {

struct CoTaskMemDeleter {
    void operator()(void* memory) const { CoTaskMemFree(memory); }
};
template <class T>
using ShellMemory = std::unique_ptr<std::remove_pointer_t<T>, CoTaskMemDeleter>;

size_t ListSize(PCUIDLIST_RELATIVE list) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(list);
    size_t size = 0;
    for (uint16_t item; (item = static_cast<uint16_t>(bytes[size] | bytes[size + 1] << 8)) != 0;)
        size += item;
    return size + 2;
}

std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int length =
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string Narrow(const wchar_t* text) {
    if (!text || !*text) return {};
    const int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) return {};
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow.data(), length, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(length - 1));
    return narrow;
}

// The text of a STRRET, whichever form the folder chose; frees what it allocated.
std::string StrRetText(STRRET& value, const TItemIdList& child) {
    switch (value.uType) {
        case STRRET_WSTR: {
            ShellMemory<LPWSTR> text(value.pOleStr);
            return Narrow(text.get());
        }
        case STRRET_CSTR:
            return std::string(value.cStr, strnlen(value.cStr, sizeof value.cStr));
        case STRRET_OFFSET: {
            if (value.uOffset >= child.Size()) return {};
            const char* text = reinterpret_cast<const char*>(child.Data()) + value.uOffset;
            return std::string(text, strnlen(text, child.Size() - value.uOffset));
        }
    }
    return {};
}

}  // namespace

std::optional<TItemIdList> CopyShellList(PCUIDLIST_RELATIVE list) {
    if (!list) return std::nullopt;
    return TItemIdList::FromBytes(reinterpret_cast<const uint8_t*>(list), ListSize(list));
}

ComPtr<IShellFolder> DesktopFolder() {
    ComPtr<IShellFolder> desktop;
    HRESULT result = SHGetDesktopFolder(desktop.Put());
    if (FAILED(result) || !desktop) throw EOleSysError(FAILED(result) ? result : E_FAIL);
    return desktop;
}

ComPtr<IShellFolder> BindFolder(const TItemIdList& absolute) {
    ComPtr<IShellFolder> desktop = DesktopFolder();
    if (absolute.Empty()) return desktop;
    ComPtr<IShellFolder> folder;
    HRESULT result =
        desktop->BindToObject(AsAbsolute(absolute), nullptr, IID_IShellFolder, folder.PutVoid());
    if (FAILED(result) || !folder) throw EOleSysError(FAILED(result) ? result : E_FAIL);
    return folder;
}

std::optional<TItemIdList> ParsePath(const std::string& path) {
    if (path.empty()) return std::nullopt;
    PIDLIST_ABSOLUTE parsed = nullptr;
    const std::wstring wide = Wide(path);
    if (FAILED(SHParseDisplayName(wide.c_str(), nullptr, &parsed, 0, nullptr))) return std::nullopt;
    ShellMemory<PIDLIST_ABSOLUTE> owned(parsed);
    return CopyShellList(owned.get());
}

std::string PathOf(const TItemIdList& absolute) {
    char path[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListA(AsAbsolute(absolute), path)) return {};
    return path;
}

std::optional<TItemIdList> SpecialFolderList(int csidl) {
    PIDLIST_ABSOLUTE list = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &list))) return std::nullopt;
    ShellMemory<PIDLIST_ABSOLUTE> owned(list);
    return CopyShellList(owned.get());
}

std::vector<TFolderItem> EnumerateFolder(IShellFolder& folder, const TEnumeration& what,
                                         HWND owner) {
    SHCONTF flags = SHCONTF_FOLDERS;
    if (what.includeNonFolders) flags |= SHCONTF_NONFOLDERS;
    if (what.includeHidden) flags |= SHCONTF_INCLUDEHIDDEN;
    std::vector<TFolderItem> items;
    ComPtr<IEnumIDList> enumeration;
    // S_FALSE (nothing to list) leaves the enumerator null.
    if (folder.EnumObjects(owner, flags, enumeration.Put()) != S_OK || !enumeration) return items;
    constexpr SFGAOF kWanted = SFGAO_FOLDER | SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR |
                               SFGAO_HASSUBFOLDER | SFGAO_STREAM | SFGAO_HIDDEN;
    for (;;) {
        PITEMID_CHILD next = nullptr;
        ULONG fetched = 0;
        if (enumeration->Next(1, &next, &fetched) != S_OK || fetched != 1 || !next) break;
        ShellMemory<PITEMID_CHILD> owned(next);
        std::optional<TItemIdList> child = CopyShellList(owned.get());
        if (!child || child->Count() != 1) continue;
        TFolderItem item{std::move(*child), {}, 0};
        item.attributes = Attributes(folder, item.item, kWanted);
        // An archive is a file the shell can also open as a folder: not a place to
        // install into.
        const bool isFolder = (item.attributes & SFGAO_FOLDER) && !(item.attributes & SFGAO_STREAM);
        if (!isFolder && !what.includeNonFolders) continue;
        if (!what.virtualFolders && !(item.attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
            continue;
        item.name = DisplayName(folder, item.item, SHGDN_INFOLDER);
        items.push_back(std::move(item));
    }
    std::stable_sort(items.begin(), items.end(), [](const TFolderItem& a, const TFolderItem& b) {
        return lstrcmpiA(a.name.c_str(), b.name.c_str()) < 0;
    });
    return items;
}

std::string DisplayName(IShellFolder& folder, const TItemIdList& child, SHGDNF flags) {
    STRRET value{};
    if (FAILED(folder.GetDisplayNameOf(AsChild(child), flags, &value))) return {};
    return StrRetText(value, child);
}

SFGAOF Attributes(IShellFolder& folder, const TItemIdList& child, SFGAOF wanted) {
    SFGAOF attributes = wanted;
    PCUITEMID_CHILD items[] = {AsChild(child)};
    if (FAILED(folder.GetAttributesOf(1, items, &attributes))) return 0;
    return attributes & wanted;
}

bool SameItem(IShellFolder& folder, const TItemIdList& a, const TItemIdList& b) {
    if (a == b) return true;
    const HRESULT result = folder.CompareIDs(0, reinterpret_cast<PCUIDLIST_RELATIVE>(a.Data()),
                                             reinterpret_cast<PCUIDLIST_RELATIVE>(b.Data()));
    return SUCCEEDED(result) && static_cast<short>(HRESULT_CODE(result)) == 0;
}

bool SameFolder(const TItemIdList& a, const TItemIdList& b) {
    if (a == b) return true;
    const std::string pathA = PathOf(a), pathB = PathOf(b);
    if (!pathA.empty() && !pathB.empty()) return lstrcmpiA(pathA.c_str(), pathB.c_str()) == 0;
    return SameItem(*DesktopFolder(), a, b);
}

HIMAGELIST SmallSystemImages() {
    // Asked by attributes alone, so that the answer needs no existing file or drive.
    SHFILEINFOA info{};
    return reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                       SHGFI_USEFILEATTRIBUTES | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

int SmallIconIndex(const TItemIdList& absolute, bool open) {
    SHFILEINFOA info{};
    UINT flags = SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON;
    if (open) flags |= SHGFI_OPENICON;
    if (!SHGetFileInfoA(reinterpret_cast<LPCSTR>(AsAbsolute(absolute)), 0, &info, sizeof info,
                        flags))
        return -1;
    return info.iIcon;
}

}  // namespace mvt::shell
