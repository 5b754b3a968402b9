#!/usr/bin/env bash
# Installs the Debian packages listed in the FILEs (one a line, # for comments) that are
# missing, in one apt run.
#   scripts/install-packages.sh FILE…
set -euo pipefail

missing=""
for p in $(cat "$@" | grep -v '^#' | tr '\n' ' '); do
  case " $missing " in *" $p "*) continue ;; esac
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+="$p "
done
if [ -n "$missing" ]; then
  echo "Installing: $missing"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
fi
