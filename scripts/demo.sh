#!/usr/bin/env bash
# Installs what is missing and builds, then runs the installation job against a package server
# on loopback: pkgserve publishes the demo setup package under its MD5 digest, and kelvo-cli
# downloads, verifies and installs it into a temporary folder, printing every report
# ("CODE VALUE TEXT"). Then draws the main window's pages as PNG into <build>/demo/ and, when a
# display is present, shows the main window for a few seconds.
#   DEMO_ENGINE=1|2|3   download engine (1 libcurl, 2 WinHTTP layer, 3 two-part libcurl; default 1)
#   DEMO_SHOW=0         do not open a window even when a display is present
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/setup.sh" "$build"

cli=$build/tools/kelvo-cli/kelvo-cli
out=$build/demo
mkdir -p "$out"
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvo-demo.XXXXXX")
server_pid=
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Records and temporary files of the job stay inside the demo's folder.
export TMPDIR=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$work/packages" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
cp "$build/tools/demo-package/kelvo-demo-package" "$work/packages/kelvoKids_setup.exe"

"$build/tools/pkgserve/pkgserve" --port 0 --verbose "$work/packages" >"$work/pkgserve.out" 2>"$out/pkgserve.log" &
server_pid=$!
for _ in $(seq 100); do
  [ "$(wc -l <"$work/pkgserve.out")" -ge 2 ] && break
  kill -0 "$server_pid" 2>/dev/null || { cat "$out/pkgserve.log" >&2; exit 1; }
  sleep 0.1
done
base=$(head -n 1 "$work/pkgserve.out")
path=$(grep -m 1 '^/packages/[0-9a-f]\{32\}/kelvoKids_setup.exe$' "$work/pkgserve.out" || true)
[ -n "$path" ] || { echo "demo: pkgserve did not publish the package" >&2; exit 1; }

dir="$work/Kelvo Kids"
echo "demo: installing from $base$path into $dir (engine ${DEMO_ENGINE:-1})"
status=0
"$cli" install --engine "${DEMO_ENGINE:-1}" --url "$base$path" --dir "$dir" 2>"$out/install.log" || status=$?
echo "demo: the job ended with exit code $status; installed files:"
ls -l "$dir" 2>/dev/null || true
echo "demo: debug log in $out/install.log, requests in $out/pkgserve.log"

"$cli" render mainWnd.xml "$out/main-page0.png" >/dev/null
"$cli" render mainWnd.xml "$out/main-progress.png" --page 2 --progress 60 >/dev/null
echo "demo: the main window drawn in $out/main-page0.png and $out/main-progress.png"

if [ "${DEMO_SHOW:-1}" != 0 ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  echo "demo: showing the main window for 5 seconds"
  timeout 5 "$cli" show mainWnd.xml || true
fi
exit "$status"
