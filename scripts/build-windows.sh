#!/usr/bin/env bash
# Cross-builds Talvero for 64-bit Windows into build/windows: the window talvero.exe, the
# converter talvero-convert.exe and their test suites, and packs
# build/windows/talvero-<version>-win64.zip with both programs, README.txt and the licences
# of Talvero and of every library linked into them (scripts/windows-licenses.sh).
# libjpeg-turbo, libtiff and libpng are built static from Debian's own source packages,
# GoogleTest from /usr/src/googletest, Qt 6 from Debian's qt6-base source package
# (scripts/build-qt-windows.sh); they are kept outside the checkout (~/.cache/talvero/), so
# that every later run on this machine reuses them (remove a folder there to rebuild it).
#   scripts/build-windows.sh                 everything
#   scripts/build-windows.sh --dependencies  only the libraries and Qt (the caches)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/windows-sources.sh"
. "$root/scripts/stage.sh"
out=$root/build/windows
jobs=$(nproc)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
# Bump when the way the dependencies are built changes, so that old caches are rebuilt.
recipe=4

"$root/scripts/install-packages.sh" "$root/scripts/packages-windows.txt"

# The libraries' cache is keyed by the versions of their source packages, so that a Debian
# fix of one of them is built into the next zip.
mkdir -p "$talvero_cache"
prepare_source_lists
dep_sources=()
for name in libjpeg-turbo tiff libpng1.6; do
  version=$(newest_source_version "$name")
  [ -n "$version" ] || { echo "Debian's source lists offer no $name" >&2; exit 1; }
  dep_sources+=("$name=$version")
done
deps=$talvero_cache/windows-deps-r$recipe-$(printf '%s\n' "${dep_sources[@]}" | sha256sum | cut -c1-12)

# Nothing here runs Wine; should anything do so, it stays out of the user's own prefix.
export WINEPREFIX=${WINEPREFIX:-$out/wineprefix}

launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cross=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTALVERO_WINDOWS_DEPS="$deps" "${launcher[@]}")

