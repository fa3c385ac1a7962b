#!/usr/bin/env bash
# The web build's checks: the wasm program under node renders the show's first passes exactly
# as the native one (frame and audio hashes), and the page plays in headless Chromium. The
# passes are enough for the two programs' processor times to say how fast the wasm renders
# (the native one on one thread, as the wasm runs).
#   tests/web/run.sh NATIVE_TREE WEB_TREE
set -euo pipefail
native=$1
web=$2
data="$PWD/$native/data"
passes=1500
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# Each run timed on its own CPU time: the ratio is what counts, the machine may be busy.
cpu_seconds() {
  local out=$1; shift
  local TIMEFORMAT='%U %S'
  if ! { time "$@" >"$out" 2>"$work/err"; } 2>"$work/time"; then
    cat "$work/err" >&2
    return 1
  fi
  awk '{printf "%.2f", $1 + $2}' "$work/time"
}

echo "-- the first $passes passes, native and WebAssembly (node)"
native_s=$(cpu_seconds "$work/native.txt" "$native/solmire" --data "$data" --threads 1 --hashes --frames "$passes")
wasm_s=$(cpu_seconds "$work/wasm.txt" node "$web/solmire-node.js" --data "$data" --hashes --frames "$passes")
frames=$(grep -c '^frame ' "$work/native.txt" || true)
if [[ $frames -ne $passes ]] || ! grep -q '^audio ' "$work/native.txt"; then
  echo "FAILED: the native program printed $frames frame hashes" >&2
  failed=1
elif ! cmp -s "$work/native.txt" "$work/wasm.txt"; then
  echo "FAILED: the WebAssembly program's hashes differ from the native one's:" >&2
  diff "$work/native.txt" "$work/wasm.txt" | head -n 10 >&2
  failed=1
else
  echo "same $frames frame hashes and audio hash; CPU time native ${native_s} s, wasm ${wasm_s} s" \
       "(wasm renders at $(awk -v n="$native_s" -v w="$wasm_s" 'BEGIN { printf "%.2f", n / w }')x the native speed)"
fi

echo "-- the page in headless Chromium"
python3 tests/web/browser_check.py "$web" --seconds 8 --screenshot "$web/check-screenshot.png" || failed=1
exit "$failed"
