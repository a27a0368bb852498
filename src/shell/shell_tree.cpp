#include "shell/shell_tree.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "framework/common_controls.h"
#include "framework/forms.h"
#include "framework/sysutils.h"
#include "shell/shell_namespace.h"

namespace mvt::shell {

namespace {

// Runs a refresh that was asked for while the tree was busy.
constexpr UINT kPendingRefreshMessage = TSkCustomShellTree::kChangeMessage + 1;

// Stops the tree view drawing for a batch of changes and shows the result once.
class TRedrawOff {
  public:
    explicit TRedrawOff(HWND window) : window_(window) {
        SendMessageA(window_, WM_SETREDRAW, FALSE, 0);
    }
    ~TRedrawOff() {
        SendMessageA(window_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(window_, nullptr, TRUE);
    }
    TRedrawOff(const TRedrawOff&) = delete;
    TRedrawOff& operator=(const TRedrawOff&) = delete;

  private:
    HWND window_;
};

// Sets a flag for the guard's lifetime and puts back what was there.
class TFlagGuard {
  public:
    explicit TFlagGuard(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~TFlagGuard() { flag_ = previous_; }
    TFlagGuard(const TFlagGuard&) = delete;
    TFlagGuard& operator=(const TFlagGuard&) = delete;

  private:
    bool& flag_;
    bool previous_;
};

std::string LowerName(const std::string& name) {
    std::string lower = name;
    if (!lower.empty()) CharLowerBuffA(lower.data(), static_cast<DWORD>(lower.size()));
    return lower;
}

bool IsDriveRoot(const std::string& path) {
    return path.size() == 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
           path[1] == ':' && path[2] == '\\';
}

}  // namespace

// The tree is busy while it fills, refreshes or walks; the hourglass shows meanwhile. A
// refresh asked for in that time runs once the tree is idle again.
class TSkCustomShellTree::TBusy {
  public:
    TBusy(TSkCustomShellTree& tree, bool hourglass)
        : tree_(tree), hourglass_(hourglass), previousCursor_(Screen().Cursor()) {
        ++tree_.busy_;
        if (hourglass_) Screen().SetCursor(crHourGlass);
    }
    ~TBusy() {
        if (hourglass_) Screen().SetCursor(previousCursor_);
        if (--tree_.busy_ == 0 && tree_.refreshPending_ && tree_.HandleAllocated())
            PostMessageA(tree_.handle_, kPendingRefreshMessage, 0, 0);
    }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

