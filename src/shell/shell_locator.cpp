#include "shell/shell_locator.h"

#include "framework/sysutils.h"
#include "shell/shell_namespace.h"

namespace mvt::shell {

TItemIdList TSkShellLocator::ItemIdList() {
    if (kind_ == TLocatorKind::ItemIdList) return list_.value_or(TItemIdList());
    if (!specialList_) specialList_ = SpecialFolderList(specialFolder_);
    return specialList_.value_or(TItemIdList());
}

void TSkShellLocator::Assign(TLocatorKind kind, std::optional<TItemIdList> list, uint8_t folder) {
    if (kind == TLocatorKind::ItemIdList) folder = 0;
    if (kind == TLocatorKind::SpecialFolder) list.reset();
    const bool same = kind == kind_ && list == list_ && folder == specialFolder_;
    if (same) return;
    if (kind != kind_ || folder != specialFolder_) specialList_.reset();
    kind_ = kind;
    list_ = std::move(list);
    specialFolder_ = folder;
    if (OnChange) OnChange(this);
}

void TSkShellLocator::SetItemIdList(std::optional<TItemIdList> list) {
    Assign(TLocatorKind::ItemIdList, std::move(list), 0);
}

void TSkShellLocator::SetSpecialFolder(uint8_t folder) {
    Assign(TLocatorKind::SpecialFolder, std::nullopt, folder);
}

void TSkShellLocator::SetPathName(const std::string& path) {
    SetItemIdList(ParsePath(path));
}

std::string TSkShellLocator::PathName() {
    if (!Holds()) return {};
    return PathOf(ItemIdList());
}

std::vector<uint8_t> TSkShellLocator::Pidl() const {
    TStoredLocator stored;
    stored.kind = kind_;
    stored.specialFolder = specialFolder_;
    if (kind_ == TLocatorKind::ItemIdList) {
        if (!list_) return {0, 0, 0, 0, 0};  // no list: N = 0, read back as the desktop
        stored.list = *list_;
    }
    return EncodeLocator(stored);
}

void TSkShellLocator::LoadPidl(const uint8_t* bytes, size_t size) {
    std::optional<TDecodedLocator> decoded = DecodeLocator(bytes, size);
    if (!decoded) throw EReadError("Stream read error");
    const TStoredLocator& stored = decoded->locator;
    if (stored.kind == TLocatorKind::SpecialFolder)
        SetSpecialFolder(stored.specialFolder);
    else
        SetItemIdList(stored.list);
}

}  // namespace mvt::shell
