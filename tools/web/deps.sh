#!/usr/bin/env bash
# Builds SDL2 and libopenmpt for WebAssembly from Debian's source packages, once, into a cache
# folder outside the work tree (reused by every later build and every clone on this machine).
# Prints the cache folder's path on its last line. Nothing is fetched but from Debian's archive:
# emscripten's own SDL2 port downloads from the internet, so it is not used.
#
# Environment: SOLMIRE_WEB_CACHE = the cache folder (default ~/.cache/solmire-web).
set -euo pipefail

cache=${SOLMIRE_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/solmire-web}
sdl_version=2.26.5
openmpt_version=0.6.9
prefix="$cache/sysroot"
stamp="$prefix/.built-sdl2-$sdl_version-openmpt-$openmpt_version"

if [[ -f $stamp ]]; then
  echo "$prefix"
  exit 0
fi

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then sudo_cmd=(sudo); fi

# apt-get source needs deb-src entries. Written beside the machine's own sources with the same
# addresses, for the release this machine runs; other archives (third-party ones) are left out.
add_source_entries() {
  local codename list=/etc/apt/sources.list.d/solmire-web-src.sources
  [[ -f $list ]] && return 0
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  [[ -n $codename ]] || { echo "solmire: cannot tell this machine's Debian release" >&2; exit 1; }
  local tmp
  tmp=$(mktemp)
  # deb822 files: each stanza of Types: deb for this release becomes a deb-src stanza.
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -f $f && $f != "$list" ]] || continue
    awk -v codename="$codename" '
      BEGIN { RS = ""; FS = "\n" }
      {
        keep = 0; types = 0
        for (i = 1; i <= NF; i++) {
          if ($i ~ /^Types:/ && $i ~ /[ \t]deb([ \t]|$)/) types = 1
          if ($i ~ /^Suites:/ && $i ~ ("[ \t]" codename "([ \t-]|$)")) keep = 1
        }
        if (!(keep && types)) next
        for (i = 1; i <= NF; i++) {
          if ($i ~ /^#/) continue
          if ($i ~ /^Types:/) print "Types: deb-src"; else print $i
        }
        print ""
      }' "$f" >>"$tmp"
  done
  # One-line files: "deb URI SUITE ..." for this release becomes "deb-src ...".
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f $f ]] || continue
    awk -v codename="$codename" '
      $1 == "deb" {
        for (i = 2; i <= NF; i++) if ($i ~ ("^" codename "(-|$)")) { $1 = "deb-src"; print; next }
      }' "$f" | while read -r line; do
        # Written as deb822 so one file holds both kinds.
        set -- $line
        shift
        local opts=""
        if [[ $1 == \[* ]]; then opts=$1; shift; fi
        local uri=$1 suite=$2; shift 2
        printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n\n' "$uri" "$suite" "$*"
      done >>"$tmp"
  done
  if [[ ! -s $tmp ]]; then
    rm -f "$tmp"
    echo "solmire: found no Debian archive in this machine's apt sources to fetch sources from" >&2
    exit 1
  fi
  "${sudo_cmd[@]}" install -m 644 "$tmp" "$list"
  rm -f "$tmp"
  "${sudo_cmd[@]}" apt-get update -qq
}

fetch_source() {
  local package=$1 version=$2 dir=$3
  if [[ -d $dir ]]; then return 0; fi
  echo "solmire: fetching the source package $package from Debian's archive" >&2
  local work="$cache/src/.fetch-$package"
  rm -rf "$work"
  mkdir -p "$work"
  (cd "$work" && apt-get source -qq --download-only "$package" >/dev/null 2>&1 ||
     apt-get source -qq --download-only "$package")
  local dsc
  dsc=$(ls "$work"/*.dsc | head -n 1)
  (cd "$work" && dpkg-source -q -x "$(basename "$dsc")" unpacked >/dev/null)
  local got
  got=$(sed -n 's/^Version: \([^-]*\).*/\1/p' "$dsc" | sed 's/^[0-9]*://; s/+dfsg.*//; s/~.*//')
  if [[ $got != "$version" ]]; then
    echo "solmire: Debian's $package is $got; this build is made for $version (going on)" >&2
  fi
  mv "$work/unpacked" "$dir"
  rm -rf "$work"
}

build_sdl() {
  local src=$1 out="$cache/build-sdl2"
  echo "solmire: building SDL2 for WebAssembly (once; about 8 minutes)" >&2
  rm -rf "$out"
  # Threads off: the show's web build runs on the page's thread, and pthreads in the browser
  # need cross-origin isolation a plain local server does not give.
  emcmake cmake -S "$src" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_THREADS=OFF >"$cache/sdl2-configure.log" 2>&1 ||
    { tail -n 30 "$cache/sdl2-configure.log" >&2; exit 1; }
  cmake --build "$out" >"$cache/sdl2-build.log" 2>&1 || { tail -n 30 "$cache/sdl2-build.log" >&2; exit 1; }
  cmake --install "$out" >/dev/null
}

build_openmpt() {
  local src=$1
  echo "solmire: building libopenmpt for WebAssembly (once; about 5 minutes)" >&2
  local without=()
  local lib
  for lib in zlib mpg123 ogg vorbis vorbisfile pulseaudio portaudio portaudiocpp sdl2 sndfile flac; do
    without+=("--without-$lib")
  done
  # The library throws and catches C++ exceptions internally; without -fexceptions a throw
  # aborts the program.
  (cd "$src" &&
     CFLAGS="-O2 -fexceptions" CXXFLAGS="-O2 -fexceptions" \
       emconfigure ./configure --prefix="$prefix" --disable-shared --enable-static \
       --disable-openmpt123 --disable-examples --disable-tests --disable-doxygen-doc \
       "${without[@]}" >"$cache/openmpt-configure.log" 2>&1) ||
    { tail -n 30 "$cache/openmpt-configure.log" >&2; exit 1; }
  (cd "$src" && emmake make -j"$(nproc 2>/dev/null || echo 2)" >"$cache/openmpt-build.log" 2>&1 &&
     emmake make install >>"$cache/openmpt-build.log" 2>&1) ||
    { tail -n 30 "$cache/openmpt-build.log" >&2; exit 1; }
}

# autoconf's run checks run wasm under node, and emcc's optimiser is a node program.
source "$(dirname "$0")/build.sh"
solmire_web_env

mkdir -p "$cache/src" "$prefix"
add_source_entries
start=$(date +%s)
fetch_source libsdl2 "$sdl_version" "$cache/src/sdl2"
fetch_source libopenmpt "$openmpt_version" "$cache/src/libopenmpt"
[[ -f $prefix/lib/libSDL2.a ]] || build_sdl "$cache/src/sdl2"
[[ -f $prefix/lib/libopenmpt.a ]] || build_openmpt "$cache/src/libopenmpt"
echo "solmire: the web libraries took $(( $(date +%s) - start )) s to build (kept in $cache)" >&2
touch "$stamp"
echo "$prefix"
