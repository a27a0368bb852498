// The answers of an installation as an ini file, as Inno-Setup-style installers keep them:
// /SAVEINF writes the choices made, /LOADINF presets a later installation from them.
//
//   [Setup]
//   Lang=ru
//   Dir=C:\Games\Morvath Trilogy
//   Group=Morvath Trilogy
//   NoIcons=0
//   Tasks=desktopicon,uninstaller
#pragma once

#include <string>
#include <vector>

#include "install/wizard_state.h"

namespace mvt::setup {

// The file's answers as the switches they stand for ("/DIR=...", "/TASKS=...", "/NOICONS"),
// so that the command line's parser checks them; a key the file lacks gives none. Sets
// error when the file is not there.
std::vector<std::string> AnswersAsSwitches(const std::string& path, std::string& error);

// Writes what the installation was given into path (a relative path is taken from the
// current folder); an existing file's [Setup] section is replaced. Returns why it could not
// be written, empty when it was.
std::string SaveAnswers(const std::string& path, const install::WizardState& chosen);

}  // namespace mvt::setup
