#include "install/installation_journal.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "framework/guarded_files.h"
#include "framework/inifiles.h"
#include "framework/sysutils.h"
#include "install/record_names.h"

namespace mvt::install {

const std::string kJournalsKey = std::string(kUninstallKey) + "\\Journal";

namespace {

constexpr char kInstallDirValue[] = "InstallDir";
// Written when the run has completed and its clean-up begins: a journal killed then is
// finished, never undone.
constexpr char kStateValue[] = "State";
constexpr char kCommitting[] = "commit";
constexpr size_t kStepNameLength = 8;
// The files changed in place are the two ini files: a megabyte is far beyond either.
constexpr size_t kContentLimit = 1u << 20;
constexpr size_t kServiceEvery = 32;

std::string Lower(const std::string& path) {
    return AnsiLowerCase(ExcludeTrailingBackslash(path));
}

bool Within(const std::string& path, const std::string& folder) {
    const std::string inner = Lower(path), outer = Lower(folder);
    return !outer.empty() && inner.starts_with(outer) &&
           (inner.size() == outer.size() || inner[outer.size()] == '\\');
}

// How far a folder items are reached from may lead through links: below the install
// directory it is taken where the system places it, as the uninstaller takes it; elsewhere
// (the program group, the desktop, the install directory's parents) no level may be a link.
TFolderWay WayTo(const std::string& folder, const std::string& installDir) {
    return Within(folder, installDir) ? TFolderWay::Followed : TFolderWay::NoLinkOnTheWay;
}

// The folder part of a relative path, with its separator ("a\b.txt" -> "a\").
std::string FolderOf(const std::string& relative) {
    const size_t cut = relative.rfind('\\');
    return cut == std::string::npos ? std::string() : relative.substr(0, cut + 1);
}

std::string NameOf(const std::string& relative) {
    return relative.substr(FolderOf(relative).size());
}

// Each name in a folder, lower case, as the system lists it now.
std::set<std::string> ListNames(const std::string& folder) {
    std::set<std::string> names;
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.insert(AnsiLowerCase(found.cFileName));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

// The journal's own key goes once it is done, and with it the keys above it left empty.
void DeleteJournalKey(const std::string& key) {
    DeleteRegistryKey(HKEY_LOCAL_MACHINE, key);
    for (const std::string& parent : {kJournalsKey, std::string(kUninstallKey)})
        if (TRegistryKey(HKEY_LOCAL_MACHINE, parent).Empty())
            DeleteRegistryKey(HKEY_LOCAL_MACHINE, parent);
}

// Acts on the steps of one journal: undoing them, or finishing a commit.
class StepActor {
  public:
    StepActor(std::string installDir, JournalOutcome& outcome)
        : installDir_(std::move(installDir)), outcome_(outcome) {}

    void Undo(const std::vector<JournalStep>& steps, const std::function<void()>& service) {
        for (size_t n = steps.size(); n-- > 0;) {
            const std::vector<std::string>& f = steps[n].fields;
            switch (steps[n].kind) {
                case JournalKind::Folder:
                    RemoveFolder(f[0]);
                    break;
                case JournalKind::NewFile:
                    RemoveFile(f[0], f[1]);
                    break;
                case JournalKind::MovedAside:
                    PutBack(f[0], f[1], f[2]);
                    break;
                case JournalKind::Content:
                    Rewrite(f[0], f[1], *HexBytes(f[2]));
                    break;
                case JournalKind::Key:
                    RestoreKey(steps, n);
                    break;
                case JournalKind::Value:
                    break;  // with its key
            }
            if (service && n % kServiceEvery == 0) service();
        }
    }

    // What was moved aside goes, unless the run left nothing in its place.
    void FinishCommit(const std::vector<JournalStep>& steps) {
        for (const JournalStep& step : steps) {
            if (step.kind != JournalKind::MovedAside) continue;
            const std::vector<std::string>& f = step.fields;
            const TGuardedFolder* base = Base(f[0]);
            std::string error;
            if (!base) continue;
            const std::string aside = FolderOf(f[1]) + f[2];
            if (CheckBelow(*base, f[1], error) == TGuardedOutcome::Done)
                DeleteBelow(*base, aside, false, error);
            else
                RenameBelow(*base, aside, NameOf(f[1]), false, error);
        }
    }

  private:
    void Fail(const std::string& what, const std::string& why) {
        outcome_.failures.push_back(what + ": " + why);
    }

    // The folder items are reached from, held while used. Below the install directory it
    // is taken where the system places it, as the uninstaller takes it; elsewhere (the
    // program group, the desktop, the install directory's parents) no level of it may be a
    // link. Nothing when it is not there (nor anything the run put into it).
    const TGuardedFolder* Base(const std::string& folder) {
        if (basePath_ && Lower(*basePath_) == Lower(folder)) return base_ ? &*base_ : nullptr;
        base_.reset();
        basePath_ = folder;
        if (!DirectoryExists(folder)) return nullptr;
        std::string error;
        base_ = TGuardedFolder::Open(folder, WayTo(folder, installDir_), error);
        if (!base_) Fail(folder, error);
        return base_ ? &*base_ : nullptr;
    }

    void RemoveFile(const std::string& folder, const std::string& relative) {
        const TGuardedFolder* base = Base(folder);
        std::string error;
        if (base && DeleteBelow(*base, relative, false, error) == TGuardedOutcome::Failed)
            Fail(folder + "\\" + relative, error);
    }

    // A folder that holds something the run did not put there stays, like the user's, and
    // is told of.
    void RemoveFolder(const std::string& folder) {
        // A held folder cannot be deleted: let go of it and of anything below it.
        if (basePath_ && Within(*basePath_, folder)) {
            base_.reset();
            basePath_.reset();
        }
        std::string error;
        if (const auto inside = TGuardedFolder::Open(folder, WayTo(folder, installDir_), error))
            RemoveEmptyFolders(*inside, "");
        const TGuardedFolder* parent = Base(ExcludeTrailingBackslash(ExtractFilePath(folder)));
        const TGuardedOutcome outcome =
            parent ? DeleteBelow(*parent, ExtractFileName(folder), true, error)
                   : TGuardedOutcome::Missing;
        if (outcome == TGuardedOutcome::Failed) Fail(folder, error);
        if (outcome == TGuardedOutcome::NotEmpty) Fail(folder, "в ней есть другие файлы");
    }

    // Empty folders inside a folder the run made are the run's as well: an archive's empty
    // folders, which its directory as the zip component lists it leaves out.
    static void RemoveEmptyFolders(const TGuardedFolder& base, const std::string& relative) {
        WIN32_FIND_DATAA found{};
        const std::string folder = base.Path() + "\\" + relative;
        const HANDLE search =
            FindFirstFileA((IncludeTrailingBackslash(folder) + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return;
        std::vector<std::string> inner;
        do {
            const std::string name = found.cFileName;
            const DWORD attributes = found.dwFileAttributes;
            if (name != "." && name != ".." && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                inner.push_back(relative.empty() ? name : relative + "\\" + name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        std::string error;
        for (const std::string& path : inner) {
            RemoveEmptyFolders(base, path);
            DeleteBelow(base, path, true, error);  // one that holds something stays
        }
    }

    void PutBack(const std::string& folder, const std::string& relative, const std::string& aside) {
        const TGuardedFolder* base = Base(folder);
        std::string error;
        if (base && RenameBelow(*base, FolderOf(relative) + aside, NameOf(relative), true, error) ==
                        TGuardedOutcome::Failed)
            Fail(folder + "\\" + relative, error);
    }

    // The old content goes into a new file beside it, which then takes the file's name.
    void Rewrite(const std::string& folder, const std::string& relative, const std::string& bytes) {
        const TGuardedFolder* base = Base(folder);
        const std::string temporary = relative + ".~mvt-undo";
        std::string error = "нет папки";
        if (base) DeleteBelow(*base, temporary, false, error);  // left by an undo cut short
        const bool done =
            base && CreateBelow(*base, temporary, bytes, error) == TGuardedOutcome::Done &&
            RenameBelow(*base, temporary, NameOf(relative), true, error) == TGuardedOutcome::Done;
        if (!done) Fail(folder + "\\" + relative, error);
    }

    // The key at steps[at] and its values, as they were before the run.
    void RestoreKey(const std::vector<JournalStep>& steps, size_t at) {
        const std::string& path = steps[at].fields[0];
        const bool existed = steps[at].fields[1] == "1";
        std::map<std::string, TRegistryKey::Value> before;
        for (size_t n = at + 1; n < steps.size() && steps[n].kind == JournalKind::Value; ++n) {
            const std::vector<std::string>& f = steps[n].fields;
            const std::string name = *HexBytes(f[1]), data = *HexBytes(f[3]);
            before[AnsiLowerCase(name)] = {
                name, static_cast<DWORD>(std::strtoul(f[2].c_str(), nullptr, 10)),
                std::vector<BYTE>(data.begin(), data.end())};
        }
        for (const TRegistryKey::Value& value : TRegistryKey(HKEY_LOCAL_MACHINE, path).Values())
            if (!before.count(AnsiLowerCase(value.name))) {
                const std::string failure =
                    DeleteRegistryValue(HKEY_LOCAL_MACHINE, path, value.name);
                if (!failure.empty()) Fail("HKLM\\" + path + " " + value.name, failure);
            }
        if (!existed) {
            // Its subkeys (a journal's among them) may still be there: it goes when empty.
            if (TRegistryKey(HKEY_LOCAL_MACHINE, path).Empty())
                DeleteRegistryKey(HKEY_LOCAL_MACHINE, path);
            return;
        }
        try {
            TRegistry registry(KEY_ALL_ACCESS);
            registry.SetRootKey(HKEY_LOCAL_MACHINE);
            registry.OpenKey(path, true);
            for (const auto& [lower, value] : before)
                registry.WriteData(value.name, value.type, value.data);
        } catch (const std::exception& error) {
            Fail("HKLM\\" + path, error.what());
        }
    }

    const std::string installDir_;
    JournalOutcome& outcome_;
    std::optional<std::string> basePath_;
    std::optional<TGuardedFolder> base_;
};

}  // namespace

InstallationJournal::InstallationJournal(const std::string& installDir)
    : installDir_(ExcludeTrailingBackslash(installDir)), registry_(KEY_ALL_ACCESS) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    key_ = kJournalsKey + Format("\\%08lX%08lX", now.dwHighDateTime, now.dwLowDateTime);
    registry_.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry_.OpenKey(key_, true))
        throw ERegistryException(Format("Failed to create key %s", key_.c_str()));
    registry_.WriteString(kInstallDirValue, installDir_);
}

bool InstallationJournal::Owns(const std::string& path) const {
    return owned_.count(Lower(path)) != 0;
}

void InstallationJournal::Claim(const std::string& path) {
    owned_.insert(Lower(path));
}

void InstallationJournal::Write(std::vector<JournalStep> steps) {
    if (steps.empty()) return;
    std::string text;
    for (const JournalStep& step : steps) text += FormatJournalStep(step) + "\n";
    registry_.WriteString(Format("%08u", next_++), text);
    steps_.insert(steps_.end(), std::make_move_iterator(steps.begin()),
                  std::make_move_iterator(steps.end()));
}

void InstallationJournal::BeforeFolders(const std::vector<std::string>& folders) {
    std::vector<JournalStep> steps;
    for (const std::string& folder : folders)
        if (!Owns(folder))
            for (const std::string& path : MissingFolders(folder))
                if (!Owns(path)) {
                    Claim(path);
                    steps.push_back({JournalKind::Folder, {path}});
                }
    Write(std::move(steps));
}

void InstallationJournal::Adopt(const std::vector<std::string>& folders) {
    std::vector<JournalStep> steps;
    for (const std::string& folder : folders)
        if (Within(installDir_, folder) && DirectoryExists(folder) && !Owns(folder)) {
            Claim(folder);
            steps.push_back({JournalKind::Folder, {ExcludeTrailingBackslash(folder)}});
        }
    Write(std::move(steps));
}

void InstallationJournal::BeforeFiles(const std::string& base,
                                      const std::vector<std::string>& relatives) {
    // Listed once per folder; a folder the run made held nothing before.
    std::map<std::string, std::set<std::string>> listings;
    auto names = [&](const std::string& folder) -> std::set<std::string>& {
        auto found = listings.find(folder);
        if (found == listings.end()) found = listings.emplace(folder, ListNames(folder)).first;
        return found->second;
    };
    std::set<std::string> written;
    for (const std::string& relative : relatives) written.insert(Lower(base + "\\" + relative));

    std::vector<JournalStep> steps;
    std::vector<std::pair<std::string, std::string>> moves;  // relative path, name aside
    for (const std::string& relative : relatives) {
        const std::string path = base + "\\" + relative;
        if (Owns(path)) continue;
        Claim(path);
        const std::string folder = ExcludeTrailingBackslash(ExtractFilePath(path));
        const std::string name = ExtractFileName(path);
        if (Owns(folder) || !names(folder).count(AnsiLowerCase(name))) {
            steps.push_back({JournalKind::NewFile, {base, relative}});
            continue;
        }
        // A name beside it that is free now and that nothing of this batch takes.
        std::string aside;
        for (unsigned n = 1;; ++n) {
            aside = AsideName(name, n);
            if (!names(folder).count(AnsiLowerCase(aside)) &&
                !written.count(Lower(folder + "\\" + aside)))
                break;
        }
        names(folder).insert(AnsiLowerCase(aside));
        moves.emplace_back(relative, aside);
        steps.push_back({JournalKind::MovedAside, {base, relative, aside}});
    }
    Write(std::move(steps));
    if (moves.empty()) return;
    // Only now, with the journal written: a move that fails leaves the file where it was,
    // and undoing then finds nothing aside to put back.
    std::string error;
    const std::optional<TGuardedFolder> folder =
        TGuardedFolder::Open(base, WayTo(base, installDir_), error);
    for (const auto& [relative, aside] : moves)
        if (folder) RenameBelow(*folder, relative, aside, false, error);
}

void InstallationJournal::BeforeChange(const std::string& base, const std::string& relative) {
    const std::string path = base + "\\" + relative;
    if (Owns(path)) return;
    Claim(path);
    std::string error, bytes;
    std::optional<TGuardedFolder> folder;
    if (DirectoryExists(base)) folder = TGuardedFolder::Open(base, WayTo(base, installDir_), error);
    const TGuardedOutcome read = folder ? ReadBelow(*folder, relative, kContentLimit, bytes, error)
                                        : TGuardedOutcome::Missing;
    if (read == TGuardedOutcome::Failed)
        throw EIniFileException(Format("Unable to write to %s", path.c_str()));
    if (read == TGuardedOutcome::Done)
        Write({{JournalKind::Content, {base, relative, HexText(bytes)}}});
    else if (read == TGuardedOutcome::Missing)
        Write({{JournalKind::NewFile, {base, relative}}});
    // A link or a folder of that name: the writer refuses it itself.
}

void InstallationJournal::BeforeKeys(const std::vector<std::string>& keys) {
    std::vector<JournalStep> steps;
    for (const std::string& key : keys) {
        const std::string claim = "HKLM\\" + key;
        if (Owns(claim)) continue;
        Claim(claim);
        const TRegistryKey now(HKEY_LOCAL_MACHINE, key);
        steps.push_back({JournalKind::Key, {key, now ? "1" : "0"}});
        for (const TRegistryKey::Value& value : now.Values())
            steps.push_back(
                {JournalKind::Value,
                 {key, HexText(value.name), std::to_string(value.type),
                  HexText(std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                           value.data.size()))}});
    }
    Write(std::move(steps));
}

void InstallationJournal::Commit() {
    registry_.WriteString(kStateValue, kCommitting);
    JournalOutcome outcome;
    StepActor(installDir_, outcome).FinishCommit(steps_);
    registry_.CloseKey();
    DeleteJournalKey(key_);
    closed_ = true;
}

JournalOutcome InstallationJournal::Undo(const std::function<void()>& service) {
    JournalOutcome outcome;
    outcome.installDir = installDir_;
    StepActor(installDir_, outcome).Undo(steps_, service);
    registry_.CloseKey();
    DeleteJournalKey(key_);
    closed_ = true;
    return outcome;
}

std::vector<JournalOutcome> InstallationJournal::FinishInterruptedRuns() {
    std::vector<JournalOutcome> outcomes;
    std::vector<std::string> runs = TRegistryKey(HKEY_LOCAL_MACHINE, kJournalsKey).SubkeyNames();
    // The latest first: a later run's changes lie on top of an earlier one's.
    std::sort(runs.rbegin(), runs.rend());
    for (const std::string& run : runs) {
        const std::string key = kJournalsKey + "\\" + run;
        JournalOutcome outcome;
        std::string text;
        bool committing = false;
        {
            const TRegistryKey journal(HKEY_LOCAL_MACHINE, key);
            outcome.installDir = journal.String(kInstallDirValue).value_or("");
            committing = journal.String(kStateValue) == kCommitting;
            std::vector<TRegistryKey::Value> values = journal.Values();
            std::sort(values.begin(), values.end(),
                      [](const auto& a, const auto& b) { return a.name < b.name; });
            for (const TRegistryKey::Value& value : values)
                if (value.name.size() == kStepNameLength &&
                    value.name.find_first_not_of("0123456789") == std::string::npos)
                    text += journal.String(value.name).value_or("");
        }
        const std::optional<std::vector<JournalStep>> steps = ParseJournalSteps(text);
        if (!steps) {
            // Left for an administrator to look at: undoing part of it could do harm.
            outcome.failures.push_back("HKLM\\" + key + ": журнал повреждён");
        } else if (committing) {
            outcome.completed = true;
            StepActor(outcome.installDir, outcome).FinishCommit(*steps);
            DeleteJournalKey(key);
        } else {
            StepActor(outcome.installDir, outcome).Undo(*steps, {});
            DeleteJournalKey(key);
        }
        outcomes.push_back(std::move(outcome));
    }
    return outcomes;
}

}  // namespace mvt::install
