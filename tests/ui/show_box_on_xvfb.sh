#!/usr/bin/env bash
# kelvo-cli show of a box file on an X server, once or for --rounds N: each time the box opens
# (with its shadow where a compositing manager runs), one click on "否" answers it, and "result 1"
# is printed. Prints how many rounds ended so and fails unless all did. Run under xvfb-run with
# -noreset: between rounds the server may be left without a client, and a server that resets then
# refuses the next round's connection for a moment.
#   show_box_on_xvfb.sh [--rounds N] KELVO-CLI
set -euo pipefail
rounds=1
if [ "${1:-}" = --rounds ]; then
  rounds=$2
  shift 2
fi
cli=$1
out=$(mktemp -d)
trap 'kill ${compositor:-} ${shown:-} 2>/dev/null || true; rm -rf "$out"' EXIT
if command -v xcompmgr >/dev/null; then
  xcompmgr >/dev/null 2>&1 &
  compositor=$!
  sleep 0.5
fi

# One round; its failure is said on standard error.
round() {
  local x y width height
  "$cli" show ExitTipWnd.xml >"$out/lines" 2>"$out/log" &
  shown=$!
  for _ in $(seq 100); do grep -q '^window ' "$out/lines" && break; sleep 0.1; done
  if ! read -r _ x y width height < <(grep '^window ' "$out/lines"); then
    echo "the box did not open" >&2
    return 1
  fi
  if [ "$width" != 360 ] || [ "$height" != 180 ]; then
    echo "the box is ${width}x$height, not 360x180" >&2
    return 1
  fi
  if [ -n "${compositor:-}" ]; then
    for _ in $(seq 100); do xwininfo -root -tree | grep -q SkinShadowWnd && break; sleep 0.1; done
    if ! xwininfo -root -tree | grep -q SkinShadowWnd; then
      echo "the box has no shadow window" >&2
      return 1
    fi
  fi
  # "否" (cancelBtn): 76 x 32, 20 from the right edge, 16 above the bottom. One click, at once:
  # the box must take it even when it arrives as the window is mapped.
  xdotool mousemove $((x + 360 - 20 - 38)) $((y + 180 - 16 - 16)) click 1
  for _ in $(seq 100); do kill -0 "$shown" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$shown" 2>/dev/null; then
    kill "$shown"
    wait "$shown" 2>/dev/null || true
    shown=
    echo "the box did not answer the click" >&2
    return 1
  fi
  local status=0
  wait "$shown" || status=$?
  shown=
  if [ "$status" != 0 ] || ! grep -qx 'result 1' "$out/lines"; then
    echo "kelvo-cli show ended with $status, printing: $(tr '\n' ' ' <"$out/lines")" >&2
    return 1
  fi
}

answered=0
x_errors=0
for i in $(seq "$rounds"); do
  if round; then
    answered=$((answered + 1))
  else
    echo "round $i failed; the end of its log:" >&2
    tail -n 5 "$out/log" >&2
  fi
  # Errors about windows that were already gone are logged and ignored, never fatal.
  if grep -qi 'X error' "$out/log"; then x_errors=$((x_errors + 1)); fi
done
echo "$answered of $rounds rounds ended with \"result 1\" ($x_errors logged an X error)"
[ "$answered" = "$rounds" ]
