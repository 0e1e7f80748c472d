#!/usr/bin/env bash
# Builds everything and runs the whole test suite (unit tests and the reference
# runs of ../shared/golden when that folder is present). With
# MERIDIAN_SANITIZE=1 the build uses AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
MERIDIAN_WITH_FORTRAN=1 MERIDIAN_WITH_VTK=1 MERIDIAN_WITH_BROWSER=1 "$root/scripts/ensure_tools.sh"
if [ "${MERIDIAN_SANITIZE:-0}" = 1 ]; then
  build="$root/build/sanitize"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMERIDIAN_SANITIZE=ON >/dev/null
else
  build="$root/build/test"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
