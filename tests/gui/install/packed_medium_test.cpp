// The installation run over a medium made by mvtpack: FullSize written by the packer against
// DoneSize as the progress handler grows it from the zip component's real reports.
#include <algorithm>

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

// A medium whose game's film is over 4 GiB: mvtpack packed it with Zip64 records, and the
// run unpacks it onto drive D:, a RAM disk of the test's own. The percent grows with the film
// instead of jumping, and ends at 100 with the last report, as FullSize says.
class HugeMediumTest : public PackedMediumTest {};

TEST_F(HugeMediumTest, AFilmOverFourGiBInstalls) {
    constexpr uint64_t kFilmSize = (uint64_t{4} << 30) + (1 << 20) + 3;
    const runtest::PackedDescription packed = runtest::ReadPackedDescription(MVT_HUGE_MEDIUM);
    runtest::ListPackedArchives(packed);
    wizard.installDir = "D:\\Morvath Trilogy";
    ASSERT_TRUE(CreateDirectoryA(wizard.installDir.c_str(), nullptr)) << "no drive D:";
    wizard.uninstaller = false;
    std::vector<int> shown;  // the percent figure while the film is unpacked
    auto progress = Form10->ZipUnpacker1->OnItemProgress;
    Form10->ZipUnpacker1->OnItemProgress = [&](TObject* sender, const std::string& item,
                                               uint64_t total, int perCent) {
        progress(sender, item, total, perCent);
        if (item.ends_with("film.mve")) shown.push_back(std::stoi(Form10->Label4->Caption()));
    };
    Form10->Show();
    Form10->Install();

    EXPECT_EQ(Progress.FullSize, std::stod(packed.fullSize));
    EXPECT_EQ(Progress.DoneSize, Progress.FullSize);
    EXPECT_EQ(Progress.LastPercent, 100);
    ASSERT_GT(shown.size(), 4096u);
    EXPECT_LT(shown.front(), 5);
    EXPECT_EQ(shown.back(), 100);
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end())) << "no jump up and back";
    WIN32_FILE_ATTRIBUTE_DATA film{};
    ASSERT_TRUE(GetFileAttributesExA((wizard.installDir + "\\movies\\film.mve").c_str(),
                                     GetFileExInfoStandard, &film));
    EXPECT_EQ(uint64_t{film.nFileSizeHigh} << 32 | film.nFileSizeLow, kFilmSize);
    EXPECT_TRUE(wizard.finished.Complete());
}

}  // namespace
