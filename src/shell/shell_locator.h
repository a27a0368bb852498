// A reference to a shell folder, as the folder tree keeps its base folder and its
// selection: either an item id list (or none) or a special-folder number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/classes.h"
#include "shell/item_id_list.h"
#include "shell/locator_format.h"

namespace mvt::shell {

class TSkShellLocator : public TObject {
  public:
    TLocatorKind Kind() const { return kind_; }
    uint8_t SpecialFolder() const { return specialFolder_; }
    // Whether it refers to a folder at all: a special folder, or a stored list.
    bool Holds() const { return kind_ == TLocatorKind::SpecialFolder || list_.has_value(); }
    // The referenced folder's list: the stored one (none means the desktop), or the
    // system's list for the special folder, asked once and kept (the desktop when the
    // system has none).
    TItemIdList ItemIdList();

    // Refers to the given list (none: to nothing, which yields the desktop).
    void SetItemIdList(std::optional<TItemIdList> list);
    void SetSpecialFolder(uint8_t folder);
    void Clear() { SetItemIdList(std::nullopt); }
    // Refers to the folder the shell parses the path into; a path it cannot parse leaves
    // no list, without an error.
    void SetPathName(const std::string& path);
    // The referenced folder's file-system path; empty when it has none.
    std::string PathName();

    // The stored form (see locator_format.h). Loading raises EReadError on a damaged value
    // and leaves the locator as it was.
    std::vector<uint8_t> Pidl() const;
    void LoadPidl(const uint8_t* bytes, size_t size);

    // Fired after the referenced folder changed.
    TNotifyEvent OnChange;

  private:
    void Assign(TLocatorKind kind, std::optional<TItemIdList> list, uint8_t folder);

    TLocatorKind kind_ = TLocatorKind::ItemIdList;
    std::optional<TItemIdList> list_;
    uint8_t specialFolder_ = 0;
    std::optional<TItemIdList> specialList_;  // cached system list of the special folder
};

}  // namespace mvt::shell
