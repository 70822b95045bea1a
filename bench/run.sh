#!/usr/bin/env bash
# Download benchmark: one large package served by nginx on loopback, fetched in alternating rounds
# by engines 1, 3 and 2 of kelvo-cli and by the curl tool, under its MD5 address and under its
# SHA-256 address; a smaller package behind a per-connection rate cap (nginx limit_rate), fetched
# by curl and engine 3; the package digests timed against md5sum and sha256sum.
#
#   bench/run.sh [--size MIB] [--rounds N] [--build DIR] [--server nginx|pkgserve]
#                [--capped-size MIB] [--cap MIB_PER_SECOND]
#
# Prints each round, then medians, ratios to curl, md5sum and sha256sum and the peak resident
# memory of every downloading process. The machine is shared, so the tools alternate inside each
# round and the medians are what counts. Nothing here runs in CI.
set -euo pipefail

SOURCE="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SIZE_MIB=512
ROUNDS=3
BUILD="$SOURCE/build-bench"
SERVER_CHOICE=nginx
CAPPED_MIB=128
CAP_MIB=16

usage() {
    echo "usage: bench/run.sh [--size MIB] [--rounds N] [--build DIR] [--server nginx|pkgserve]" \
         "[--capped-size MIB] [--cap MIB_PER_SECOND]" >&2
    exit 2
}
while [[ $# -gt 0 ]]; do
    case "$1" in
        --size) SIZE_MIB="${2:?}"; shift 2 ;;
        --rounds) ROUNDS="${2:?}"; shift 2 ;;
        --build) BUILD="${2:?}"; shift 2 ;;
        --server) SERVER_CHOICE="${2:?}"; shift 2 ;;
        --capped-size) CAPPED_MIB="${2:?}"; shift 2 ;;
        --cap) CAP_MIB="${2:?}"; shift 2 ;;
        *) usage ;;
    esac
done
[[ "$SIZE_MIB" =~ ^[0-9]+$ && "$SIZE_MIB" -ge 2 ]] || usage
[[ "$ROUNDS" =~ ^[0-9]+$ && "$ROUNDS" -ge 1 ]] || usage
[[ "$CAPPED_MIB" =~ ^[0-9]+$ && "$CAPPED_MIB" -ge 0 ]] || usage
[[ "$CAP_MIB" =~ ^[0-9]+$ && "$CAP_MIB" -ge 1 ]] || usage
[[ "$SERVER_CHOICE" == nginx || "$SERVER_CHOICE" == pkgserve ]] || usage

say() { echo "bench: $*" >&2; }

# --- tools ---------------------------------------------------------------------------------------
NGINX="$(command -v nginx || true)"
[[ -z "$NGINX" && -x /usr/sbin/nginx ]] && NGINX=/usr/sbin/nginx
# What the build needs, and the benchmark's own tools: GNU time, curl, nginx when asked for.
extra=(time curl)
[[ -z "$NGINX" && "$SERVER_CHOICE" == nginx ]] && extra+=(nginx-light)
"$SOURCE/scripts/install-packages.sh" "${extra[@]}" || say "some packages could not be installed"
NGINX="$(command -v nginx || true)"
[[ -z "$NGINX" && -x /usr/sbin/nginx ]] && NGINX=/usr/sbin/nginx
[[ -x /usr/bin/time ]] || { say "GNU time is missing (package time)"; exit 1; }
command -v curl >/dev/null || { say "curl is missing"; exit 1; }

say "building in $BUILD"
# RelWithDebInfo is the build the product ships from.
cmake -S "$SOURCE" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD" -j2 --target kelvo-cli md5_bench >/dev/null
CLI="$BUILD/tools/kelvo-cli/kelvo-cli"
MD5_BENCH="$BUILD/bench/md5_bench"

# --- the packages, made once and kept between runs ------------------------------------------------
CACHE="${XDG_CACHE_HOME:-$HOME/.cache}/kelvo-bench"
mkdir -p "$CACHE"
# make_package MIB: prints the path; its digests beside it in .md5 and .sha256.
make_package() {
    local package="$CACHE/big-${1}M.bin"
    if [[ ! -s "$package" || ! -s "$package.md5" ]]; then
        say "creating $package"
        head -c "${1}M" /dev/urandom >"$package.tmp"
        md5sum "$package.tmp" | cut -d' ' -f1 >"$package.md5"
        mv "$package.tmp" "$package"
    fi
    [[ -s "$package.sha256" ]] || sha256sum "$package" | cut -d' ' -f1 >"$package.sha256"
    echo "$package"
}
PACKAGE="$(make_package "$SIZE_MIB")"
MD5="$(cat "$PACKAGE.md5")"
SHA256="$(cat "$PACKAGE.sha256")"
CAPPED=""
if [[ "$CAPPED_MIB" -gt 0 ]]; then
    CAPPED="$(make_package "$CAPPED_MIB")"
    CAPPED_MD5="$(cat "$CAPPED.md5")"
