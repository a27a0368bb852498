// Shell item id lists as plain bytes: a run of items, each starting with its own 16-bit
// little-endian size (the size field included), ended by a 16-bit zero. No window or shell
// headers here, so the handling of stored lists builds and tests anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace mvt::shell {

// One owned, well-formed item id list. The empty list (only the terminator) is the
// desktop, the top of the shell namespace.
class TItemIdList {
  public:
    // The empty list.
    TItemIdList() : bytes_{0, 0} {}

    // The list at the start of a block, read up to and including its terminator; nothing
    // when an item's size is below 2 or the block ends before the terminator.
    static std::optional<TItemIdList> FromBytes(const uint8_t* bytes, size_t size);
    // The list made of the given items, in order (each a complete item with its size
    // field); nothing when one of them is not a single well-formed item.
    static std::optional<TItemIdList> FromItems(const std::vector<std::vector<uint8_t>>& items);

    // The whole list with its terminator, as the shell takes it.
    const uint8_t* Data() const { return bytes_.data(); }
    // Byte length including the terminator (2 for the empty list).
    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }
    bool Empty() const { return bytes_.size() == 2; }

    // The items, each with its own size field.
    std::vector<std::vector<uint8_t>> Items() const;
    size_t Count() const;
    // The list of the first `count` items (all of them when there are fewer).
    TItemIdList Prefix(size_t count) const;
    // This list followed by the items of another.
    TItemIdList Append(const TItemIdList& tail) const;
    // The last item alone, as a list of one (the empty list for the desktop).
    TItemIdList Last() const;

    bool operator==(const TItemIdList&) const = default;

  private:
    explicit TItemIdList(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::vector<uint8_t> bytes_;
};

}  // namespace mvt::shell
