// The installation run over a medium made by mvtpack: FullSize written by the packer against
// DoneSize as the progress handler grows it from the zip component's real reports.
#include "install/medium_layout.h"
#include "run_fixture.h"

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
                                               uint32_t total, int perCent) {
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
