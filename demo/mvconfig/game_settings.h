// The settings of "morvath.ini" that the configuration program shows and changes. The file
// belongs to the game: it is read and written only through the private-profile functions,
// key by key, so every other section and key stays as it is.
#pragma once

#include <array>
#include <string>

namespace mvconfig {

constexpr char kSettingsFileName[] = "morvath.ini";
constexpr int kAliasCount = 6;
// The game's drive aliases: the hard-disk one and the five disc ones.
constexpr std::array<const char*, kAliasCount> kAliasNames = {
    "HD0:", "CD1:", "CD2:", "CD3:", "CD4:", "CD5:"};
// The languages offered; a language the file names beyond these is offered too.
constexpr std::array<const char*, 5> kLanguages = {"English", "Russian", "German", "French",
                                                   "Polish"};
constexpr int kLowestMemoryLevel = 1, kHighestMemoryLevel = 4;

struct GameSettings {
    int memoryLevel = 1;
    bool environmentalAudio = false;
    bool footsteps = true;
    std::string language = "English";
    std::array<std::string, kAliasCount> aliases;

    bool operator==(const GameSettings&) const = default;
};

// The full path of "morvath.ini" in the given folder. (A bare file name would make the
// profile functions look in the Windows folder, not in the current one.)
std::string SettingsPath(const std::string& folder);
// The process's current directory, where the configuration program finds the game.
std::string CurrentFolder();

// Reads the settings; a value the file lacks takes what the setup writes (aliases: the
// folder of the file, with a trailing separator).
GameSettings LoadGameSettings(const std::string& path);
// Writes the shown values. Aliases get a trailing separator; a blank one is not written.
// Raises EIniFileException
// "Unable to write to <file>" when the system refuses a write.
void SaveGameSettings(const GameSettings& settings, const std::string& path);

// A path the game can use as an alias: not blank after trimming. Returns the alias with
// one trailing separator, or an empty text when it is unusable.
std::string NormaliseAlias(const std::string& alias);

}  // namespace mvconfig
