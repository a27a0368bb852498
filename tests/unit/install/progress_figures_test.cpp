// The run's and the progress display's arithmetic: folders picked from archive names, the
// total percent, the file name shown and the wedges over the ring.
#include "install/progress_figures.h"

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

TEST(TotalPercent, WorkedExampleRoundsHalvesToEven) {
    EXPECT_EQ(TotalPercent(8, 50, 200, 800), 26);  // 25.5 -> 26
    EXPECT_EQ(TotalPercent(8, 100, 200, 800), 26);
    EXPECT_EQ(TotalPercent(8, 50, 192, 800), 24);  // 24.5 -> 24
    EXPECT_EQ(TotalPercent(0, 101, 400, 800), 50) << "end of a batch: what is done alone";
}

TEST(TotalPercent, ClampsAtOneHundredOnlyAbove) {
    EXPECT_EQ(TotalPercent(4000000000u, 100, 1e10, 1e9), 100);
    EXPECT_EQ(TotalPercent(0, 0, 999, 1000), 100);  // 99.9 rounds up
    EXPECT_EQ(TotalPercent(0, 0, 994, 1000), 99);
    // TotalSize is unsigned: above 2^31 it must not turn negative.
    EXPECT_EQ(TotalPercent(3000000000u, 50, 0, 6e9), 25);
}

TEST(UsableFullSize, MissingUnparsableAndNonPositiveFallBackToTheDefault) {
    EXPECT_EQ(UsableFullSize("", ','), kDefaultFullSize);
    EXPECT_EQ(UsableFullSize("1.5", ','), kDefaultFullSize) << "a point under a comma locale";
    EXPECT_EQ(UsableFullSize("1,5", ','), 1.5);
    EXPECT_EQ(UsableFullSize("0", ','), kDefaultFullSize);
    EXPECT_EQ(UsableFullSize("-100", ','), kDefaultFullSize);
    EXPECT_EQ(UsableFullSize(" 46726620 ", ','), 46726620.0);
}

TEST(ShownFileName, LastPartLowerCasedAndNothingForTheDirectory) {
    EXPECT_EQ(ShownFileName("*Loading Directory"), "");
    EXPECT_EQ(ShownFileName("*loading directory"), "*loading directory") << "exact match only";
    EXPECT_EQ(ShownFileName("Data\\Area01.BIF"), "area01.bif");
    EXPECT_EQ(ShownFileName("C:Readme.TXT"), "readme.txt");
    EXPECT_EQ(ShownFileName("Сохранения\\Начало.GAM"), "Начало.gam");
    EXPECT_EQ(ShownFileName(""), "");
}

TEST(RingCover, WedgesMeetAtTheTopAndLeaveTheLowerPart) {
    RingCover half = RingCoverFor(50, 331, 330);
    ASSERT_FALSE(half.whole);
    // a = 0: from the right end of the horizontal diameter to the top, then to the left end.
    EXPECT_EQ(half.first.x1, 331);
    EXPECT_EQ(half.first.y1, 165);
    EXPECT_EQ(half.first.x2, 166) << "165.5 rounds to the even 166";
    EXPECT_EQ(half.first.y2, 0);
    EXPECT_EQ(half.second.x2, 0);
    EXPECT_EQ(half.second.y2, 165);

    RingCover quarter = RingCoverFor(25, 331, 330);  // a = -45 degrees: below the diameter
    EXPECT_GT(quarter.first.y1, 165);
    EXPECT_EQ(quarter.first.x1 + quarter.second.x2, 331) << "symmetric about the vertical";

    EXPECT_FALSE(RingCoverFor(99, 331, 330).whole);
    EXPECT_TRUE(RingCoverFor(99.9, 331, 330).whole);
    EXPECT_TRUE(RingCoverFor(100, 331, 330).whole);
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
    EXPECT_EQ(ArchiveDoneGrowth(3, {10, 20}), 33u);
}

TEST(NearestEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(NearestEven(0.5L), 0);
    EXPECT_EQ(NearestEven(1.5L), 2);
    EXPECT_EQ(NearestEven(2.5L), 2);
    EXPECT_EQ(NearestEven(-1.5L), -2);
    EXPECT_EQ(NearestEven(2.4999L), 2);
}

}  // namespace
