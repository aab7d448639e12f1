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

# Installs the npm packages pinned in folder $1 (their integrity checked by
# npm ci against the lock file) unless they are in place; $2 names them.
npm_install() {
  local folder="$1" what="$2" stamp lock_sum
  stamp="$folder/node_modules/.koa-installed"
  lock_sum=$(sha256sum "$folder/package-lock.json" | cut -d' ' -f1)
  if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$lock_sum" ]; then
    return 0
  fi
  echo "Installing $what (npm ci in ${folder#"$here/../"})"
  if ! (cd "$folder" && npm ci --ignore-scripts --no-audit --no-fund); then
    echo "setup: could not install $what from the npm registry (see above)." >&2
    echo "setup: run this script again once npm can reach the registry." >&2
    exit 1
  fi
  echo "$lock_sum" >"$stamp"
}

npm_install "$here/ruffle" "the Flash player"
# The learning platform's run-time the SCORM tests play their packages in.
npm_install "$here/scorm-again" "the SCORM run-time of the tests"
