// Writes the system refuses while the run unpacks, made for real: drive D: is a small RAM
// disk of the test's own (small_drive.sh) that the test fills, a file is held open without
// sharing. The write-problem question is answered from a timer, as a user would, after the
// test has (or has not) removed the cause.
#include <windows.h>

#include "framework/stdctrls.h"
#include "install/write_problem_text.h"
#include "run_fixture.h"

using namespace mvt;
using namespace mvt::install;

namespace {

constexpr char kSmallDrive[] = "D:\\";

uint64_t FreeOn(const std::string& folder) {
    ULARGE_INTEGER available{};
    GetDiskFreeSpaceExA(folder.c_str(), &available, nullptr, nullptr);
    return available.QuadPart;
}

class WriteProblemTest : public runtest::RunTest {
  protected:
    void SetUp() override {
        RunTest::SetUp();
        wizard.uninstaller = false;
        packed = runtest::ReadPackedDescription();
        runtest::ListPackedArchives(packed);
    }
    void TearDown() override {
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        stagetest::RemoveTree(std::string(kSmallDrive) + "Games");
        DeleteFileA(filler.c_str());
        runtest::RemovePackedArchives();
        RunTest::TearDown();
    }

    // Runs the installation; `answer` runs whenever the question shows, with its text, and
    // clicks one of its buttons (or closes it).
    void Install(const std::function<void(TWriteProblemDialog&)>& answer) {
        auto* timer = Form10->Make<TTimer>();
        timer->SetInterval(50);
        // MVT_QUESTION_SECONDS keeps the question up that long, for a screenshot by hand.
        const char* seconds = getenv("MVT_QUESTION_SECONDS");
        const DWORD linger = seconds ? static_cast<DWORD>(atoi(seconds)) * 1000 : 0;
        DWORD shown = 0;
        timer->OnTimer = [&](TObject*) {
            TWriteProblemDialog& dialog = *Form10->WriteProblemDialog1;
            if (!dialog.Visible() || !dialog.Modal()) return;
            if (!shown) shown = GetTickCount();
            if (GetTickCount() - shown < linger) return;
            shown = 0;
            questions.push_back(dialog.Label1->Caption());
            answer(dialog);
        };
        Form10->Show();
        Form10->Install();
        Form10->FreeComponent(timer);
    }
    static void Press(TWinControl& button) {
        const LPARAM at = MAKELPARAM(button.Width() / 2, button.Height() / 2);
        PostMessageA(button.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(button.Handle(), WM_LBUTTONUP, 0, at);
    }
    void HoldWithoutSharing(const std::string& relative) {
        const std::string path = wizard.installDir + "\\" + relative;
        ForceDirectories(ExtractFilePath(path));
        stagetest::WriteFile(path, "an older file the game holds open");
        held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
    }
    void Release() {
        CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
    }
    void ExpectEveryFileInstalled() { runtest::ExpectPackedGameIn(wizard.installDir); }

    runtest::PackedDescription packed;
    std::vector<std::string> questions;
    HANDLE held = INVALID_HANDLE_VALUE;
    std::string filler = std::string(kSmallDrive) + "filler.bin";
};

TEST_F(WriteProblemTest, AFullDriveIsAskedAboutAndRetryAfterMakingRoomInstallsEverything) {
    wizard.installDir = std::string(kSmallDrive) + "Games\\Morvath Trilogy";
    ForceDirectories(wizard.installDir);
    // Room for the small files, not for the 3 MB one: the drive fills during Data.zip.
    const uint64_t free = FreeOn(kSmallDrive);
    ASSERT_GT(free, 8u << 20) << "drive D: is not the test's RAM disk";
    ASSERT_TRUE(stagetest::WriteFiller(filler, free - (1u << 20)));

    Install([&](TWriteProblemDialog& dialog) {
        DeleteFileA(filler.c_str());  // the user makes room
        Press(*dialog.SkBmpButton1);
    });

    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].rfind("На диске D: не хватает места для файлов архива Data.zip", 0), 0u)
        << questions[0];
    EXPECT_NE(questions[0].find("Освободите место"), std::string::npos) << questions[0];
    ExpectEveryFileInstalled();
    EXPECT_TRUE(wizard.finished.Complete());
    // The archive was unpacked twice but counted once.
    EXPECT_EQ(Progress.DoneSize, std::stod(packed.fullSize));
    EXPECT_EQ(Progress.LastPercent, 100);
}

TEST_F(WriteProblemTest, AFileInUseIsNamedAndRetryAfterClosingItReplacesIt) {
    HoldWithoutSharing("data\\area.bif");
    Install([&](TWriteProblemDialog& dialog) {
        Release();  // the user closes the game
        Press(*dialog.SkBmpButton1);
    });
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].rfind("Файл area.bif открыт другой программой", 0), 0u) << questions[0];
    ExpectEveryFileInstalled();
    EXPECT_TRUE(wizard.finished.Complete());
    EXPECT_EQ(Form10->Label1->Caption(), "Создание файла настроек...");
}

TEST_F(WriteProblemTest, SkipGoesOnWithoutTheFileAndTheFinishScreenIsToldWhatIsMissing) {
    HoldWithoutSharing("data\\area.bif");
    Install([&](TWriteProblemDialog& dialog) { Press(*dialog.SkBmpButton2); });
    ASSERT_EQ(questions.size(), 1u);
    Release();
    EXPECT_EQ(runtest::FileBytes(wizard.installDir + "\\data\\area.bif"),
              "an older file the game holds open")
        << "the file in use keeps what it had";
    EXPECT_EQ(runtest::FileBytes(wizard.installDir + "\\sounds\\big.wav"),
              runtest::FileBytes(runtest::kPackedGame + "\\Sounds\\big.wav"))
        << "the later archives were unpacked";
    EXPECT_TRUE(Exists("morvath.ini")) << "the records and settings follow as always";
    EXPECT_EQ(wizard.finishScreens, 1);
    EXPECT_FALSE(wizard.finished.Complete());
    EXPECT_EQ(wizard.finished.MissingFiles(), 1u);
    EXPECT_EQ(FinishErrorsText(wizard.finished),
              "Не установлено файлов: 1.\rНажмите кнопку «ВЫХОД» для закрытия программы "
              "установки.");
}

TEST_F(WriteProblemTest, ACloseRequestOnTheQuestionLeadsToTheCancelConfirmation) {
    HoldWithoutSharing("data\\area.bif");
    wizard.leaveOnCloseRequest = true;  // the user confirms leaving
    Install([&](TWriteProblemDialog& dialog) { PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0); });
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(wizard.closeRequests, 1);
    EXPECT_EQ(wizard.finishScreens, 0) << "the run stopped at its next checkpoint";
    EXPECT_FALSE(Exists("morvath.ini"));
}

}  // namespace
