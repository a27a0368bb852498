// The folder tree: the folders of one part of the shell namespace (on the browser screen a
// drive) in a system tree view, filled lazily level by level, with the system's small
// icons, navigation to a folder by path, and a refresh that follows changes on disk.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/comobj.h"
#include "framework/controls.h"
#include "framework/stdctrls.h"
#include "shell/change_watch.h"
#include "shell/item_id_list.h"
#include "shell/shell_locator.h"
#include "shell/shell_namespace.h"

namespace mvt::shell {

enum TSkShellTreeOption : unsigned {
    stoAutoFill = 1 << 0,            // fill whenever the base folder changes
    stoVirtualFolders = 1 << 1,      // also folders outside the file system
    stoDesignInteractive = 1 << 2,   // (design-time browsing: not offered)
    stoDefaultKeyHandling = 1 << 3,  // (built-in keyboard commands: not offered)
    stoContextMenus = 1 << 4,        // (the shell's context menu: not offered)
    stoDynamicRefresh = 1 << 5,      // watch the drives and refresh on changes
    stoIncludeNonFolders = 1 << 6,   // files too
    stoOleDrag = 1 << 7,             // (drag and drop: not offered)
    stoOleDrop = 1 << 8,             // (drag and drop: not offered)
    stoShowHidden = 1 << 9,          // hidden folders too
};
using TSkShellTreeOptions = unsigned;
constexpr TSkShellTreeOptions kDefaultShellTreeOptions =
    stoAutoFill | stoVirtualFolders | stoDefaultKeyHandling | stoContextMenus | stoDynamicRefresh |
    stoOleDrag | stoOleDrop | stoShowHidden;

class TSkCustomShellTree : public TWinControl {
  public:
    explicit TSkCustomShellTree(TComponent* owner);
    ~TSkCustomShellTree() override;

    // The root of the tree. Changing the folder it refers to clears the selection target
    // and, with stoAutoFill, fills the tree anew.
    TSkShellLocator& BaseFolder() { return baseFolder_; }
    TSkShellTreeOptions Options() const { return options_; }
    void SetOptions(TSkShellTreeOptions options);
    // Captions are never edited: the tree is read-only, whatever is set here.
    bool ReadOnly() const { return true; }
    bool ShowRoot() const { return showRoot_; }
    void SetShowRoot(bool showRoot);
    int Indent() const { return indent_; }
    void SetIndent(int indent);

    // The file-system path of the selected node (a drive root with its backslash, other
    // folders without); empty when nothing is selected or the node has no such path.
    std::string SelectedPathName();
    // Makes the folder of a path the selection target and, when that changes the target
    // and the tree has nodes, walks the tree down to it. A path the shell cannot parse
    // leaves no target. Ignored while the tree is changing its selection itself.
    void SetSelectedPathName(const std::string& path);

    // Removes every node and builds the root from the base folder, then goes to the
    // selection target (or selects the root). Raises when the shell cannot bind the base.
    void FillTree();
    // Reads the folders under every expanded node again (new ones appear, vanished ones
    // go) and keeps the selection; fills an empty tree. While the tree is busy the
    // refresh is only marked and runs when it is done.
    virtual void RefreshNodes();

    // The nodes as the tree view holds them.
    HTREEITEM RootNode() const;
    HTREEITEM SelectedNode() const;
    std::vector<HTREEITEM> ChildNodes(HTREEITEM node) const;
    std::string NodeText(HTREEITEM node) const;
    bool NodeExpanded(HTREEITEM node) const;
    std::string NodePath(HTREEITEM node) const;
    int NodeCount() const { return static_cast<int>(nodes_.size()); }

    // True while the tree fills, refreshes or walks to a folder.
    bool Busy() const { return busy_ > 0; }
    // The change watching of stoDynamicRefresh, once it has started.
    TChangeWatcher* Watcher() const { return watcher_.get(); }

    // How long a change waits before the refresh: the focused tree answers sooner.
    static constexpr unsigned kFocusedRefreshDelay = 400;
    static constexpr unsigned kUnfocusedRefreshDelay = 2000;
    // Posted by the watch thread for every change.
    static constexpr UINT kChangeMessage = WM_APP + 0x51;

  protected:
    void CreateParams(TCreateParams& params) override;
    void HandleCreated() override;
    bool Notify(NMHDR& header, LRESULT& result) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Also passes a changed colour or font colour on to the tree view.
    void Invalidate() override;
    // A folder along the way to a navigation target can neither be found nor added: the
    // system beep.
    virtual void NavigationFailed();
    // A change reached the tree; (re)starts the refresh timer unless the tree is busy.
    virtual void ChangeNotified();

  private:
    struct TNode {
        TItemIdList absolute;  // the folder's full list
        TItemIdList child;     // its own item, relative to the parent node's folder
        bool enumerated = false;
        int icon = -2, openIcon = -2;  // -2: not asked yet
    };
    class TBusy;

    void BaseFolderChanged();
    void SelectionTargetChanged();
    void Navigate(const TItemIdList& target);
    void ApplyColours();
    void ApplyStyle();
    void ArmWatching();

    TNode* NodeOf(HTREEITEM item);
    const TNode* NodeOf(HTREEITEM item) const;
    HTREEITEM InsertNode(HTREEITEM parent, TNode node, const std::string& text, bool hasChildren,
                         HTREEITEM after);
    HTREEITEM InsertSorted(HTREEITEM parent, TNode node, const std::string& text, bool hasChildren);
    // Lists the node's sub-folders once (the first expansion); false when it has none.
    bool EnumerateNode(HTREEITEM item);
    void ExpandNode(HTREEITEM item);
    // Adds the node for one item of the parent's folder; null when it is no folder that
    // exists (or the shell cannot describe it).
    HTREEITEM AddMissingChild(HTREEITEM parent, const TItemIdList& child);
    void RereadNode(HTREEITEM item);
    void SelectNode(HTREEITEM item);
    void SetChildButton(HTREEITEM item, bool hasChildren);
    std::string RootCaption(const TItemIdList& base);
    TEnumeration WhatToList() const;

    // The shell wants COM on the thread that asks it (icons, folder objects).
    ComApartment apartment_;
    TSkShellLocator baseFolder_;
    TSkShellLocator selection_;
    TSkShellTreeOptions options_ = kDefaultShellTreeOptions;
    bool showRoot_ = true;
    int indent_ = 19;
    std::unordered_map<HTREEITEM, TNode> nodes_;
    int busy_ = 0;
    bool refreshPending_ = false;
    bool updatingSelection_ = false;  // the tree changes its own selection
    bool selectionFromTree_ = false;  // the selection target follows the tree
    TTimer* refreshTimer_ = nullptr;
    std::unique_ptr<TChangeWatcher> watcher_;
};

// The folder tree as the screens place it.
class TSkShellTree : public TSkCustomShellTree {
  public:
    using TSkCustomShellTree::TSkCustomShellTree;
};

}  // namespace mvt::shell
