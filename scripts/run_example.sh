#!/usr/bin/env bash
# Builds meridian and runs the post-processing job on the bundled example
# listing, answering the scale-factor question with 10. The Tecplot files are
# written to examples/run/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/ensure_tools.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMERIDIAN_TESTS=OFF >/dev/null
cmake --build "$root/build/release" --target meridian
rm -rf "$root/examples/run" && mkdir -p "$root/examples/run"
cp "$root/examples/n3dhsp" "$root/examples/run/"
cd "$root/examples/run"
echo 10 | "$root/build/release/meridian"
echo
echo "Tecplot files written to examples/run/:"
ls -l "$root/examples/run"
