#!/usr/bin/env bash
# Builds the static libraries of the Windows build from Debian's own sources (security patches
# included) into a prefix cached outside the clone, and prints the prefix's path as its last line.
#
# Usage: scripts/windows-deps.sh
#
# The prefix is $KELVO_CACHE/kelvo-windows/<key> (KELVO_CACHE defaults to ~/.cache), where <key>
# is a hash of this script, cmake/mingw-w64.cmake, the versions of the Debian sources and of the
# toolchain: when it exists, nothing is built. A build goes into a scratch folder that is renamed
# to <key> only once complete, so a stopped build is never taken for a prefix.
#
# Needs deb-src entries (scripts/setup-windows.sh adds them) and the packages of
# scripts/packages-windows.txt. KELVO_JOBS sets the build's parallelism (default: the cores).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${KELVO_CACHE:-$HOME/.cache}/kelvo-windows
jobs=${KELVO_JOBS:-$(nproc)}
toolchain=$root/cmake/mingw-w64.cmake
triplet=x86_64-w64-mingw32
zlib=/usr/$triplet/lib/libz.a

say() { echo "windows-deps: $*" >&2; }

# Source packages of the libraries we link; googletest and stb come from their -dev packages
# (/usr/src/googletest, /usr/include/stb), zlib prebuilt from libz-mingw-w64-dev.
source_packages=(xz-utils libarchive curl pugixml libjsoncpp)
binary_packages=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev libz-mingw-w64-dev googletest libstb-dev)

