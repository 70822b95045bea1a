#!/usr/bin/env bash
# Sets up the Windows build: installs the missing packages of scripts/packages-windows.txt, adds
# Debian's source entries to apt when it has none, builds the static libraries into a prefix
# cached outside the clone (scripts/windows-deps.sh; a second run finds them), then configures
# and builds the tree for Windows with cmake/mingw-w64.cmake.
# Usage: scripts/setup-windows.sh [build-dir] [extra cmake arguments...]   (default: build-windows)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-windows}
shift || true

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

# deb-src entries of the Debian archives apt already uses for this release, from the deb822
# stanzas (Types: deb) and the one-line entries that name it. Other archives are left out: a
# third-party repository without sources would make apt-get update fail.
source_entries() {
  local codename
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  awk -v codename="$codename" '
    BEGIN { RS = ""; FS = "\n" }
    {
      types = ""; enabled = ""; suites = ""
      for (i = 1; i <= NF; i++) {
        if ($i ~ /^Types:/) types = $i
        else if ($i ~ /^Enabled:/) enabled = $i
        else if ($i ~ /^Suites:/) suites = $i
      }
      if (types !~ /[[:space:]]deb([[:space:]]|$)/ || types ~ /deb-src/ || enabled ~ /no/) next
      if (suites !~ "[[:space:]]" codename "([-[:space:]]|$)") next
      for (i = 1; i <= NF; i++) {
        if ($i ~ /^#/) continue
        print ($i ~ /^Types:/ ? "Types: deb-src" : $i)
      }
      print ""
    }' /dev/null /etc/apt/sources.list.d/*.sources 2>/dev/null || true
  grep -hE "^[[:space:]]*deb[[:space:]].*[[:space:]]$codename(-[a-z]+)?[[:space:]]" \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
    sed -E 's/^[[:space:]]*deb[[:space:]]/deb-src /' >"$1.list-entries" || true
}

has_deb_src() {
  grep -qsE '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list ||
    grep -qsE '^Types:.*[[:space:]]deb-src([[:space:]]|$)' /etc/apt/sources.list.d/*.sources
}

# apt-get source needs deb-src entries; a machine may have binary ones only. They go into files
# of our own, which nothing else writes.
enable_deb_src() {
  apt-get source --print-uris -qq xz-utils >/dev/null 2>&1 && return 0
  local added=()
  if ! has_deb_src; then
    local scratch
    scratch=$(mktemp)
    source_entries "$scratch" >"$scratch"
    if [ -s "$scratch" ]; then
      "${sudo_cmd[@]}" cp "$scratch" /etc/apt/sources.list.d/kelvo-deb-src.sources
      added+=(/etc/apt/sources.list.d/kelvo-deb-src.sources)
    fi
    if [ -s "$scratch.list-entries" ]; then
      "${sudo_cmd[@]}" cp "$scratch.list-entries" /etc/apt/sources.list.d/kelvo-deb-src.list
      added+=(/etc/apt/sources.list.d/kelvo-deb-src.list)
    fi
    rm -f "$scratch" "$scratch.list-entries"
    [ ${#added[@]} -gt 0 ] || { echo "setup-windows: no Debian entry in apt's sources to add deb-src for" >&2; return 1; }
    echo "setup-windows: added deb-src entries: ${added[*]}"
  fi
  if ! "${sudo_cmd[@]}" apt-get update -qq || ! apt-get source --print-uris -qq xz-utils >/dev/null 2>&1; then
    # Leave apt as it was rather than with entries that break its updates.
    [ ${#added[@]} -eq 0 ] || "${sudo_cmd[@]}" rm -f "${added[@]}"
    echo "setup-windows: apt cannot fetch Debian's sources" >&2
    return 1
  fi
}

"$root/scripts/install-packages.sh" --list "$root/scripts/packages-windows.txt"
enable_deb_src
prefix=$("$root/scripts/windows-deps.sh" | tail -n 1)

# A build folder last configured here against another prefix (older sources, another
# toolchain), or configured by hand, starts afresh: CMake's cache keeps the libraries it found.
fresh=()
if [ -f "$build/CMakeCache.txt" ] && [ "$(cat "$build/kelvo-windows-prefix" 2>/dev/null)" != "$prefix" ]; then
  fresh=(--fresh)
fi
cmake "${fresh[@]}" -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DKELVO_WINDOWS_PREFIX="$prefix" -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
echo "$prefix" >"$build/kelvo-windows-prefix"
cmake --build "$build"
