// The installation run with real archives, the real zip component and library, the
// prefix's registry and real files: what it unpacks where, and where it stops.
#include <fstream>

#include "install/install_report.h"
#include "install/installation_journal.h"
#include "install/medium_layout.h"
#include "run_fixture.h"
#include "support/file_tree.h"
#include "ziplib179.h"
#include "support/plant_link.h"

using namespace mvt;
using namespace mvt::install;
using runtest::Process;
using runtest::WriteSetupDescription;

namespace {

const std::vector<std::string> kRuleExamples = {
    "Data.zip",    "tempsave.zip", "savedata.zip",     "music_override.zip",
    "scripts.zip", "patch.zip",    "Movies\\intro.zip"};

class InstallationRunTest : public runtest::RunTest {
  protected:
    void Install() {
        Form10->Show();
        Form10->Install();
    }
};

TEST_F(InstallationRunTest, EachArchiveUnpacksIntoTheFolderItsNamePicks) {
    WriteSetupDescription("", kRuleExamples);
    Install();
    EXPECT_TRUE(Exists("data\\Data.txt"));
    EXPECT_TRUE(Exists("data\\inner\\more.dat")) << "the archive's folders are kept";
    EXPECT_TRUE(Exists("tempsave\\tempsave.txt"));
    EXPECT_TRUE(Exists("save\\savedata.txt"));
    EXPECT_TRUE(Exists("music\\music_override.txt"));
    EXPECT_TRUE(Exists("scripts\\scripts.txt"));
    EXPECT_TRUE(Exists("patch.txt"));
    EXPECT_TRUE(Exists("movies\\intro.txt"));
    EXPECT_TRUE(Exists("Unregmvt.txt")) << "the uninstaller goes into the directory itself";
    for (const char* folder : kGameFolders) EXPECT_TRUE(Exists(folder + 1)) << folder;
    EXPECT_FALSE(Exists("temp")) << "made only when an archive needs it";
    // The run went on to the records and the finish screen.
    EXPECT_TRUE(Exists("morvath.ini"));
    EXPECT_EQ(wizard.finishScreens, 1);
    EXPECT_FALSE(Form10->Visible());
    EXPECT_FALSE(Form10->SkAnimator1->Animate());
    EXPECT_FALSE(Form10->Label3->Visible());
    EXPECT_FALSE(Form10->Label4->Visible());
    EXPECT_EQ(Form10->Label2->Caption(), "");
    EXPECT_EQ(Form10->Label1->Caption(), "Создание файла настроек...");
}

std::string Contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// A user who may write into the destination planted a folder link in place of a game folder
// and a file link in place of a game file, each leading to files outside named like the
// game's: nothing is written through either, each is reported, and the run goes on.
TEST_F(InstallationRunTest, PlantedLinksInTheDestinationAreNotWrittenThrough) {
    WriteSetupDescription("", {"Data.zip", "patch.zip", "scripts.zip"});
    const std::string outside = Folder("Outside");
    stagetest::WriteFile(outside + "\\Data.txt", "not the game's");
    stagetest::WriteFile(outside + "\\victim.txt", "not the game's either");
    ASSERT_TRUE(testsupport::PlantLink(wizard.installDir + "\\data", outside));
    ASSERT_TRUE(
        testsupport::PlantLink(wizard.installDir + "\\patch.txt", outside + "\\victim.txt"));
    ASSERT_EQ(Contents(wizard.installDir + "\\data\\Data.txt"), "not the game's");
    std::vector<std::string> messages;
    Form10->ZipUnpacker1->SetUnattended(true);
    Form10->ZipUnpacker1->OnMessage = [&](TObject*, int, const std::string& text) {
        messages.push_back(text);
    };
    Install();
    EXPECT_EQ(Contents(outside + "\\Data.txt"), "not the game's");
    EXPECT_EQ(Contents(outside + "\\victim.txt"), "not the game's either");
    EXPECT_FALSE(stagetest::FileExists(outside + "\\inner\\more.dat"));
    auto mentions = [&](const std::string& part) {
        return std::any_of(messages.begin(), messages.end(), [&](const std::string& m) {
            return m.find(part) != std::string::npos && m.find("link") != std::string::npos;
        });
    };
    // The archive's destination is the link itself: refused in words that name it and where
    // it leads.
    const std::string refusal =
        "Extract directory '" + wizard.installDir + "\\data\\' is a link: it leads to ";
    EXPECT_TRUE(std::any_of(messages.begin(), messages.end(), [&](const std::string& m) {
        return m.rfind(refusal, 0) == 0 && m.find("Outside, which is not followed") != m.npos;
    })) << testing::PrintToString(messages);
    EXPECT_TRUE(mentions("patch.txt")) << testing::PrintToString(messages);
    EXPECT_TRUE(Exists("inner\\more.dat")) << "the rest of the archive";
    EXPECT_TRUE(Exists("scripts\\scripts.txt")) << "the next archive";
    EXPECT_TRUE(Exists("morvath.ini")) << "the run went on to its end";
    EXPECT_TRUE(testsupport::RemoveTree(scratch_));
}

// Two names that differ only in case: the second is not written over the first, the
// component's messages name both, and the outcome and the log count it as not written.
TEST_F(InstallationRunTest, ANameDifferingOnlyInCaseIsNotWrittenAndCounted) {
    WriteSetupDescription("", {"caseclash.zip"});
    wizard.uninstaller = false;
    Install();
    EXPECT_EQ(Contents(wizard.installDir + "\\Readme.txt"), "first");
    ASSERT_EQ(wizard.finished.archives.size(), 1u);
    const ArchiveOutcome& outcome = wizard.finished.archives[0];
    ASSERT_EQ(outcome.missing.size(), 1u);
    EXPECT_EQ(outcome.missing[0].name, "README.TXT");
    EXPECT_EQ(outcome.missing[0].reason, ZL_SKIP_NAME_CLASH);
    EXPECT_EQ(outcome.messages,
              std::vector<std::string>{"Not written: README.TXT differs only in "
                                       "case from Readme.txt, written before it"});
    EXPECT_EQ(wizard.finished.MissingFiles(), 1u);
    EXPECT_FALSE(wizard.finished.Complete());
    const std::vector<std::string> log = ArchiveLogLines(outcome, 0, 0);
    EXPECT_NE(
        std::find(log.begin(), log.end(), "  Не записан: README.TXT (6 байт), причина 8, код 10"),
        log.end())
        << testing::PrintToString(log);
}

TEST_F(InstallationRunTest, ListEndsAtTheFirstGapAndFullSizeMakesThePercent) {
    // File2 missing: File3 is never read. FullSize far above the truth: the figure stays low.
    WriteSetupDescription("1000000000", {"Data.zip", "patch.zip", "", "scripts.zip"});
    wizard.uninstaller = false;
    Install();
    EXPECT_TRUE(Exists("data\\Data.txt"));
    EXPECT_TRUE(Exists("patch.txt"));
    EXPECT_FALSE(Exists("scripts\\scripts.txt"));
    EXPECT_FALSE(Exists("Unregmvt.txt")) << "the uninstaller was not chosen";
    EXPECT_LT(Progress.LastPercent, 1);
    EXPECT_GT(Progress.DoneSize, 0);
}

TEST_F(InstallationRunTest, WithoutFile0NothingIsUnpackedButTheRestIsDone) {
    WriteSetupDescription("", {"", "Data.zip"});
    Install();
    EXPECT_FALSE(Exists("data\\Data.txt"));
    EXPECT_TRUE(Exists("Unregmvt.txt"));
    EXPECT_TRUE(Exists("morvath.ini"));
    EXPECT_EQ(wizard.finishScreens, 1);
    EXPECT_EQ(Progress.FullSize, kDefaultFullSize);
}

TEST_F(InstallationRunTest, ExactFullSizeClosesTheRingWithTheLastArchive) {
    // Each archive: its two files' bytes, plus its three entries (the two files and the
    // folder entry), which the directory read reports.
    const double data = 51200 + std::string("from Data.zip").size() + 3;
    const double patch = 51200 + std::string("from patch.zip").size() + 3;
    WriteSetupDescription(std::to_string(static_cast<long long>(data + patch)),
                          {"Data.zip", "patch.zip"});
    wizard.uninstaller = false;
    Install();
    EXPECT_EQ(Progress.DoneSize, data + patch);
    EXPECT_EQ(Progress.LastPercent, 100);
}

TEST_F(InstallationRunTest, CancelMarkAlreadySetStopsAfterThePreparationAndUndoesIt) {
    WriteSetupDescription("", kRuleExamples);
    const std::string list =
        "[SetupFiles]\r\nF1=x\r\n[ShortCuts]\r\nShCut#1=y\r\n[Keep]\r\nA=1\r\n";
    stagetest::WriteFile(wizard.installDir + "\\unreglst.ini", list);
    wizard.leave = true;
    Install();
    EXPECT_EQ(runtest::FileBytes(wizard.installDir + "\\unreglst.ini"), list) << "as it was";
    EXPECT_FALSE(Exists("cache")) << "the game folders it made went again";
    EXPECT_FALSE(Exists("data\\Data.txt"));
    EXPECT_FALSE(Exists("morvath.ini"));
    EXPECT_EQ(wizard.finishScreens, 0);
    EXPECT_TRUE(installation->Outcome().undone);
    EXPECT_EQ(Form10->Label1->Caption(), "Отмена установки...");
    EXPECT_FALSE(Form10->Label3->Visible()) << "no file name while undoing";
}

TEST_F(InstallationRunTest, ConfirmedCancelDuringUnpackingStopsAtTheNextArchiveAndUndoesAll) {
    WriteSetupDescription("", kRuleExamples);
    wizard.leaveOnCloseRequest = true;
    // The user closes the progress screen while the first archive is being unpacked.
    auto progress = Form10->ZipUnpacker1->OnItemProgress;
    bool asked = false, finished = false;
    Form10->ZipUnpacker1->OnItemProgress = [&](TObject* sender, const std::string& item,
                                               uint64_t total, int perCent) {
        if (!asked && item.find("Data.txt") != std::string::npos) {
            PostMessageA(Form10->Handle(), WM_CLOSE, 0, 0);
            asked = true;
        }
        finished = finished || item.find("more.dat") != std::string::npos;
        if (item.find("tempsave") != std::string::npos) ADD_FAILURE() << "the next archive began";
        progress(sender, item, total, perCent);
    };
    const testsupport::Tree before = testsupport::ReadTree(scratch_);
    const std::string registry = stagetest::ProductRegistry();
    Install();
    EXPECT_EQ(wizard.closeRequests, 1);
    EXPECT_TRUE(finished) << "the archive under way was finished";
    EXPECT_TRUE(Form10->Visible()) << "the progress screen refused to close";
    EXPECT_EQ(testsupport::TreeChanges(before, testsupport::ReadTree(scratch_)), "");
    EXPECT_EQ(stagetest::ProductRegistry(), registry);
    EXPECT_EQ(wizard.finishScreens, 0);
}

// Where nobody can choose to keep a part of it (switches), an installation that left files
// out is undone after its last stage: every file it replaced, every ini entry, link and
// registry value is as it was. In the wizard the same run stays, as the user chose.
TEST_F(InstallationRunTest, AnIncompleteRunIsUndoneUnlessTheUserChoseToKeepIt) {
    WriteSetupDescription("", {"Data.zip", "Nowhere.zip", "patch.zip"});
    wizard.desktop = true;
    Form10->ZipUnpacker1->SetUnattended(true);
    const std::string dir = wizard.installDir;
    mvt::ForceDirectories(dir + "\\data");
    stagetest::WriteFile(dir + "\\data\\Data.txt", "the user's older copy");
    stagetest::WriteFile(dir + "\\mine.txt", "the user's own");
    stagetest::WriteFile(dir + "\\morvath.ini", "[Local]\r\nLanguage=Russian\r\nMine=1\r\n");
    stagetest::WriteFile(desktop_ + "\\" + stagetest::kStartLink, "an older link");
    stagetest::SetString(HKEY_LOCAL_MACHINE, stagetest::kAppPathGame, "Install", "C:\\Before\\");
    stagetest::SetString(HKEY_LOCAL_MACHINE, stagetest::kAppPathGame, "Foreign", "kept");
    const testsupport::Tree before = testsupport::ReadTree(scratch_);
    const std::string registry = stagetest::ProductRegistry();

    const auto unattended = mvt::setup::Installation::OnProgressScreen(wizard, noLog, false);
    Form10->OnInstall = [&] { unattended->Run(); };
    Install();
    EXPECT_TRUE(unattended->Outcome().undone);
    EXPECT_FALSE(unattended->Outcome().finished);
    EXPECT_TRUE(unattended->Outcome().undoFailures.empty())
        << testing::PrintToString(unattended->Outcome().undoFailures);
    EXPECT_EQ(wizard.finishScreens, 0);
    EXPECT_EQ(testsupport::TreeChanges(before, testsupport::ReadTree(scratch_)), "");
    EXPECT_EQ(stagetest::ProductRegistry(), registry);
    EXPECT_EQ(Form10->Label1->Caption(), "Отмена установки...");

    // The wizard keeps it; what it replaced is gone with the journal.
    Form10->OnInstall = [this] { installation->Run(); };
    Install();
    EXPECT_EQ(wizard.finishScreens, 1);
    EXPECT_FALSE(installation->Outcome().undone);
    EXPECT_EQ(runtest::FileBytes(dir + "\\data\\Data.txt"), "from Data.zip");
    EXPECT_TRUE(Exists("patch.txt"));
    EXPECT_EQ(stagetest::ReadLink(desktop_ + "\\" + stagetest::kStartLink).target,
              dir + "\\morvath.exe");
    const testsupport::Tree kept = testsupport::ReadTree(dir);
    for (const auto& [key, facts] : kept.files)
        EXPECT_EQ(facts.path.find(".~mvt"), std::string::npos) << facts.path;
    EXPECT_FALSE(stagetest::KeyExists(HKEY_LOCAL_MACHINE, mvt::install::kJournalsKey));
}

// A record stage the system refuses ends the run, and what the run had done goes again
// before the failure is shown.
TEST_F(InstallationRunTest, ARefusedRecordUndoesTheRunBeforeItIsShown) {
    WriteSetupDescription("", {"Data.zip"});
    const testsupport::Tree before = testsupport::ReadTree(scratch_);
    stagetest::RefuseWrites(HKEY_LOCAL_MACHINE, stagetest::kAppPathMain);
    const std::string registry = stagetest::ProductRegistry();
    EXPECT_THROW(Install(), mvt::ERegistryException);
    EXPECT_TRUE(installation->Outcome().undone);
    EXPECT_EQ(testsupport::TreeChanges(before, testsupport::ReadTree(scratch_)), "");
    EXPECT_EQ(stagetest::ProductRegistry(), registry);
}

TEST_F(InstallationRunTest, DeclinedCancelLetsTheRunGoOn) {
    WriteSetupDescription("", {"Data.zip", "patch.zip"});
    PostMessageA(Form10->Handle(), WM_CLOSE, 0, 0);
    Install();
    EXPECT_EQ(wizard.closeRequests, 1);
    EXPECT_TRUE(Exists("patch.txt"));
    EXPECT_EQ(wizard.finishScreens, 1);
}

}  // namespace
