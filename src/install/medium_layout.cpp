#include "install/medium_layout.h"

#include <algorithm>

#include "framework/numbers.h"
#include "zip/progress_percent.h"
#include "ziplib179.h"

namespace mvt::install {

namespace {

struct SubfolderRule {
    const char* text;
    const char* folder;
};

// Tested in this order; every matching row replaces the choice so far.
constexpr SubfolderRule kSubfolderRules[] = {
    {"data", "\\data"},
    {"override", "\\override"},
    {"characters", "\\characters"},
    {"ereg", "\\eReg"},
    {"mplayer", "\\mplayer"},
    {"music", "\\music"},
    {"portraits", "\\portraits"},
    {"save", "\\save"},
    {"cache", "\\cache"},
    {"script compiler", "\\script compiler"},
    {"scripts", "\\scripts"},
    {"sounds", "\\sounds"},
    {"temp", "\\temp"},
    {"tempsave", "\\tempsave"},
    {"movies", "\\movies"},
};

}  // namespace

const char* const kGameFolders[13] = {
    "\\cache",   "\\data",   "\\override",  "\\characters", "\\eReg",
    "\\mplayer", "\\music",  "\\portraits", "\\save",       "\\script compiler",
    "\\scripts", "\\sounds", "\\movies"};

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string ArchiveDestination(const std::string& installDir, const std::string& archiveName) {
    const std::string name = AsciiLower(archiveName);
    std::string destination = installDir;
    for (const SubfolderRule& rule : kSubfolderRules)
        if (name.find(rule.text) != std::string::npos) destination = installDir + rule.folder;
    return destination;
}

std::string RuleFolderNamed(const std::string& folder) {
    const std::string wanted = AsciiLower(folder);
    for (const SubfolderRule& rule : kSubfolderRules)
        if (AsciiLower(rule.folder + 1) == wanted) return rule.folder + 1;
    return {};
}

double UsableFullSize(const std::string& text, char decimalSeparator) {
    const std::optional<double> value = ParseNumber(text, decimalSeparator);
    return value && *value > 0 ? *value : kDefaultFullSize;
}

uint64_t DirectoryDoneGrowth(uint32_t entries) {
    uint64_t growth = 0;
    for (uint32_t read = 1; read <= entries; ++read)
        if (zip::ItemPercent(entries, read) == 100) growth += entries;
    return growth;
}

uint64_t ItemDoneGrowth(uint64_t size) {
    uint64_t growth = 0;
    for (uint64_t done = 0; done < size;) {
        done += std::min<uint64_t>(ZL_PROGRESS_CHUNK, size - done);
        if (zip::ItemPercent(size, done) == 100) growth += done;
    }
    return growth;
}

uint64_t ArchiveDoneGrowth(uint32_t entries, const std::vector<uint64_t>& fileSizes) {
    uint64_t growth = DirectoryDoneGrowth(entries);
    for (uint64_t size : fileSizes) growth += ItemDoneGrowth(size);
    return growth;
}

}  // namespace mvt::install
