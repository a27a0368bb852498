// The folder tree and the drive list in real windows on the real shell namespace of the
// Wine prefix, with real folders made on drive C: for each run and removed afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "framework/forms.h"
#include "framework/sysutils.h"
#include "shell/drive_combo_box.h"
#include "shell/shell_namespace.h"
#include "shell/shell_tree.h"

namespace mvt::shell {
namespace {

using Clock = std::chrono::steady_clock;

void Pump() {
    Application().ProcessMessages();
}

// Handles messages until the condition holds or the time is up; a loaded machine may be
// slow, so callers give generous bounds.
bool PumpUntil(const std::function<bool()>& done, DWORD milliseconds) {
    const ULONGLONG deadline = GetTickCount64() + milliseconds;
    for (;;) {
        Pump();
        if (done()) return true;
        if (GetTickCount64() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

// Keeps handling messages for a while (to see that nothing more happens).
void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void RemoveTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(folder.c_str());
}

void MakeFile(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    CloseHandle(file);
}

// Folders of this run on drive C: (the tree shows drive C:, as on the browser screen).
const std::string& Scratch() {
    static const std::string folder = Format("C:\\mvt_shell_test_%lu", GetCurrentProcessId());
    return folder;
}

// A tree that counts its refreshes and its failed walks instead of beeping.
class CountingTree : public TSkShellTree {
  public:
    using TSkShellTree::TSkShellTree;
    int refreshes = 0;
    int failures = 0;
    void RefreshNodes() override {
        ++refreshes;
        TSkShellTree::RefreshNodes();
    }

  protected:
    void NavigationFailed() override { ++failures; }
};

class ShellTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        RemoveTree(Scratch());
        ASSERT_TRUE(ForceDirectories(Scratch() + "\\Games\\Sub"));
        ASSERT_TRUE(ForceDirectories(Scratch() + "\\Hidden"));
        SetFileAttributesA((Scratch() + "\\Hidden").c_str(), FILE_ATTRIBUTE_HIDDEN);
        MakeFile(Scratch() + "\\file.txt");
    }
    static void TearDownTestSuite() { RemoveTree(Scratch()); }

    void SetUp() override {
        form_ = std::make_unique<TForm>(nullptr);
        form_->SetBorderStyle(TFormBorderStyle::bsNone);
        form_->SetClientSize(320, 420);
        form_->SetBounds(60, 60, form_->Width(), form_->Height());
        form_->Show();
        Pump();
    }
    void TearDown() override {
        for (const std::string& folder : removeAfter_) RemoveTree(folder);
        form_.reset();
        Pump();
    }

    // A tree of 233 x 243 on the form, options as given, rooted at a path.
    CountingTree* MakeTree(const std::string& base,
                           TSkShellTreeOptions options = stoAutoFill | stoShowHidden) {
        auto* tree = form_->Make<CountingTree>();
        tree->SetBounds(10, 10, 233, 243);
        tree->SetOptions(options);
        tree->BaseFolder().SetPathName(base);
        tree->SetParent(form_.get());
        Pump();
        return tree;
    }

    static HTREEITEM Child(const TSkShellTree& tree, HTREEITEM parent, const std::string& text) {
        for (HTREEITEM child : tree.ChildNodes(parent))
            if (lstrcmpiA(tree.NodeText(child).c_str(), text.c_str()) == 0) return child;
        return nullptr;
    }
    static std::set<std::string> Captions(const TSkShellTree& tree, HTREEITEM parent) {
        std::set<std::string> captions;
        for (HTREEITEM child : tree.ChildNodes(parent)) captions.insert(tree.NodeText(child));
        return captions;
    }
    // The scratch folder's node under C:\ (opening C:\ if needed).
    HTREEITEM ScratchNode(TSkShellTree& tree) {
        HTREEITEM root = tree.RootNode();
        SendMessageA(tree.Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
        return Child(tree, root, ExtractFileName(Scratch()));
    }

    std::unique_ptr<TForm> form_;
    std::vector<std::string> removeAfter_;
};

// ---- Base folder and its stored form ---------------------------------------------------

// The browser screen's stored base folder, as its form holds it.
std::vector<uint8_t> BrowserBaseFolder() {
    std::vector<uint8_t> bytes{0x00, 47,   0,    0,    0,    20,   0,    0x1F, 0x50, 0xE0, 0x4F,
                               0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10, 0xA2, 0xD8, 0x08, 0x00, 0x2B,
                               0x30, 0x30, 0x9D, 25,   0,    0x2F, 'C',  ':',  '\\'};
    bytes.resize(5 + 20 + 25 + 2, 0);
    return bytes;
}

TEST_F(ShellTest, StoredBaseFolderIsTheRootOfDriveC) {
    auto* tree = form_->Make<CountingTree>();
    tree->SetBounds(10, 10, 233, 243);
    const std::vector<uint8_t> stored = BrowserBaseFolder();
    tree->BaseFolder().LoadPidl(stored.data(), stored.size());
    tree->SetParent(form_.get());
    Pump();
    EXPECT_EQ(tree->BaseFolder().PathName(), "C:\\");
    ASSERT_NE(tree->RootNode(), nullptr);
    EXPECT_EQ(tree->NodeText(tree->RootNode()), "C:\\");
    EXPECT_EQ(tree->SelectedNode(), tree->RootNode()) << "the first node is selected";
    EXPECT_EQ(tree->SelectedPathName(), "C:\\") << "a drive root keeps its backslash";
    EXPECT_EQ(tree->BaseFolder().Pidl(), stored) << "written back byte for byte";
    // The root opens onto the drive's folders, the scratch folder among them; a path the
    // shell parses (its own form of the drive item) is found below the stored root.
    EXPECT_NE(ScratchNode(*tree), nullptr);
    tree->SetSelectedPathName(Scratch() + "\\Games");
    EXPECT_EQ(tree->failures, 0);
    EXPECT_EQ(tree->SelectedPathName(), Scratch() + "\\Games");
}

TEST_F(ShellTest, UnparsableBaseIsTheDesktopWithoutAnError) {
    CountingTree* tree = MakeTree("C:\\mvt no such folder\\at all");
    EXPECT_FALSE(tree->BaseFolder().Holds());
    EXPECT_TRUE(tree->BaseFolder().ItemIdList().Empty());
    ASSERT_NE(tree->RootNode(), nullptr);
    EXPECT_EQ(tree->NodeText(tree->RootNode()),
              DisplayName(*DesktopFolder(), TItemIdList(), SHGDN_NORMAL));
    // Re-rooted at a drive, the desktop is gone.
    tree->BaseFolder().SetPathName("C:\\");
    EXPECT_EQ(tree->NodeText(tree->RootNode()), "C:\\");
    EXPECT_EQ(tree->NodeCount(), 1);
}

TEST_F(ShellTest, ListsFoldersWithHiddenOnesButNoFiles) {
    CountingTree* tree = MakeTree(Scratch());
    HTREEITEM root = tree->RootNode();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(tree->NodeText(root), ExtractFileName(Scratch()));
    EXPECT_TRUE(tree->ChildNodes(root).empty()) << "children are listed on first opening";
    SendMessageA(tree->Handle(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    EXPECT_EQ(Captions(*tree, root), (std::set<std::string>{"Games", "Hidden"}));

    CountingTree* plain = MakeTree(Scratch(), stoAutoFill);
    SendMessageA(plain->Handle(), TVM_EXPAND, TVE_EXPAND,
                 reinterpret_cast<LPARAM>(plain->RootNode()));
    EXPECT_EQ(Captions(*plain, plain->RootNode()), (std::set<std::string>{"Games"}));
}

// ---- Navigation -----------------------------------------------------------------------

TEST_F(ShellTest, SelectingAPathOpensEveryLevelAndSelectsTheFolder) {
    CountingTree* tree = MakeTree("C:\\");
    const std::string sub = Scratch() + "\\Games\\Sub";
    tree->SetSelectedPathName(sub);
    EXPECT_EQ(tree->SelectedPathName(), sub);
    EXPECT_EQ(tree->NodeText(tree->SelectedNode()), "Sub");
    HTREEITEM scratch = Child(*tree, tree->RootNode(), ExtractFileName(Scratch()));
    ASSERT_NE(scratch, nullptr);
    HTREEITEM games = Child(*tree, scratch, "Games");
    ASSERT_NE(games, nullptr);
    EXPECT_TRUE(tree->NodeExpanded(tree->RootNode()));
    EXPECT_TRUE(tree->NodeExpanded(scratch));
    EXPECT_TRUE(tree->NodeExpanded(games));
    EXPECT_FALSE(tree->NodeExpanded(tree->SelectedNode())) << "the last level stays closed";
    EXPECT_EQ(tree->failures, 0);

    // The drive itself, and a folder the user picks with the keyboard, are taken as well.
    tree->SetSelectedPathName("C:\\");
    EXPECT_EQ(tree->SelectedNode(), tree->RootNode());
    tree->SetFocus();
    Pump();
    PostMessageA(tree->Handle(), WM_KEYDOWN, VK_DOWN, 0);
    Pump();
    EXPECT_NE(tree->SelectedNode(), tree->RootNode());
    EXPECT_EQ(tree->SelectedPathName(), tree->NodePath(tree->SelectedNode()));
}

TEST_F(ShellTest, AFileOnTheWayBeepsAndKeepsTheDeepestFolder) {
    const std::string games = Scratch() + "\\Games";
    MakeFile(games + "\\notes.txt");
    CountingTree* tree = MakeTree("C:\\");
    tree->SetSelectedPathName(games + "\\notes.txt");
    EXPECT_EQ(tree->failures, 1);
    EXPECT_EQ(tree->SelectedPathName(), games);
    DeleteFileA((games + "\\notes.txt").c_str());
}

TEST_F(ShellTest, AFolderGoneBeforeTheWalkBeepsAndKeepsItsParent) {
    const std::string gone = Scratch() + "\\Games\\Gone";
    ASSERT_TRUE(ForceDirectories(gone));
    removeAfter_.push_back(gone);
    // Without stoAutoFill the tree stays empty: the target is only noted.
    CountingTree* tree = MakeTree("C:\\", stoShowHidden);
    EXPECT_EQ(tree->RootNode(), nullptr);
    tree->SetSelectedPathName(gone);
    ASSERT_TRUE(RemoveDirectoryA(gone.c_str()));
    tree->RefreshNodes();  // an empty tree is filled, then walks to its target
    EXPECT_EQ(tree->failures, 1);
    EXPECT_EQ(tree->SelectedPathName(), Scratch() + "\\Games");
}

TEST_F(ShellTest, AFolderMadeAfterItsParentWasListedIsAddedOnTheWay) {
    CountingTree* tree = MakeTree("C:\\", stoAutoFill | stoShowHidden);
    tree->SetSelectedPathName(Scratch() + "\\Games");
    const std::string late = Scratch() + "\\Games\\Late";
    ASSERT_TRUE(ForceDirectories(late));
    removeAfter_.push_back(late);
    tree->SetSelectedPathName(late);
    EXPECT_EQ(tree->failures, 0);
    EXPECT_EQ(tree->SelectedPathName(), late);
    HTREEITEM games =
        reinterpret_cast<HTREEITEM>(SendMessageA(tree->Handle(), TVM_GETNEXTITEM, TVGN_PARENT,
                                                 reinterpret_cast<LPARAM>(tree->SelectedNode())));
    EXPECT_EQ(Captions(*tree, games), (std::set<std::string>{"Late", "Sub"})) << "sorted in";
}

TEST_F(ShellTest, AFolderOutsideTheBaseIsNotLookedForByName) {
    // A folder of drive Z: (the whole Unix tree) given to a tree of drive C:: the walk
    // must not look for its names among C:'s folders.
    CountingTree* tree = MakeTree("C:\\");
    const std::string unixTwin = ProgramFolder();
    ASSERT_EQ(unixTwin.substr(0, 2), "Z:") << "the tests run from the Unix drive";
    tree->SetSelectedPathName(ExcludeTrailingBackslash(unixTwin));
    EXPECT_EQ(tree->failures, 1);
    EXPECT_EQ(tree->SelectedNode(), tree->RootNode());
}

TEST_F(ShellTest, AnUnparsablePathLeavesTheSelection) {
    CountingTree* tree = MakeTree("C:\\");
    tree->SetSelectedPathName(Scratch() + "\\Games");
    tree->SetSelectedPathName(Scratch() + "\\No such folder");
    EXPECT_EQ(tree->SelectedPathName(), Scratch() + "\\Games");
    EXPECT_EQ(tree->failures, 0);
}

// ---- Refresh ----------------------------------------------------------------------------

TEST_F(ShellTest, RefreshShowsNewFoldersDropsVanishedOnesAndKeepsTheSelection) {
    CountingTree* tree = MakeTree("C:\\");
    tree->SetSelectedPathName(Scratch() + "\\Games\\Sub");
    HTREEITEM selected = tree->SelectedNode();
    const std::string fresh = Scratch() + "\\Games\\Fresh";
    const std::string doomed = Scratch() + "\\Doomed";
    ASSERT_TRUE(ForceDirectories(doomed));
    removeAfter_.push_back(fresh);
    removeAfter_.push_back(doomed);
    tree->RefreshNodes();
    HTREEITEM scratch = Child(*tree, tree->RootNode(), ExtractFileName(Scratch()));
    ASSERT_NE(Child(*tree, scratch, "Doomed"), nullptr);

    ASSERT_TRUE(ForceDirectories(fresh));
    ASSERT_TRUE(RemoveDirectoryA(doomed.c_str()));
    tree->RefreshNodes();
    HTREEITEM games = Child(*tree, scratch, "Games");
    EXPECT_EQ(Captions(*tree, games), (std::set<std::string>{"Fresh", "Sub"}));
    EXPECT_EQ(Child(*tree, scratch, "Doomed"), nullptr);
    EXPECT_EQ(tree->SelectedNode(), selected) << "the same node, selected again";
    EXPECT_EQ(tree->SelectedPathName(), Scratch() + "\\Games\\Sub");

    // The selected folder itself vanishes: its parent is selected instead.
    ASSERT_TRUE(RemoveDirectoryA(fresh.c_str()));
    tree->SetSelectedPathName(Scratch() + "\\Games");
    ASSERT_TRUE(ForceDirectories(fresh));
    tree->RefreshNodes();
    tree->SetSelectedPathName(fresh);
    ASSERT_EQ(tree->SelectedPathName(), fresh);
    ASSERT_TRUE(RemoveDirectoryA(fresh.c_str()));
    tree->RefreshNodes();
    EXPECT_EQ(tree->SelectedPathName(), Scratch() + "\\Games");
}

// ---- Change watching -------------------------------------------------------------------

// Wine reports changes below a watched drive root only for the root's own entries, so
// these folders are made right in C:\ (on Windows any depth is reported).
std::string RootFolder(const char* tag) {
    return Format("C:\\mvt_watch_%lu_%s", GetCurrentProcessId(), tag);
}

TEST_F(ShellTest, AFolderMadeOutsideAppearsAfterTheFocusedDelay) {
    CountingTree* tree = MakeTree("C:\\", stoAutoFill | stoShowHidden | stoDynamicRefresh);
    ASSERT_NE(tree->Watcher(), nullptr);
    EXPECT_GE(tree->Watcher()->WatchCount(), 1u) << "drive C: at least is watched";
    tree->SetSelectedPathName(Scratch());
    tree->SetFocus();
    Pump();
    ASSERT_TRUE(tree->Focused());
    const std::string folder = RootFolder("one");
    removeAfter_.push_back(folder);
    tree->refreshes = 0;
    const auto made = Clock::now();
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(
        PumpUntil([&] { return Child(*tree, tree->RootNode(), ExtractFileName(folder)); }, 30000))
        << "the new folder never appeared";
    EXPECT_GE(MillisecondsSince(made), 400.0) << "refreshed before the focused delay";
    EXPECT_EQ(tree->refreshes, 1);
    EXPECT_EQ(tree->SelectedPathName(), Scratch()) << "the refresh keeps the selection";
}

TEST_F(ShellTest, SeveralChangesInQuickSuccessionGiveOneRefresh) {
    CountingTree* tree = MakeTree("C:\\", stoAutoFill | stoShowHidden | stoDynamicRefresh);
    tree->SetSelectedPathName(Scratch());
    tree->SetFocus();
    Pump();
    std::vector<std::string> folders;
    for (const char* tag : {"a", "b", "c", "d"}) folders.push_back(RootFolder(tag));
    for (const std::string& folder : folders) removeAfter_.push_back(folder);
    tree->refreshes = 0;
    const auto made = Clock::now();
    for (const std::string& folder : folders)
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    if (MillisecondsSince(made) > 150.0)
        GTEST_SKIP() << "the machine took too long to make the folders one after another";
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (const std::string& folder : folders)
                if (!Child(*tree, tree->RootNode(), ExtractFileName(folder))) return false;
            return true;
        },
        30000));
    PumpFor(1500);  // time for a second refresh, were there one
    EXPECT_EQ(tree->refreshes, 1);
}

TEST_F(ShellTest, AnUnfocusedTreeWaitsLonger) {
    CountingTree* tree = MakeTree("C:\\", stoAutoFill | stoShowHidden | stoDynamicRefresh);
    SetFocus(form_->Handle());
    Pump();
    ASSERT_FALSE(tree->Focused());
    const std::string folder = RootFolder("unfocused");
    removeAfter_.push_back(folder);
    tree->refreshes = 0;
    const auto made = Clock::now();
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(PumpUntil([&] { return tree->refreshes > 0; }, 30000));
    EXPECT_GE(MillisecondsSince(made), 2000.0);
}

TEST_F(ShellTest, PostedChangesCoalesceAndTheWatcherAnswersItsRequests) {
    CountingTree* tree = MakeTree("C:\\", stoAutoFill | stoShowHidden | stoDynamicRefresh);
    // Changes posted as the watch thread posts them: five within a moment, one refresh.
    tree->refreshes = 0;
    for (int i = 0; i < 5; ++i) PostMessageA(tree->Handle(), TSkShellTree::kChangeMessage, 0, 0);
    PumpFor(2600);  // the unfocused delay and some
    EXPECT_EQ(tree->refreshes, 1);

    TChangeWatcher watcher(form_->Handle(), WM_NULL);
    EXPECT_FALSE(watcher.AddWatch(Scratch() + "\\No such folder", FILE_NOTIFY_CHANGE_DIR_NAME));
    EXPECT_TRUE(watcher.AddWatch(Scratch(), FILE_NOTIFY_CHANGE_DIR_NAME));
    EXPECT_EQ(watcher.WatchCount(), 1u);
    EXPECT_TRUE(watcher.StopAll());
    EXPECT_EQ(watcher.WatchCount(), 0u);
    form_->FreeComponent(tree);  // joins the tree's thread: must not hang
}

// ---- Drive list -------------------------------------------------------------------------

class DriveListTest : public ShellTest {
  protected:
    TSkDriveComboBox* MakeList(TDriveTypes types) {
        auto* list = form_->Make<TSkDriveComboBox>();
        list->SetBounds(10, 300, 233, 21);
        list->SetDriveTypes(types);
        list->SetTextCase(TTextCase::tcUpperCase);
        list->OnChange = [this](TObject*) { ++changes_; };
        list->SetParent(form_.get());
        Pump();
        return list;
    }
    static std::set<char> DrivesOfType(UINT type) {
        std::set<char> letters;
        const DWORD mask = GetLogicalDrives();
        for (int i = 0; i < 26; ++i) {
            const char root[] = {static_cast<char>('A' + i), ':', '\\', '\0'};
            if ((mask & (1u << i)) && GetDriveTypeA(root) == type) letters.insert(root[0]);
        }
        return letters;
    }
    int changes_ = 0;
};

TEST_F(DriveListTest, HoldsTheFixedDrivesOnlyInUpperCase) {
    TSkDriveComboBox* list = MakeList(DriveTypeBit(dtFixed));
    std::set<char> listed;
    for (int i = 0; i < list->Count(); ++i) {
        const std::string text = list->Item(i);
        ASSERT_GE(text.size(), 3u) << text;
        EXPECT_EQ(text.substr(1, 2), ": ") << text;
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(text[0]))) << text;
        EXPECT_EQ(list->ItemData(i), DRIVE_FIXED);
        listed.insert(text[0]);
    }
    EXPECT_EQ(listed, DrivesOfType(DRIVE_FIXED));
    EXPECT_TRUE(listed.count('C'));
    EXPECT_EQ(list->ItemIndex(), -1) << "no drive until one is set";
    EXPECT_EQ(list->ItemHeight(), 16) << "the height of the drive pictures";

