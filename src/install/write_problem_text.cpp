#include "install/write_problem_text.h"

#include "framework/sysutils.h"

namespace mvt::install {

namespace {

constexpr char kWhatToDo[] =
    " и нажмите «ПОВТОРИТЬ» или нажмите «ПРОПУСТИТЬ», чтобы продолжить без этих файлов.";

std::string FileNameOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

std::string MegabytesText(uint64_t bytes, char decimalSeparator) {
    const uint64_t hundredths = bytes * 100 / (1 << 20);  // cut, never rounded up
    std::string text = std::to_string(hundredths / 100) + decimalSeparator;
    const uint64_t fraction = hundredths % 100;
    text += static_cast<char>('0' + fraction / 10);
    text += static_cast<char>('0' + fraction % 10);
    return text + " Мб";
}

std::string DriveOf(const std::string& folder) {
    if (folder.size() >= 2 && folder[1] == ':') return folder.substr(0, 2);
    if (folder.rfind("\\\\", 0) == 0) {
        const size_t share = folder.find('\\', 2);
        const size_t end = share == std::string::npos ? share : folder.find('\\', share + 1);
        return folder.substr(0, end);
    }
    return folder;
}

std::string WriteProblemText(const ArchiveOutcome& outcome, char decimalSeparator) {
    const std::string archive = FileNameOf(outcome.archive);
    const std::string& blocked = outcome.blocked;
    switch (outcome.problem) {
        case WriteProblem::DiskFull:
            return Format(
                       "На диске %s не хватает места для файлов архива %s: нужно ещё %s, "
                       "свободно %s.\rОсвободите место на диске",
                       DriveOf(outcome.destination).c_str(), archive.c_str(),
                       MegabytesText(outcome.MissingBytes(), decimalSeparator).c_str(),
                       MegabytesText(outcome.freeBytes, decimalSeparator).c_str()) +
                   kWhatToDo;
        case WriteProblem::FileInUse:
            return Format(
                       "Файл %s открыт другой программой, и установка не может его "
                       "заменить.\rЗакройте эту программу",
                       blocked.c_str()) +
                   kWhatToDo;
        case WriteProblem::AccessDenied:
            return Format(
                       "Файл или папка %s в каталоге установки закрыты для записи.\rСнимите "
                       "запрет на запись",
                       blocked.c_str()) +
                   kWhatToDo;
        case WriteProblem::None:
            break;
    }
    return Format("Не удалось записать файлов архива %s: %u.", archive.c_str(),
                  static_cast<unsigned>(outcome.missing.size()));
}

std::string FinishErrorsText(const InstallationOutcome& outcome) {
    std::string text;
    if (const uint64_t files = outcome.MissingFiles())
        text = Format("Не установлено файлов: %llu.\r", static_cast<unsigned long long>(files));
    if (const unsigned unreadable = outcome.UnreadableArchives())
        text += Format("Не удалось прочитать архивов: %u.\r", unreadable);
    return text + "Нажмите кнопку «ВЫХОД» для закрытия программы установки.";
}

}  // namespace mvt::install
