#!/usr/bin/env bash
# Installs the Debian packages Solmire builds with, only those that are missing.
# Sourced by ./test and ./play; quiet when everything is already there.
set -euo pipefail

SOLMIRE_PACKAGES=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libopenmpt-dev libpng-dev
  xvfb xdotool x11-apps
  clang libclang-rt-14-dev
)

solmire_setup() {
  local missing=()
  local p
  for p in "${SOLMIRE_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  echo "solmire: installing ${missing[*]}" >&2
  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then sudo=(sudo); fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures (once) and builds one tree. $1 = build dir, rest = extra cmake args.
solmire_build() {
  local dir=$1; shift
  if [[ ! -f "$dir/build.ninja" ]]; then
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  fi
  cmake --build "$dir" -- --quiet
}
