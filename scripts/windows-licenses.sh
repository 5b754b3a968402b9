#!/usr/bin/env bash
# Puts the licences that travel with the Windows programs into the zip's folder: Talvero's own
# as LICENSE.txt, and licenses/ with the licence and copyright text of every library linked
# into talvero.exe or talvero-convert.exe (statically, so each copy of a program carries
# them), with the Debian source package and version it was built from.
#   scripts/windows-licenses.sh STAGE DEPS
# DEPS is the dependency cache (its file "versions" names the source packages built).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
stage=$1
deps=$2

crlf() { sed 's/$/\r/' "$@"; }
# The version of the source package whose .dsc the dependency cache was built from.
built_version() {
  sed -n "s/^$1_\(.*\)\.dsc\$/\1/p" "$deps/versions" | sed 's/^[0-9]*://'
}
# The source package and version of an installed binary package.
installed_source() { dpkg-query -W -f='${source:Package} ${source:Version}' "$1"; }

mkdir -p "$stage/licenses"
crlf "$root/LICENSE" >"$stage/LICENSE.txt"

index=$stage/licenses/README.txt
{
  echo "Libraries linked into talvero.exe and talvero-convert.exe"
  echo "=========================================================="
  echo
  echo "Both programs are linked statically: each carries the libraries below. Every one was"
  echo "built from Debian's own source package of the version named (\"apt-get source"
  echo "NAME=VERSION\" fetches it; Talvero's scripts/build-windows.sh and"
  echo "scripts/build-qt-windows.sh are how). Each file here holds that package's licence and"
  echo "copyright text."
  echo
} >"$index"

# name | file | what it is | source package | version | text (a file of the build machine)
entries=(
  "libjpeg-turbo|libjpeg-turbo.txt|JPEG codec (IJG and BSD-style licences)|libjpeg-turbo|$(built_version libjpeg-turbo)|/usr/share/doc/libjpeg62-turbo/copyright"
  "libtiff|libtiff.txt|TIFF codec (libtiff licence, BSD-style)|tiff|$(built_version tiff)|/usr/share/doc/libtiff6/copyright"
  "libpng|libpng.txt|PNG codec (libpng licence)|libpng1.6|$(built_version libpng1.6)|/usr/share/doc/libpng16-16/copyright"
  "zlib|zlib.txt|deflate, inside the TIFF and PNG codecs (zlib licence)|$(installed_source libz-mingw-w64-dev | tr ' ' '|')|/usr/share/doc/libz-mingw-w64-dev/copyright"
  "CLI11|cli11.txt|talvero-convert's command line (BSD-3-Clause)|$(installed_source libcli11-dev | tr ' ' '|')|/usr/share/doc/libcli11-dev/copyright"
  "Qt 6|qt6-base.txt|talvero.exe's window: Qt Core, Gui, Widgets and their bundled libraries (LGPL-3; see below)|qt6-base|$(dpkg-query -W -f='${Version}' qt6-base-dev)|/usr/share/doc/qt6-base-dev/copyright"
  "MinGW-w64 runtime|mingw-w64.txt|the C runtime start-up code and winpthreads (ZPL-2.1, MIT and others)|$(installed_source mingw-w64-x86-64-dev | tr ' ' '|')|/usr/share/doc/mingw-w64-x86-64-dev/copyright"
  "GCC runtime|gcc-runtime.txt|libstdc++ and libgcc (GPL-3 with the GCC Runtime Library Exception, which allows this use)|$(installed_source gcc-mingw-w64-base | tr ' ' '|')|/usr/share/doc/gcc-mingw-w64-base/copyright"
)
for entry in "${entries[@]}"; do
  IFS='|' read -r name file what source version text <<<"$entry"
  [ -n "$version" ] && [ -s "$text" ] || { echo "no licence text or version for $name ($text)" >&2; exit 1; }
  crlf "$text" >"$stage/licenses/$file"
  printf '%s\n  %s\n  source package %s %s; licence: licenses/%s\n\n' \
    "$name" "$what" "$source" "$version" "$file" >>"$index"
done
# The full texts the Qt and GCC entries refer to.
crlf /usr/share/common-licenses/LGPL-3 >"$stage/licenses/LGPL-3.txt"
crlf /usr/share/common-licenses/GPL-3 >"$stage/licenses/GPL-3.txt"
cat >>"$index" <<EOF
The GNU Lesser General Public License version 3 is in LGPL-3.txt, the GNU General Public
License version 3, which it builds on, in GPL-3.txt.

Using talvero.exe with another Qt
---------------------------------
Qt is used under the LGPL-3, which lets you replace it. Talvero is free software (LICENSE.txt)
and its whole source is public, with the scripts that built these programs. To link
talvero.exe against a Qt of your own (a Qt 6 for 64-bit MinGW, static or not):

  1. get Talvero's source of version $(sed -n 's/^project(Talvero VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt") on a Debian 12 machine;
  2. run  TALVERO_WINDOWS_QT=/path/to/your/qt scripts/build-windows.sh
     (without TALVERO_WINDOWS_QT the script builds Qt $(dpkg-query -W -f='${Version}' qt6-base-dev) from
     Debian's source, as for this zip);
  3. build/windows/talvero.exe is the program linked against your Qt.
EOF
crlf "$index" >"$index.crlf" && mv "$index.crlf" "$index"
echo "Licences: LICENSE.txt and $(ls "$stage/licenses" | wc -l) files in licenses/"
