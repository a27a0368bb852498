// Everything the user sees of an installation run goes out through this display: the
// progress screen draws it; an installation without windows hands the run one that draws
// nothing. The run and its stages never reach a screen's controls themselves.
#pragma once

#include <string>

#include "install/installation_outcome.h"
#include "install/stage_host.h"

namespace mvt::install {

enum class WriteProblemAnswer { Retry, Skip };

class InstallDisplay : public StageDisplay {
  public:
    // Entries of an archive could not be written for a cause the user can remove (the
    // outcome's problem): unpack it again once the user has, or go on without them.
    virtual WriteProblemAnswer AskAboutWriteProblem(const ArchiveOutcome& outcome) = 0;
    // Every attempt at an archive, as it ended; nothing to show by default.
    virtual void ArchiveFinished(const ArchiveOutcome&) {}

    // The caption above the percent figure ("Всего установлено..." as the screen starts).
    virtual void SetTotalCaption(const std::string&) {}
    // The name of the item being unpacked; empty text clears it.
    virtual void ShowCurrentFile(const std::string& name) = 0;
    // The whole total percent as a figure, on every report.
    virtual void ShowPercentFigure(int percent) = 0;
    // The ring closed as far as percent, whenever the whole percent changes.
    virtual void ShowRing(int percent) = 0;
    // The file name, the percent figure and "%" go once the listed archives are done.
    virtual void HideFileLabels() = 0;
    virtual void StopAnimation() = 0;
    // The display goes away before the finish screen comes.
    virtual void Close() = 0;
};

// Draws nothing, services no window and does not wait: the fixed pauses between the stages
// are there for a reader of the captions, and an installation without windows has none.
// Nobody is there to remove a cause, so a write problem is never retried.
class SilentDisplay final : public InstallDisplay {
  public:
    WriteProblemAnswer AskAboutWriteProblem(const ArchiveOutcome&) override {
        return WriteProblemAnswer::Skip;
    }
    void SetStatusCaption(const std::string&) override {}
    void ClearTotalCaption() override {}
    void ProcessMessages() override {}
    void Pause(unsigned) override {}
    void ShowCurrentFile(const std::string&) override {}
    void ShowPercentFigure(int) override {}
    void ShowRing(int) override {}
    void HideFileLabels() override {}
    void StopAnimation() override {}
    void Close() override {}
};

}  // namespace mvt::install
