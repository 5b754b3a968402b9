# Sourced by the Windows build scripts: where their caches live, and how Debian's source
# packages are fetched from the machine's own archive without touching its apt set-up.

# Builds of dependencies are kept outside the checkout, so that every clone on this
# machine (CI's among them) reuses them.
talvero_cache=${TALVERO_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/talvero}

# Runs a command with its output in a log; shows the log's end when the command fails.
quietly() {
  local log=$1
  shift
  if ! "$@" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "failed: $* (full log: $log)" >&2
    return 1
  fi
}

# The address of the machine's own Debian archive for SUITE (not the security archive), from
# its one-line or deb822 source lists; nothing when it has none.
debian_mirror() {
  local suite=$1 found
  found=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    awk -v suite="$suite" '$1 == "deb" || $1 == "deb-src" {
        i = 2; if ($i ~ /^\[/) { while ($i !~ /\]$/) i++; i++ }
        if ($(i + 1) == suite) { print $i; exit } }')
  if [ -z "$found" ]; then
    found=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
      awk -v suite="$suite" 'BEGIN { RS = ""; FS = "\n" } {
          uri = ""; ok = 0; deb = 0
          for (f = 1; f <= NF; f++) {
            if ($f ~ /^URIs:/) { split($f, w, " "); uri = w[2] }
            if ($f ~ /^Types:/ && $f ~ / deb(-src)?( |$)/) deb = 1
            if ($f ~ /^Suites:/) { n = split($f, w, " "); for (k = 2; k <= n; k++) if (w[k] == suite) ok = 1 }
          }
          if (uri != "" && ok && deb) { print uri; exit } }')
  fi
  echo "$found"
}

# Source lists of our own, kept in the cache beside the builds, for the release's archive as
# the machine's own lists name it (its security archive does not serve every source file).
# They are refreshed when missing, when the archive changed, or once a day, so that a Debian
# fix (a point release) reaches the Windows builds, whose caches are keyed by the source
# versions, without a download on every run.
source_apt_options=()
prepare_source_lists() {
  local apt=$talvero_cache/apt-sources suite mirror keyring signed="" want
  keyring=/usr/share/keyrings/debian-archive-keyring.gpg
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  mirror=""
  [ -n "$suite" ] && mirror=$(debian_mirror "$suite")
  if [ -z "$mirror" ]; then
    echo "No Debian archive for '${suite:-this release}' in this machine's apt source lists" \
      "(/etc/apt/sources.list, /etc/apt/sources.list.d/): the Windows build takes Debian's" \
      "source packages from there. Add the archive this machine installs its packages from." >&2
    return 1
  fi
  [ -f "$keyring" ] && signed=" [signed-by=$keyring]"
  want="deb-src$signed $mirror $suite main"
  source_apt_options=(-o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$apt/sources.list.d"
                      -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache")
  # As root apt hands downloads to its own unprivileged user, who cannot write here.
  [ "$(id -u)" -eq 0 ] && source_apt_options+=(-o APT::Sandbox::User=root)
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
  (
    flock 8
    if [ "$(cat "$apt/sources.list.d/talvero-windows.list" 2>/dev/null)" != "$want" ] ||
       [ -z "$(find "$apt/updated" -mmin -1440 2>/dev/null)" ]; then
      echo "$want" >"$apt/sources.list.d/talvero-windows.list"
      echo "== Debian's source package lists ($mirror, $suite)"
      rm -f "$apt/updated"
      quietly "$apt/update.log" apt-get "${source_apt_options[@]}" update
      touch "$apt/updated"
    fi
  ) 8>"$talvero_cache/apt-sources.lock"
}

# newest_source_version NAME: the newest version of source package NAME that the lists offer
# (epoch included, as apt takes it).
newest_source_version() {
  local version newest=""
  for version in $(apt-cache "${source_apt_options[@]}" showsrc --only-source "$1" 2>/dev/null |
                   sed -n 's/^Version: //p'); do
    if [ -z "$newest" ] || dpkg --compare-versions "$version" gt "$newest"; then newest=$version; fi
  done
  echo "$newest"
}

# fetch_sources DIR PACKAGE[=VERSION]…: downloads and unpacks Debian source packages into
# DIR/<name> (prepare_source_lists first).
fetch_sources() {
  local dir=$1
  shift
  # A package cache of its own: another build may be reading the shared lists meanwhile.
  mkdir -p "$dir/apt-cache/archives/partial"
  echo "== Source packages $*"
  (cd "$dir" && quietly "$dir/source.log" apt-get "${source_apt_options[@]}" \
     -o Dir::Cache="$dir/apt-cache" source --download-only "$@")
  local dsc name
  for dsc in "$dir"/*.dsc; do
    name=$(basename "$dsc" .dsc)
    rm -rf "${dir:?}/${name%%_*}"
    quietly "$dir/$name.log" dpkg-source --no-copy -x "$dsc" "$dir/${name%%_*}"
  done
}

# Qt for Windows: the host's Qt version (its moc, rcc and uic do the cross build's work), and
# the recipe, bumped whenever the way it is built changes so that old caches are rebuilt.
qt_windows_version() { dpkg-query -W -f='${Version}' qt6-base-dev | sed 's/[+~-].*//'; }
qt_windows_recipe=2
qt_windows_prefix() { echo "$talvero_cache/qt-$(qt_windows_version)-mingw64-r$qt_windows_recipe"; }
