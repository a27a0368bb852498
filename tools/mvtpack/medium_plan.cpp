#include "medium_plan.h"

#include <algorithm>
#include <map>
#include <set>

#include "install/medium_layout.h"

namespace mvtpack {

namespace {

using mvt::uninstall::IsPlainRelativePath;

constexpr char kMainArchive[] = "Main";
// Files the setup or the uninstaller writes at the top of the install directory.
constexpr const char* kReservedTopNames[] = {"unreglst.ini", mvt::uninstall::kUninstallerName,
                                             mvt::uninstall::kInstalledFilesName};
constexpr char kGameSettings[] = "morvath.ini";
constexpr size_t kLongestEntryName = 259;  // the setup's zip component refuses longer

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Sorts a path component by component, case aside, so that a folder comes right before
// what is in it.
std::string SortKey(const std::string& path) {
    std::string key = AsciiLower(path);
    for (char& c : key)
        if (c == '\\') c = '\x01';
    return key;
}

// The path below `prefix` + '\', or the whole path for an empty prefix.
std::string Below(const std::string& path, const std::string& prefix) {
    return prefix.empty() ? path : path.substr(prefix.size() + 1);
}

bool IsBelow(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path[folder.size()] == '\\' &&
           AsciiLower(path.substr(0, folder.size())) == AsciiLower(folder);
}

std::string ZipName(std::string relative, bool folder) {
    std::replace(relative.begin(), relative.end(), '\\', '/');
    return folder ? relative + "/" : relative;
}

// The files and folders that go into archives of one kind, before splitting.
struct ArchiveSet {
    std::string baseName;     // archive name without ".zip"
    std::string destination;  // below the install directory
    std::string root;         // tree path the member names are taken relative to ("" = top)
    std::vector<size_t> items;
    bool HasFile(const std::vector<TreeItem>& tree) const {
        return std::any_of(items.begin(), items.end(), [&](size_t i) { return !tree[i].folder; });
    }
};

class Planner {
  public:
    Planner(const std::vector<TreeItem>& tree, const PackOptions& options, MediumPlan& plan)
        : tree_(tree), options_(options), plan_(plan) {}

    void Run() {
        std::vector<size_t> order(tree_.size());
        for (size_t i = 0; i < order.size(); ++i) order[i] = i;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return SortKey(tree_[a].path) < SortKey(tree_[b].path);
        });
        CheckItems(order);
        if (!plan_.problems.empty()) return;
        BuildSets(order);
        if (!plan_.problems.empty()) return;
        for (const ArchiveSet& set : sets_) Split(set);
        CheckNames();
    }

  private:
    void Problem(const std::string& text) { plan_.problems.push_back(text); }

    void CheckItems(const std::vector<size_t>& order) {
        bool anyFile = false;
        for (size_t i : order) {
            const TreeItem& item = tree_[i];
            if (!IsPlainRelativePath(item.path)) {
                Problem(item.path + ": not a name that Windows keeps as it is");
                continue;
            }
            if (LooksLikeUtf8(item.path))
                Problem(item.path +
                        ": the zip library would read this code page 1251 name as UTF-8; "
                        "rename it");
            if (!item.folder) anyFile = true;
            if (item.path.find('\\') == std::string::npos) {
                const std::string name = AsciiLower(item.path);
                for (const char* reserved : kReservedTopNames)
                    if (name == reserved)
                        Problem(item.path +
                                ": the setup or its uninstaller writes a file of this name at the "
                                "top of the install directory");
                if (name == kGameSettings && !item.folder)
                    plan_.warnings.push_back(
                        item.path + ": the setup rewrites 17 of its values when it installs");
            }
        }
        if (!anyFile) Problem("the game folder holds no file");
    }

    // The sets, in the order of the setup description: the top files first, then the
    // top-level folders in name order, each with the files directly in it first and then
    // its subfolders.
    void BuildSets(const std::vector<size_t>& order) {
        ArchiveSet main{kMainArchive, "", "", {}};
        std::vector<ArchiveSet> folderSets;
        std::vector<size_t> strayFolders;  // empty folders that need a place to be made
        for (size_t i : order) {
            const TreeItem& item = tree_[i];
            if (item.path.find('\\') != std::string::npos) continue;
            if (!item.folder) {
                main.items.push_back(i);
                continue;
            }
            const std::string rule = mvt::install::RuleFolderNamed(item.path);
            if (rule.empty())
                AddPlainFolder(i, order, main, folderSets);
            else
                AddRuleFolder(i, rule, order, folderSets, strayFolders);
        }
        // An empty rule folder that the setup does not make beforehand comes from "Main".
        for (size_t i : strayFolders) main.items.push_back(i);
        std::sort(main.items.begin(), main.items.end(), [&](size_t a, size_t b) {
            return SortKey(tree_[a].path) < SortKey(tree_[b].path);
        });
        if (!main.items.empty()) {
            if (main.HasFile(tree_)) {
                sets_.push_back(main);
            } else {
                // Only folders: they ride with the first other archive that unpacks into the
                // install directory itself.
                auto carrier =
                    std::find_if(folderSets.begin(), folderSets.end(),
                                 [&](const ArchiveSet& s) { return s.destination.empty(); });
                if (carrier == folderSets.end()) {
                    Problem("empty folders at the top (" + tree_[main.items.front()].path +
                            ") need an archive that unpacks into the install directory itself, "
                            "and there is none: add a file at the top of the game folder");
                    return;
                }
                carrier->items.insert(carrier->items.begin(), main.items.begin(), main.items.end());
                carrier->root.clear();
            }
        }
        for (ArchiveSet& set : folderSets) sets_.push_back(std::move(set));
    }

