#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh), runs every cross-built test suite
# under Wine in a fresh prefix inside build/windows, then converts the sample panorama,
# copied to a Japanese-named folder and file, into FMS and RCPSim cube and sphere scenery
# with talvero-convert.exe and checks every image and scene file against the Linux build's
# output for the same job; last, Ctrl+C during a job. No display is needed.
set -euo pipefail
export LC_ALL=C.UTF-8  # file listings in one order
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/windows

"$root/scripts/build-windows.sh"

# Debian keeps wine64 and wineserver off the PATH.
wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX=$out/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono and no Gecko: their installers would ask on a display.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
unset DISPLAY WAYLAND_DISPLAY

echo "== Fresh Wine prefix in $WINEPREFIX"
"$wineserver" -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
"$wine" wineboot --init >"$out/wineboot.log" 2>&1 || { cat "$out/wineboot.log" >&2; exit 1; }
# One Wine server for every run below: a program started just as the previous one's server
# shuts down can fail before it runs. It is stopped however the script ends.
"$wineserver" -w
"$wineserver" -p >/dev/null 2>&1 </dev/null
trap '"$wineserver" -k 2>/dev/null || true' EXIT
# Without a display the prefix set-up leaves the fonts folder empty; Wine's own fonts
# (FixedSys among them) are what a Windows system has there.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"

echo "== Tests under Wine"
"$wine" "$out/talvero-convert.exe" --help >"$out/help.txt" 2>&1 </dev/null
grep -q -- "--image FILE" "$out/help.txt" ||
  { cat "$out/help.txt" >&2; echo "talvero-convert.exe --help printed no help" >&2; exit 1; }
ctest --test-dir "$out/build" --output-on-failure --timeout 900

echo "== Japanese paths, end to end"
linux_convert=$root/build/normal/cli/talvero-convert
[ -x "$linux_convert" ] || "$root/scripts/setup.sh" normal
e2e=$out/e2e
rm -rf "$e2e"
mkdir -p "$e2e/パノラマ"
cp "$root/samples/sample-panorama.jpg" "$e2e/パノラマ/飛行場.jpg"
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# job name, scene file name, options
jobs=(
  "fms-cube|飛行場.scn|--type cube --image-type bmp"
  "fms-sphere|飛行場.scn|--type sphere --image-type jpg"
  "rcp-cube|飛行場.xscn|--type cube --image-type tif --suffix zero"
  "rcp-sphere|飛行場.xscn|--type sphere --image-type bmp"
)
failed=0
for job in "${jobs[@]}"; do
  IFS='|' read -r name scene options <<<"$job"
  for side in linux windows; do mkdir -p "$e2e/$side/シーン/$name"; done
  # shellcheck disable=SC2086
  "$linux_convert" --quiet --size small $options --image "$e2e/パノラマ/飛行場.jpg" \
    --scene "$e2e/linux/シーン/$name/$scene" >/dev/null
  # The Windows run takes a full Windows path for the panorama and a relative one, with
  # backslashes, for the scene file.
  # shellcheck disable=SC2086
  (cd "$e2e/windows" && "$wine" "$out/talvero-convert.exe" --quiet --size small $options \
    --image "$(winpath "$e2e/パノラマ/飛行場.jpg")" --scene "シーン\\$name\\$scene" >/dev/null)
  written=0
  for file in "$e2e/linux/シーン/$name"/*; do
    base=$(basename "$file")
    # The vista texture's text is drawn with each system's own font.
    case "$base" in fms_vista.*) [ -s "$e2e/windows/シーン/$name/$base" ] || failed=$((failed + 1)); continue ;; esac
    written=$((written + 1))
    if ! cmp -s "$file" "$e2e/windows/シーン/$name/$base"; then
      echo "differs from the Linux build: $name/$base" >&2
      failed=$((failed + 1))
    fi
  done
  extra=$(cd "$e2e/windows/シーン/$name" && ls | sort | comm -13 <(cd "$e2e/linux/シーン/$name" && ls | sort) -)
  if [ -n "$extra" ]; then
    echo "written only by the Windows build in $name: $extra" >&2
    failed=$((failed + 1))
  fi
  echo "$name: $written files identical to the Linux build's"
done
[ "$failed" -eq 0 ] || { echo "Windows end-to-end check failed ($failed differences)" >&2; exit 1; }

# Ctrl+C during a job. Wine hands SIGINT to the console handlers as Ctrl+C (its console has
# no other way in here): the job stops, says so, leaves the files it had not replaced as they
# were and no temporary file, and ends as Windows' default handling would (STATUS_CONTROL_C_EXIT,
# whose low byte the shell sees).
echo "== Ctrl+C, Japanese paths"
stop=$e2e/中断
mkdir -p "$stop"
for face in left front right back top bottom; do echo old >"$stop/空_$face.jpg"; done
echo "old scene" >"$stop/空.scn"
(cd "$stop" && exec "$wine" "$out/talvero-convert.exe" --image "$(winpath "$e2e/パノラマ/飛行場.jpg")" \
  --scene 空.scn --size large --image-type jpg --threads 1 </dev/null >/dev/null 2>"$e2e/stop.err") &
child=$!
for _ in $(seq 1 600); do
  grep -q "画像ファイルを書き出しています。" "$e2e/stop.err" 2>/dev/null && break
  sleep 0.1
done
kill -INT "$child"
status=0
wait "$child" || status=$?
listing=$(cd "$stop" && ls | tr '\n' ' ')
if [ "$status" -ne 58 ] || ! grep -q "^talvero-convert: error: cancelled" "$e2e/stop.err" ||
   [ "$listing" != "空.scn 空_back.jpg 空_bottom.jpg 空_front.jpg 空_left.jpg 空_right.jpg 空_top.jpg " ] ||
   [ "$(cat "$stop/空.scn")" != "old scene" ] || [ "$(cat "$stop/空_bottom.jpg")" != old ]; then
  echo "Ctrl+C did not cancel the job cleanly (status $status; files: $listing)" >&2
  tail -n 3 "$e2e/stop.err" >&2
  exit 1
fi
echo "cancelled cleanly, status $status"
echo "All Windows tests passed."
