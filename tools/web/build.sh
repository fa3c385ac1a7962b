#!/usr/bin/env bash
# Builds the web build in build-web/ (sourced by ./web and ./test): installs what is missing,
# makes the content pack in a native tree, the WebAssembly libraries once (tools/web/deps.sh),
# then the show with emcc. solmire_web_build [TARGETS...] (default: the page's program).
set -euo pipefail

SOLMIRE_WEB_PACKAGES=(emscripten chromium dpkg-dev python3)

solmire_web_build() {
  local targets=("$@")
  ((${#targets[@]})) || targets=(solmire)
  solmire_install "${SOLMIRE_WEB_PACKAGES[@]}"
  # The content generator is a native program: the pack comes from the native tree.
  if [[ -f build/build.ninja ]]; then
    SOLMIRE_TARGETS=solmire_content solmire_build_existing build
  else
    SOLMIRE_TARGETS=solmire_content solmire_build build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DSOLMIRE_TESTS=OFF -DSOLMIRE_BENCH=OFF
  fi
  local prefix
  prefix=$(tools/web/deps.sh | tail -n 1)
  solmire_web_env
  local wanted="web $prefix"
  if [[ ! -f build-web/build.ninja || ! -f build-web/solmire-options || $(<build-web/solmire-options) != "$wanted" ]]; then
    rm -f build-web/CMakeCache.txt
    echo "solmire: configuring the web build in build-web/" >&2
    PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" emcmake cmake -S . -B build-web -G Ninja \
      -DCMAKE_BUILD_TYPE=Release -DSOLMIRE_WEB_DATA="$PWD/build/data" \
      -DCMAKE_FIND_ROOT_PATH="$prefix" -DCMAKE_PREFIX_PATH="$prefix" >build-web.log 2>&1 ||
      { tail -n 30 build-web.log >&2; return 1; }
    rm -f build-web.log
    printf '%s' "$wanted" >build-web/solmire-options
  fi
  cmake --build build-web --target "${targets[@]}" -- --quiet
}

# emscripten 3.1.6 under node 18 and later: wasm is loaded through fetch() unless told not to
# (which fails for files), and emcc's own node tools need Debian's node modules when the node
# on PATH is another one. Also used by deps.sh.
solmire_web_env() {
  export NODE_OPTIONS="${NODE_OPTIONS:+$NODE_OPTIONS }--no-experimental-fetch"
  export NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs"
}
