// Item id lists and the stored form of a locator, byte by byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "shell/item_id_list.h"
#include "shell/locator_format.h"

namespace mvt::shell {
namespace {

using Bytes = std::vector<uint8_t>;

// The folder browser's stored base folder: My Computer, then drive C:.
Bytes BrowserBaseFolder() {
    Bytes bytes{0x00, 47, 0, 0, 0};
    Bytes myComputer{20,   0,    0x1F, 0x50, 0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A,
                     0x69, 0x10, 0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
    Bytes driveC{25, 0, 0x2F, 'C', ':', '\\'};
    driveC.resize(25, 0);
    bytes.insert(bytes.end(), myComputer.begin(), myComputer.end());
    bytes.insert(bytes.end(), driveC.begin(), driveC.end());
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

TEST(LocatorFormat, BrowserValueIsMyComputerThenDriveCAndWritesBackTheSameBytes) {
    const Bytes stored = BrowserBaseFolder();
    ASSERT_EQ(stored.size(), 52u);
    auto decoded = DecodeLocator(stored.data(), stored.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->length, 52u);
    EXPECT_EQ(decoded->locator.kind, TLocatorKind::ItemIdList);
    const auto items = decoded->locator.list.Items();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].size(), 20u);
    EXPECT_EQ(items[0][2], 0x1F);
    EXPECT_EQ(items[0][4], 0xE0) << "the class id's first byte";
    EXPECT_EQ(items[1].size(), 25u);
    EXPECT_EQ(items[1][2], 0x2F);
    EXPECT_EQ(std::string(items[1].begin() + 3, items[1].begin() + 6), "C:\\");
    EXPECT_EQ(decoded->locator.list.Size(), 47u);
    EXPECT_EQ(EncodeLocator(decoded->locator), stored);
}

TEST(LocatorFormat, NoListIsTheDesktopAndOtherKindsCarryAFolderNumber) {
    const Bytes none{0, 0, 0, 0, 0, 0xAA};
    auto decoded = DecodeLocator(none.data(), none.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->locator.kind, TLocatorKind::SpecialFolder);
    EXPECT_EQ(decoded->locator.specialFolder, 0);
    EXPECT_EQ(decoded->length, 5u) << "what follows the value is not part of it";

    const Bytes special{7, 0x11};
    decoded = DecodeLocator(special.data(), special.size());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->locator.kind, TLocatorKind::SpecialFolder);
    EXPECT_EQ(decoded->locator.specialFolder, 0x11);
    EXPECT_EQ(EncodeLocator(decoded->locator), (Bytes{1, 0x11})) << "the kind becomes 1";

    // The empty list written as such is the desktop's list, two zero bytes.
    TStoredLocator desktop{TLocatorKind::ItemIdList, TItemIdList(), 0};
    EXPECT_EQ(EncodeLocator(desktop), (Bytes{0, 2, 0, 0, 0, 0, 0}));
}

TEST(LocatorFormat, DamagedValuesAreRefused) {
    const Bytes good = BrowserBaseFolder();
    // Cut anywhere: the value announces more than the block holds.
    for (size_t size = 0; size < good.size(); ++size)
        EXPECT_FALSE(DecodeLocator(good.data(), size)) << "cut to " << size;
    EXPECT_FALSE(DecodeLocator(nullptr, 10));
    Bytes special{3};
    EXPECT_FALSE(DecodeLocator(special.data(), special.size())) << "kind without its number";

    Bytes shortN = good;
    shortN[1] = 40;  // N ends inside the second item
    EXPECT_FALSE(DecodeLocator(shortN.data(), shortN.size()));
    Bytes longN = good;
    longN[1] = 48;
    longN.push_back(0);  // one byte after the terminator inside N
    EXPECT_FALSE(DecodeLocator(longN.data(), longN.size()));
    Bytes tinyItem{0, 6, 0, 0, 0, 1, 0, 0, 0, 0, 0};  // an item of size 1
    EXPECT_FALSE(DecodeLocator(tinyItem.data(), tinyItem.size()));
    Bytes overrun = good;
    overrun[5] = 0xFF;  // the first item claims 255 bytes
    EXPECT_FALSE(DecodeLocator(overrun.data(), overrun.size()));
}

TEST(ItemIdList, SplitsJoinsAndCutsByItems) {
    const Bytes stored = BrowserBaseFolder();
    auto list = TItemIdList::FromBytes(stored.data() + 5, 47);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->Count(), 2u);
    EXPECT_TRUE(TItemIdList().Empty());
    EXPECT_EQ(TItemIdList().Size(), 2u);
    EXPECT_EQ(list->Prefix(0), TItemIdList());
    EXPECT_EQ(list->Prefix(1).Count(), 1u);
    EXPECT_EQ(list->Prefix(5), *list);
    EXPECT_EQ(list->Prefix(1).Append(list->Last()), *list);
    EXPECT_EQ(list->Last().Items()[0], list->Items()[1]);
    EXPECT_EQ(TItemIdList().Last(), TItemIdList());
    EXPECT_EQ(TItemIdList::FromItems(list->Items()), list);
    EXPECT_FALSE(TItemIdList::FromItems({{5, 0, 1}})) << "size field says 5, item has 3";
    EXPECT_FALSE(TItemIdList::FromItems({{1}}));
}

}  // namespace
}  // namespace mvt::shell
