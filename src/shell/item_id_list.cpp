#include "shell/item_id_list.h"

namespace mvt::shell {

namespace {

uint16_t ReadSize(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

}  // namespace

std::optional<TItemIdList> TItemIdList::FromBytes(const uint8_t* bytes, size_t size) {
    if (!bytes) return std::nullopt;
    size_t at = 0;
    for (;;) {
        if (size - at < 2) return std::nullopt;
        const uint16_t itemSize = ReadSize(bytes + at);
        if (itemSize == 0) break;
        if (itemSize < 2 || itemSize > size - at) return std::nullopt;
        at += itemSize;
    }
    return TItemIdList(std::vector<uint8_t>(bytes, bytes + at + 2));
}

std::optional<TItemIdList> TItemIdList::FromItems(const std::vector<std::vector<uint8_t>>& items) {
    std::vector<uint8_t> bytes;
    for (const auto& item : items) {
        if (item.size() < 2 || item.size() > 0xFFFF || ReadSize(item.data()) != item.size())
            return std::nullopt;
        bytes.insert(bytes.end(), item.begin(), item.end());
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return TItemIdList(std::move(bytes));
}

std::vector<std::vector<uint8_t>> TItemIdList::Items() const {
    std::vector<std::vector<uint8_t>> items;
    for (size_t at = 0; ReadSize(bytes_.data() + at) != 0;) {
        const size_t itemSize = ReadSize(bytes_.data() + at);
        items.emplace_back(bytes_.begin() + at, bytes_.begin() + at + itemSize);
        at += itemSize;
    }
    return items;
}

size_t TItemIdList::Count() const {
    size_t count = 0;
    for (size_t at = 0; ReadSize(bytes_.data() + at) != 0; at += ReadSize(bytes_.data() + at))
        ++count;
    return count;
}

TItemIdList TItemIdList::Prefix(size_t count) const {
    size_t at = 0;
    for (size_t taken = 0; taken < count && ReadSize(bytes_.data() + at) != 0; ++taken)
        at += ReadSize(bytes_.data() + at);
    std::vector<uint8_t> bytes(bytes_.begin(), bytes_.begin() + at);
    bytes.push_back(0);
    bytes.push_back(0);
    return TItemIdList(std::move(bytes));
}

TItemIdList TItemIdList::Append(const TItemIdList& tail) const {
    std::vector<uint8_t> bytes(bytes_.begin(), bytes_.end() - 2);
    bytes.insert(bytes.end(), tail.bytes_.begin(), tail.bytes_.end());
    return TItemIdList(std::move(bytes));
}

TItemIdList TItemIdList::Last() const {
    auto items = Items();
    if (items.empty()) return TItemIdList();
    return *FromItems({items.back()});
}

}  // namespace mvt::shell