    std::vector<size_t> Subtree(const std::string& folder, const std::vector<size_t>& order,
                                bool withFolder) const {
        std::vector<size_t> items;
        for (size_t i : order)
            if (IsBelow(tree_[i].path, folder) ||
                (withFolder && AsciiLower(tree_[i].path) == AsciiLower(folder)))
                items.push_back(i);
        return items;
    }

    // A top-level folder without a rule: "<folder>.zip" into the install directory, or part
    // of "Main" when the rules would send that name elsewhere.
    void AddPlainFolder(size_t folder, const std::vector<size_t>& order, ArchiveSet& main,
                        std::vector<ArchiveSet>& sets) {
        const std::string& name = tree_[folder].path;
        std::vector<size_t> items = Subtree(name, order, true);
        ArchiveSet set{name, "", "", items};
        // Names taken already: the top files' archive and the uninstaller's.
        const std::string lower = AsciiLower(name);
        if (RulesDestination(name + ".zip").empty() && lower != AsciiLower(kMainArchive) &&
            lower != "unregmvt" && set.HasFile(tree_)) {
            sets.push_back(std::move(set));
        } else {
            main.items.insert(main.items.end(), items.begin(), items.end());
        }
    }

    // A top-level folder that a rule unpacks into: its own files in "<folder>.zip", each
    // subfolder in "<folder>\<subfolder>.zip" when the rules send that name there too.
    void AddRuleFolder(size_t folder, const std::string& rule, const std::vector<size_t>& order,
                       std::vector<ArchiveSet>& sets, std::vector<size_t>& strayFolders) {
        const std::string& name = tree_[folder].path;
        if (RulesDestination(name + ".zip") != rule) {
            Problem("no archive name brings folder " + name + " into \"" + rule + "\"");
            return;
        }
        ArchiveSet own{name, rule, name, {}};
        std::vector<ArchiveSet> subsets;
        for (size_t i : Subtree(name, order, false)) {
            const std::string below = Below(tree_[i].path, name);
            if (below.find('\\') != std::string::npos) continue;  // deeper: with its subfolder
            if (!tree_[i].folder) {
                own.items.push_back(i);
                continue;
            }
            const std::vector<size_t> items = Subtree(tree_[i].path, order, true);
            ArchiveSet subset{name + "\\" + below, rule, name, items};
            if (RulesDestination(subset.baseName + ".zip") == rule && subset.HasFile(tree_))
                subsets.push_back(std::move(subset));
            else
                own.items.insert(own.items.end(), items.begin(), items.end());
        }
        std::sort(own.items.begin(), own.items.end(), [&](size_t a, size_t b) {
            return SortKey(tree_[a].path) < SortKey(tree_[b].path);
        });
        if (own.HasFile(tree_)) {
            sets.push_back(std::move(own));
        } else {
            // Only empty folders below, or nothing: those folders, and the rule's folder
            // itself unless the setup makes it before unpacking, come from "Main".
            const bool madeBySetup = std::any_of(
                std::begin(mvt::install::kGameFolders), std::end(mvt::install::kGameFolders),
                [&](const char* f) { return AsciiLower(f + 1) == AsciiLower(rule); });
            if (!madeBySetup && subsets.empty()) strayFolders.push_back(folder);
            strayFolders.insert(strayFolders.end(), own.items.begin(), own.items.end());
        }
        for (ArchiveSet& subset : subsets) sets.push_back(std::move(subset));
    }

    PlannedArchive StartPart(const ArchiveSet& set, int number) const {
        PlannedArchive part;
        part.name = set.baseName;
        if (number > 1) part.name.append("-").append(std::to_string(number));
        part.name += ".zip";
        part.destination = set.destination;
        return part;
    }

