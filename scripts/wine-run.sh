#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix: the emulator that cmake/mingw-w64.cmake
# gives CTest and gtest_discover_tests. Exits with the program's status.
#
# Usage: scripts/wine-run.sh WINEPREFIX PROGRAM.exe [arguments...]
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
kelvo_wine_env "$1"
shift
kelvo_wine_start
exec wine "$@"
