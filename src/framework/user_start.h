// Starting a program for the signed-in user from a program that runs elevated. Elevated
// through UAC, the process holds the full half of a split token: the user works with the
// limited half, and whatever the process starts itself gets the administrator's rights. So a
// program meant for the user is started by the shell's desktop process (which runs with the
// user's own token), the way installers start the programs they offer to run at their end.
// Where there is no split token (UAC off, the built-in administrator, SYSTEM) or no desktop
// shell to ask (Wine has none), the caller starts the program itself, as before, and is
// told why.
#pragma once

#include <windows.h>

#include <string>

namespace mvt {

// What the decision asks of the system: the seam its tests go through.
class TUserStartSystem {
  public:
    virtual ~TUserStartSystem() = default;
    // The elevation type of this process's token; TokenElevationTypeDefault when the system
    // does not say.
    virtual TOKEN_ELEVATION_TYPE ElevationType() = 0;
    // Starts `program` in `folder` through the desktop shell's process; false with the
    // reason when there is no such shell or it refuses.
    virtual bool StartThroughDesktopShell(const std::string& program, const std::string& folder,
                                          std::string& why) = 0;
};

// The system itself: the process's token, and the desktop window's shell view asked through
// its automation objects (IShellWindows, IShellDispatch2::ShellExecute).
class TSystemUserStart final : public TUserStartSystem {
  public:
    TOKEN_ELEVATION_TYPE ElevationType() override;
    bool StartThroughDesktopShell(const std::string& program, const std::string& folder,
                                  std::string& why) override;
};

struct TUserStartOutcome {
    // Started through the desktop shell, with the user's rights. False: the caller starts
    // the program itself.
    bool throughShell = false;
    // Which way, and why: a line for the log (code page 1251).
    std::string note;
};

// Starts `program` in `folder` with the signed-in user's rights where the token is split and
// the desktop shell takes it; otherwise leaves the start to the caller.
TUserStartOutcome StartAsSignedInUser(TUserStartSystem& system, const std::string& program,
                                      const std::string& folder);

}  // namespace mvt
