#!/usr/bin/env bash
# Makes the download: dist/vlakomluv-VERSION-win64.zip with the release build of
# vlakomluv.exe and vkmcheck.exe (optimised, stripped), the demo line with its
# spoken sounds, the Czech guide (navod.md, and navod.html with its pictures inside it)
# and the licence, in one folder of that name.
#   scripts/package.sh
# The version is the one in VERSION, which the programs' version resource carries too.
# BUILD_DIR names another release build folder (default build-release), DRIVER_BUILD_DIR the
# MinGW build whose test driver takes the guide's pictures (default build-win).
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
# The guide's pictures, taken afresh of these very programs under Wine (tests/e2e/guide_pictures.sh
# drives them as the end-to-end tests do, on a display and prefix of its own), and the guide as one
# page that opens by a double click, the pictures inside it. docs/obrazky keeps a copy for the guide
# and the README in the repository.
drivers=${DRIVER_BUILD_DIR:-build-win}
[ -f "$drivers/CMakeCache.txt" ] ||
    cmake -S . -B "$drivers" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
cmake --build "$drivers" -j"$(nproc)" --target vkm_driver vlakomluv
bash tests/e2e/guide_pictures.sh "$drivers" "$build/package/obrazky" "$build"
# (The page wide enough for the console's 150 columns.)
pandoc docs/navod.md --from gfm --to html5 --standalone --self-contained --resource-path="$build/package" \
    --metadata pagetitle="Vlakomluv – návod" -V lang=cs -V header-includes='<style>body { max-width: 76em; }</style>' \
    --output "$stage/navod.html"
mkdir -p docs/obrazky
cp "$build/package/obrazky/"*.png docs/obrazky/
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
