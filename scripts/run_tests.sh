#!/usr/bin/env bash
# Builds everything and runs the whole test suite (unit tests and the reference
# runs of ../shared/golden when that folder is present). With
# MERIDIAN_SANITIZE=1 the build uses AddressSanitizer and UndefinedBehaviorSanitizer,
# with MERIDIAN_SANITIZE=thread ThreadSanitizer.
# With the mounts of exfat-fuse and FUSE (root, /dev/fuse), the file-system
# tests run too.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
MERIDIAN_WITH_FORTRAN=1 MERIDIAN_WITH_VTK=1 MERIDIAN_WITH_MOUNTS=1 MERIDIAN_WITH_BROWSER=1 "$root/scripts/ensure_tools.sh"
if [ "${MERIDIAN_SANITIZE:-0}" = thread ]; then
  # Every race reported ends the test that met it.
  export TSAN_OPTIONS="halt_on_error=1 abort_on_error=1 ${TSAN_OPTIONS:-}"
  build="$root/build/tsan"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMERIDIAN_TSAN=ON >/dev/null
elif [ "${MERIDIAN_SANITIZE:-0}" = 1 ]; then
  # MERIDIAN_BUILD_TYPE=RelWithDebInfo: the same at -O2, where GCC's
  # flow-based warnings see more.
  type="${MERIDIAN_BUILD_TYPE:-Debug}"
  build="$root/build/sanitize"
  [ "$type" = Debug ] || build="$root/build/sanitize-$type"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="$type" -DMERIDIAN_SANITIZE=ON >/dev/null
else
  build="$root/build/test"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
