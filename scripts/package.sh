#!/usr/bin/env bash
# Makes the download: dist/vlakomluv-VERSION-win64.zip with the release build of
# vlakomluv.exe and vkmcheck.exe (optimised, stripped), the demo line with its
# spoken sounds, the Czech guide and the licence, in one folder of that name.
#   scripts/package.sh
# The version is the one in VERSION, which the programs' version resource carries too.
# BUILD_DIR names another release build folder (default build-release).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

version=$(head -1 VERSION)
name=vlakomluv-$version-win64
build=${BUILD_DIR:-build-release}
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target vlakomluv vkmcheck

stage=$build/package/$name
rm -rf "$build/package"
mkdir -p "$stage"
cp "$build/vlakomluv.exe" "$build/vkmcheck.exe" "$stage/"
cp docs/navod.md "$stage/navod.md"
cp LICENSE "$stage/LICENSE.txt"
bash demo/make_demo.sh "$stage/demo" >/dev/null

mkdir -p dist
rm -f "dist/$name.zip"
python3 - "$build/package" "$name" "dist/$name.zip" <<'PY'
import os, sys, zipfile
root, name, out = sys.argv[1:]
with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
    for folder, dirs, files in os.walk(os.path.join(root, name)):
        dirs.sort()
        for f in sorted(files):
            path = os.path.join(folder, f)
            z.write(path, os.path.relpath(path, root))
PY
echo "dist/$name.zip: $(du -k "dist/$name.zip" | cut -f1) KB"
python3 -m zipfile -l "dist/$name.zip"
