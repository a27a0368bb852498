// The journal of an installation run: everything the run is about to change is written down
// before it changes, under the uninstall entry (HKEY_LOCAL_MACHINE, 32-bit view), where only
// administrators write, so that the run can be undone exactly: when it is cancelled, when it
// fails where nobody is there to keep a part of it, and when the process was killed (by the
// next start of the setup). A run that completes discards its journal.
//
// Files the run creates are only named; files it replaces are moved aside by a rename in
// their own folder and put back by one, so undoing costs no more than deleting what was
// written. Files it changes in place (the two ini files, small) keep their content in the
// journal, registry keys their values. Undoing deletes and renames only through handles
// checked not to be links (framework/guarded_files.h).
#pragma once

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "framework/registry.h"
#include "install/journal_format.h"

namespace mvt::install {

// Where the journals lie: one subkey per run, named by the time it began.
extern const std::string kJournalsKey;

// How a journal ended when it was undone or finished.
struct JournalOutcome {
    std::string installDir;
    // The run had completed and only its clean-up was left: nothing was undone.
    bool completed = false;
    // What could not be put back, "<what>: <why>".
    std::vector<std::string> failures;
};

class InstallationJournal {
  public:
    // A new journal for a run into installDir. Raises the registry's "Failed to create key"
    // when it cannot be kept; nothing has been changed then.
    explicit InstallationJournal(const std::string& installDir);
    InstallationJournal(const InstallationJournal&) = delete;
    InstallationJournal& operator=(const InstallationJournal&) = delete;

    // Folders (full paths) about to be made, with their parents: each that is not there yet
    // is noted; the caller makes them.
    void BeforeFolders(const std::vector<std::string>& folders);
    // Folders made before the run began (by the wizard): those that are the install
    // directory or hold it go with the run.
    void Adopt(const std::vector<std::string>& folders);
    // Files about to be written whole below base (relative paths): a file already there is
    // moved aside now, one that is not is noted as new. Files noted before are left as they
    // are, and so is whatever is a link or a folder (the writer refuses those itself).
    void BeforeFiles(const std::string& base, const std::vector<std::string>& relatives);
    // A file about to be changed in place: its content goes into the journal. Raises the ini
    // file's "Unable to write to %s" when the file is there but cannot be read.
    void BeforeChange(const std::string& base, const std::string& relative);
    // Registry keys (below HKEY_LOCAL_MACHINE) about to change: whether each exists, and
    // its values.
    void BeforeKeys(const std::vector<std::string>& keys);

    // The run is complete and stays: what was moved aside goes (or comes back, where the
    // run left nothing in its place), and the journal with it.
    void Commit();
    // Everything the run changed is put back as it was, the last change first; `service`
    // is called now and then, to keep windows alive.
    JournalOutcome Undo(const std::function<void()>& service);
    // Committed or undone.
    bool Closed() const { return closed_; }

    // The journals left by runs that neither completed nor were undone (the process was
    // killed), the latest first: each is undone, or its commit finished, and goes. Only
    // while no other setup runs.
    static std::vector<JournalOutcome> FinishInterruptedRuns();

  private:
    bool Owns(const std::string& path) const;
    void Claim(const std::string& path);
    void Write(std::vector<JournalStep> steps);

    std::string installDir_;
    std::string key_;
    TRegistry registry_;
    unsigned next_ = 1;
    std::vector<JournalStep> steps_;
    std::set<std::string> owned_;  // lower-case paths and keys noted already
    bool closed_ = false;
};

}  // namespace mvt::install
