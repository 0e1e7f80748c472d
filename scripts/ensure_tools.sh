#!/usr/bin/env bash
# Installs the build tools from Debian's packages when they are missing.
set -euo pipefail
needed=()
command -v cmake >/dev/null 2>&1 || needed+=(cmake)
command -v ninja >/dev/null 2>&1 || needed+=(ninja-build)
command -v g++ >/dev/null 2>&1 || needed+=(g++)
[ -f /usr/include/gtest/gtest.h ] || needed+=(libgtest-dev)
if [ "${MERIDIAN_WITH_FORTRAN:-0}" = 1 ] && ! command -v gfortran >/dev/null 2>&1; then
  needed+=(gfortran)
fi
# VTK's readers for the viewer tests; Debian installs them for /usr/bin/python3.
# python3-paraview (pvpython, for the time-series test) brings its own VTK
# module for /usr/bin/python3 and cannot be installed beside python3-vtk9, so
# python3-vtk9 is asked for only where a pvpython from elsewhere is found and
# /usr/bin/python3 has no VTK.
if [ "${MERIDIAN_WITH_VTK:-0}" = 1 ]; then
  if ! command -v pvpython >/dev/null 2>&1; then
    needed+=(python3-paraview)
  elif ! /usr/bin/python3 -c "import vtk" >/dev/null 2>&1; then
    needed+=(python3-vtk9)
  fi
  command -v xvfb-run >/dev/null 2>&1 || needed+=(xvfb)
  # meshio reads the .vtu files too (Python's mesh reader).
  /usr/bin/python3 -c "import meshio" >/dev/null 2>&1 || needed+=(python3-meshio)
  # netCDF's own readers for the tests of the netCDF files: ncdump and the
  # netCDF library for /usr/bin/python3.
  command -v ncdump >/dev/null 2>&1 || needed+=(netcdf-bin)
  /usr/bin/python3 -c "import netCDF4" >/dev/null 2>&1 || needed+=(python3-netcdf4)
fi
# exFAT and FUSE for the tests of results on file systems that refuse names or
# ignore letter case.
if [ "${MERIDIAN_WITH_MOUNTS:-0}" = 1 ]; then
  command -v mount.exfat-fuse >/dev/null 2>&1 || needed+=(exfat-fuse)
  command -v mkfs.exfat >/dev/null 2>&1 || needed+=(exfatprogs)
  [ -f /usr/lib/python3/dist-packages/fusepy.py ] || needed+=(python3-fusepy)
  command -v fusermount >/dev/null 2>&1 || needed+=(fuse3)
fi
# clang and libFuzzer for the fuzz harnesses.
if [ "${MERIDIAN_WITH_FUZZ:-0}" = 1 ]; then
  command -v clang++ >/dev/null 2>&1 || needed+=(clang)
  compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
    needed+=(libclang-rt-14-dev)
fi
# Chromium and node for the browser test of report.html.
if [ "${MERIDIAN_WITH_BROWSER:-0}" = 1 ]; then
  command -v chromium >/dev/null 2>&1 || needed+=(chromium)
  command -v node >/dev/null 2>&1 || needed+=(nodejs)
  command -v npm >/dev/null 2>&1 || needed+=(npm)
fi
# The Windows program: MinGW-w64 (POSIX threads) and Wine to run its tests.
if [ "${MERIDIAN_WITH_WINDOWS:-0}" = 1 ]; then
  command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 || needed+=(g++-mingw-w64-x86-64-posix)
  command -v wine >/dev/null 2>&1 || needed+=(wine)
  [ -x /usr/lib/wine/wine64 ] || command -v wine64 >/dev/null 2>&1 || needed+=(wine64)
  [ -f /usr/src/googletest/CMakeLists.txt ] || needed+=(googletest)
fi
# The .deb: dpkg-shlibdeps finds its dependencies.
if [ "${MERIDIAN_WITH_PACKAGES:-0}" = 1 ]; then
  command -v dpkg-shlibdeps >/dev/null 2>&1 || needed+=(dpkg-dev)
fi
if [ ${#needed[@]} -gt 0 ]; then
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  echo "installing: ${needed[*]}"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${needed[@]}" >/dev/null
fi
# The pinned npm packages of web/ (puppeteer-core drives Debian's chromium; it
# downloads no browser), installed again when the lock file changed.
if [ "${MERIDIAN_WITH_BROWSER:-0}" = 1 ]; then
  web="$(cd "$(dirname "$0")/.." && pwd)/web"
  if [ ! -f "$web/node_modules/.package-lock.json" ] ||
     [ "$web/package-lock.json" -nt "$web/node_modules/.package-lock.json" ]; then
    echo "installing the npm packages of web/"
    (cd "$web" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
  fi
fi
