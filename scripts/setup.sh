#!/usr/bin/env bash
# Installs the Debian packages of scripts/debian-packages.txt that are missing,
# then the Flash player of scripts/ruffle/ (pinned, its integrity checked by
# npm against the lock file) into scripts/ruffle/node_modules, from where the
# build copies it into includes/ruffle/.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mapfile -t wanted < <(grep -v -E '^\s*(#|$)' "$here/debian-packages.txt")
# A package counts as present when it is installed or an installed package
# provides it (NodeSource's nodejs provides npm and conflicts with Debian's).
mapfile -t provided < <(dpkg-query -W -f='${db:Status-Abbrev} ${Provides}\n' 2>/dev/null |
  awk '$1 == "ii" { $1 = ""; gsub(/ \([^)]*\)/, ""); gsub(/,/, " "); print }' | tr ' ' '\n' | sort -u)
missing=()
for p in "${wanted[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" &&
    ! printf '%s\n' "${provided[@]}" | grep -qxF "$p"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q "${missing[@]}"
fi

player="$here/ruffle"
stamp="$player/node_modules/.koa-installed"
lock_sum=$(sha256sum "$player/package-lock.json" | cut -d' ' -f1)
if [ -f "$player/node_modules/@ruffle-rs/ruffle/ruffle.js" ] && [ -f "$stamp" ] &&
  [ "$(cat "$stamp")" = "$lock_sum" ]; then
  exit 0
fi
echo "Installing the Flash player (npm ci in scripts/ruffle)"
if ! (cd "$player" && npm ci --ignore-scripts --no-audit --no-fund); then
  echo "setup: could not install the Flash player from the npm registry (see above)." >&2
  echo "setup: without it Flash animations do not play; run this script again once npm can reach the registry." >&2
  exit 1
fi
echo "$lock_sum" >"$stamp"
