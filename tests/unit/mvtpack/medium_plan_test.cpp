// The packer's layout decisions on game trees given as lists: archive names and what the
// setup's rules make of them, member names, splitting, the list of installed files, and the
// layouts it refuses.
#include "medium_plan.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace mvtpack;

namespace {

struct Entry {
    const char* path;
    uint64_t size;  // kFolder for a folder
};
constexpr uint64_t kFolder = UINT64_MAX;

std::vector<TreeItem> Tree(std::initializer_list<Entry> entries) {
    std::vector<TreeItem> tree;
    for (const Entry& e : entries) {
        TreeItem item;
        item.path = e.path;
        item.folder = e.size == kFolder;
        item.size = item.folder ? 0 : e.size;
        tree.push_back(item);
    }
    return tree;
}

std::vector<std::string> Names(const MediumPlan& plan) {
    std::vector<std::string> names;
    for (const PlannedArchive& archive : plan.archives) names.push_back(archive.name);
    return names;
}

const PlannedArchive& Archive(const MediumPlan& plan, const std::string& name) {
    static const PlannedArchive none;
    for (const PlannedArchive& archive : plan.archives)
        if (archive.name == name) return archive;
    ADD_FAILURE() << "no archive " << name;
    return none;
}

std::vector<std::string> Members(const PlannedArchive& archive) {
    std::vector<std::string> names;
    for (const ArchiveMember& member : archive.members) names.push_back(member.name);
    return names;
}

bool Mentions(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

TEST(RulesDestination, TheSetupsRulesWithLastMatchWinning) {
    EXPECT_EQ(RulesDestination("Data.zip"), "data");
    EXPECT_EQ(RulesDestination("Tempsave.zip"), "tempsave");
    EXPECT_EQ(RulesDestination("Music\\Override.zip"), "music");
    EXPECT_EQ(RulesDestination("Override\\Music.zip"), "music");
    EXPECT_EQ(RulesDestination("Movies\\Cinematics.zip"), "movies");
    EXPECT_EQ(RulesDestination("Patch.zip"), "");
    EXPECT_EQ(RulesDestination("EREG.zip"), "eReg");
}

TEST(LooksLikeUtf8, OnlyNamesTheLibraryWouldTakeForUtf8) {
    EXPECT_FALSE(LooksLikeUtf8("readme.txt")) << "plain ASCII is the same either way";
    EXPECT_FALSE(LooksLikeUtf8("Начало"));        // CD E0 ...: a lead byte without its follower
    EXPECT_TRUE(LooksLikeUtf8("\xD0\xB8.txt"));   // "Рё" in 1251 is "и" in UTF-8
    EXPECT_FALSE(LooksLikeUtf8("\xE0\x80\x80"));  // overlong: not UTF-8
    EXPECT_FALSE(LooksLikeUtf8("\xD0"));          // cut short
}

TEST(PlanMedium, EachFolderGoesWhereTheRulesSendItsArchive) {
    const MediumPlan plan = PlanMedium(Tree({{"morvath.exe", 100},
                                             {"Руководство.txt", 10},
                                             {"Data", kFolder},
                                             {"Data\\area01.bif", 50},
                                             {"Data\\Sub", kFolder},
                                             {"Data\\Sub\\deep.bif", 5},
                                             {"Movies", kFolder},
                                             {"Movies\\Cinematics", kFolder},
                                             {"Movies\\Cinematics\\c1.mve", 1000},
                                             {"Patch", kFolder},
                                             {"Patch\\notes.txt", 3},
                                             {"Tempsave", kFolder},
                                             {"Tempsave\\quick.gam", 7},
                                             {"Save", kFolder},
                                             {"Save\\000000001-Начало", kFolder},
                                             {"Save\\000000001-Начало\\a.gam", 4}}),
                                       {});
    ASSERT_TRUE(plan.problems.empty()) << plan.problems.front();
    EXPECT_EQ(Names(plan), (std::vector<std::string>{"Main.zip", "Data.zip", "Data\\Sub.zip",
                                                     "Movies\\Cinematics.zip", "Patch.zip",
                                                     "Save\\000000001-Начало.zip", "Tempsave.zip"}))
        << "top files first, then the folders by name, each before its subfolders";
    EXPECT_EQ(Archive(plan, "Main.zip").destination, "");
    EXPECT_EQ(Members(Archive(plan, "Main.zip")),
              (std::vector<std::string>{"morvath.exe", "Руководство.txt"}));
    EXPECT_EQ(Archive(plan, "Data\\Sub.zip").destination, "data");
    EXPECT_EQ(Members(Archive(plan, "Data\\Sub.zip")),
              (std::vector<std::string>{"Sub/", "Sub/deep.bif"}));
    EXPECT_EQ(Archive(plan, "Tempsave.zip").destination, "tempsave");
    EXPECT_EQ(Members(Archive(plan, "Patch.zip")),
              (std::vector<std::string>{"Patch/", "Patch/notes.txt"}))
        << "a folder without a rule keeps its name inside";
    EXPECT_EQ(Archive(plan, "Movies\\Cinematics.zip").bytes, 1000u);

    const auto& files = plan.installed.files;
    for (const char* path :
         {"morvath.exe", "data\\area01.bif", "data\\Sub\\deep.bif", "movies\\Cinematics\\c1.mve",
          "Patch\\notes.txt", "save\\000000001-Начало\\a.gam", "tempsave\\quick.gam"})
        EXPECT_NE(std::find(files.begin(), files.end(), path), files.end()) << path;
    EXPECT_EQ(files.size(), 8u);
    const auto& folders = plan.installed.folders;
    for (const char* path : {"data", "data\\Sub", "movies", "movies\\Cinematics", "Patch"})
        EXPECT_NE(std::find(folders.begin(), folders.end(), path), folders.end()) << path;
}

TEST(PlanMedium, AnArchiveNameTheRulesSendElsewhereIsCarriedByItsParent) {
    const MediumPlan plan = PlanMedium(Tree({{"Override", kFolder},
                                             {"Override\\o.spl", 1},
                                             {"Override\\Music", kFolder},
                                             {"Override\\Music\\x.mus", 1},
                                             {"Savegames", kFolder},
                                             {"Savegames\\s.gam", 1},
                                             {"Main", kFolder},
                                             {"Main\\m.txt", 1},
                                             {"Unregmvt", kFolder},
                                             {"Unregmvt\\u.txt", 1},
                                             {"top.txt", 1}}),
                                       {});
    ASSERT_TRUE(plan.problems.empty()) << plan.problems.front();
    // "Override\Music.zip" would land in "music", "Savegames.zip" in "save"; "Main.zip" is
    // taken by the files at the top and "Unregmvt.zip" by the uninstaller.
    EXPECT_EQ(Names(plan), (std::vector<std::string>{"Main.zip", "Override.zip"}));
    EXPECT_EQ(Members(Archive(plan, "Override.zip")),
              (std::vector<std::string>{"Music/", "Music/x.mus", "o.spl"}));
    EXPECT_EQ(Members(Archive(plan, "Main.zip")),
              (std::vector<std::string>{"Main/", "Main/m.txt", "Savegames/", "Savegames/s.gam",
                                        "top.txt", "Unregmvt/", "Unregmvt/u.txt"}));
}

TEST(PlanMedium, EmptyFoldersComeFromAnArchiveUnlessTheSetupMakesThem) {
    const MediumPlan plan = PlanMedium(Tree({{"a.txt", 1},
                                             {"cache", kFolder},
                                             {"Temp", kFolder},
                                             {"Characters", kFolder},
                                             {"Characters\\default.chr", 1},
                                             {"Characters\\Imported", kFolder}}),
                                       {});
    ASSERT_TRUE(plan.problems.empty()) << plan.problems.front();
    // "cache" is one of the folders the setup makes before unpacking; "temp" is not.
    EXPECT_EQ(Members(Archive(plan, "Main.zip")), (std::vector<std::string>{"a.txt", "Temp/"}));
    EXPECT_EQ(Members(Archive(plan, "Characters.zip")),
              (std::vector<std::string>{"default.chr", "Imported/"}));
}

TEST(PlanMedium, SplitsBySizeAndByEntries) {
    PackOptions options;
    options.splitSize = 100;
    const MediumPlan plan = PlanMedium(Tree({{"Data", kFolder},
                                             {"Data\\a.bif", 60},
                                             {"Data\\b.bif", 60},
                                             {"Data\\c.bif", 500},
                                             {"Data\\d.bif", 30},
                                             {"Data\\e.bif", 30},
                                             {"Data\\z", kFolder}}),
                                       options);
    ASSERT_TRUE(plan.problems.empty()) << plan.problems.front();
    EXPECT_EQ(Names(plan),
              (std::vector<std::string>{"Data.zip", "Data-2.zip", "Data-3.zip", "Data-4.zip"}));
    EXPECT_EQ(Members(Archive(plan, "Data.zip")), (std::vector<std::string>{"a.bif"}));
    EXPECT_EQ(Members(Archive(plan, "Data-3.zip")), (std::vector<std::string>{"c.bif"}))
        << "a file above the limit alone";
    EXPECT_EQ(Members(Archive(plan, "Data-4.zip")),
              (std::vector<std::string>{"d.bif", "e.bif", "z/"}))
        << "a trailing folder stays with the last files";
    for (const PlannedArchive& archive : plan.archives) EXPECT_EQ(archive.destination, "data");

    options = {};
    options.maxEntries = 2;
    const MediumPlan byEntries =
        PlanMedium(Tree({{"x1", 1}, {"x2", 1}, {"x3", 1}, {"x4", 1}, {"x5", 1}}), options);
    EXPECT_EQ(Names(byEntries), (std::vector<std::string>{"Main.zip", "Main-2.zip", "Main-3.zip"}));
}

TEST(PlanMedium, RefusesWhatTheSetupCannotReproduce) {
    auto problems = [](std::initializer_list<Entry> entries) {
        return PlanMedium(Tree(entries), {}).problems;
    };
    EXPECT_TRUE(Mentions(problems({{"unreglst.ini", 1}, {"a", 1}}), "unreglst.ini"));
    EXPECT_TRUE(Mentions(problems({{"UNREGMVT.EXE", 1}, {"a", 1}}), "UNREGMVT.EXE"));
    EXPECT_TRUE(Mentions(problems({{"Data", kFolder}}), "no file"));
    EXPECT_TRUE(Mentions(problems({{"\xD0\xB8.txt", 1}}), "UTF-8"));
    EXPECT_TRUE(Mentions(problems({{"a..", 1}}), "Windows"));
    // Files only below rule folders: nothing unpacks into the install directory itself, so
    // no archive can bring an empty folder at the top.
    EXPECT_TRUE(
        Mentions(problems({{"Data", kFolder}, {"Data\\a.bif", 1}, {"Extras", kFolder}}), "Extras"));
    EXPECT_TRUE(
        Mentions(problems({{"Patch", kFolder}, {("Patch\\" + std::string(300, 'n')).c_str(), 1}}),
                 "Windows"))
        << "a path of 260 characters or more";

    // A file of 4 GiB or more is packed like any other (its archive gets Zip64 records).
    const MediumPlan huge =
        PlanMedium(Tree({{"Data", kFolder}, {"Data\\huge.bif", 5ull << 30}}), {});
    EXPECT_TRUE(huge.problems.empty());
    EXPECT_EQ(Names(huge), std::vector<std::string>{"Data.zip"});

    const MediumPlan warned = PlanMedium(Tree({{"morvath.ini", 1}}), {});
    EXPECT_TRUE(warned.problems.empty());
    EXPECT_TRUE(Mentions(warned.warnings, "17"));
}

}  // namespace
