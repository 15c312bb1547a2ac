#!/bin/bash
# Builds copybench for 64-bit Windows and runs it under Wine.
#   bash bench/copybench.sh [build dir] [-- copybench arguments]
# The build dir defaults to build/bench; its Wine prefix is <build dir>/wineprefix.
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build/bench"
if [ $# -gt 0 ] && [ "$1" != "--" ]; then
    build=$(realpath -m "$1")
    shift
fi
[ "${1:-}" = "--" ] && shift

export WINEPREFIX="$build/wineprefix"
source "$root/harness/wine-env.sh"
wine_use host win64

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null || exit 1
cmake --build "$build" --target copybench -j2 || exit 1

wine_ensure_prefix || { echo "copybench: cannot create $WINEPREFIX"; exit 1; }
"$WINE_LOADER" "$build/bin/copybench.exe" "$@"
status=$?
wine_stop_server
exit $status