build_deps() {
  local work=$out/deps-build
  rm -rf "$deps" "$work" "$out/sources"
  mkdir -p "$deps" "$work"
  fetch_sources "$out/sources" "${dep_sources[@]}"
  echo "== libjpeg-turbo, libtiff, libpng and GoogleTest for Windows (static, into $deps)"
  local common=("${cross[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$deps"
                -DBUILD_SHARED_LIBS=OFF)

  quietly "$work/jpeg.log" cmake -S "$out/sources/libjpeg-turbo" -B "$work/jpeg" "${common[@]}" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF -DREQUIRE_SIMD=ON
  quietly "$work/jpeg-build.log" cmake --build "$work/jpeg" -j"$jobs" --target jpeg-static
  # Only the library and its headers: the tools are not needed.
  mkdir -p "$deps/lib" "$deps/include"
  cp "$work/jpeg/libjpeg.a" "$deps/lib/"
  cp "$work/jpeg/jconfig.h" "$out/sources/libjpeg-turbo/jerror.h" \
     "$out/sources/libjpeg-turbo/jmorecfg.h" "$out/sources/libjpeg-turbo/jpeglib.h" "$deps/include/"

  local off=()
  for feature in tiff-tools tiff-tests tiff-contrib tiff-docs tiff-opengl cxx jbig lzma zstd \
                 webp lerc libdeflate jpeg12 pixarlog; do
    off+=(-D$feature=OFF)
  done
  quietly "$work/tiff.log" cmake -S "$out/sources/tiff" -B "$work/tiff" "${common[@]}" "${off[@]}" \
    -Djpeg=ON -Dzlib=ON -DJPEG_INCLUDE_DIR="$deps/include" -DJPEG_LIBRARY="$deps/lib/libjpeg.a"
  quietly "$work/tiff-build.log" cmake --build "$work/tiff" -j"$jobs"
  quietly "$work/tiff-install.log" cmake --install "$work/tiff"

  quietly "$work/png.log" cmake -S "$out/sources/libpng1.6" -B "$work/png" "${common[@]}" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON \
    -DSKIP_INSTALL_FILES=ON
  quietly "$work/png-build.log" cmake --build "$work/png" -j"$jobs"
  quietly "$work/png-install.log" cmake --install "$work/png"

  quietly "$work/gtest.log" cmake -S /usr/src/googletest -B "$work/gtest" "${common[@]}" \
    -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
  quietly "$work/gtest-build.log" cmake --build "$work/gtest" -j"$jobs"
  quietly "$work/gtest-install.log" cmake --install "$work/gtest"

  # CLI11 is header-only; its headers are copied so that the cross build never looks into
  # the build machine's /usr/include.
  cp -r /usr/include/CLI "$deps/include/"
  mkdir -p "$deps/lib/cmake/CLI11"
  cat >"$deps/lib/cmake/CLI11/CLI11Config.cmake" <<'CMAKE'
if(NOT TARGET CLI11::CLI11)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${CMAKE_CURRENT_LIST_DIR}/../../../include")
endif()
CMAKE
  ls "$out/sources"/*.dsc | xargs -n1 basename >"$deps/versions"
  # Written last: a build cut short is redone, never half used.
  echo "$recipe" >"$deps/recipe"
  # Caches of older versions or recipes are of no further use.
  find "$talvero_cache" -maxdepth 1 -name 'windows-deps-r*' ! -path "$deps" -exec rm -rf {} +
}

# One build of the dependencies at a time on the machine; a second run waits, then reuses it.
exec 9>"$talvero_cache/windows-deps.lock"
flock 9
if [ -f "$deps/recipe" ] && [ "$(cat "$deps/recipe")" = "$recipe" ]; then
  echo "== Windows dependencies: reusing $deps ($(tr '\n' ' ' <"$deps/versions"))"
else
  start=$SECONDS
  build_deps
  took=$((SECONDS - start))
  echo "== stage windows libraries: $((took / 60)) min $((took % 60)) s"
fi

# Kept, shared, while the build reads them: a build of newer versions elsewhere on the machine
# waits before it removes them.
flock -s 9
# TALVERO_WINDOWS_QT links the programs against a Qt of the user's own (the LGPL's promise).
if [ -n "${TALVERO_WINDOWS_QT:-}" ]; then
  qt=$TALVERO_WINDOWS_QT
else
  stage "windows qt" "$root/scripts/build-qt-windows.sh"
  qt=$(qt_windows_prefix)
fi
[ "${1:-}" = --dependencies ] && exit 0

echo "== talvero.exe, talvero-convert.exe and their tests for Windows"
# Qt's moc, rcc and uic (and any later host tool) are the build machine's own.
cmake -S "$root" -B "$out/build" "${cross[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DTALVERO_WINDOWS_QT="$qt" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake" \
  -DTALVERO_BUILD_GUI=ON -DTALVERO_BUILD_TESTS=ON >/dev/null
stage "windows programs and suites" cmake --build "$out/build" -j"$jobs"

programs=("$out/build/app/talvero.exe" "$out/build/cli/talvero-convert.exe")
for exe in "${programs[@]}"; do
  cp "$exe" "$out/"
  # Statically linked: every DLL the program names must be part of Windows itself.
  imports=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }')
  for dll in $imports; do
    case "${dll,,}" in
      kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | ole32.dll | \
      oleaut32.dll | comdlg32.dll | imm32.dll | winmm.dll | version.dll | shlwapi.dll | \
      uxtheme.dll | dwmapi.dll | wtsapi32.dll | setupapi.dll | winspool.drv | shcore.dll | \
      d3d9.dll | d3d11.dll | dxgi.dll | d2d1.dll | dwrite.dll | userenv.dll | netapi32.dll | \
      mpr.dll | authz.dll | msvcrt.dll | ws2_32.dll | bcrypt.dll | ntdll.dll | api-ms-win-*.dll) ;;
      *) echo "$(basename "$exe") needs $dll, which is not part of Windows" >&2; exit 1 ;;
    esac
  done
  echo "$(basename "$exe") imports only Windows DLLs: $(echo $imports)"
done
# A window program: Windows opens no console window beside it.
[ "$(x86_64-w64-mingw32-objdump -p "$out/talvero.exe" | awk '/^Subsystem/ { print $2 }')" = 00000002 ] ||
  { echo "talvero.exe is not a window program" >&2; exit 1; }
# Explorer shows the icon among the program's resources.
x86_64-w64-mingw32-objdump -h "$out/talvero.exe" | grep -q '\.rsrc' ||
  { echo "talvero.exe carries no icon" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$out/build/CMakeCache.txt")
stage=$out/package
rm -rf "$stage"
mkdir -p "$stage"
cp "${programs[@]}" "$stage/"
# Without their symbol tables the programs are half the size.
x86_64-w64-mingw32-strip "$stage"/*.exe
# Windows editors expect CRLF line ends; the byte-order mark tells old Notepads it is UTF-8.
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' "$root/packaging/windows/README.txt"; } >"$stage/README.txt"
"$root/scripts/windows-licenses.sh" "$stage" "$deps"
zip=$out/talvero-$version-win64.zip
rm -f "$zip" "$out"/talvero-convert-*-win64.zip
(cd "$stage" && cmake -E tar cf "$zip" --format=zip talvero.exe talvero-convert.exe README.txt \
  LICENSE.txt licenses)
echo "Built $zip"
