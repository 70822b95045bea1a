#!/usr/bin/env bash
# The product's demo. Installs what is missing and builds, then serves the demo setup package from
# pkgserve on loopback and runs KelvoKidsInstaller against it; everything it writes (records,
# the installed product) stays in a temporary folder.
#   With a display: the installer's window opens and you click through it.
#   Without one: the window runs under xvfb-run; xdotool clicks "自定义安装", types a folder in
#   the demo's folder and clicks "立即安装"; a screenshot of every page passed goes into
#   <build>/demo/. Exits non-zero when the installation did not finish.
#
#   DEMO_ENGINE=1|2|3   download engine (1 libcurl, 2 WinHTTP layer, 3 two-part libcurl; default 1)
#   DEMO_PACE=MS        the demo package's pause between its progress lines (default 800)
#   DEMO_SHOW=0         never open a window on the display: drive it under xvfb-run instead
# scripts/demo.sh --drive (used by the above and by the tests) skips the build and drives the
# installer on the display in $DISPLAY; BUILD_DIR and DEMO_OUT name the build and the pictures'
# folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
drive=no
[ "${1:-}" = --drive ] && drive=yes

if [ $drive = no ]; then
  "$root/scripts/setup.sh" "$build"
  if [ "${DEMO_SHOW:-1}" = 0 ] || { [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; }; then
    echo "demo: no display: the window runs under xvfb-run and xdotool clicks through it"
    exec env BUILD_DIR="$build" xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" --drive
  fi
fi

installer=$build/app/KelvoKidsInstaller
cli=$build/tools/kelvo-cli/kelvo-cli
out=${DEMO_OUT:-$build/demo}
mkdir -p "$out"
rm -f "$out"/page-*.png "$out"/screen-at-failure.png
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvo-demo.XXXXXX")
server_pid=
installer_pid=
cleanup() {
  for pid in $installer_pid $server_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Records, the proposed folder and temporary files stay inside the demo's folder.
export HOME=$work/home TMPDIR=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$work/packages" "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME"
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

# The package's behaviour: paced so the progress page can be watched.
export KELVO_DEMO_OPTIONS=pace=${DEMO_PACE:-800}
arguments=(-downloadurl="$base$path" -downloadtype="${DEMO_ENGINE:-1}" -language=1)
log=$out/installer.log
echo "demo: serving $base$path; installer log in $log"

# What the records say once the installer has gone: where the product went.
report() {
  local installed
  installed=$("$cli" records | sed -n 's/^InstallPath=//p')
  if [ -n "$installed" ] && [ -x "$installed/Kelvo_Kids.exe" ]; then
    echo "demo: the product was installed into $installed:"
    ls -l "$installed"
    return 0
  fi
  echo "demo: the installation did not finish" >&2
  return 1
}

if [ $drive = no ]; then
  echo "demo: the proposed folder is $("$cli" records | sed -n 's/^DefaultInstallPath=//p');" \
       "\"自定义安装\" chooses another"
  "$installer" "${arguments[@]}" 2>"$log" || true
  report
  exit
fi

# --- Driving the window on $DISPLAY -------------------------------------------------------
for tool in xdotool xwd; do
  command -v $tool >/dev/null || { echo "demo: $tool is missing" >&2; exit 1; }
done
"$installer" "${arguments[@]}" 2>"$log" &
installer_pid=$!

# The installer logs each page it shows ("page N") and its first frame.
wait_for() {  # PATTERN SECONDS
  local tries=$(($2 * 10))
  for _ in $(seq $tries); do
    grep -q "$1" "$log" && return 0
    kill -0 "$installer_pid" 2>/dev/null || { grep -q "$1" "$log"; return; }
    sleep 0.1
  done
  # What the screen shows then (a box the installer opened, say) tells why.
  xwd -silent -root -out "$work/screen.xwd" && "$cli" screenshot "$work/screen.xwd" "$out/screen-at-failure.png"
  echo "demo: no \"$1\" after $2 s; the screen then: $out/screen-at-failure.png" >&2
  return 1
}
shoot() {  # NAME
  sleep 0.4  # the page's first paint
  # The window's pixels as the server holds them, made a PNG by our own tool.
  xwd -silent -id "$window" -out "$work/page.xwd"
  "$cli" screenshot "$work/page.xwd" "$out/page-$1.png"
  echo "demo: $out/page-$1.png"
}
click() {  # X Y (in the 600 x 400 window)
  xdotool mousemove $((left + $1)) $((top + $2)) click 1
}

wait_for 'first frame presented' 30
window=$(xdotool search --sync --class KelvoKidsInstaller | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"
left=$X top=$Y
shoot 0-welcome

click 300 311                     # "自定义安装"
wait_for 'page 1' 10
folder="$work/Kelvo Kids"
click 300 169                     # the folder field
xdotool key ctrl+a
xdotool type --delay 5 "$folder"
shoot 1-custom
click 300 323                     # "立即安装"
wait_for 'page 2' 30
sleep 0.8                         # under way
shoot 2-progress
wait_for 'page 3' 180
shoot 3-finish
click 300 275                     # "立即体验" closes the installer
status=0
wait "$installer_pid" || status=$?
installer_pid=
[ "$status" = 0 ] || { echo "demo: the installer ended with $status" >&2; exit 1; }
report
