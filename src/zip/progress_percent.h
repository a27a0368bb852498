// The percents the zip component puts into its progress reports. No window code: the
// installation's progress arithmetic and the distribution packer use them as well.
#pragma once

#include <cstdint>

namespace mvt::zip {

// Item percent in unsigned 32-bit arithmetic; exact below 214748, by hundredths above.
int ItemPercent(uint32_t size, uint32_t position);
// 100 * position / size, 0 unless both are above 0.
int TotalPercent(int64_t size, int64_t position);

}  // namespace mvt::zip
