# Sourced by the benchmark scripts that run whole processes under Wine: the repository, the
# build folder and its prefix, and a wineserver already up, so that no timed round pays for
# the prefix's start. Figures are printed with a decimal point whatever the user's locale.
export LC_ALL=C.UTF-8
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD="${MVT_BUILD_DIR:-$ROOT/build}"
export WINEPREFIX="${WINEPREFIX:-$BUILD/wineprefix}"
"$ROOT/tools/wine-run" cmd /c exit >/dev/null 2>&1 || true
