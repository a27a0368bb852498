// The percents the zip component puts into its progress reports. No window code: the
// installation's progress arithmetic and the distribution packer use them as well.
#pragma once

#include <cstdint>

namespace mvt::zip {

// Item percent: exact below 214748, by hundredths of the size (cut down) above; for sizes
// below 4 GiB the figure of unsigned 32-bit arithmetic.
int ItemPercent(uint64_t size, uint64_t position);
// 100 * position / size, 0 unless both are above 0.
int TotalPercent(int64_t size, int64_t position);

}  // namespace mvt::zip
