#!/usr/bin/env bash
# Builds both packages into build/packages/ and checks them:
#   meridian-<version>-Linux-x86_64.deb  (/usr/bin/meridian, manual page, README, licence)
#   meridian-<version>-win64.zip         (meridian.exe, README.md, LICENSE,
#                                         three.js.LICENSE)
# The .deb is checked with dpkg-deb, unpacked into a scratch root and its
# program run; the zip's contents are listed and its program run under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
MERIDIAN_WITH_WINDOWS=1 MERIDIAN_WITH_PACKAGES=1 "$root/scripts/ensure_tools.sh"
out="$root/build/packages"
mkdir -p "$out"
version=$(sed -n 's/^project(meridian VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

# Linux: a Release build of the program alone.
linux="$root/build/release"
cmake -S "$root" -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMERIDIAN_TESTS=OFF >/dev/null
cmake --build "$linux" -j2 --target meridian
(cd "$linux" && cpack -G DEB -B "$out" >/dev/null)
deb="$out/meridian-$version-Linux-x86_64.deb"

# Windows: the build of scripts/build_windows.sh (the program only when it is
# not there yet).
windows="$root/build/windows"
[ -f "$windows/CMakeCache.txt" ] || cmake --preset windows -S "$root" >/dev/null
cmake --build "$windows" -j2 --target meridian
(cd "$windows" && cpack -G ZIP -B "$out" >/dev/null)
zip="$out/meridian-$version-win64.zip"

fail() { echo "make_packages: $*" >&2; exit 1; }

# The .deb: its fields, its files, and the program as installed.
dpkg-deb -I "$deb" >"$out/deb-info.txt"
grep -q "^ Package: meridian$" "$out/deb-info.txt" || fail "no package name in $deb"
grep -q "^ Version: $version$" "$out/deb-info.txt" || fail "not version $version: $deb"
grep -q "^ Depends: .*libc6" "$out/deb-info.txt" || fail "no dependency on libc6 in $deb"
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' | sort >"$out/deb-files.txt"
for file in /usr/bin/meridian /usr/share/man/man1/meridian.1 \
  /usr/share/doc/meridian/README.md /usr/share/doc/meridian/LICENSE \
  /usr/share/doc/meridian/three.js.LICENSE; do
  grep -qx "$file" "$out/deb-files.txt" || fail "$file is not in $deb"
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
dpkg -x "$deb" "$scratch"
[ "$("$scratch/usr/bin/meridian" --version | tr -d '\r')" = "meridian $version" ] ||
  fail "the installed program does not say its version"

# The zip: exactly the program, the README and the licences, in one folder.
cmake -E tar tf "$zip" | sort >"$out/zip-files.txt"
printf '%s\n' "meridian-$version-win64/LICENSE" "meridian-$version-win64/README.md" \
  "meridian-$version-win64/meridian.exe" "meridian-$version-win64/three.js.LICENSE" | diff -u - <(grep -v '/$' "$out/zip-files.txt") ||
  fail "$zip holds other files"
(cd "$scratch" && cmake -E tar xf "$zip")
export WINEDEBUG=-all WINEPREFIX="$windows/wine"
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
[ "$("$wine" "$scratch/meridian-$version-win64/meridian.exe" --version | tr -d '\r')" = \
  "meridian $version" ] || fail "the zipped program does not say its version"
echo "packages checked:"
ls -l "$deb" "$zip"
