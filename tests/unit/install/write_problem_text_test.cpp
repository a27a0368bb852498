// The words the user reads after a refused write: sizes, drives, the question's text for
// each cause and the finish screen's lines after an installation that left files out.
#include <gtest/gtest.h>

#include "install/write_problem_text.h"

using namespace mvt::install;

namespace {

ArchiveOutcome Failed(WriteProblem problem, std::vector<uint64_t> sizes) {
    ArchiveOutcome outcome;
    outcome.archive = "E:\\Setup\\Archives\\Movies\\Cinematics.zip";
    outcome.destination = "D:\\Games\\Morvath Trilogy\\movies";
    outcome.directoryRead = true;
    outcome.problem = problem;
    for (uint64_t size : sizes) outcome.missing.push_back({"Cinematics\\x.mve", 7, 5, size});
    return outcome;
}

TEST(WriteProblemText, SizesAreCutToTwoDecimalsWithTheUsersSeparator) {
    EXPECT_EQ(MegabytesText(0, ','), "0,00 Мб");
    EXPECT_EQ(MegabytesText((1 << 20) - 1, ','), "0,99 Мб") << "never rounded up";
    EXPECT_EQ(MegabytesText(3 * (1 << 20) + 50, '.'), "3.00 Мб");
    EXPECT_EQ(MegabytesText(uint64_t{5000} << 20, ','), "5000,00 Мб");
}

TEST(WriteProblemText, DrivesAndShares) {
    EXPECT_EQ(DriveOf("D:\\Games\\Morvath Trilogy"), "D:");
    EXPECT_EQ(DriveOf("\\\\server\\games\\Morvath"), "\\\\server\\games");
    EXPECT_EQ(DriveOf("\\\\server\\games"), "\\\\server\\games");
}

TEST(WriteProblemText, EachCauseSaysWhatHappenedWhereAndWhatToDo) {
    ArchiveOutcome full = Failed(WriteProblem::DiskFull, {3u << 20, 1u << 19});
    full.freeBytes = 1u << 19;
    EXPECT_EQ(WriteProblemText(full, ','),
              "На диске D: не хватает места для файлов архива Cinematics.zip: нужно ещё "
              "3,50 Мб, свободно 0,50 Мб.\rОсвободите место на диске и нажмите «ПОВТОРИТЬ» или "
              "нажмите «ПРОПУСТИТЬ», чтобы продолжить без этих файлов.");
    ArchiveOutcome inUse = Failed(WriteProblem::FileInUse, {10});
    inUse.blocked = "Cinematics\\x.mve";
    EXPECT_EQ(
        WriteProblemText(inUse, ',')
            .rfind("Файл Cinematics\\x.mve открыт другой программой, и установка не может его "
                   "заменить.\rЗакройте эту программу и нажмите «ПОВТОРИТЬ»",
                   0),
        0u);
    ArchiveOutcome refused = Failed(WriteProblem::AccessDenied, {10});
    refused.blocked = "Cinematics";
    EXPECT_EQ(WriteProblemText(refused, ',')
                  .rfind("Файл или папка Cinematics в каталоге установки закрыты для записи.", 0),
              0u);
}

TEST(FinishErrorsText, CountsMissingFilesAndUnreadableArchives) {
    InstallationOutcome outcome;
    outcome.archives.push_back(Failed(WriteProblem::None, {1, 2}));
    ArchiveOutcome unreadable;
    unreadable.result = 10112;  // the archive could not be opened: no file is known
    outcome.archives.push_back(unreadable);
    ArchiveOutcome complete;
    complete.directoryRead = true;
    complete.files = 9;
    outcome.archives.push_back(complete);
    EXPECT_FALSE(outcome.Complete());
    EXPECT_EQ(outcome.MissingFiles(), 2u);
    EXPECT_EQ(FinishErrorsText(outcome),
              "Не установлено файлов: 2.\rНе удалось прочитать архивов: 1.\rНажмите кнопку "
              "«ВЫХОД» для закрытия программы установки.");
    outcome.archives.erase(outcome.archives.begin());
    EXPECT_EQ(FinishErrorsText(outcome),
              "Не удалось прочитать архивов: 1.\rНажмите кнопку «ВЫХОД» для закрытия программы "
              "установки.")
        << "no count of files nobody could list";
    outcome.archives.erase(outcome.archives.begin());
    EXPECT_TRUE(outcome.Complete());
}

}  // namespace
