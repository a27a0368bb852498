// The installation journal's stored lines: what a run writes reads back the same, a damaged
// journal is refused whole, and archive entry names become the paths the zip library writes.
#include "install/journal_format.h"

#include <gtest/gtest.h>

using namespace mvt::install;

namespace {

TEST(JournalFormat, EveryKindReadsBackAsWritten) {
    const std::vector<JournalStep> steps = {
        {JournalKind::Folder, {"C:\\Games\\Morvath"}},
        {JournalKind::NewFile, {"C:\\Games\\Morvath\\data", "inner\\area01.bif"}},
        {JournalKind::MovedAside, {"\\\\server\\share\\Morvath", "Данные.bif", "Данные.bif.~mvt1"}},
        {JournalKind::Content,
         {"C:\\Games\\Morvath", "morvath.ini", HexText(std::string_view("[Local]\r\n\t\0x", 12))}},
        {JournalKind::Key, {"SOFTWARE\\Quillfen", "0"}},
        {JournalKind::Value, {"SOFTWARE\\Quillfen", HexText("Name\twith tab"), "4", "2a000000"}},
    };
    std::string text;
    for (const JournalStep& step : steps) text += FormatJournalStep(step) + "\n";
    const auto read = ParseJournalSteps(text + "\n");
    ASSERT_TRUE(read.has_value());
    ASSERT_EQ(read->size(), steps.size());
    for (size_t n = 0; n < steps.size(); ++n) {
        EXPECT_EQ((*read)[n].kind, steps[n].kind) << n;
        EXPECT_EQ((*read)[n].fields, steps[n].fields) << n;
    }
    EXPECT_EQ(HexBytes(steps[3].fields[2]), std::string("[Local]\r\n\t\0x", 12));
}

TEST(JournalFormat, ADamagedLineRefusesTheWholeJournal) {
    const std::string good = "D\tC:\\Games\\Morvath\n";
    for (const std::string bad : {
             "X\tC:\\Games",                            // no such kind
             "D\tGames\\Morvath",                       // not a full path
             "D\tC:\\Games\\..\\Windows",               // leads out
             "F\tC:\\Games\\Morvath",                   // a field missing
             "F\tC:\\Games\\Morvath\t..\\boot.ini",     // a relative path that leaves its base
             "M\tC:\\Games\tdata\\a.bif\tdata\\b.bif",  // the aside name is not beside it
             "C\tC:\\Games\tmorvath.ini\t5g",           // no hexadecimal
             "K\tSYSTEM\\CurrentControlSet\t1",         // not a key of the records
             "V\tSOFTWARE\\Quillfen\t41\tfour\t00",     // a type that is no number
             "D",                                       // a kind alone
         }) {
        EXPECT_FALSE(ParseJournalSteps(good + bad + "\n").has_value()) << bad;
    }
    EXPECT_TRUE(ParseJournalSteps(good).has_value());
    EXPECT_TRUE(ParseJournalSteps("").has_value()) << "nothing journaled yet";
}

TEST(EntryTarget, NamesBecomeThePathsTheLibraryWritesOrNothing) {
    EXPECT_EQ(EntryTarget("data/inner/more.dat"), "data\\inner\\more.dat");
    EXPECT_EQ(EntryTarget("data\\.\\inner//more.dat"), "data\\inner\\more.dat");
    EXPECT_EQ(EntryTarget("Imported/"), "Imported");
    EXPECT_EQ(EntryTarget("Сохранения\\Начало.gam"), "Сохранения\\Начало.gam");
    for (const char* refused : {"", "/etc/passwd", "\\boot.ini", "..\\x.txt", "a/../../x.txt",
                                "C:x.txt", "a\\nul.txt", "name. ", "what?.txt", "./"})
        EXPECT_FALSE(EntryTarget(refused).has_value()) << refused;
}

TEST(AsideName, IsRecognisedAsSuch) {
    EXPECT_EQ(AsideName("area01.bif", 3), "area01.bif.~mvt3");
    EXPECT_TRUE(IsAsideName(AsideName("Запуск.lnk", 12)));
    for (const char* other : {"area01.bif", "x.~mvt", "x.~mvt1a", "x.~mvt-undo", "~mvt1"})
        EXPECT_FALSE(IsAsideName(other)) << other;
}

}  // namespace
