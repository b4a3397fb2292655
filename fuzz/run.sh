#!/usr/bin/env bash
# Fuzzes the shipped pipeline (readers of JSON logs and mjlog XML records,
# engine, encoder) with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, seeded with the real logs and records of the
# test data (and the shared corpus when it is there): fuzz_convert checks
# the invariants of every result (the stream checker's among them),
# fuzz_differential compares the pipeline with the tests' full-event oracle.
#   bash fuzz/run.sh [SECONDS] [extra libFuzzer flags...]
# SECONDS is per target, the targets running side by side; FUZZ_TARGETS="fuzz_convert" picks targets.
# A crash input found here belongs in fuzz/regressions/, which CTest replays.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-60}
shift || true
TARGETS=${FUZZ_TARGETS:-"fuzz_convert fuzz_differential"}
OUT=build/fuzz
# Optimised, with debug information and the asserts of a debug build.
cmake -S . -B $OUT -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DRIPAION_FUZZ=ON -DRIPAION_BUILD_EXTENSION=OFF >/dev/null
cmake --build $OUT -j2 --target $TARGETS
seeds=(tests/data/logs tests/data/mjlog fuzz/regressions)
for shared in ../shared/corpus ../../shared/corpus; do
  [ -d "$shared/tenhou4" ] || continue
  seeds+=("$shared/tenhou4")
  [ -d "$shared/mjlog/dnovikoff-tenhou" ] && seeds+=("$shared/mjlog/dnovikoff-tenhou" "$shared/mjlog/fastmaj")
  break
done
for target in $TARGETS; do
  mkdir -p $OUT/corpus/$target $OUT/artifacts
  # Crash inputs kept as regressions must pass first.
  for f in fuzz/regressions/*; do
    [ -f "$f" ] || continue
    $OUT/fuzz/$target "$f" >/dev/null 2>&1 || { echo "regression input $f fails $target"; exit 1; }
  done
done
# The targets side by side (one process each, as many as there are
# processors), each with its own log, shown whole once it ends.
pids=()
for target in $TARGETS; do
  $OUT/fuzz/$target -max_total_time="$SECONDS_TO_RUN" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -dict=fuzz/tenhou.dict -artifact_prefix=$OUT/artifacts/$target- -print_final_stats=1 "$@" \
    $OUT/corpus/$target "${seeds[@]}" >$OUT/$target.log 2>&1 &
  pids+=($!)
done
status=0
i=0
for target in $TARGETS; do
  wait "${pids[$i]}" || { status=1; echo "$target found a failure (see $OUT/artifacts/)"; }
  echo "== $target"
  cat $OUT/$target.log
  i=$((i + 1))
done
exit $status