    static bool PartHasFile(const PlannedArchive& part, const std::vector<TreeItem>& tree) {
        return std::any_of(part.members.begin(), part.members.end(),
                           [&](const ArchiveMember& m) { return !tree[m.item].folder; });
    }

    void Split(const ArchiveSet& set) {
        std::vector<PlannedArchive> parts{StartPart(set, 1)};
        for (size_t i : set.items) {
            const TreeItem& item = tree_[i];
            PlannedArchive* part = &parts.back();
            const bool full = part->members.size() >= options_.maxEntries ||
                              (!item.folder && PartHasFile(*part, tree_) &&
                               part->bytes + item.size > options_.splitSize);
            if (full) {
                parts.push_back(StartPart(set, static_cast<int>(parts.size()) + 1));
                part = &parts.back();
            }
            ArchiveMember member{i, ZipName(Below(item.path, set.root), item.folder)};
            if (member.name.size() > kLongestEntryName)
                Problem(item.path + ": its name in archive " + part->name +
                        " is 260 bytes or longer, which the setup refuses");
            part->members.push_back(std::move(member));
            if (!item.folder) part->bytes += item.size;
        }
        // Folder entries after the last file stay with that file's part: an archive of
        // folders alone would be read twice by the setup.
        if (parts.size() > 1 && !PartHasFile(parts.back(), tree_) &&
            parts[parts.size() - 2].members.size() + parts.back().members.size() <=
                options_.maxEntries) {
            std::vector<ArchiveMember>& previous = parts[parts.size() - 2].members;
            previous.insert(previous.end(), parts.back().members.begin(),
                            parts.back().members.end());
            parts.pop_back();
        }
        for (PlannedArchive& part : parts) {
            if (!PartHasFile(part, tree_)) {
                Problem("archive " + part.name + " would hold folders only");
                continue;
            }
            for (const ArchiveMember& member : part.members) {
                std::string installed = Below(tree_[member.item].path, set.root);
                if (!part.destination.empty()) installed = part.destination + "\\" + installed;
                AddInstalled(installed, tree_[member.item].folder);
            }
            if (!part.destination.empty()) AddInstalled(part.destination, true);
            plan_.archives.push_back(std::move(part));
        }
    }

    void AddInstalled(const std::string& path, bool folder) {
        if (!seen_.insert(AsciiLower(path)).second) return;
        (folder ? plan_.installed.folders : plan_.installed.files).push_back(path);
    }

    // Every name the setup will read, against the rules and against each other.
    void CheckNames() {
        std::set<std::string> names;
        for (const PlannedArchive& archive : plan_.archives) {
            const std::string destination = RulesDestination(archive.name);
            if (destination != archive.destination)
                Problem("archive " + archive.name + " would unpack into \"" +
                        (destination.empty() ? std::string("the install directory") : destination) +
                        "\" instead of \"" +
                        (archive.destination.empty() ? std::string("the install directory")
                                                     : archive.destination) +
                        "\"");
            if (!names.insert(AsciiLower(archive.name)).second)
                Problem("two archives would be named " + archive.name);
            if (AsciiLower(archive.name) == "unregmvt.zip")
                Problem("archive " + archive.name + " would take the uninstaller's name");
        }
    }

    const std::vector<TreeItem>& tree_;
    const PackOptions& options_;
    MediumPlan& plan_;
    std::vector<ArchiveSet> sets_;
    std::set<std::string> seen_;
};

}  // namespace

std::string RulesDestination(const std::string& archiveName) {
    const std::string destination = mvt::install::ArchiveDestination("", archiveName);
    return destination.empty() ? destination : destination.substr(1);
}

bool LooksLikeUtf8(const std::string& name) {
    bool high = false;
    for (size_t i = 0; i < name.size();) {
        const auto lead = static_cast<unsigned char>(name[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        high = true;
        size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                        : lead >= 0xE0 && lead <= 0xEF ? 3
                        : lead >= 0xC2 && lead <= 0xDF ? 2
                                                       : 0;
        if (length == 0 || i + length > name.size()) return false;
        for (size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(name[i + k]) & 0xC0) != 0x80) return false;
        // Overlong forms, surrogates and code points above U+10FFFF are not UTF-8 either.
        const auto second = static_cast<unsigned char>(name[i + 1]);
        if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second > 0x9F) ||
            (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second > 0x8F))
            return false;
        i += length;
    }
    return high;
}

MediumPlan PlanMedium(const std::vector<TreeItem>& tree, const PackOptions& options) {
    MediumPlan plan;
    Planner(tree, options, plan).Run();
    if (!plan.problems.empty()) {
        plan.archives.clear();
        plan.installed = {};
    }
    return plan;
}

}  // namespace mvtpack
