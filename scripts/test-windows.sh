#!/usr/bin/env bash
# Builds the Windows programs (scripts/build-windows.sh), then, under Wine on a virtual X
# display of its own: runs every cross-built test suite (the window's among them) in a fresh
# prefix inside build/windows; converts the sample panorama, copied to a Japanese-named
# folder and file, into FMS and RCPSim cube and sphere scenery with talvero-convert.exe and
# checks every image and scene file against the Linux build's output for the same job;
# stops a job with Ctrl+C; and last drives talvero.exe itself from outside (xdotool),
# started in a Japanese-named folder: a job through its window for FMS cube and RCPSim
# sphere scenery, the same files as the Linux build's, its settings beside it at close.
set -euo pipefail
export LC_ALL=C.UTF-8  # file listings in one order
root=$(cd "$(dirname "$0")/.." && pwd)
out=$root/build/windows

if [ -z "${TALVERO_TEST_DISPLAY:-}" ]; then
  # test.sh builds first, as a stage of its own.
  [ -n "${TALVERO_WINDOWS_BUILT:-}" ] || "$root/scripts/build-windows.sh"
  # A display of its own (xvfb-run picks a free number), so that runs never meet.
  exec env TALVERO_TEST_DISPLAY=1 xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$@"
fi

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver)
export WINEPREFIX=$out/wineprefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono and no Gecko: their installers would ask on a display.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# The Windows build has the Windows platform only (a test run may have asked for another).
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

echo "== Fresh Wine prefix in $WINEPREFIX"
"$wineserver" -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
"$wine" wineboot --init >"$out/wineboot.log" 2>&1 || { cat "$out/wineboot.log" >&2; exit 1; }
# A program that crashes prints Wine's backtrace and ends, rather than waiting on a crash
# dialog on the virtual display until the suite's time runs out.
"$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
  >>"$out/wineboot.log" 2>&1
# One Wine server for every run below: a program started just as the previous one's server
# shuts down can fail before it runs. It is stopped however the script ends.
"$wineserver" -w
"$wineserver" -p >/dev/null 2>&1 </dev/null
trap '"$wineserver" -k 2>/dev/null || true' EXIT
# Wine's own fonts (FixedSys among them) are what a Windows system has in its fonts folder;
# the set-up may leave it empty. Japanese text is drawn from the build machine's fonts,
# which Wine shows to its programs as well: a Windows without Japanese fonts of its own.
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"

echo "== Tests under Wine"
"$wine" "$out/talvero-convert.exe" --help >"$out/help.txt" 2>&1 </dev/null
grep -q -- "--image FILE" "$out/help.txt" ||
  { cat "$out/help.txt" >&2; echo "talvero-convert.exe --help printed no help" >&2; exit 1; }
# The window's suites take the display one at a time (their RESOURCE_LOCK); the core's run
# beside them.
ctest --test-dir "$out/build" -j"$(nproc)" --output-on-failure --timeout 900

echo "== Japanese paths, end to end"
linux_convert=$root/build/normal/cli/talvero-convert
[ -x "$linux_convert" ] || "$root/scripts/setup.sh" normal
e2e=$out/e2e
rm -rf "$e2e"
mkdir -p "$e2e/パノラマ"
cp "$root/samples/sample-panorama.jpg" "$e2e/パノラマ/飛行場.jpg"
winpath() { printf 'Z:%s' "${1//\//\\}"; }

