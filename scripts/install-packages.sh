#!/usr/bin/env bash
# Installs the Debian packages of scripts/packages.txt that are missing (quiet when all are
# present), plus any further package names given as arguments. `--list FILE` reads FILE instead
# of scripts/packages.txt (scripts/setup-windows.sh names scripts/packages-windows.txt).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

list=$root/scripts/packages.txt
if [ "${1:-}" = "--list" ]; then
  list=$2
  shift 2
fi
wanted="$(grep -v -E '^[[:space:]]*(#|$)' "$list") $*"
missing=()
for package in $wanted; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
