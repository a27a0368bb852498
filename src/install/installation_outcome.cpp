#include "install/installation_outcome.h"

#include <numeric>

namespace mvt::install {

uint64_t ArchiveOutcome::MissingBytes() const {
    return std::accumulate(
        missing.begin(), missing.end(), uint64_t{0},
        [](uint64_t sum, const MissingEntry& entry) { return sum + entry.size; });
}

bool InstallationOutcome::Complete() const {
    for (const ArchiveOutcome& archive : archives)
        if (!archive.Complete()) return false;
    return !cancelled;
}

uint64_t InstallationOutcome::MissingFiles() const {
    uint64_t files = 0;
    for (const ArchiveOutcome& archive : archives) files += archive.MissingFiles();
    return files;
}

unsigned InstallationOutcome::UnreadableArchives() const {
    unsigned count = 0;
    for (const ArchiveOutcome& archive : archives) count += archive.directoryRead ? 0 : 1;
    return count;
}

}  // namespace mvt::install
