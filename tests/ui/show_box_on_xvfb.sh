#!/usr/bin/env bash
# kelvo-cli show of a box file on an X server: the box opens (with its shadow where a compositing
# manager runs), a click on "否" answers it, and "result 1" is printed. Run under xvfb-run.
set -euo pipefail
cli=$1
out=$(mktemp -d)
trap 'kill ${compositor:-} 2>/dev/null || true; rm -rf "$out"' EXIT
if command -v xcompmgr >/dev/null; then
  xcompmgr >/dev/null 2>&1 &
  compositor=$!
  sleep 0.5
fi
"$cli" show ExitTipWnd.xml > "$out/lines" &
shown=$!
for _ in $(seq 100); do grep -q '^window ' "$out/lines" && break; sleep 0.1; done
read -r _ x y width height < <(grep '^window ' "$out/lines")
[ "$width" = 360 ] && [ "$height" = 180 ]
if [ -n "${compositor:-}" ]; then
  for _ in $(seq 100); do xwininfo -root -tree | grep -q SkinShadowWnd && break; sleep 0.1; done
  xwininfo -root -tree | grep -q SkinShadowWnd
fi
# "否" (cancelBtn): 76 x 32, 20 from the right edge, 16 above the bottom. One click, at once: the
# box must take it even when it arrives as the window is mapped.
xdotool mousemove $((x + 360 - 20 - 38)) $((y + 180 - 16 - 16)) click 1
for _ in $(seq 100); do kill -0 "$shown" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$shown" 2>/dev/null; then
  kill "$shown"
  echo "the box did not answer the click" >&2
  exit 1
fi
wait "$shown"
grep -qx 'result 1' "$out/lines"
