#!/usr/bin/env bash
# Cross-builds Qt 6 for 64-bit Windows, static, from Debian's own qt6-base source package of
# the host's Qt version, once per machine: into the cache named by qt_windows_prefix
# (scripts/windows-sources.sh). A finished build is reused; remove its folder to redo it.
# Only Core, Gui, Widgets and Test, the Windows platform plugin and the Windows Vista style.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/windows-sources.sh"

prefix=$(qt_windows_prefix)
# One build at a time on the machine: a second run (another checkout, CI) waits for the
# first and then reuses what it built.
mkdir -p "$talvero_cache"
exec 9>"$talvero_cache/qt-build.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
  echo "== Qt $(qt_windows_version) for Windows: reusing $prefix"
  exit 0
fi

version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
work=$talvero_cache/qt-build
rm -rf "$work" "$prefix"
mkdir -p "$work"
start=$(date +%s)
prepare_source_lists
fetch_sources "$work/sources" "qt6-base=$version"
src=$work/sources/qt6-base
for patch in "$root"/scripts/qt-windows-patches/*.patch; do
  [ -e "$patch" ] || continue
  echo "   patch $(basename "$patch")"
  patch -d "$src" -p1 --forward --quiet <"$patch"
done

echo "== Qt $(qt_windows_version) for Windows, static (about a quarter of an hour on two cores; log: $work/build.log)"
off=()
# Modules and features the window does not use. Debian's source leaves out the Wintab
# headers (their licence), hence no tablet events; without OpenGL there is no dynamic GL.
for feature in network sql dbus opengl dynamicgl printsupport xml concurrent tabletevent vulkan gif ico jpeg; do
  off+=(-DFEATURE_$feature=OFF)
done
# Nor are these, each a part of the build a new machine would otherwise compile for nothing:
# the Direct2D platform plugin (only the Windows platform is linked in; Direct2D itself stays,
# since the DirectWrite font engine and font database the Windows platform uses are built
# with it), the graphics view, widgets and dialogs the window has none of, ODF/Markdown/PDF
# writing, undo, and the calendars.
for feature in direct2d1_1 graphicsview mdiarea dockwidget calendarwidget datetimeedit splashscreen \
               wizard lcdnumber dial keysequenceedit fontcombobox fontdialog toolbox \
               commandlinkbutton undoview undogroup undostack undocommand textodfwriter \
               textmarkdownreader textmarkdownwriter pdf movie systemtrayicon \
               jalalicalendar islamiccivilcalendar hijricalendar; do
  off+=(-DFEATURE_$feature=OFF)
done
# Qt is optimised for size (-Os), as Qt offers: a third less compiling than -O2 on a new
# machine and a smaller zip; the window's own work (previews, the check tab's views) is
# Talvero's code, optimised as usual.
# Qt's own copies of its libraries: nothing from the build machine ends up in the program.
for lib in zlib png jpeg pcre2 harfbuzz freetype doubleconversion; do
  off+=(-DFEATURE_system_$lib=OFF)
done
quietly "$work/configure.log" cmake -S "$src" -B "$work/build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_gui=ON -DFEATURE_widgets=ON -DFEATURE_testlib=ON -DFEATURE_freetype=ON \
  -DFEATURE_harfbuzz=ON -DFEATURE_png=ON -DFEATURE_style_windowsvista=ON \
  -DFEATURE_optimize_size=ON "${off[@]}"
quietly "$work/build.log" cmake --build "$work/build" --parallel "$(nproc)"
quietly "$work/install.log" cmake --install "$work/build"
rm -rf "$work"
touch "$prefix/.complete"
echo "Qt for Windows built in $(( ($(date +%s) - start) / 60 )) min $(( ($(date +%s) - start) % 60 )) s: $prefix"