fi

WORK="$(mktemp -d /tmp/kelvo-bench.XXXXXX)"
SERVER_PID=""
cleanup() {
    if [[ -n "$SERVER_PID" ]]; then
        kill "$SERVER_PID" 2>/dev/null || true
        wait "$SERVER_PID" 2>/dev/null || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# --- the server -----------------------------------------------------------------------------------
mkdir -p "$WORK/www/packages/$MD5" "$WORK/www/packages/$SHA256" "$WORK/nginx/logs"
ln -s "$PACKAGE" "$WORK/www/packages/$MD5/big.bin"
ln -s "$PACKAGE" "$WORK/www/packages/$SHA256/big.bin"
if [[ -n "$CAPPED" ]]; then
    mkdir -p "$WORK/www/packages/$CAPPED_MD5"
    ln -s "$CAPPED" "$WORK/www/packages/$CAPPED_MD5/capped.bin"
fi
SERVER=""

start_nginx() {
    local port="$1"
    cat >"$WORK/nginx/nginx.conf" <<EOF
daemon off;
master_process off;
worker_processes 1;
pid $WORK/nginx/nginx.pid;
error_log $WORK/nginx/logs/error.log warn;
events { worker_connections 64; }
http {
    access_log off;
    sendfile on;
    tcp_nopush on;
    default_type application/octet-stream;
    client_body_temp_path $WORK/nginx/body;
    proxy_temp_path $WORK/nginx/proxy;
    fastcgi_temp_path $WORK/nginx/fastcgi;
    uwsgi_temp_path $WORK/nginx/uwsgi;
    scgi_temp_path $WORK/nginx/scgi;
    server {
        listen 127.0.0.1:$port;
        root $WORK/www;
        # The same tree again, each connection held to the cap, as many download servers do.
        location /capped/ {
            alias $WORK/www/;
            limit_rate ${CAP_MIB}m;
        }
    }
}
EOF
    "$NGINX" -p "$WORK/nginx" -c "$WORK/nginx/nginx.conf" 2>>"$WORK/nginx/logs/start.log" &
    SERVER_PID=$!
    for _ in $(seq 50); do
        if curl -sfI "http://127.0.0.1:$port/packages/$MD5/big.bin" >/dev/null 2>&1; then
            SERVER="nginx $("$NGINX" -v 2>&1 | sed 's/.*nginx\///')"
            BASE="http://127.0.0.1:$port"
            return 0
        fi
        kill -0 "$SERVER_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill "$SERVER_PID" 2>/dev/null || true
    wait "$SERVER_PID" 2>/dev/null || true
    SERVER_PID=""
    return 1
}

start_pkgserve() {
    cmake --build "$BUILD" -j2 --target pkgserve >/dev/null 2>&1 || return 1
    local program
    program="$(find "$BUILD/tools" -type f -name pkgserve -perm -u+x | head -n 1)"
    [[ -n "$program" ]] || return 1
    mkdir -p "$WORK/pkgserve"
    # pkgserve publishes regular files only.
    ln "$PACKAGE" "$WORK/pkgserve/big.bin" 2>/dev/null || cp "$PACKAGE" "$WORK/pkgserve/big.bin"
    coproc PKGSERVE { exec "$program" --port 0 "$WORK/pkgserve"; }
    SERVER_PID=$PKGSERVE_PID
    local line=""
    read -r -t 10 line <&"${PKGSERVE[0]}" || return 1
    BASE="${line%/}"
    SERVER="pkgserve"
}

if [[ -n "$NGINX" && "$SERVER_CHOICE" == nginx ]]; then
    for _ in 1 2 3 4 5; do
        start_nginx $((20000 + RANDOM % 40000)) && break
    done
fi
if [[ -z "$SERVER" ]]; then
    say "nginx did not start; trying tools/pkgserve"
    start_pkgserve || { say "no server could be started"; exit 1; }
fi
URL="$BASE/packages/$MD5/big.bin"
SHA_URL="$BASE/packages/$SHA256/big.bin"
say "serving ${SIZE_MIB} MiB from $SERVER at $URL and $SHA_URL"
if [[ -n "$CAPPED" && "$SERVER" != nginx* ]]; then
    say "$SERVER cannot cap connections: no capped rows"
    CAPPED=""
fi
[[ -n "$CAPPED" ]] && CAPPED_URL="$BASE/capped/packages/$CAPPED_MD5/capped.bin"

# --- one timed run --------------------------------------------------------------------------------
now() { date +%s.%N; }
OUT="$WORK/out/big.bin"
mkdir -p "$WORK/out"
declare -A TIMES PEAKS VERIFY

# The moment the body is complete, from the engine's own log (local time, milliseconds): for
# engine 1 the end of the transfer, for engine 3 the end of the merge; engine 2 logs none.
body_done() {
    local engine="${1%%-*}" log="$2" pattern
    case "$engine" in
        1) pattern='CurlClient::Start.*end download' ;;
        3) pattern='partPath::' ;;
        *) return 1 ;;
    esac
    local stamp
    stamp="$(grep -a "$pattern" "$log" | tail -n 1 | sed -n 's/.*<\([0-9-]* [0-9:.]*\)>(.*/\1/p')"
    [[ -n "$stamp" ]] || return 1
    date -d "$stamp" +%s.%N
}

