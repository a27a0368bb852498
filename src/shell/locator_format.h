// The stored form of a shell folder reference (a locator) in form data:
//
//   offset 0, 1 byte   kind: 0 = an item id list follows; any other value = a special-folder
//                      number follows
//   offset 1, 1 byte   (kind != 0) the special-folder number; end of the value
//   offset 1, 4 bytes  (kind 0) N, the byte length of the item id list, little-endian
//   offset 5, N bytes  (kind 0) the item id list with its 16-bit zero terminator
//
// N = 0 stands for the desktop and reads as special folder 0. Plain bytes only: no window
// or shell code, so the decoding builds and tests anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "shell/item_id_list.h"

namespace mvt::shell {

enum class TLocatorKind : uint8_t { ItemIdList = 0, SpecialFolder = 1 };

struct TStoredLocator {
    TLocatorKind kind = TLocatorKind::SpecialFolder;
    TItemIdList list;           // kind ItemIdList
    uint8_t specialFolder = 0;  // kind SpecialFolder (0 = the desktop)

    bool operator==(const TStoredLocator&) const = default;
};

// Reads a stored value from the start of a block and tells how many bytes it took.
// Nothing when the block is shorter than the value announces or the list inside it is not
// exactly N bytes of well-formed items and terminator.
struct TDecodedLocator {
    TStoredLocator locator;
    size_t length = 0;
};
std::optional<TDecodedLocator> DecodeLocator(const uint8_t* bytes, size_t size);

// Writes the stored value (N is the list's full length including its terminator; a special
// folder is written as its kind byte 1 and its number).
std::vector<uint8_t> EncodeLocator(const TStoredLocator& locator);

}  // namespace mvt::shell