    // Every kind: the other kinds the prefix has come in as well.
    TSkDriveComboBox* all = MakeList(kDefaultDriveTypes);
    EXPECT_GE(all->Count(), list->Count());
}

TEST_F(DriveListTest, SettingADriveSelectsItsEntryAndTellsOnce) {
    TSkDriveComboBox* list = MakeList(DriveTypeBit(dtFixed));
    changes_ = 0;
    list->SetDrive('c');
    EXPECT_EQ(changes_, 1);
    EXPECT_EQ(list->Drive(), 'C');
    EXPECT_EQ(list->Text().substr(0, 2), "C:");
    list->SetDrive('C');  // the shown drive: nothing happens
    EXPECT_EQ(changes_, 1);

    // A letter without an entry: the change is told all the same, with nothing selected.
    const std::set<char> fixed = DrivesOfType(DRIVE_FIXED);
    char missing = 'D';
    while (fixed.count(missing)) ++missing;
    list->SetDrive(missing);
    EXPECT_EQ(changes_, 2);
    EXPECT_EQ(list->Drive(), missing);
    EXPECT_EQ(list->ItemIndex(), -1);
    EXPECT_EQ(list->Text(), "");
    list->SetDrive(0);
    EXPECT_EQ(changes_, 3);
    EXPECT_EQ(list->Drive(), '\0');

    // A pick by the user: the list tells its parent, as a click or a key does.
    list->SetItemIndex(0);
    SendMessageA(form_->Handle(), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list->Handle()));
    EXPECT_EQ(changes_, 4);
    EXPECT_EQ(list->Drive(), list->Item(0)[0]);
}

