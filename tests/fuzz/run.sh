#!/usr/bin/env bash
# Builds the file readers' fuzz targets (models, pictures, paths, modules, samples) with clang
# in a tree of their own, makes their seed corpora, and runs each target for SECONDS. Any crash, leak, overrun or input slower than
# two seconds fails the run and leaves the input in DIR/fuzz-work.
# Usage: tests/fuzz/run.sh [DIR [SECONDS]]; SOLMIRE_FUZZ_FORMATS="bmp wav" runs only those.
set -euo pipefail
cd "$(dirname "$0")/../.."
dir=${1:-build-fuzz}
seconds=${2:-60}

source tools/setup.sh
CXX=clang++ SOLMIRE_TARGETS="fuzz_ase fuzz_asc fuzz_3ds fuzz_bmp fuzz_paths fuzz_xm fuzz_wav fuzz_seeds" \
  solmire_build "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSOLMIRE_FUZZ=ON -DSOLMIRE_BENCH=OFF -DSOLMIRE_WERROR=ON

work="$dir/fuzz-work"
rm -rf "$work"
mkdir -p "$work"
"$dir/tests/fuzz/fuzz_seeds" "$work/seeds"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
formats=${SOLMIRE_FUZZ_FORMATS:-ase asc 3ds bmp paths xm wav}
for format in $formats; do
  mkdir -p "$work/corpus-$format"
  log="$work/$format.log"
  if ! "$dir/tests/fuzz/fuzz_$format" -max_total_time="$seconds" -timeout=2 -rss_limit_mb=2048 \
      -max_len=16384 -print_final_stats=1 -artifact_prefix="$work/$format-" \
      "$work/corpus-$format" "$work/seeds/$format" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "fuzz_$format failed: see $log" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "fuzz_$format: $runs inputs in ${seconds}s ($rate/s), no failure"
done