failed=0
# same_files LINUX_FOLDER WINDOWS_FOLDER NAME: every file the Linux build wrote is there, byte
# for byte, and no other; the vista texture's text is drawn with each system's own font, so
# that file need only be there.
same_files() {
  local linux=$1 windows=$2 name=$3 file base written=0 extra
  for file in "$linux"/*; do
    base=$(basename "$file")
    case "$base" in fms_vista.*) [ -s "$windows/$base" ] || failed=$((failed + 1)); continue ;; esac
    written=$((written + 1))
    if ! cmp -s "$file" "$windows/$base"; then
      echo "differs from the Linux build: $name/$base" >&2
      failed=$((failed + 1))
    fi
  done
  extra=$(cd "$windows" && ls | sort | comm -13 <(cd "$linux" && ls | sort) -)
  if [ -n "$extra" ]; then
    echo "written only by the Windows build in $name: $extra" >&2
    failed=$((failed + 1))
  fi
  echo "$name: $written files identical to the Linux build's"
}

# job name, scene file name, options
jobs=(
  "fms-cube|飛行場.scn|--type cube --image-type bmp"
  "fms-sphere|飛行場.scn|--type sphere --image-type jpg"
  "rcp-cube|飛行場.xscn|--type cube --image-type tif --suffix zero"
  "rcp-sphere|飛行場.xscn|--type sphere --image-type bmp"
)
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
  same_files "$e2e/linux/シーン/$name" "$e2e/windows/シーン/$name" "$name"
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

# talvero.exe driven from outside as a user would drive it: xdotool presses keys in Wine's X
# window of the program (no window manager here, so the window is given the focus directly).
# Text goes in through the clipboard, which Wine shares with X: typed keystrokes reach a
# Windows program only for characters on the keyboard, never for Japanese ones.
paste() {
  printf '%s' "$1" | xclip -selection clipboard
  # On a busy machine the clipboard can lag behind: paste only once it holds the text, and
  # give the window time to take it before the next key.
  for _ in $(seq 1 50); do
    [ "$(xclip -o -selection clipboard 2>/dev/null)" = "$1" ] && break
    sleep 0.1
  done
  sleep 0.3
  xdotool key --clearmodifiers ctrl+a ctrl+v
  sleep 0.3
}
window_failed() {
  import -window root "$out/window-failure.png" 2>/dev/null || true
  echo "talvero.exe: $* (the screen: $out/window-failure.png)" >&2
  exit 1
}
window_e2e() {
  echo "== talvero.exe through its window, started in a Japanese-named folder"
  local seat=$e2e/操縦席 job name scene settings options win pid done key
  mkdir -p "$seat"
  cp "$out/talvero.exe" "$seat/"
  # job name | scene file | settings the window starts from | the converter's options for it
  local jobs=(
    "window-fms-cube|飛行場.scn|SceneFormat=0 SceneType=0 ImageType=0|--type cube --image-type bmp"
    "window-rcp-sphere|飛行場.xscn|SceneFormat=1 SceneType=1 ImageType=1|--type sphere --image-type jpg"
  )
  for job in "${jobs[@]}"; do
    IFS='|' read -r name scene settings options <<<"$job"
    for side in linux windows; do mkdir -p "$e2e/$side/シーン/$name"; done
    # shellcheck disable=SC2086
    "$linux_convert" --quiet --size small $options --image "$e2e/パノラマ/飛行場.jpg" \
      --scene "$e2e/linux/シーン/$name/$scene" >/dev/null
    # The small size keeps the job short; the format and type come from the settings too.
    { printf '[data]\r\nImageSizeMode=0\r\n'; printf '%s\r\n' $settings; } >"$seat/talvero.ini"
    (cd "$seat" && exec "$wine" talvero.exe </dev/null >"$e2e/$name.log" 2>&1) &
    pid=$!
    win=""
    for _ in $(seq 1 300); do
      win=$(xdotool search --name '^Talvero\.exe$' 2>/dev/null | head -n 1) && [ -n "$win" ] && break
      sleep 0.2
    done
    [ -n "$win" ] || window_failed "no window came up"
    sleep 2
    done=""
    # Keys typed on a loaded machine can still go astray (a field filled late, a message box
    # in the way): the whole entry is tried again, up to three times, once any box is closed.
    for attempt in 1 2 3; do
      xdotool windowfocus --sync "$win"
      # Into the panorama's field (at 126, 30 on the project tab, below the menu bar and the
      # tabs); Tab goes on to the scene file, then to the base name.
      xdotool mousemove --window "$win" 330 87 click 1
      paste "$(winpath "$e2e/パノラマ/飛行場.jpg")"
      xdotool key Tab
      paste "$(winpath "$e2e/windows/シーン/$name/$scene")"
      xdotool key Tab
      paste "飛行場"
      sleep 0.5
      import -window "$win" "$out/$name.png"
      # プロジェクト(&P) > 出力実行(&E)
      xdotool key alt+p
      sleep 0.5
      xdotool key e
      for _ in $(seq 1 600); do
        if [ "$(ls "$e2e/windows/シーン/$name")" = "$(ls "$e2e/linux/シーン/$name")" ]; then done=1; break; fi
        sleep 0.2
      done
      [ -n "$done" ] && break
      import -window root "$out/$name-attempt-$attempt.png" 2>/dev/null || true
      echo "talvero.exe: attempt $attempt of $name wrote nothing (the screen: $out/$name-attempt-$attempt.png)" >&2
      xdotool key Return
      sleep 1
    done
    [ -n "$done" ] || window_failed "the job through the window did not write the files of $name"
    sleep 1
    # ファイル(&F) > 終了(&X)
    xdotool windowfocus --sync "$win"
    xdotool key alt+f
    sleep 0.5
    xdotool key x
    for _ in $(seq 1 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    kill -0 "$pid" 2>/dev/null && window_failed "the window did not close"
    wait "$pid" || window_failed "ended with status $?"
    same_files "$e2e/linux/シーン/$name" "$e2e/windows/シーン/$name" "$name"
    # At close the window wrote all its settings into the file beside it, keeping those
    # it had started from.
    for key in CreateSceneFile CreateDividedImage ShowGuide ShowImage SceneFormat SceneType \
               ImageSizeMode ImageType CheckImageFileOverWrite CheckSceneFileOverWrite \
               CubeSuffix FormLeft FormTop FormWidth FormHeight; do
      grep -q "^$key=" "$seat/talvero.ini" || window_failed "$key was not saved in $seat/talvero.ini"
    done
    for key in $settings ImageSizeMode=0; do
      grep -q "^$key"$'\r'"\?\$" "$seat/talvero.ini" || window_failed "$key was not kept in $seat/talvero.ini"
    done
  done
  [ "$failed" -eq 0 ] || { echo "talvero.exe's files differ from the Linux build's" >&2; exit 1; }
  echo "talvero.exe: both jobs through the window wrote the Linux build's files; settings beside it"
}

window_e2e
echo "All Windows tests passed."
