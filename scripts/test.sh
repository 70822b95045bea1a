#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest: the Linux suites, then the
# Windows ones under Wine (KELVO_WINDOWS=0 leaves those out; WINDOWS_BUILD_DIR is their build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" "$build"
if [ "${KELVO_WINDOWS:-1}" = "0" ]; then
  cd "$build"
  exec ctest --output-on-failure --timeout 300 -j"$(nproc)"
fi

status=0
(cd "$build" && ctest --output-on-failure --timeout 300 -j"$(nproc)") || status=$?

windows_build=${WINDOWS_BUILD_DIR:-$root/build-windows}
"$root/scripts/setup-windows.sh" "$windows_build"
. "$root/scripts/wine-env.sh"
kelvo_wine_env "$windows_build/wine"
trap kelvo_wine_stop EXIT
kelvo_wine_start
(cd "$windows_build" && ctest --output-on-failure --timeout 300 -j"$(nproc)") || status=$?
exit "$status"
