// The medium's layout: folders picked from archive names, the rules' own folder names,
// FullSize as the run reads it and how the percent's total grows archive by archive.
#include "install/medium_layout.h"

#include <gtest/gtest.h>

using namespace mvt::install;

namespace {

const std::string D = "C:\\Games\\Morvath Trilogy";

TEST(ArchiveDestination, LastMatchingRuleWins) {
    EXPECT_EQ(ArchiveDestination(D, "Data.zip"), D + "\\data");
    EXPECT_EQ(ArchiveDestination(D, "tempsave.zip"), D + "\\tempsave");  // save, temp, tempsave
    EXPECT_EQ(ArchiveDestination(D, "savedata.zip"), D + "\\save");      // data, then save
    EXPECT_EQ(ArchiveDestination(D, "music_override.zip"), D + "\\music");
    EXPECT_EQ(ArchiveDestination(D, "scripts.zip"), D + "\\scripts");
    EXPECT_EQ(ArchiveDestination(D, "Script Compiler.zip"), D + "\\script compiler");
    EXPECT_EQ(ArchiveDestination(D, "eReg.zip"), D + "\\eReg");
    EXPECT_EQ(ArchiveDestination(D, "patch.zip"), D);
    EXPECT_EQ(ArchiveDestination(D, "Movies\\intro.zip"), D + "\\movies");
    // Only ASCII letters are lower-cased: a Cyrillic name matches nothing.
    EXPECT_EQ(ArchiveDestination(D, "ДАННЫЕ.zip"), D);
    // A drive root keeps its backslash: paths are formed by plain concatenation.
    EXPECT_EQ(ArchiveDestination("C:\\", "Data.zip"), "C:\\\\data");
}

TEST(UsableFullSize, MissingUnparsableAndNonPositiveFallBackToTheDefault) {
    EXPECT_EQ(UsableFullSize("", ','), kDefaultFullSize);
    EXPECT_EQ(UsableFullSize("1.5", ','), kDefaultFullSize) << "a point under a comma locale";
    EXPECT_EQ(UsableFullSize("1,5", ','), 1.5);
    EXPECT_EQ(UsableFullSize("0", ','), kDefaultFullSize);
    EXPECT_EQ(UsableFullSize("-100", ','), kDefaultFullSize);
    EXPECT_EQ(UsableFullSize(" 46726620 ", ','), 46726620.0);
}

TEST(RuleFolderNamed, TheRulesFoldersAsTheSetupSpellsThem) {
    EXPECT_EQ(RuleFolderNamed("DATA"), "data");
    EXPECT_EQ(RuleFolderNamed("EREG"), "eReg");
    EXPECT_EQ(RuleFolderNamed("Script Compiler"), "script compiler");
    EXPECT_EQ(RuleFolderNamed("TempSave"), "tempsave");
    EXPECT_EQ(RuleFolderNamed("patch"), "");
    EXPECT_EQ(RuleFolderNamed("savedata"), "") << "a whole folder name, not a part of it";
}

// DoneSize grows as the handler adds the TotalSize of reports with PerCent 100.
TEST(DoneGrowth, DirectoryReadAddsTheEntryCountOnce) {
    EXPECT_EQ(DirectoryDoneGrowth(0), 0u) << "no entry, no report at 100";
    EXPECT_EQ(DirectoryDoneGrowth(1), 1u);
    EXPECT_EQ(DirectoryDoneGrowth(3), 3u);
    EXPECT_EQ(DirectoryDoneGrowth(65535), 65535u);
}

TEST(DoneGrowth, AFileAddsItsSizeAndAnyEarlyStepThatReadsOneHundred) {
    EXPECT_EQ(ItemDoneGrowth(0), 0u);
    EXPECT_EQ(ItemDoneGrowth(7000), 7000u);
    EXPECT_EQ(ItemDoneGrowth(214747), 214747u) << "exact percent below 214748";
    EXPECT_EQ(ItemDoneGrowth(1u << 20), 1u << 20) << "one whole chunk, no rest";
    EXPECT_EQ(ItemDoneGrowth(24000000), 24000000u) << "a size divisible by 100";
    // 3 MiB + 50: the step at 3 MiB is at or above 100 hundredths (3145700) already.
    const uint32_t early = 3u * (1u << 20) + 50;
    EXPECT_EQ(ItemDoneGrowth(early), uint64_t{early} + 3u * (1u << 20));
    // 3 MiB + 150: the step at 3 MiB reads 99.
    EXPECT_EQ(ItemDoneGrowth(3u * (1u << 20) + 150), 3u * (1u << 20) + 150);
    // 4 GiB + 1, counted in 64 bits: the step at 4 GiB reads 100 already, then the last.
    EXPECT_EQ(ItemDoneGrowth((uint64_t{1} << 32) + 1), (uint64_t{1} << 33) + 1);
    EXPECT_EQ(ArchiveDoneGrowth(3, {10, 20}), 33u);
}

}  // namespace