  private:
    TSkCustomShellTree& tree_;
    bool hourglass_;
    TCursor previousCursor_;
};

TSkCustomShellTree::TSkCustomShellTree(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 121, 97);
    SetColor(clWindow);
    baseFolder_.OnChange = [this](TObject*) { BaseFolderChanged(); };
    selection_.OnChange = [this](TObject*) { SelectionTargetChanged(); };
    refreshTimer_ = Make<TTimer>();
    refreshTimer_->SetEnabled(false);
    refreshTimer_->OnTimer = [this](TObject*) {
        // One shot: each change restarts the wait, the last one ends in one refresh.
        refreshTimer_->SetEnabled(false);
        RefreshNodes();
    };
}

TSkCustomShellTree::~TSkCustomShellTree() {
    // The watch thread goes first (it posts to the window), then the window while the
    // nodes it reports the deletion of still exist.
    watcher_.reset();
    DestroyHandle();
}

// ---- Window ---------------------------------------------------------------------------

void TSkCustomShellTree::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    InitCommonControlClasses(ICC_TREEVIEW_CLASSES);
    params.className = WC_TREEVIEWA;
    // Read-only: no label editing. The selection stays visible when the focus is elsewhere,
    // as the browser's select button reads it then.
    params.style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_SHOWSELALWAYS;
    if (showRoot_) params.style |= TVS_LINESATROOT;
    params.style &= ~WS_CLIPCHILDREN;
}

void TSkCustomShellTree::HandleCreated() {
    SendMessageA(handle_, TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(SmallSystemImages()));
    SendMessageA(handle_, TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
    ApplyColours();
    if (!(options_ & stoAutoFill)) return;
    // The window is made while its form is built: a base folder the shell cannot bind is
    // reported, and the tree stays empty until it gets another one.
    try {
        FillTree();
    } catch (const std::exception& error) {
        Application().ShowException(error);
    }
}

void TSkCustomShellTree::ApplyColours() {
    if (!handle_) return;
    const COLORREF text = ColorToRGB(Font().Color());
    SendMessageA(handle_, TVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRGB(Color())));
    SendMessageA(handle_, TVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
    SendMessageA(handle_, TVM_SETLINECOLOR, 0, static_cast<LPARAM>(text));
}

void TSkCustomShellTree::Invalidate() {
    ApplyColours();
    TWinControl::Invalidate();
}

void TSkCustomShellTree::ApplyStyle() {
    if (!handle_) return;
    LONG_PTR style = GetWindowLongPtrA(handle_, GWL_STYLE);
    style =
        showRoot_ ? (style | TVS_LINESATROOT) : (style & ~static_cast<LONG_PTR>(TVS_LINESATROOT));
    SetWindowLongPtrA(handle_, GWL_STYLE, style);
    InvalidateRect(handle_, nullptr, TRUE);
}

void TSkCustomShellTree::SetShowRoot(bool showRoot) {
    if (showRoot == showRoot_) return;
    showRoot_ = showRoot;
    ApplyStyle();
}

void TSkCustomShellTree::SetIndent(int indent) {
    if (indent == indent_) return;
    indent_ = indent;
    if (handle_) SendMessageA(handle_, TVM_SETINDENT, static_cast<WPARAM>(indent_), 0);
}

void TSkCustomShellTree::SetOptions(TSkShellTreeOptions options) {
    if (options == options_) return;
    options_ = options;
    if (!handle_) return;
    if (options_ & stoAutoFill)
        FillTree();
    else
        ArmWatching();
}

LRESULT TSkCustomShellTree::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kChangeMessage) {
        ChangeNotified();
        return 0;
    }
    if (message == kPendingRefreshMessage) {
        if (refreshPending_ && !Busy()) {
            refreshPending_ = false;
            RefreshNodes();
        }
        return 0;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

bool TSkCustomShellTree::Notify(NMHDR& header, LRESULT& result) {
    // The tree view sends the ANSI or the wide form of each notification, as its parent
    // asks; the fields read here lie alike in both.
    switch (header.code) {
        case TVN_ITEMEXPANDINGA:
        case TVN_ITEMEXPANDINGW: {
            const auto& info = reinterpret_cast<const NMTREEVIEWA&>(header);
            // A node whose listing finds nothing loses its button instead of opening.
            if ((info.action & (TVE_EXPAND | TVE_COLLAPSE)) == TVE_EXPAND)
                result = EnumerateNode(info.itemNew.hItem) ? FALSE : TRUE;
            return true;
        }
        case TVN_SELCHANGEDA:
        case TVN_SELCHANGEDW: {
            if (updatingSelection_) return true;
            const auto& info = reinterpret_cast<const NMTREEVIEWA&>(header);
            // The user's choice becomes the selection target at once, without walking back
            // to it.
            TFlagGuard fromTree(selectionFromTree_);
            if (const TNode* node = NodeOf(info.itemNew.hItem))
                selection_.SetItemIdList(node->absolute);
            else
                selection_.Clear();
            return true;
        }
        case TVN_DELETEITEMA:
        case TVN_DELETEITEMW: {
            const auto& info = reinterpret_cast<const NMTREEVIEWA&>(header);
            nodes_.erase(info.itemOld.hItem);
            return true;
        }
        case TVN_GETDISPINFOA:
        case TVN_GETDISPINFOW: {
            auto& info = reinterpret_cast<NMTVDISPINFOA&>(header);
            TNode* node = NodeOf(info.item.hItem);
            if (!node) return true;
            // Icons are asked of the shell only for the nodes that are drawn.
            if (info.item.mask & TVIF_IMAGE) {
                if (node->icon == -2) node->icon = SmallIconIndex(node->absolute, false);
                info.item.iImage = node->icon;
            }
            if (info.item.mask & TVIF_SELECTEDIMAGE) {
                if (node->openIcon == -2) node->openIcon = SmallIconIndex(node->absolute, true);
                info.item.iSelectedImage = node->openIcon;
            }
            info.item.mask |= TVIF_DI_SETITEM;
            return true;
        }
    }
    return false;
}

// ---- Nodes ----------------------------------------------------------------------------

TSkCustomShellTree::TNode* TSkCustomShellTree::NodeOf(HTREEITEM item) {
    auto found = item ? nodes_.find(item) : nodes_.end();
    return found == nodes_.end() ? nullptr : &found->second;
}

const TSkCustomShellTree::TNode* TSkCustomShellTree::NodeOf(HTREEITEM item) const {
    auto found = item ? nodes_.find(item) : nodes_.end();
    return found == nodes_.end() ? nullptr : &found->second;
}

HTREEITEM TSkCustomShellTree::RootNode() const {
    if (!handle_) return nullptr;
    return reinterpret_cast<HTREEITEM>(SendMessageA(handle_, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

HTREEITEM TSkCustomShellTree::SelectedNode() const {
    if (!handle_) return nullptr;
    return reinterpret_cast<HTREEITEM>(SendMessageA(handle_, TVM_GETNEXTITEM, TVGN_CARET, 0));
}

std::vector<HTREEITEM> TSkCustomShellTree::ChildNodes(HTREEITEM node) const {
    std::vector<HTREEITEM> children;
    if (!handle_ || !node) return children;
    auto next = [this](HTREEITEM item, WPARAM which) {
        return reinterpret_cast<HTREEITEM>(
            SendMessageA(handle_, TVM_GETNEXTITEM, which, reinterpret_cast<LPARAM>(item)));
    };
    for (HTREEITEM child = next(node, TVGN_CHILD); child; child = next(child, TVGN_NEXT))
        children.push_back(child);
    return children;
}

std::string TSkCustomShellTree::NodeText(HTREEITEM node) const {
    if (!handle_ || !node) return {};
    char text[MAX_PATH + 1] = {};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = node;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (!SendMessageA(handle_, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return {};
    return item.pszText ? std::string(item.pszText) : std::string();
}

bool TSkCustomShellTree::NodeExpanded(HTREEITEM node) const {
    if (!handle_ || !node) return false;
    return (SendMessageA(handle_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), TVIS_EXPANDED) &
            TVIS_EXPANDED) != 0;
}

std::string TSkCustomShellTree::NodePath(HTREEITEM node) const {
    const TNode* data = NodeOf(node);
    return data ? PathOf(data->absolute) : std::string();
}

HTREEITEM TSkCustomShellTree::InsertNode(HTREEITEM parent, TNode node, const std::string& text,
                                         bool hasChildren, HTREEITEM after) {
    TVINSERTSTRUCTA insert{};
    insert.hParent = parent;
    insert.hInsertAfter = after;
    insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    insert.item.pszText = const_cast<char*>(text.c_str());
    insert.item.iImage = I_IMAGECALLBACK;
    insert.item.iSelectedImage = I_IMAGECALLBACK;
    insert.item.cChildren = hasChildren ? 1 : 0;
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageA(handle_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
    if (item) nodes_[item] = std::move(node);
    return item;
}

HTREEITEM TSkCustomShellTree::InsertSorted(HTREEITEM parent, TNode node, const std::string& text,
                                           bool hasChildren) {
    // After the last sibling whose caption sorts before this one (without regard to case,
    // as the listing sorts).
    HTREEITEM after = TVI_FIRST;
    for (HTREEITEM sibling : ChildNodes(parent)) {
        if (lstrcmpiA(NodeText(sibling).c_str(), text.c_str()) > 0) break;
        after = sibling;
    }
    return InsertNode(parent, std::move(node), text, hasChildren, after);
}

void TSkCustomShellTree::SetChildButton(HTREEITEM item, bool hasChildren) {
    TVITEMA data{};
    data.mask = TVIF_CHILDREN;
    data.hItem = item;
    data.cChildren = hasChildren ? 1 : 0;
    SendMessageA(handle_, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&data));
}

TEnumeration TSkCustomShellTree::WhatToList() const {
    TEnumeration what;
    what.includeHidden = (options_ & stoShowHidden) != 0;
    what.includeNonFolders = (options_ & stoIncludeNonFolders) != 0;
    what.virtualFolders = (options_ & stoVirtualFolders) != 0;
    return what;
}

static bool HasSubFolders(const TFolderItem& item) {
    return (item.attributes & SFGAO_FOLDER) && !(item.attributes & SFGAO_STREAM) &&
           (item.attributes & SFGAO_HASSUBFOLDER);
}

bool TSkCustomShellTree::EnumerateNode(HTREEITEM item) {
    TNode* node = NodeOf(item);
    if (!node) return false;
    if (node->enumerated) return !ChildNodes(item).empty();
    TBusy busy(*this, true);
    node->enumerated = true;
    const TItemIdList parentList = node->absolute;
    std::vector<TFolderItem> items;
    try {
        ComPtr<IShellFolder> folder = BindFolder(parentList);
        items = EnumerateFolder(*folder, WhatToList(), handle_);
    } catch (const Exception&) {
        // A folder that went away or cannot be opened simply has nothing to show.
    }
    for (TFolderItem& child : items)
        InsertNode(item, TNode{parentList.Append(child.item), child.item}, child.name,
                   HasSubFolders(child), TVI_LAST);
    if (items.empty()) SetChildButton(item, false);
    return !items.empty();
}

void TSkCustomShellTree::ExpandNode(HTREEITEM item) {
    SendMessageA(handle_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
}

HTREEITEM TSkCustomShellTree::AddMissingChild(HTREEITEM parent, const TItemIdList& child) {
    const TNode* parentNode = NodeOf(parent);
    if (!parentNode) return nullptr;
    const TItemIdList absolute = parentNode->absolute.Append(child);
    try {
        ComPtr<IShellFolder> folder = BindFolder(parentNode->absolute);
        const SFGAOF attributes = Attributes(*folder, child,
                                             SFGAO_FOLDER | SFGAO_STREAM | SFGAO_FILESYSTEM |
                                                 SFGAO_FILESYSANCESTOR | SFGAO_HASSUBFOLDER);
        const bool isFolder = (attributes & SFGAO_FOLDER) && !(attributes & SFGAO_STREAM);
        if (!isFolder && !(options_ & stoIncludeNonFolders)) return nullptr;
        if (!(options_ & stoVirtualFolders) &&
            !(attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)))
            return nullptr;
        // The shell describes an item from its list alone: a file-system item must also
        // still be on disk.
        if (attributes & SFGAO_FILESYSTEM) {
            const std::string path = PathOf(absolute);
            if (path.empty() || !(isFolder ? DirectoryExists(path) : FileExists(path)))
                return nullptr;
        }
        const std::string name = DisplayName(*folder, child, SHGDN_INFOLDER);
        if (name.empty()) return nullptr;
        HTREEITEM added = InsertSorted(parent, TNode{absolute, child}, name,
                                       isFolder && (attributes & SFGAO_HASSUBFOLDER));
        if (added) SetChildButton(parent, true);
        return added;
    } catch (const Exception&) {
        return nullptr;
    }
}

void TSkCustomShellTree::SelectNode(HTREEITEM item) {
    SendMessageA(handle_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
}

std::string TSkCustomShellTree::RootCaption(const TItemIdList& base) {
    if (base.Empty()) return DisplayName(*DesktopFolder(), base, SHGDN_NORMAL);
    // A drive shows as its root path ("C:\"), whatever label the shell would give it.
    const std::string path = PathOf(base);
    if (IsDriveRoot(path)) return path;
    ComPtr<IShellFolder> parent = BindFolder(base.Prefix(base.Count() - 1));
    const std::string name = DisplayName(*parent, base.Last(), SHGDN_INFOLDER);
    return name.empty() ? path : name;
}

// ---- Filling, walking, refreshing -----------------------------------------------------

void TSkCustomShellTree::BaseFolderChanged() {
    selection_.Clear();
    if ((options_ & stoAutoFill) && handle_) FillTree();
}

void TSkCustomShellTree::SelectionTargetChanged() {
    if (selectionFromTree_ || !selection_.Holds() || !RootNode()) return;
    Navigate(selection_.ItemIdList());
}

void TSkCustomShellTree::FillTree() {
    Handle();
    {
        TBusy busy(*this, true);
        {
            TFlagGuard updating(updatingSelection_);
            SendMessageA(handle_, TVM_SELECTITEM, TVGN_CARET, 0);
            SendMessageA(handle_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
            nodes_.clear();
        }
        const TItemIdList base = baseFolder_.ItemIdList();
        // Raises when the shell cannot bind the base folder.
        BindFolder(base);
        HTREEITEM root =
            InsertNode(TVI_ROOT, TNode{base, base.Last()}, RootCaption(base), true, TVI_LAST);
        if (!root) throw EOutOfResources("Cannot add the tree's root");
        if (selection_.Holds())
            Navigate(selection_.ItemIdList());
        else
            SelectNode(root);
    }
    ArmWatching();
}

void TSkCustomShellTree::Navigate(const TItemIdList& target) {
    HTREEITEM root = RootNode();
    if (!root) return;
    TBusy busy(*this, false);
    TRedrawOff batch(handle_);
    const TItemIdList base = baseFolder_.ItemIdList();
    const size_t baseCount = base.Count(), targetCount = target.Count();
    if (targetCount == 0) {
        SelectNode(root);
        return;
    }
    if (targetCount <= baseCount) {
        SelectNode(root);
        ExpandNode(root);
        return;
    }
    // A folder outside the base folder is not in this tree: rather than walk the base's
    // folders for the names of another drive's (and select a namesake), it counts as not
    // found.
    if (baseCount > 0 && !SameFolder(target.Prefix(baseCount), base)) {
        NavigationFailed();
        SelectNode(root);
        return;
    }
    const auto items = target.Items();
    HTREEITEM node = root;
    for (size_t level = baseCount; level < targetCount; ++level) {
        ExpandNode(node);
        const TItemIdList wanted = *TItemIdList::FromItems({items[level]});
        HTREEITEM found = nullptr;
        if (const TNode* parent = NodeOf(node)) {
            try {
                ComPtr<IShellFolder> folder = BindFolder(parent->absolute);
                for (HTREEITEM child : ChildNodes(node)) {
                    const TNode* data = NodeOf(child);
                    if (data && SameItem(*folder, data->child, wanted)) {
                        found = child;
                        break;
                    }
                }
            } catch (const Exception&) {
            }
        }
        if (!found) {
            found = AddMissingChild(node, wanted);
            if (found) ExpandNode(node);
        }
        if (!found) {
            NavigationFailed();
            break;
        }
        node = found;
    }
    SelectNode(node);
    SendMessageA(handle_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node));
}

void TSkCustomShellTree::NavigationFailed() {
    MessageBeep(MB_OK);
}

void TSkCustomShellTree::RereadNode(HTREEITEM item) {
    TNode* node = NodeOf(item);
    if (!node || !node->enumerated) return;
    if (!NodeExpanded(item)) {
        // Listed once but closed now: forgotten, and listed anew when opened again.
        for (HTREEITEM child : ChildNodes(item))
            SendMessageA(handle_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(child));
        node->enumerated = false;
        SetChildButton(item, true);
        return;
    }
    const TItemIdList parentList = node->absolute;
    std::vector<TFolderItem> fresh;
    ComPtr<IShellFolder> folder;
    try {
        folder = BindFolder(parentList);
        fresh = EnumerateFolder(*folder, WhatToList(), handle_);
    } catch (const Exception&) {
        folder = ComPtr<IShellFolder>();
    }
    // Existing nodes are matched to the fresh listing by name first (names are unique in
    // a folder), then confirmed by the folder's own comparison of the items.
    std::unordered_multimap<std::string, size_t> byName;
    for (size_t i = 0; i < fresh.size(); ++i) byName.emplace(LowerName(fresh[i].name), i);
    std::vector<bool> matched(fresh.size(), false);
    for (HTREEITEM child : ChildNodes(item)) {
        const TNode* data = NodeOf(child);
        bool found = false;
        auto [first, last] = byName.equal_range(LowerName(NodeText(child)));
        for (auto it = first; it != last && data && folder; ++it) {
            if (!matched[it->second] && SameItem(*folder, data->child, fresh[it->second].item)) {
                matched[it->second] = found = true;
                // A kept node never opened shows its button as the system sees it now, so
                // that a folder which has just got its first sub-folder can be opened.
                if (!data->enumerated) SetChildButton(child, HasSubFolders(fresh[it->second]));
                break;
            }
        }
        if (!found) SendMessageA(handle_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(child));
    }
    for (size_t i = 0; i < fresh.size(); ++i) {
        if (matched[i]) continue;
        InsertSorted(item, TNode{parentList.Append(fresh[i].item), fresh[i].item}, fresh[i].name,
                     HasSubFolders(fresh[i]));
    }
    if (fresh.empty()) SetChildButton(item, false);
    for (HTREEITEM child : ChildNodes(item)) RereadNode(child);
}

void TSkCustomShellTree::RefreshNodes() {
    if (Busy()) {
        refreshPending_ = true;
        return;
    }
    HTREEITEM root = RootNode();
    if (!root) {
        FillTree();
        return;
    }
    TBusy busy(*this, true);
    // The selected node and its ancestors, nearest first: if the node itself vanished, the
    // nearest one still there is selected instead.
    std::vector<HTREEITEM> chain;
    for (HTREEITEM node = SelectedNode(); node;
         node = reinterpret_cast<HTREEITEM>(
             SendMessageA(handle_, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(node))))
        chain.push_back(node);
    HTREEITEM reselected = nullptr;
    {
        TFlagGuard updating(updatingSelection_);
        TRedrawOff batch(handle_);
        SendMessageA(handle_, TVM_SELECTITEM, TVGN_CARET, 0);
        RereadNode(root);
        for (HTREEITEM node : chain) {
            if (nodes_.count(node)) {
                reselected = node;
                break;
            }
        }
        if (reselected) SelectNode(reselected);
    }
    if (!chain.empty() && reselected != chain.front()) {
        TFlagGuard fromTree(selectionFromTree_);
        if (const TNode* node = NodeOf(reselected))
            selection_.SetItemIdList(node->absolute);
        else
            selection_.Clear();
    }
}

// ---- Selection by path ----------------------------------------------------------------

std::string TSkCustomShellTree::SelectedPathName() {
    const TNode* node = NodeOf(SelectedNode());
    if (!node) return {};
    return PathOf(node->absolute);
}

void TSkCustomShellTree::SetSelectedPathName(const std::string& path) {
    if (updatingSelection_) return;
    selection_.SetPathName(path);
}

// ---- Change watching ------------------------------------------------------------------

void TSkCustomShellTree::ArmWatching() {
    if (!(options_ & stoDynamicRefresh) || !handle_) {
        if (watcher_) watcher_->StopAll();
        return;
    }
    if (!watcher_) watcher_ = std::make_unique<TChangeWatcher>(handle_, kChangeMessage);
    watcher_->StopAll();
    DWORD filter = FILE_NOTIFY_CHANGE_DIR_NAME;
    if (options_ & stoIncludeNonFolders) filter |= FILE_NOTIFY_CHANGE_FILE_NAME;
    const DWORD drives = GetLogicalDrives();
    for (int index = 0; index < 26; ++index) {
        if (!(drives & (1u << index))) continue;
        const char root[] = {static_cast<char>('A' + index), ':', '\\', '\0'};
        const UINT type = GetDriveTypeA(root);
        // Fixed, RAM and connected network drives; removable media and CD-ROMs are not
        // watched.
        if (type == DRIVE_FIXED || type == DRIVE_RAMDISK || type == DRIVE_REMOTE)
            watcher_->AddWatch(root, filter);
    }
}

void TSkCustomShellTree::ChangeNotified() {
    if (Busy()) return;
    refreshTimer_->SetEnabled(false);
    refreshTimer_->SetInterval(Focused() ? kFocusedRefreshDelay : kUnfocusedRefreshDelay);
    refreshTimer_->SetEnabled(true);
}

}  // namespace mvt::shell
