#!/usr/bin/env bash
# Unpacks the Debian package (scripts/package.sh makes it) into a temporary root and runs it
# from there as the installed program: the converter's help and the sample job, then the
# window under a bare X server as a user who is not root, closed the way the system ends a
# session. Its settings must land in that user's ~/.config/talvero/talvero.ini. Nothing may
# come from the build tree: no library search paths, a clean environment (the window's Qt
# plugins are the system's).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
deb=$(ls "$root"/build/package/talvero_*_amd64.deb)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # the other user runs the programs from here
fail() { echo "check-package: $*" >&2; exit 1; }

dpkg-deb -x "$deb" "$work/root"
bin="$work/root/usr/bin"
if readelf -d "$bin/talvero" "$bin/talvero-convert" | grep -qE '\((RPATH|RUNPATH)\)'; then
  fail "the installed programs carry a library search path"
fi
clean=(env -i PATH=/usr/bin:/bin LANG=C.UTF-8)

echo "== Installed talvero-convert --help"
# Into a file first: a pipe closed early by head would fail the converter with SIGPIPE.
"${clean[@]}" "$bin/talvero-convert" --help >"$work/help"
head -n 1 "$work/help"

echo "== Installed talvero-convert on the sample"
mkdir "$work/out"
"${clean[@]}" HOME="$work" "$bin/talvero-convert" --quiet --size small \
  --image "$root/samples/sample-panorama.jpg" --scene "$work/out/sample.scn" >"$work/written"
for name in left front right back top bottom; do
  [ -s "$work/out/sample_$name.bmp" ] || fail "the sample job wrote no sample_$name.bmp"
done
[ -s "$work/out/fms_vista.bmp" ] && [ -s "$work/out/sample.scn" ] || fail "no scene file"
[ "$(wc -l <"$work/written")" -eq 8 ] || fail "the sample job listed $(wc -l <"$work/written") files"

echo "== Installed talvero under a bare X server, as a user who is not root"
if [ "$(id -u)" -eq 0 ]; then
  user=talvero-check
  id -u "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/sh "$user"
  home=$(getent passwd "$user" | cut -d: -f6)
  as_user=(runuser -u "$user" --)
else
  user=$(id -un)
  home="$work/home"  # leave the developer's own settings alone
  mkdir "$home"
  as_user=()
fi
rm -rf "$home/.config/talvero"
# The window is closed once it is up, as a logout would close it.
"${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$home" LANG=C.UTF-8 \
  timeout 60 xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
    "$1" & pid=$!
    shown=no
    for i in $(seq 300); do
      xwininfo -root -tree 2>/dev/null | grep -q "\"Talvero.exe\"" && { shown=yes; break; }
      sleep 0.1
    done
    kill -TERM "$pid"
    wait "$pid" && [ "$shown" = yes ]' sh "$bin/talvero" 2>"$work/window.log" ||
  { cat "$work/window.log" >&2; fail "the window did not start and close cleanly"; }

ini="$home/.config/talvero/talvero.ini"
[ -f "$ini" ] || { cat "$work/window.log" >&2; fail "no settings in $ini"; }
grep -q '^\[data\]' "$ini" && grep -q '^FormWidth=' "$ini" || fail "$ini lacks the settings"
[ "$(stat -c %a "$home/.config/talvero")" = 700 ] || fail "the settings folder is not the user's alone"
[ ! -e "$bin/talvero.ini" ] || fail "settings were written beside the installed program"
echo "Settings of $user: $ini ($(grep -c = "$ini") keys)"
echo "The installed package works."
