// What the installation stages need from the run that calls them: the user's choices and
// the progress screen's status display. The run's screen implements both from its controls,
// so that this layer never reaches into a wizard screen.
#pragma once

#include <windows.h>

#include <string>

namespace mvt::install {

// The user's choices, read each time a stage needs them.
class WizardChoices {
  public:
    virtual ~WizardChoices() = default;
    // Name of the Start-menu program group folder.
    virtual std::string ProgramGroupName() const = 0;
    // Whether the program group with its shortcuts is made at all: the screens always make
    // it; an installation started with switches may leave it out.
    virtual bool ProgramGroupChosen() const { return true; }
    virtual bool DesktopShortcutChosen() const = 0;
    virtual bool UninstallerChosen() const = 0;
};

// The record stages, in the run's order.
enum class RecordStage { Registry, ProgramGroup, Settings };

// The progress screen as the stages use it between their steps.
class StageDisplay {
  public:
    virtual ~StageDisplay() = default;
    virtual void SetStatusCaption(const std::string& caption) = 0;
    // Empties the caption above the percent figure once the unpacking is over.
    virtual void ClearTotalCaption() = 0;
    // Handles every pending window message, then returns.
    virtual void ProcessMessages() = 0;
    // A fixed pause between stages; the windows are not serviced meanwhile.
    virtual void Pause(unsigned milliseconds) { Sleep(milliseconds); }
    // A record stage has ended, having written everything or raised: what it left can be
    // read back now. Must not raise.
    virtual void RecordStageEnded(RecordStage, const std::string& /*installDir*/) noexcept {}
};

}  // namespace mvt::install
