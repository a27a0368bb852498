// The percents of the component's progress reports, kept apart from the component's window
// code so that the progress arithmetic of the installation (and of the distribution packer,
// which must predict it) can use them without any window.
#include "zip/progress_percent.h"

namespace mvt::zip {

int ItemPercent(uint64_t size, uint64_t position) {
    if (size == 0 || position == 0) return 0;
    if (size < 214748) return static_cast<int>(position * 100u / size);
    return static_cast<int>(position / (size / 100u));
}

int TotalPercent(int64_t size, int64_t position) {
    if (size <= 0 || position <= 0) return 0;
    return static_cast<int>(100 * position / size);
}

}  // namespace mvt::zip
