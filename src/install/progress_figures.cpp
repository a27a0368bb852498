#include "install/progress_figures.h"

#include <algorithm>
#include <cfenv>
#include <cmath>

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

std::string AsciiLower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

constexpr long double kPi = 3.141592653589793238462643383279502884L;

}  // namespace

const char* const kGameFolders[13] = {
    "\\cache",   "\\data",   "\\override",  "\\characters", "\\eReg",
    "\\mplayer", "\\music",  "\\portraits", "\\save",       "\\script compiler",
    "\\scripts", "\\sounds", "\\movies"};

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

uint64_t DirectoryDoneGrowth(uint32_t entries) {
    uint64_t growth = 0;
    for (uint32_t read = 1; read <= entries; ++read)
        if (zip::ItemPercent(entries, read) == 100) growth += entries;
    return growth;
}

uint64_t ItemDoneGrowth(uint32_t size) {
    uint64_t growth = 0;
    uint32_t done = 0;
    while (done < size) {
        done += std::min<uint32_t>(ZL_PROGRESS_CHUNK, size - done);
        if (zip::ItemPercent(size, done) == 100) growth += done;
    }
    return growth;
}

uint64_t ArchiveDoneGrowth(uint32_t entries, const std::vector<uint32_t>& fileSizes) {
    uint64_t growth = DirectoryDoneGrowth(entries);
    for (uint32_t size : fileSizes) growth += ItemDoneGrowth(size);
    return growth;
}

double UsableFullSize(const std::string& text, char decimalSeparator) {
    const std::optional<double> value = ParseNumber(text, decimalSeparator);
    return value && *value > 0 ? *value : kDefaultFullSize;
}

int64_t NearestEven(long double value) {
    // llrintl rounds in the current mode, which is to-nearest-even unless someone changed it.
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long long result = std::llrintl(value);
    std::fesetround(mode);
    return result;
}

int TotalPercent(uint32_t totalSize, int32_t perCent, double doneSize, double fullSize) {
    const int64_t share = static_cast<int64_t>(totalSize) * perCent;
    const long double percent = (static_cast<long double>(share) / 100 + doneSize) * 100 /
                                static_cast<long double>(fullSize);
    if (!(percent < 100)) return 100;  // also catches a NaN
    if (percent < static_cast<long double>(INT32_MIN)) return INT32_MIN;
    return static_cast<int>(NearestEven(percent));
}

std::string ShownFileName(const std::string& item) {
    if (item == "*Loading Directory") return {};
    const size_t cut = item.find_last_of("\\:");
    return AsciiLower(cut == std::string::npos ? item : item.substr(cut + 1));
}

RingCover RingCoverFor(double percent, int width, int height) {
    RingCover cover{};
    if (static_cast<long double>(percent) >= 99.8L) {
        cover.whole = true;
        return cover;
    }
    const long double w = width, h = height;
    const long double a = (percent * 0.02L - 1) * kPi / 2;
    const long double b = kPi - a;
    const int topX = static_cast<int>(NearestEven(w * 0.5L));
    cover.first = {static_cast<int>(NearestEven((std::cos(a) + 1) * w * 0.5L)),
                   static_cast<int>(NearestEven((1 - std::sin(a)) * h * 0.5L)), topX, 0};
    cover.second = {topX, 0, static_cast<int>(NearestEven((std::cos(b) + 1) * w * 0.5L)),
                    static_cast<int>(NearestEven((1 - std::sin(b)) * h * 0.5L))};
    return cover;
}

}  // namespace mvt::install
