// A display that logs what the run shows and hands everything on to the display it wraps:
// each stage's caption, each attempt at an archive with its outcome, each write-problem
// question with its answer, and what each record stage left, read back right after it.
#pragma once

#include <windows.h>

#include <set>
#include <string>

#include "install/install_display.h"
#include "install/install_log.h"

namespace mvt::install {

class LoggingDisplay final : public InstallDisplay {
  public:
    // askUser false: a write problem is never put to the user (nobody may be there to
    // remove its cause); it is logged and the missing entries skipped.
    LoggingDisplay(InstallDisplay& shown, InstallLog& log, bool askUser = true);

    WriteProblemAnswer AskAboutWriteProblem(const ArchiveOutcome& outcome) override;
    void ArchiveFinished(const ArchiveOutcome& outcome) override;
    void SetStatusCaption(const std::string& caption) override;
    void ClearTotalCaption() override { shown_.ClearTotalCaption(); }
    void ProcessMessages() override { shown_.ProcessMessages(); }
    void Pause(unsigned milliseconds) override { shown_.Pause(milliseconds); }
    void RecordStageEnded(RecordStage stage, const std::string& installDir) noexcept override;
    void ShowCurrentFile(const std::string& name) override { shown_.ShowCurrentFile(name); }
    void ShowPercentFigure(int percent) override { shown_.ShowPercentFigure(percent); }
    void ShowRing(int percent) override { shown_.ShowRing(percent); }
    void HideFileLabels() override { shown_.HideFileLabels(); }
    void StopAnimation() override { shown_.StopAnimation(); }
    void Close() override { shown_.Close(); }

  private:
    InstallDisplay& shown_;
    InstallLog& log_;
    bool askUser_;
    ULONGLONG archiveStart_;  // when the current archive's attempt began
    std::set<std::string> captionsLogged_;
};

}  // namespace mvt::install
