// The window /HELP shows: the switches' list in a fixed-width font, so that its columns stay
// aligned, in a box wide enough that no line wraps, with "ОК" to close it (Enter or Escape
// do too).
#pragma once

#include <string>

namespace mvt::setup {

void ShowSwitchesHelp(const std::string& text);

}  // namespace mvt::setup
