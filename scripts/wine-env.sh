# Wine for the Windows tests; sourced by scripts/wine-run.sh (CTest's emulator) and
# scripts/test.sh.
#
#   kelvo_wine_env PREFIX   the private Wine prefix and the quiet settings, exported
#   kelvo_wine_start        makes the prefix when new, then one wineserver that stays up
#   kelvo_wine_stop         ends that server and every Wine process of the prefix
#
# Each Wine start otherwise brings up its own wineserver, which inherits the starter's streams:
# under CTest that is the test's output pipe, and CTest waits seconds for the server to let go
# of it. A server started once with its streams on /dev/null, and warmed so that Wine's own
# services start from it too, lets a test program come and go in about 0.3 s.

kelvo_wine_env() {
  export WINEPREFIX=$1
  export WINEARCH=win64
  export WINEDEBUG=${KELVO_WINEDEBUG:--all}
  # No prompt to install Mono or Gecko: nothing of ours needs .NET or the HTML engine.
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# Seconds the server stays up after the last program ends: long enough for a build's test
# discovery and CTest to share it, short enough that a forgotten one goes away by itself.
KELVO_WINE_PERSIST=${KELVO_WINE_PERSIST:-600}

kelvo_wine_start() {
  mkdir -p "$(dirname "$WINEPREFIX")"
  # Parallel tests start here together: one makes the prefix and the server, the others wait.
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      wineboot --init </dev/null >"$WINEPREFIX.boot.log" 2>&1 9>&-
      # The registry is written when that first server ends.
      wineserver -w 9>&-
    fi
    # 0: this call started the server; 2: one is already running for the prefix.
    local status=0
    wineserver -p"$KELVO_WINE_PERSIST" </dev/null >/dev/null 2>&1 9>&- || status=$?
    if [ "$status" -eq 0 ]; then
      wine cmd /c exit </dev/null >/dev/null 2>&1 9>&-
    elif [ "$status" -ne 2 ]; then
      echo "wine: wineserver failed to start ($status)" >&2
      exit 1
    fi
  ) 9>"$WINEPREFIX.lock"
}

kelvo_wine_stop() {
  wineserver -k </dev/null >/dev/null 2>&1 || true
}
