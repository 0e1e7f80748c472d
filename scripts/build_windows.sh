#!/usr/bin/env bash
# Builds the 64-bit Windows program build/windows/meridian.exe with MinGW-w64
# (statically linked: it runs on a bare Windows 10 or 11) and runs the test
# suite under Wine in a Wine prefix of its own (build/windows/wine).
#   scripts/build_windows.sh            # build and test
#   scripts/build_windows.sh --no-tests # build only
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
MERIDIAN_WITH_WINDOWS=1 "$root/scripts/ensure_tools.sh"
build="$root/build/windows"
cmake --preset windows -S "$root" >/dev/null
cmake --build "$build" -j2
[ "${1:-}" = "--no-tests" ] && exit 0
export WINEDEBUG=-all WINEPREFIX="$build/wine"
# The first start of Wine makes its prefix (half a minute); done once here,
# not inside a timed test. No Mono or Gecko is asked for.
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  WINEDLLOVERRIDES="mscoree,mshtml=" "$(command -v wine64 || echo /usr/lib/wine/wine64)" wineboot -i >/dev/null 2>&1
fi
ctest --test-dir "$build" --output-on-failure -j2
