#!/usr/bin/env bash
# Installs the Debian packages Solmire builds with, only those that are missing, and configures
# build trees. Sourced by ./play (the show alone) and ./test (the show, its tests, benchmarks and
# fuzzers); quiet when everything is already there.
set -euo pipefail

# What the show and its tools need: a compiler, CMake, Ninja, SDL2, libopenmpt and libpng.
SOLMIRE_PLAY_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libsdl2-dev libopenmpt-dev libpng-dev
)
# What the checks add: GoogleTest, Google Benchmark, X tools for the window test, ffmpeg for the
# video capture test, clang for the fuzzers (its libFuzzer runtime is chosen below, to match the
# clang installed). The show itself does not need ffmpeg: without it a capture writes pictures.
SOLMIRE_TEST_PACKAGES=(
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-apps
  ffmpeg
  clang
)

solmire_apt_updated=0

solmire_install() {
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  echo "solmire: installing ${missing[*]}" >&2
  solmire_apt_update
  "${solmire_sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

solmire_apt_update() {
  if ((solmire_apt_updated == 0)); then
    "${solmire_sudo[@]}" apt-get update -qq
    solmire_apt_updated=1
  fi
}

# The libFuzzer and sanitizer runtime of the installed clang: a package of its own from clang 15
# on (libclang-rt-N-dev, Debian 12 and 13), part of libclang-common-N-dev before.
solmire_clang_runtime() {
  local major
  major=$(clang --version 2>/dev/null | sed -n 's/.*clang version \([0-9][0-9]*\).*/\1/p' | head -n 1)
  [[ -n $major ]] || return 0
  local rt="libclang-rt-$major-dev"
  if dpkg-query -W -f='${Status}' "$rt" 2>/dev/null | grep -q "install ok installed"; then
    return 0
  fi
  if ! apt-cache show "$rt" >/dev/null 2>&1; then
    solmire_apt_update
  fi
  if apt-cache show "$rt" >/dev/null 2>&1; then
    solmire_install "$rt"
  else
    solmire_install "libclang-common-$major-dev"
  fi
}

# solmire_setup play|test: what ./play or ./test needs.
solmire_setup() {
  solmire_sudo=()
  if [[ $(id -u) -ne 0 ]]; then solmire_sudo=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  if [[ ${1:-test} == play ]]; then
    solmire_install "${SOLMIRE_PLAY_PACKAGES[@]}"
  else
    solmire_install "${SOLMIRE_PLAY_PACKAGES[@]}" "${SOLMIRE_TEST_PACKAGES[@]}"
    solmire_clang_runtime
  fi
}

# Configures one tree when it is new or was configured with other options, then builds it.
# $1 = build dir, rest = cmake options. The options a tree was made with are kept in
# DIR/solmire-options; a change starts the cache afresh, so an option left out goes back to its
# default instead of keeping its old value. Environment: SOLMIRE_TARGETS = targets to build
# (default: all).
solmire_build() {
  local dir=$1; shift
  local wanted="$* CXX=${CXX:-}"
  if [[ ! -f "$dir/build.ninja" || ! -f "$dir/solmire-options" || $(<"$dir/solmire-options") != "$wanted" ]]; then
    rm -f "$dir/CMakeCache.txt"
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    printf '%s' "$wanted" >"$dir/solmire-options"
  fi
  solmire_build_existing "$dir"
}

solmire_build_existing() {
  # shellcheck disable=SC2086
  cmake --build "$1" ${SOLMIRE_TARGETS:+--target $SOLMIRE_TARGETS} -- --quiet
}
