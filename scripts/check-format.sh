#!/usr/bin/env bash
# Checks that every C++ line (.cpp, .h) changed since the check came in is formatted as the
# repository's .clang-format says, by clang-format 14 (Debian's package clang-format): new
# work is formatted, old code is left as it is. Changes in the working tree count as well;
# a new file once git knows it (git add).
#
#   scripts/check-format.sh        lists the lines that are not formatted, with the change
#                                  that would format them
#   scripts/check-format.sh --fix  formats those lines in place
#
# Exit status: 0 when every changed line is formatted, 1 when some are not, 77 (the test
# reports itself skipped) when git, clang-format-diff-14 or the base commit is missing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The last commit before the check: C++ lines changed after it must be formatted.
base=d48a0e4d31c7a88bb5be19789778ea25b7602fb7

skip() {
  echo "Format check skipped: $*"
  exit 77
}
command -v git >/dev/null || skip "git is not installed."
formatter=$(command -v clang-format-diff-14) ||
  skip "clang-format-diff-14 is not installed (Debian package clang-format)."
cd "$root"
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || skip "$root is not a git checkout."
git cat-file -e "$base^{commit}" 2>/dev/null ||
  skip "the base commit $base is not in this checkout (a shallow clone?)."

fix=()
case "${1:-}" in
  "") ;;
  --fix) fix=(-i) ;;
  *)
    echo "usage: $0 [--fix]" >&2
    exit 2
    ;;
esac

# Only the lines added or changed (no context), prefixes fixed whatever git's settings;
# deleted files have nothing left to format, renamed ones only their changed lines.
changes=$(git diff -U0 -M --no-color --no-ext-diff --src-prefix=a/ --dst-prefix=b/ \
  --diff-filter=d "$base" -- '*.cpp' '*.h')
[ -n "$changes" ] || exit 0
report=$(printf '%s\n' "$changes" | "$formatter" -p1 -style=file "${fix[@]}")
if [ ${#fix[@]} -gt 0 ]; then
  echo "Changed lines since ${base:0:12} formatted in place."
  exit 0
fi
[ -n "$report" ] || exit 0

# One line per file with the lines clang-format would change (numbers as the file is now).
echo "C++ lines changed since ${base:0:12} that are not formatted (.clang-format):"
printf '%s\n' "$report" | awk '
  function flush() {
    if (file != "" && lines != "") print "  " file ": " lines;
    lines = "";
  }
  function add(n) {
    if (n == last + 1 && lines != "") { sub(/-[0-9]+$/, "", lines); lines = lines "-" n }
    else lines = lines (lines == "" ? "" : ", ") n;
    last = n;
  }
  /^--- / { flush(); file = $2; next }
  /^\+\+\+ / { next }
  /^@@ / { split($2, range, ","); line = substr(range[1], 2) + 0; next }
  /^-/ { add(line); line++; next }
  /^ / { line++ }
  END { flush() }'
echo
echo "What clang-format would make of them:"
printf '%s\n' "$report"
echo
echo "Format them with: scripts/check-format.sh --fix"
exit 1
