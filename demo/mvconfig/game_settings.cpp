#include "game_settings.h"

#include <windows.h>

#include "framework/inifiles.h"
#include "framework/sysutils.h"

using namespace mvt;

namespace mvconfig {

namespace {

constexpr char kGameOptions[] = "Game Options";
constexpr char kLocal[] = "Local";
constexpr char kAlias[] = "Alias";

}  // namespace

std::string SettingsPath(const std::string& folder) {
    return IncludeTrailingBackslash(folder) + kSettingsFileName;
}

std::string CurrentFolder() {
    char folder[MAX_PATH] = {};
    DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
    return length && length < sizeof folder ? std::string(folder, length) : std::string();
}

GameSettings LoadGameSettings(const std::string& path) {
    TIniFile ini(path);
    GameSettings settings;
    settings.memoryLevel = ini.ReadInteger(kGameOptions, "Memory Level", settings.memoryLevel);
    settings.environmentalAudio =
        ini.ReadInteger(kGameOptions, "Environmental Audio", settings.environmentalAudio) != 0;
    settings.footsteps = ini.ReadInteger(kGameOptions, "Footsteps", settings.footsteps) != 0;
    std::string language = Trim(ini.ReadString(kLocal, "Language", settings.language));
    if (!language.empty()) settings.language = language;
    const std::string folder = ExtractFilePath(path);
    for (int i = 0; i < kAliasCount; ++i)
        settings.aliases[i] = ini.ReadString(kAlias, kAliasNames[i], folder);
    return settings;
}

void SaveGameSettings(const GameSettings& settings, const std::string& path) {
    TIniFile ini(path);
    ini.WriteInteger(kGameOptions, "Memory Level", settings.memoryLevel);
    ini.WriteInteger(kGameOptions, "Environmental Audio", settings.environmentalAudio ? 1 : 0);
    ini.WriteInteger(kGameOptions, "Footsteps", settings.footsteps ? 1 : 0);
    // The game and its add-on read their own language key; both follow the one choice.
    ini.WriteString(kLocal, "Language", settings.language);
    ini.WriteString(kLocal, "Language25", settings.language);
    // A blank alias would leave the game without that drive: the file keeps its value.
    for (int i = 0; i < kAliasCount; ++i)
        if (std::string alias = NormaliseAlias(settings.aliases[i]); !alias.empty())
            ini.WriteString(kAlias, kAliasNames[i], alias);
}

std::string NormaliseAlias(const std::string& alias) {
    std::string path = Trim(alias);
    if (path.empty()) return {};
    return IncludeTrailingBackslash(path);
}

}  // namespace mvconfig
