#!/usr/bin/env bash
# Installs what is missing, builds, and runs the installer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" "$build"
exec "$build/app/KelvoKidsInstaller" "$@"
