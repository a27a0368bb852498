#include "controls/skwave.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace mvt;

namespace {

std::vector<uint8_t> Riff(const char* form, size_t dataBytes) {
    std::vector<uint8_t> bytes;
    bytes.reserve(44 + dataBytes);
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    };
    auto put = [&](const char* text) {
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(text[i]));
    };
    put("RIFF");
    put32(uint32_t(4 + 8 + 16 + 8 + dataBytes));
    put(form);
    put("fmt ");
    put32(16);
    const uint8_t format[16] = {1, 0, 1, 0, 0x11, 0x2B, 0, 0, 0x11, 0x2B, 0, 0, 1, 0, 8, 0};
    for (uint8_t b : format) bytes.push_back(b);
    put("data");
    put32(uint32_t(dataBytes));
    for (size_t i = 0; i < dataBytes; ++i) bytes.push_back(uint8_t(128 + (i % 16)));
    return bytes;
}

TEST(WaveTest, StoredDataReadsAndWritesBackTheSameBytes) {
    TComponent owner(nullptr);
    auto* wave = owner.Make<TSkWave>();
    std::vector<uint8_t> image = Riff("WAVE", 4608);
    TMemoryStream stored;
    stored.WriteUInt32(uint32_t(image.size()));
    stored.Write(image.data(), image.size());
    stored.SetPosition(0);

    wave->Sound().ReadData(stored);
    TMemoryStream written;
    wave->Sound().WriteData(written);
    ASSERT_EQ(written.Size(), stored.Size());
    EXPECT_EQ(0, std::memcmp(written.Memory(), stored.Memory(), stored.Size()));
}

TEST(WaveTest, RiffOfAnotherFormIsRefusedAndTheOldSoundStays) {
    TSkWaveImage sound;
    std::vector<uint8_t> good = Riff("WAVE", 100);
    sound.LoadFromMemory(good.data(), good.size());
    int notifications = 0;
    sound.OnChanging = [&](TObject*) { ++notifications; };
    sound.OnChange = [&](TObject*) { ++notifications; };
    std::vector<uint8_t> avi = Riff("AVI ", 100);
    try {
        sound.LoadFromMemory(avi.data(), avi.size());
        FAIL() << "accepted a non-wave RIFF";
    } catch (const ESkInvalidWaveOperation& error) {
        EXPECT_STREQ(error.what(), "Wave image is not a valid wave file format");
    }
    EXPECT_EQ(sound.Size(), good.size());
    EXPECT_EQ(0, std::memcmp(sound.Memory(), good.data(), good.size()));
    EXPECT_EQ(notifications, 0);
}

TEST(WaveTest, ShortStoredDataRaisesReadError) {
    TSkWaveImage sound;
    TMemoryStream stored;
    stored.WriteUInt32(1000);
    stored.Write("RIFF", 4);
    stored.SetPosition(0);
    EXPECT_THROW(sound.ReadData(stored), EReadError);
    EXPECT_TRUE(sound.Empty());
}

TEST(WaveTest, ZeroCountClearsAndPlayReturnsFalse) {
    TComponent owner(nullptr);
    auto* wave = owner.Make<TSkWave>();
    std::vector<uint8_t> image = Riff("WAVE", 200);
    wave->Sound().LoadFromMemory(image.data(), image.size());
    TMemoryStream stored;
    stored.WriteUInt32(0);
    stored.SetPosition(0);
    wave->Sound().ReadData(stored);
    EXPECT_TRUE(wave->Sound().Empty());
    EXPECT_FALSE(wave->Play());
    TMemoryStream written;
    wave->Sound().WriteData(written);
    EXPECT_EQ(written.Size(), 4u);  // the count alone
}

TEST(WaveTest, PlayOptionsSetTheSoundFlags) {
    TComponent owner(nullptr);
    auto* wave = owner.Make<TSkWave>();
    EXPECT_EQ(wave->PlayFlags(), 7u);
    wave->SetPlayOption(TSkPlayOption::poSync);
    EXPECT_EQ(wave->PlayFlags(), 6u);
    wave->SetPlayOption(TSkPlayOption::poLoop);
    EXPECT_EQ(wave->PlayFlags(), 15u);
    wave->SetPlayOption(TSkPlayOption::poAsync);
    EXPECT_EQ(wave->PlayFlags(), 7u);
}

TEST(WaveTest, AssignCopiesTheBytesThroughValidation) {
    TSkWaveImage source, target;
    std::vector<uint8_t> image = Riff("WAVE", 64);
    source.LoadFromMemory(image.data(), image.size());
    target.Assign(&source);
    ASSERT_EQ(target.Size(), source.Size());
    EXPECT_NE(target.Memory(), source.Memory());
    target.Assign(nullptr);
    EXPECT_TRUE(target.Empty());
}

}  // namespace
