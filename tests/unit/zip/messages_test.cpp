// The message table: built-in texts, the compressed image decoder, language selection
// from resource 11610, the text hook and EZipUnpacker.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>

#include "zip/messages.h"

namespace mvt::zip {
namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> bytes;
    for (int v : values) bytes.push_back(static_cast<uint8_t>(v));
    return bytes;
}

class LanguageReset : public ::testing::Test {
  protected:
    void TearDown() override {
        ZipMessages().SetLanguage("");
        ZipMessages().TextHook = nullptr;
    }
};

TEST(MessageTable, KnownTextsAndFallback) {
    EXPECT_EQ(ZipMessages().Text(11409), "*Loading Directory");
    EXPECT_EQ(ZipMessages().Text(10000), "Resource missing for 10000");
    EXPECT_EQ(ZipMessages().Text(-5), "Resource missing for -5");
    EXPECT_EQ(ZipMessages().Text(11037),
              "This is the first disk in a backup set,\r\nplease insert the last disk of this set");
    EXPECT_EQ(ZipMessages().Text(10108), " Busy, Please wait");
    EXPECT_EQ(ZipMessages().Text(10105), "Copying: ");
    EXPECT_EQ(ZipMessages().Language(), "US: default");
}

TEST(MessageTable, EveryBuiltInTextMatchesTheList) {
    std::ifstream list(MVT_ZIP_MESSAGES_LIST);
    ASSERT_TRUE(list) << MVT_ZIP_MESSAGES_LIST;
    std::string line;
    int count = 0;
    while (std::getline(list, line)) {
        const size_t tab = line.find('\t');
        ASSERT_NE(tab, std::string::npos) << line;
        std::string expected = line.substr(tab + 1);
        for (size_t at; (at = expected.find("\\n")) != std::string::npos;)
            expected.replace(at, 2, "\r\n");
        EXPECT_EQ(ZipMessages().Text(std::stoi(line.substr(0, tab))), expected);
        ++count;
    }
    EXPECT_EQ(count,
              189);  // the 188 of the original table and 10505 (a destination that is a link)
}

TEST(CompressedImage, LiteralsAndRingReferences) {
    // Length 6; flags 0b011: 'A', 'B' literal, then 4 bytes from ring position 4080
    // (where 'A' was written): "ABABAB".
    EXPECT_EQ(DecodeCompressedImage(Bytes({6, 0, 0, 0, 0x03, 'A', 'B', 0xF0, 0xF1})),
              Bytes({'A', 'B', 'A', 'B', 'A', 'B'}));
    // A reference into the untouched ring yields zero bytes.
    EXPECT_EQ(DecodeCompressedImage(Bytes({3, 0, 0, 0, 0x00, 0x00, 0x00})), Bytes({0, 0, 0}));
}

TEST(CompressedImage, RefusesMalformedStreams) {
    // Reference cut after its first byte.
    EXPECT_FALSE(DecodeCompressedImage(Bytes({3, 0, 0, 0, 0x00, 0x00})));
    // Produces more or fewer bytes than announced.
    EXPECT_FALSE(DecodeCompressedImage(Bytes({2, 0, 0, 0, 0x00, 0x00, 0x00})));
    EXPECT_FALSE(DecodeCompressedImage(Bytes({4, 0, 0, 0, 0x00, 0x00, 0x00})));
    // Shorter than its length field.
    EXPECT_FALSE(DecodeCompressedImage(Bytes({0, 0, 0})));
    // Images of 50000 bytes or more are refused; 49999 is accepted.
    std::vector<uint8_t> big = {0x50, 0xC3, 0, 0};   // 50000
    std::vector<uint8_t> fits = {0x4F, 0xC3, 0, 0};  // 49999
    for (int produced = 0; produced < 50000; produced += 18 * 8) {
        big.push_back(0);
        fits.push_back(0);
        for (int i = 0; i < 8; ++i) {
            big.insert(big.end(), {0x00, 0x0F});
            fits.insert(fits.end(), {0x00, 0x0F});
        }
    }
    EXPECT_FALSE(DecodeCompressedImage(big));
    EXPECT_FALSE(DecodeCompressedImage(fits));  // produces more than 49999
    EXPECT_EQ(DecodeCompressedImage(Bytes({0, 0, 0, 0})), std::vector<uint8_t>{});
}

