#!/usr/bin/env bash
# Refreshes the vendored three.js of the report page from the pinned npm
# packages of web/package-lock.json: bundles what web/three_entry.js names
# (three and its OrbitControls) into one minified classic script defining the
# global THREE, and copies three's licence beside it. The build embeds the
# checked-in file; only this script needs npm.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root/web"
npm ci --no-audit --no-fund
out="$root/third_party/three"
mkdir -p "$out"
node_modules/.bin/esbuild three_entry.js --bundle --minify --format=iife --global-name=THREE \
  --legal-comments=eof --target=es2020 --outfile="$out/three.bundle.min.js"
cp node_modules/three/LICENSE "$out/LICENSE"
node -e 'process.stdout.write("three " + require("./node_modules/three/package.json").version + "\n")' \
  >"$out/VERSION"
echo "third_party/three: $(cat "$out/VERSION"), $(wc -c <"$out/three.bundle.min.js") bytes"
