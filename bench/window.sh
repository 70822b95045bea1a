#!/usr/bin/env bash
# The installer's window on an X server (run under xvfb-run when there is none):
#  - exec to the first frame presented, against kelvo-cli show of the same skin file (exec to its
#    window being shown, before its first paint);
#  - CPU use while the progress page animates (the download held by the server), against the
#    same window idle on its first page.
#   bench/window.sh [--build DIR] [--rounds N] [--seconds S]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
rounds=15
seconds=10
while [ $# -gt 0 ]; do
  case "$1" in
    --build) build=${2:?}; shift 2 ;;
    --rounds) rounds=${2:?}; shift 2 ;;
    --seconds) seconds=${2:?}; shift 2 ;;
    *) echo "usage: bench/window.sh [--build DIR] [--rounds N] [--seconds S]" >&2; exit 2 ;;
  esac
done
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$0" --build "$build" --rounds "$rounds" --seconds "$seconds"
fi
cmake --build "$build" --target KelvoKidsInstaller kelvo-cli pkgserve kelvo-demo-package first_frame_bench >/dev/null
installer=$build/app/KelvoKidsInstaller
work=$(mktemp -d "${TMPDIR:-/tmp}/kelvo-bench.XXXXXX")
pids=
cleanup() {
  for pid in $pids; do kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export HOME=$work/home TMPDIR=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$work/packages"

echo "== exec to first frame ($rounds rounds)"
echo "-- KelvoKidsInstaller"
"$build/bench/first_frame_bench" "$rounds" "first frame presented" "$installer" -language=1 | tail -n 1
echo "-- kelvo-cli show mainWnd.xml (the peer)"
"$build/bench/first_frame_bench" "$rounds" "window " "$build/tools/kelvo-cli/kelvo-cli-skin" show mainWnd.xml | tail -n 1

# CPU time of a process over the given seconds, as a share of one core.
cpu() {  # PID
  local ticks before after
  ticks=$(getconf CLK_TCK)
  before=$(awk '{print $14 + $15}' "/proc/$1/stat")
  sleep "$seconds"
  after=$(awk '{print $14 + $15}' "/proc/$1/stat")
  awk -v d=$((after - before)) -v t="$ticks" -v s="$seconds" 'BEGIN { printf "%.2f %% of one core\n", 100 * d / t / s }'
}
wait_for() {  # PATTERN
  for _ in $(seq 300); do grep -q "$1" "$work/installer.log" && return 0; sleep 0.1; done
  echo "bench: no \"$1\"" >&2; exit 1
}

cp "$build/tools/demo-package/kelvo-demo-package" "$work/packages/kelvoKids_setup.exe"
# The server sends a little of the package, then holds the connection: the progress page stays.
"$build/tools/pkgserve/pkgserve" --port 0 --stall-after 65536 "$work/packages" >"$work/pkgserve.out" 2>/dev/null &
pids="$!"
for _ in $(seq 100); do [ "$(wc -l <"$work/pkgserve.out")" -ge 2 ] && break; sleep 0.1; done
url=$(head -n 1 "$work/pkgserve.out")$(grep -m 1 '^/packages/' "$work/pkgserve.out")
"$installer" -downloadurl="$url" -language=1 2>"$work/installer.log" &
installer_pid=$!
pids="$installer_pid $pids"
wait_for 'first frame presented'
window=$(xdotool search --sync --class KelvoKidsInstaller | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "== CPU over $seconds s"
echo "-- first page, idle (the peer): $(cpu "$installer_pid")"
xdotool mousemove $((X + 300)) $((Y + 311)) click 1  # "自定义安装"
wait_for 'page 1'
xdotool mousemove $((X + 300)) $((Y + 169)) click 1 key ctrl+a type "$work/kelvoKids"
xdotool mousemove $((X + 300)) $((Y + 323)) click 1  # "立即安装"
wait_for 'page 2'
sleep 1
echo "-- progress page, download held: $(cpu "$installer_pid")"