TEST_F(DriveListTest, EntryTextsByKindAndLabelCase) {
    EXPECT_EQ(TSkDriveComboBox::LabelText("SYSTEM DISK"), "System disk");
    EXPECT_EQ(TSkDriveComboBox::LabelText("ИГРЫ И ПРОГРАММЫ"), "Игры и программы");
    EXPECT_EQ(TSkDriveComboBox::LabelText("data"), "Data");
    EXPECT_EQ(TSkDriveComboBox::LabelText(""), "");

    EXPECT_EQ(TSkDriveComboBox::EntryText('A', DRIVE_REMOVABLE), "A:");
    char raw[MAX_PATH + 1] = {};
    ASSERT_TRUE(
        GetVolumeInformationA("C:\\", raw, sizeof raw, nullptr, nullptr, nullptr, nullptr, 0));
    const std::string expected = "C: " + TSkDriveComboBox::LabelText(raw);
    EXPECT_EQ(TSkDriveComboBox::EntryText('C', DRIVE_FIXED), expected);
    EXPECT_EQ(TSkDriveComboBox::EntryText('C', DRIVE_CDROM), expected);
    // A network drive without a connection name shows like a fixed one.
    EXPECT_EQ(TSkDriveComboBox::EntryText('C', DRIVE_REMOTE), expected);
    // A drive that does not answer: the letter and an empty label, and no error dialog.
    const std::set<char> all = [] {
        std::set<char> letters;
        const DWORD mask = GetLogicalDrives();
        for (int i = 0; i < 26; ++i)
            if (mask & (1u << i)) letters.insert(static_cast<char>('A' + i));
        return letters;
    }();
    char absent = 'Q';
    while (all.count(absent)) ++absent;
    EXPECT_EQ(TSkDriveComboBox::EntryText(absent, DRIVE_FIXED), std::string(1, absent) + ": ");
}

}  // namespace
}  // namespace mvt::shell
