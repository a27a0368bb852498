// The installation run without any window: a medium packed by mvtpack installed through a
// display that draws nothing and a zip component that shows no box. What it wrote is read
// back from the disk, the registry and the shortcut files.
#include <gtest/gtest.h>
#include <windows.h>

#include "framework/sysutils.h"
#include "setup/installation.h"
#include "run_fixture.h"
#include "stage_fixture.h"

using namespace mvt;
using namespace mvt::install;

namespace {

// The windows of this thread that the program made or that anyone can see.
std::vector<HWND> OwnOrVisibleWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) -> BOOL {
            char name[64] = {};
            GetClassNameA(window, name, sizeof name);
            if (IsWindowVisible(window) || std::string(name).rfind("MVT", 0) == 0)
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

class UnattendedTest : public stagetest::StageTest {
  protected:
    void SetUp() override {
        StageTest::SetUp();
        wizard.installDir = Folder("Games\\Morvath Trilogy");
        wizard.desktop = true;
    }
    void TearDown() override {
        runtest::RemovePackedArchives();
        DeleteFileA((ProgramFolder() + "MVTSetup.ini").c_str());
        StageTest::TearDown();
    }
    // Runs the installation, noting whether a window was there at any report.
    void Install() {
        InstallLog noLog;
        const auto installation = setup::Installation::WithoutWindows(wizard, noLog);
        installation->Unpacker().SetDLLDirectory(MVT_DIST_DIR);
        auto show = installation->Unpacker().OnItemProgress;
        installation->Unpacker().OnItemProgress = [&](TObject* sender, const std::string& item,
                                                      uint64_t total, int perCent) {
            ++reports;
            if (!OwnOrVisibleWindows().empty()) ++reportsWithAWindow;
            show(sender, item, total, perCent);
        };
        installation->Run();
        installation->RaiseRecordFailure();
        progress = installation->Progress();
    }

    runtest::FakeWizard wizard;
    ProgressState progress;
    int reports = 0, reportsWithAWindow = 0;
};

TEST_F(UnattendedTest, InstallsAPackedMediumWithoutAnyWindow) {
    const runtest::PackedDescription packed = runtest::ReadPackedDescription();
    runtest::ListPackedArchives(packed);
    Install();

    EXPECT_GT(reports, 0);
    EXPECT_EQ(reportsWithAWindow, 0) << "no window while unpacking";
    EXPECT_TRUE(OwnOrVisibleWindows().empty()) << "no window after the run";
    // The listed archives make FullSize; the uninstaller's archive counts on top of it.
    EXPECT_GT(progress.DoneSize, std::stod(packed.fullSize)) << "the progress was counted";
    EXPECT_EQ(progress.LastPercent, 100);

    runtest::ExpectPackedGameIn(wizard.installDir);
    EXPECT_TRUE(stagetest::FileExists(wizard.installDir + "\\Unregmvt.txt"))
        << "the uninstaller's archive";

    stagetest::ExpectRecords(wizard.installDir);
    stagetest::ExpectUninstallRecord(wizard.installDir);
    const std::string group = programs_ + "\\" + wizard.group;
    for (const stagetest::Link& link : stagetest::kGroupLinks)
        stagetest::ExpectLink(group + "\\" + link.file, wizard.installDir, link.target);
    stagetest::ExpectLink(group + "\\" + stagetest::kUninstallLink.file, wizard.installDir,
                          stagetest::kUninstallLink.target);
    stagetest::ExpectLink(desktop_ + "\\" + stagetest::kStartLink, wizard.installDir,
                          "morvath.exe");
    EXPECT_EQ(stagetest::IniLines(wizard.installDir + "\\morvath.ini"),
              stagetest::SettingsLines(wizard.installDir + "\\"));
    EXPECT_EQ(wizard.finishScreens, 1) << "the end is the caller's to show, or not";
}

// Nobody is there to choose to go on without the archive: the run goes to its end, tells
// what is missing, and is undone, so that "failed" never also means "installed".
TEST_F(UnattendedTest, AMissingArchiveShowsNoBoxAndTheRunIsUndone) {
    runtest::WriteSetupDescription("", {"packed\\Nowhere.zip"});
    wizard.uninstaller = false;
    wizard.desktop = false;
    const std::string registry = stagetest::ProductRegistry();
    InstallLog noLog;
    const auto installation = setup::Installation::WithoutWindows(wizard, noLog);
    installation->Run();
    EXPECT_TRUE(OwnOrVisibleWindows().empty()) << "the component's box would be a window";
    const InstallationOutcome& outcome = installation->Outcome();
    EXPECT_TRUE(outcome.undone);
    EXPECT_EQ(outcome.UnreadableArchives(), 1u);
    ASSERT_EQ(outcome.archives.size(), 1u);
    EXPECT_NE(outcome.archives[0].result, 0);
    EXPECT_FALSE(outcome.archives[0].messages.empty()) << "the component's message";
    EXPECT_EQ(wizard.finishScreens, 0);
    EXPECT_EQ(installation->Finish(), setup::ExitCode::Failed);
    EXPECT_FALSE(stagetest::FileExists(wizard.installDir + "\\morvath.ini"));
    EXPECT_FALSE(stagetest::FileExists(wizard.installDir + "\\cache"));
    EXPECT_EQ(stagetest::ProductRegistry(), registry);
}

}  // namespace
