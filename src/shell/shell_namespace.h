// The shell namespace as the folder tree needs it: folder objects bound from item id
// lists, their sub-folders with display names and attributes, paths, parsing and the
// system's small icons. Lists cross this boundary as owned TItemIdList values; whatever the
// shell allocates is copied and freed here.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/comobj.h"
#include "shell/item_id_list.h"

namespace mvt::shell {

// The list as the shell functions take it (no copy).
inline PCIDLIST_ABSOLUTE AsAbsolute(const TItemIdList& list) {
    return reinterpret_cast<PCIDLIST_ABSOLUTE>(list.Data());
}
inline PCUITEMID_CHILD AsChild(const TItemIdList& list) {
    return reinterpret_cast<PCUITEMID_CHILD>(list.Data());
}

// Copies a list the shell made; nothing for a null pointer.
std::optional<TItemIdList> CopyShellList(PCUIDLIST_RELATIVE list);

// The top of the namespace; raises EOleSysError when the shell cannot give it.
ComPtr<IShellFolder> DesktopFolder();
// The folder object of an absolute list (the desktop itself for the empty list); raises
// EOleSysError when the shell cannot bind it.
ComPtr<IShellFolder> BindFolder(const TItemIdList& absolute);

// The shell's list for a path; nothing when it cannot be parsed (for example a folder that
// does not exist).
std::optional<TItemIdList> ParsePath(const std::string& path);
// The file-system path of an absolute list (a drive root with its backslash); empty when
// the item has none.
std::string PathOf(const TItemIdList& absolute);
// The system's list of a special folder (CSIDL number); nothing when it has none here.
std::optional<TItemIdList> SpecialFolderList(int csidl);

// One item of a folder: its own one-item list, display name in the folder and attributes.
struct TFolderItem {
    TItemIdList item;
    std::string name;
    SFGAOF attributes = 0;
};

// What to list of a folder.
struct TEnumeration {
    bool includeHidden = true;
    bool includeNonFolders = false;
    // Also items that are neither in the file system nor above file-system folders.
    bool virtualFolders = false;
};

// The items of a folder, sorted by name without regard to case. Folders only unless asked
// otherwise; a file that the shell also offers as a folder (an archive) is no folder here.
// An empty list when the folder cannot be enumerated.
std::vector<TFolderItem> EnumerateFolder(IShellFolder& folder, const TEnumeration& what,
                                         HWND owner);
// The display name of an item of a folder (flags SHGDN_*); empty on failure.
std::string DisplayName(IShellFolder& folder, const TItemIdList& child, SHGDNF flags);
// The attributes of an item of a folder among the wanted ones; 0 on failure.
SFGAOF Attributes(IShellFolder& folder, const TItemIdList& child, SFGAOF wanted);
// Whether two lists relative to the same folder name the same item (the folder's own
// comparison).
bool SameItem(IShellFolder& folder, const TItemIdList& a, const TItemIdList& b);

// Whether two absolute lists name the same folder: by their file-system paths when both
// have one (the shell writes the same drive in more than one form of item), else by the
// desktop's comparison.
bool SameFolder(const TItemIdList& a, const TItemIdList& b);

// The system image list of small icons (owned by the system, never freed).
HIMAGELIST SmallSystemImages();
// The index of an absolute item's small icon (open: the opened-folder picture); -1 when the
// system has none.
int SmallIconIndex(const TItemIdList& absolute, bool open);

}  // namespace mvt::shell