# The .dsc that `apt-get source` would fetch, one "name version file sha256" line per package.
describe_sources() {
  local package line
  for package in "${source_packages[@]}"; do
    line=$(apt-get source --print-uris -qq "$package" | grep -E "\.dsc' " | head -n 1) || true
    if [ -z "$line" ]; then
      say "no source package for $package: deb-src entries are missing (scripts/setup-windows.sh adds them)"
      return 1
    fi
    # 'URI' FILE SIZE SHA256:HASH, FILE being NAME_VERSION.dsc.
    set -- $line
    local file=$2 version=${2#*_}
    echo "$package ${version%.dsc} $file ${4#SHA256:}"
  done
}

sources=$(describe_sources)
versions=$(dpkg-query -W -f='${Package} ${Version}\n' "${binary_packages[@]}")
key=$( { cat "$root/scripts/windows-deps.sh" "$toolchain"; echo "$sources"; echo "$versions"; } | sha256sum | cut -c1-16)
prefix=$cache/$key

if [ -f "$prefix/kelvo-prefix.txt" ]; then
  echo "$prefix"
  exit 0
fi

mkdir -p "$cache"
# One build per key at a time: a second run waits and then finds the prefix made.
exec 9>"$cache/$key.lock"
flock 9
if [ -f "$prefix/kelvo-prefix.txt" ]; then
  echo "$prefix"
  exit 0
fi
# Under the lock, scratch folders of this key are left by stopped builds.
rm -rf "$cache/.$key".partial.*
work=$cache/.$key.partial.$$
stage=$work/prefix
mkdir -p "$work/logs" "$stage"
started=$SECONDS
say "building the Windows prefix $key (logs in $work/logs)"

# Sources: one folder per .dsc, shared by every key that uses it.
fetch_sources() {
  local package version file sha folder
  while read -r package version file sha; do
    folder=$cache/sources/${file%.dsc}
    [ -d "$folder" ] && continue
    say "fetching $package $version"
    rm -rf "$folder.partial"
    mkdir -p "$folder.partial"
    (cd "$folder.partial" && apt-get source -qq "$package=$version") >"$work/logs/source-$package.log" 2>&1 \
      || { tail -n 20 "$work/logs/source-$package.log" >&2; return 1; }
    mv "$folder.partial" "$folder"
  done <<<"$sources"
}

# The unpacked tree of a source package (the folder apt-get source made beside its files).
source_tree() {
  local file
  file=$(awk -v p="$1" '$1 == p { print $3 }' <<<"$sources")
  find "$cache/sources/${file%.dsc}" -mindepth 1 -maxdepth 1 -type d | head -n 1
}

run_logged() {
  local name=$1
  shift
  if ! "$@" >>"$work/logs/$name.log" 2>&1; then
    say "$name failed: $*"
    tail -n 30 "$work/logs/$name.log" >&2
    return 1
  fi
}

# Configures, builds and installs one CMake project into the stage. The empty emulator keeps the
# toolchain's Wine wrapper out: nothing here runs Windows programs.
cmake_build() {
  local name=$1 source=$2 target=$3
  shift 3
  say "building $name"
  run_logged "$name" cmake -S "$source" -B "$work/build/$name" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DKELVO_WINDOWS_PREFIX="$stage" -DCMAKE_CROSSCOMPILING_EMULATOR= \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$stage" -DBUILD_SHARED_LIBS=OFF "$@"
  run_logged "$name" cmake --build "$work/build/$name" -j "$jobs" ${target:+--target "$target"}
  [ -n "$target" ] || run_logged "$name" cmake --install "$work/build/$name"
}

build_liblzma() {
  # Without getopt_long the xz and xzdec programs are not configured: only the library is built.
  cmake_build liblzma "$(source_tree xz-utils)" "" -DBUILD_TESTING=OFF -DHAVE_GETOPT_LONG=OFF
}

build_libarchive() {
  # 7z (LZMA/LZMA2) and zip (deflate) are all the skin needs: no other compressor, no crypto, no
  # XML, no iconv, no programs. The ZLIB_WINAPI check wants to run a program, which a cross
  # build does not do; Debian's mingw zlib is built without ZLIB_WINAPI, so the answer is given.
  # liblzma is static: its header must not declare dllimport.
  local off=(MBEDTLS NETTLE OPENSSL LIBB2 LZ4 LZO ZSTD BZip2 LIBXML2 EXPAT PCREPOSIX LIBGCC CNG
             TAR CPIO CAT XATTR ACL ICONV TEST WERROR)
  off=("${off[@]/#/-DENABLE_}")
  cmake_build libarchive "$(source_tree libarchive)" archive_static \
    -DENABLE_ZLIB=ON -DENABLE_LZMA=ON "${off[@]/%/=OFF}" -DPOSIX_REGEX_LIB=NONE \
    -DZLIB_WINAPI=0 -DZLIB_WINAPI_WITH_LIB="$zlib" -DCMAKE_C_FLAGS=-DLZMA_API_STATIC
  local tree
  tree=$(source_tree libarchive)
  # Only the static library was built, so the install rules (which want the DLL too) are not
  # used; Windows names it libarchive_static.a.
  cp "$work/build/libarchive/libarchive/libarchive_static.a" "$stage/lib/libarchive.a"
  cp "$tree/libarchive/archive.h" "$tree/libarchive/archive_entry.h" "$stage/include/"
}

build_curl() {
  # HTTP and HTTPS over Schannel, nothing else: no other TLS library, protocol, compressor or
  # IDN/PSL/SSH library.
  cmake_build curl "$(source_tree curl)" "" \
    -DBUILD_CURL_EXE=OFF -DBUILD_TESTING=OFF -DENABLE_MANUAL=OFF -DHTTP_ONLY=ON \
    -DCURL_ENABLE_SSL=ON -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF \
    -DCURL_ZLIB=OFF -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DUSE_NGHTTP2=OFF -DUSE_LIBIDN2=OFF \
    -DUSE_WIN32_IDN=OFF -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DCURL_USE_LIBSSH=OFF \
    -DCURL_USE_GSSAPI=OFF -DENABLE_UNIX_SOCKETS=OFF -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON
}

build_pugixml() {
  cmake_build pugixml "$(source_tree pugixml)" "" -DPUGIXML_BUILD_TESTS=OFF
}

build_jsoncpp() {
  cmake_build jsoncpp "$(source_tree libjsoncpp)" "" -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF \
    -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF
}

build_googletest() {
  cmake_build googletest /usr/src/googletest "" -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON
}

build_stb() {
  # Debian links stb as a library (-lstb); here it is the image decoder alone, the one part used.
  say "building stb_image"
  mkdir -p "$work/build/stb" "$stage/include/stb"
  cp /usr/include/stb/stb_image.h "$stage/include/stb/"
  printf '#define STB_IMAGE_IMPLEMENTATION\n#include "stb_image.h"\n' >"$work/build/stb/stb_image.c"
  run_logged stb $triplet-gcc-posix -O2 -I"$stage/include/stb" -c "$work/build/stb/stb_image.c" \
    -o "$work/build/stb/stb_image.o"
  run_logged stb $triplet-ar rcs "$stage/lib/libstb.a" "$work/build/stb/stb_image.o"
}

# pkg-config files written here say what a static link needs (this prefix has no DLL) and find
# the prefix through their own place, so the prefix may be renamed.
write_pc() {
  local name=$1 version=$2 cflags=$3 libs=$4
  cat >"$stage/lib/pkgconfig/$name.pc" <<EOF
prefix=\${pcfiledir}/../..
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: $name
Description: $name, static, for the Kelvo Windows build
Version: $version
Cflags: $cflags
Libs: $libs
EOF
}

finish_prefix() {
  # Programs and documents of the host are of no use in a Windows prefix.
  rm -rf "$stage/bin" "$stage/share"
  mkdir -p "$stage/lib/pkgconfig"
  # The .pc files the projects installed name the stage; they are made relative to their place.
  sed -i "s|$stage|\${pcfiledir}/../..|g" "$stage"/lib/pkgconfig/*.pc
  # Debian's mingw zlib has an import library beside the static one, and a search for -lz in
  # its folder finds the import library first: the prefix names the static one alone.
  ln -s "$zlib" "$stage/lib/libz.a"
  write_pc zlib "$(upstream "$(dpkg-query -W -f='${Version}' libz-mingw-w64-dev)")" "" '-L${libdir} -lz'
  write_pc liblzma "$(upstream "$(version_of xz-utils)")" '-I${includedir} -DLZMA_API_STATIC' '-L${libdir} -llzma'
  write_pc libarchive "$(upstream "$(version_of libarchive)")" '-I${includedir} -DLIBARCHIVE_STATIC' \
    '-L${libdir} -larchive -llzma -lz'
  write_pc libcurl "$(upstream "$(version_of curl)")" '-I${includedir} -DCURL_STATICLIB' \
    '-L${libdir} -lcurl -lws2_32 -lcrypt32 -lbcrypt -ladvapi32 -lwinmm'
  write_pc stb "$(upstream "$(dpkg-query -W -f='${Version}' libstb-dev)")" '-I${includedir}/stb' '-L${libdir} -lstb'
  if grep -rIl "$stage" "$stage" >&2; then
    say "files above still name the scratch folder"
    return 1
  fi
  {
    echo "# Windows prefix $key, built $(date -u +%FT%TZ) in $((SECONDS - started)) s"
    echo "# source package, version, .dsc, sha256"
    echo "$sources"
    echo "# toolchain and -dev packages"
    echo "$versions"
  } >"$stage/kelvo-prefix.txt"
}

version_of() {
  awk -v p="$1" '$1 == p { print $2 }' <<<"$sources"
}

# A Debian version without its epoch and revision: what pkg-config compares.
upstream() {
  local version=${1#*:}
  echo "${version%-*}"
}

fetch_sources
build_liblzma
build_libarchive
build_curl
build_pugixml
build_jsoncpp
build_googletest
build_stb
finish_prefix

mv "$stage" "$prefix"
rm -rf "$work"
say "prefix $key built in $((SECONDS - started)) s"
echo "$prefix"
