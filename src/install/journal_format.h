// The installation journal's stored form: what a run is about to change, one step per line,
// as the run writes it ahead of each change and as the next start reads it back to undo a run
// that was killed. Window-free, so that it builds natively and can be fuzzed.
//
// A line is a kind letter and its fields, separated by tabs (no Windows path holds a tab or
// a line break; registry names and every kind of content are written as hexadecimal):
//   D  folder                      a folder about to be made
//   F  base  relative              a file about to be created below base
//   M  base  relative  aside       a file about to be replaced, moved aside first to the name
//                                  `aside` in its own folder (a rename on the same volume)
//   C  base  relative  hex         a file about to be changed in place, with its whole content
//   K  key  existed                a registry key (HKEY_LOCAL_MACHINE, 32-bit view) about to
//                                  change; existed is 1 or 0, its values follow as V lines
//   V  key  hexname  type  hex     one value of that key as it was
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace mvt::install {

enum class JournalKind : char {
    Folder = 'D',
    NewFile = 'F',
    MovedAside = 'M',
    Content = 'C',
    Key = 'K',
    Value = 'V',
};

struct JournalStep {
    JournalKind kind = JournalKind::Folder;
    std::vector<std::string> fields;
};

// One step as its line, without the line break.
std::string FormatJournalStep(const JournalStep& step);

// The steps of a text of lines; nothing when a line is damaged (an unknown kind, the wrong
// number of fields, a field that is not what its kind requires), since a journal is undone
// whole or not at all.
std::optional<std::vector<JournalStep>> ParseJournalSteps(std::string_view text);

// The path below its destination that the zip library writes an archive entry to, from the
// entry's name as the zip component read it: '/' and '\\' alike, empty and "." components
// dropped. Nothing for a name the library refuses to write (one that would leave the
// destination, names a device, or that Windows would take for another name).
std::optional<std::string> EntryTarget(std::string_view name);

// The name a file about to be replaced is moved aside to, beside it: "<name>.~mvt<n>", n
// the first number whose name is free. Such a file lives only while a run is under way.
std::string AsideName(const std::string& name, unsigned n);
bool IsAsideName(std::string_view name);

std::string HexText(std::string_view bytes);
std::optional<std::string> HexBytes(std::string_view hex);

}  // namespace mvt::install
