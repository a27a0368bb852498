// The installation run over a medium made by mvtpack: FullSize written by the packer against
// DoneSize as the progress handler grows it from the zip component's real reports.
#include "install/medium_layout.h"
#include "run_fixture.h"
#include "uninstall/removal.h"

using namespace mvt;
using namespace mvt::install;

namespace {

class PackedMediumTest : public runtest::RunTest {
  protected:
    void TearDown() override {
        runtest::RemovePackedArchives();
        RunTest::TearDown();
    }
};

// The whole way: the run unpacks the packed medium and its uninstaller and stores the seal;
// the uninstaller accepts the lists the run left, removes the game, and refuses once the list
// of installed files has changed by one byte.
TEST_F(PackedMediumTest, TheUninstallerTrustsWhatTheRunLeftAndNothingElse) {
    runtest::ListPackedArchives(runtest::ReadPackedDescription());
    // The packed medium's uninstaller archive in place of the run tests' own, for this test.
    struct SwappedArchive {
        std::string path = ProgramFolder() + "Archives\\Unregmvt.zip";
        std::string own = path + ".own";
        SwappedArchive() {
            MoveFileA(path.c_str(), own.c_str());
            CopyFileA((runtest::kPackedMedium + "\\Archives\\Unregmvt.zip").c_str(), path.c_str(),
                      FALSE);
        }
        ~SwappedArchive() {
            DeleteFileA(path.c_str());
            MoveFileA(own.c_str(), path.c_str());
        }
        SwappedArchive(const SwappedArchive&) = delete;
        SwappedArchive& operator=(const SwappedArchive&) = delete;
    } swapped;
    Form10->Show();
    Form10->Install();
    ASSERT_TRUE(Exists("unregmvt.lst"));
    const std::string list = wizard.installDir + "\\unregmvt.lst";
    const uninstall::Preparation accepted = uninstall::PrepareUninstall(wizard.installDir);
    ASSERT_TRUE(accepted.ok) << accepted.refusal;
    EXPECT_FALSE(accepted.input.shortcuts.empty());

    const std::string text = runtest::FileBytes(list);
    std::string changed = text;
    changed[changed.size() / 2] ^= 0x20;
    std::ofstream(list, std::ios::binary | std::ios::trunc) << changed;
    EXPECT_FALSE(uninstall::PrepareUninstall(wizard.installDir).ok);
    std::ofstream(list, std::ios::binary | std::ios::trunc) << text;

    const uninstall::RemovalReport report =
        uninstall::RemoveInstallation(accepted.input, wizard.installDir + "\\unregmvt.exe");
    EXPECT_TRUE(report.Complete()) << (report.failures.empty() ? "" : report.failures.front());
    EXPECT_FALSE(Exists("data\\area.bif"));
    EXPECT_FALSE(Exists("data")) << "a game folder the run made";
}

TEST_F(PackedMediumTest, ThePercentReachesOneHundredWithTheLastListedArchive) {
    const runtest::PackedDescription packed = runtest::ReadPackedDescription();
    ASSERT_EQ(packed.files.size(), 7u) << runtest::kPackedMedium;
    const std::vector<std::string> listed = runtest::ListPackedArchives(packed);
    wizard.uninstaller = false;

    // What the screen shows before the last listed archive starts, and DoneSize then.
    const std::string last = ProgramFolder() + "Archives\\" + listed.back();
    std::string shownBeforeLast;
    double doneBeforeLast = -1;
    auto progress = Form10->ZipUnpacker1->OnItemProgress;
    Form10->ZipUnpacker1->OnItemProgress = [&](TObject* sender, const std::string& item,
                                               uint64_t total, int perCent) {
        if (doneBeforeLast < 0 && Form10->ZipUnpacker1->ZipFileName() == last) {
            doneBeforeLast = Progress.DoneSize;
            shownBeforeLast = Form10->Label4->Caption();
        }
        progress(sender, item, total, perCent);
    };
    Form10->Show();
    Form10->Install();

    EXPECT_EQ(Progress.FullSize, std::stod(packed.fullSize));
    EXPECT_EQ(Progress.DoneSize, Progress.FullSize) << "every byte FullSize counts was reported";
    EXPECT_EQ(Progress.LastPercent, 100);
    EXPECT_EQ(Form10->Label4->Caption(), "100");
    ASSERT_GE(doneBeforeLast, 0) << "the last archive was never read";
    EXPECT_LT(doneBeforeLast, Progress.FullSize);
    EXPECT_NE(shownBeforeLast, "100") << "not before the last listed archive";
    EXPECT_TRUE(Exists("data\\area.bif"));
    EXPECT_TRUE(Exists("sounds\\big.wav"));
    EXPECT_TRUE(Exists("save\\Слот 1\\a.gam"));
}

}  // namespace