TEST(CompressedImage, DamagedStringTableYieldsNoText) {
    // An entry whose header size runs past the image.
    auto image = StringTableImage::FromBytes(
        Bytes({0, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 6, 0, 0xFF, 0xFF, 1, 0}));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->Find(1).empty());
}

TEST(MessageFormat, ConversionsAndMissingArguments) {
    EXPECT_EQ(FormatMessageText("Index (%d) outside range 1..%d", {int64_t(5), int64_t(3)}),
              "Index (5) outside range 1..3");
    EXPECT_EQ(FormatMessageText("disk %.1d of %.1d", {int64_t(2), int64_t(7)}), "disk 2 of 7");
    EXPECT_EQ(FormatMessageText("<%X:%s>", {int64_t(0x1F), std::string("x")}), "<1F:x>");
    EXPECT_EQ(FormatMessageText("%s and %d and %s", {std::string("a")}), "a and 0 and ");
    EXPECT_EQ(FormatMessageText("100%% %q", {}), "100% %q");
}

TEST_F(LanguageReset, LanguageTableFromResource) {
    ZipMessages().SetLanguage(" ru ");
    EXPECT_EQ(ZipMessages().Text(11409), "*Чтение каталога");
    EXPECT_EQ(ZipMessages().Text(11037), "Первый диск набора,\r\nвставьте последний");
    EXPECT_EQ(ZipMessages().Text(10102), "Error - no zip file specified!");  // built-in
    EXPECT_EQ(ZipMessages().Language(), "RU: русский");
    for (const char* name : {"1049", "$419", "$19", "*"}) {
        ZipMessages().SetLanguage("US");
        ZipMessages().SetLanguage(name);
        EXPECT_EQ(ZipMessages().Text(11409), "*Чтение каталога") << name;
    }
    for (const char* name : {"US", "1033", "$409", "", "x", "DE", "0", "70000", "9x"}) {
        ZipMessages().SetLanguage("RU");
        ZipMessages().SetLanguage(name);
        EXPECT_EQ(ZipMessages().Text(11409), "*Loading Directory") << name;
        EXPECT_FALSE(ZipMessages().LanguageLoaded()) << name;
    }
}

TEST_F(LanguageReset, TextHookReplacesNonEmptyResults) {
    ZipMessages().TextHook = [](int id, std::string& text) {
        if (id == 10102) text = "hooked";
        if (id == 10103) text.clear();
    };
    EXPECT_EQ(ZipMessages().Text(10102), "hooked");
    EXPECT_EQ(ZipMessages().Text(10103), "Requested memory not available");
}

TEST(EZipUnpackerVariants, MessageIdAndDisplay) {
    auto plain = EZipUnpacker::FromText(10202, "free text", false);
    EXPECT_EQ(plain.Message(), "free text");
    EXPECT_FALSE(plain.Display());
    EXPECT_EQ(plain.ResId(), 10202);

    auto byId = EZipUnpacker::FromId(10102, false);
    EXPECT_EQ(byId.Message(), "Error - no zip file specified!");
    EXPECT_FALSE(byId.Display());

    EXPECT_EQ(EZipUnpacker::Formatted(10110, {int64_t(4), int64_t(2)}).Message(),
              "Index (4) outside range 1..2");
    auto number = EZipUnpacker::WithNumber(10124, -7);
    EXPECT_EQ(number.Message(), "critical DLL Error -7");
    EXPECT_TRUE(number.Display());
    EXPECT_EQ(number.ResId(), 10124);
    EXPECT_EQ(EZipUnpacker::WithText(10504, "C:\\x\\").Message(),
              "Extract directory 'C:\\x\\' must exist");

    auto system = EZipUnpacker::WithSystemError(11051, ERROR_ACCESS_DENIED, "C:\\ro\\");
    EXPECT_EQ(system.Message(), "Cannot write to C:\\ro\\ <5:" + SysErrorMessage(5) + ">");
    EXPECT_EQ(system.ResId(), 11051);
    EXPECT_EQ(EZipUnpacker::WithSystemError(11051, 0, "C:\\").Message(), "Cannot write to C:\\");
}

}  // namespace
}  // namespace mvt::zip