# run_one NAME MIB EXPECTED_MD5 COMMAND...
run_one() {
    local name="$1" mib="$2" expected="$3"; shift 3
    rm -rf "$WORK/out" && mkdir -p "$WORK/out"
    sync
    local start end
    start="$(now)"
    if ! /usr/bin/time -f '%M' -o "$WORK/peak" "$@" >"$WORK/stdout" 2>"$WORK/stderr"; then
        say "$name failed:"; tail -n 5 "$WORK/stdout" "$WORK/stderr" >&2; exit 1
    fi
    end="$(now)"
    local seconds peak
    seconds="$(echo "$end - $start" | bc -l)"
    peak="$(tail -n 1 "$WORK/peak")"
    [[ "$(md5sum "$OUT" | cut -d' ' -f1)" == "$expected" ]] || { say "$name wrote a wrong file"; exit 1; }
    TIMES[$name]+="$seconds "
    [[ -z "${PEAKS[$name]:-}" || "$peak" -gt "${PEAKS[$name]}" ]] && PEAKS[$name]="$peak"
    local verify="-"
    if [[ "$name" == engine* ]]; then
        local done
        if done="$(body_done "${name#engine}" "$WORK/stderr")"; then
            verify="$(echo "$end - $done" | bc -l)"
            VERIFY[$name]+="$verify "
        fi
    fi
    printf '  %-15s %7.3f s  %6.0f MiB/s  peak %6.1f MiB  after body %s\n' "$name" "$seconds" \
        "$(echo "$mib / $seconds" | bc -l)" "$(echo "$peak / 1024" | bc -l)" \
        "$( [[ "$verify" == - ]] && echo - || printf '%.3f s' "$verify")" >&2
}

# time_tool NAME COMMAND...: one timed run of a system tool.
time_tool() {
    local name="$1" start end; shift
    start="$(now)"
    "$@" >/dev/null
    end="$(now)"
    TIMES[$name]+="$(echo "$end - $start" | bc -l) "
}

# bench_digest NAME EXPECTED [--sha256]: one timed run of our digest; its seconds in LAST.
bench_digest() {
    local name="$1" expected="$2" line; shift 2
    line="$("$MD5_BENCH" "$@" "$PACKAGE")"
    [[ "${line%% *}" == "$expected" ]] || { say "$name gave ${line%% *}"; exit 1; }
    TIMES[$name]+="${line##* } "
    LAST="${line##* }"
}

digest_round() {
    local md5
    time_tool md5sum md5sum "$PACKAGE"
    bench_digest GetFileMd5 "$MD5"
    md5="$LAST"
    time_tool sha256sum sha256sum "$PACKAGE"
    bench_digest GetFileSha256 "$SHA256" --sha256
    printf '  GetFileMd5 %7.3f s   GetFileSha256 %7.3f s\n' "$md5" "$LAST" >&2
}

median() { tr ' ' '\n' | sed '/^$/d' | sort -g | awk '{v[NR]=$1} END {if (NR%2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }

# What kelvo-cli holds before any download: its shared libraries.
/usr/bin/time -f '%M' -o "$WORK/peak" "$CLI" >/dev/null 2>&1 || true
IDLE_PEAK="$(tail -n 1 "$WORK/peak")"
# Warm the page cache so the first tool does not pay for the disk.
cat "$PACKAGE" >/dev/null
for round in $(seq "$ROUNDS"); do
    say "round $round of $ROUNDS"
    run_one curl "$SIZE_MIB" "$MD5" curl -s -o "$OUT" "$URL"
    for engine in 1 3 2; do
        run_one "engine$engine" "$SIZE_MIB" "$MD5" "$CLI" fetch --engine "$engine" "$URL" "$OUT"
        run_one "engine$engine-sha256" "$SIZE_MIB" "$MD5" "$CLI" fetch --engine "$engine" "$SHA_URL" "$OUT"
    done
    if [[ -n "$CAPPED" ]]; then
        run_one curl-capped "$CAPPED_MIB" "$CAPPED_MD5" curl -s -o "$OUT" "$CAPPED_URL"
        run_one engine3-capped "$CAPPED_MIB" "$CAPPED_MD5" "$CLI" fetch --engine 3 "$CAPPED_URL" "$OUT"
    fi
    digest_round
done

# --- report ---------------------------------------------------------------------------------------
curl_median="$(echo "${TIMES[curl]}" | median)"
echo
echo "${SIZE_MIB} MiB over loopback from $SERVER, $ROUNDS rounds, medians; $(nproc) cores"
printf '%-15s %9s %9s %10s %12s %14s\n' tool seconds MiB/s "x curl" "peak MiB" "after body s"
row() {  # row NAME MIB CURL_MEDIAN
    local name="$1" mib="$2" reference="$3" m v="-"
    m="$(echo "${TIMES[$name]}" | median)"
    [[ -n "${VERIFY[$name]:-}" ]] && v="$(printf '%.3f' "$(echo "${VERIFY[$name]}" | median)")"
    printf '%-15s %9.3f %9.0f %10.2f %12.1f %14s\n' "$name" "$m" "$(echo "$mib / $m" | bc -l)" \
        "$(echo "$reference / $m" | bc -l)" "$(echo "${PEAKS[$name]} / 1024" | bc -l)" "$v"
}
for name in curl engine1 engine3 engine2 engine1-sha256 engine3-sha256 engine2-sha256; do
    row "$name" "$SIZE_MIB" "$curl_median"
done
for name in engine1 engine3 engine1-sha256 engine3-sha256; do
    [[ -n "${VERIFY[$name]:-}" ]] || continue
    m="$(echo "${TIMES[$name]}" | median)"
    v="$(echo "${VERIFY[$name]}" | median)"
    printf '%-15s %9.3f %9.0f %10.2f %12s %14s\n' "${name}-body" "$(echo "$m - $v" | bc -l)" \
        "$(echo "$SIZE_MIB / ($m - $v)" | bc -l)" "$(echo "$curl_median / ($m - $v)" | bc -l)" - -
done
if [[ -n "$CAPPED" ]]; then
    echo "${CAPPED_MIB} MiB, every connection capped at ${CAP_MIB} MiB/s (x curl through the same cap)"
    capped_median="$(echo "${TIMES[curl-capped]}" | median)"
    row curl-capped "$CAPPED_MIB" "$capped_median"
    row engine3-capped "$CAPPED_MIB" "$capped_median"
fi
printf '%-15s %9s %9s %10s %12.1f   (kelvo-cli doing nothing)\n' idle - - - "$(echo "$IDLE_PEAK / 1024" | bc -l)"
for pair in "md5sum GetFileMd5" "sha256sum GetFileSha256"; do
    set -- $pair
    tool_median="$(echo "${TIMES[$1]}" | median)"
    ours="$(echo "${TIMES[$2]}" | median)"
    printf '%-15s %9.3f %9.0f %10s\n' "$1" "$tool_median" "$(echo "$SIZE_MIB / $tool_median" | bc -l)" -
    printf '%-15s %9.3f %9.0f %10.2f  (x %s)\n' "$2" "$ours" "$(echo "$SIZE_MIB / $ours" | bc -l)" \
        "$(echo "$tool_median / $ours" | bc -l)" "$1"
    # An engine that checks the digest cannot end before one digest of the whole package: where
    # that takes longer than curl's whole transfer, it bounds every engine's ratio to curl.
    printf '%-15s %9.3f %9s %10.2f  (one %s: the most a checking engine can reach)\n' "bound-$2" "$ours" - \
        "$(echo "$curl_median / $ours" | bc -l)" "$2"
done
echo "goals: engines 1 >= 0.90 and 3 >= 0.80 x curl, SHA-256 rows no slower than MD5 rows," \
     "engine3-capped near 2 x curl-capped, peak < 16 MiB"
