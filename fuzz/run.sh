#!/usr/bin/env bash
# Fuzzes readers (JSON and mjlog XML) + engine + encoder with libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer, seeded with the real logs
# and records of the test data (and the shared corpus when it is there).
#   bash fuzz/run.sh [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-60}
shift || true
OUT=build/fuzz
mkdir -p $OUT/corpus $OUT/artifacts
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -DBOOST_JSON_NO_LIB -DBOOST_CONTAINER_NO_LIB -Isrc \
  $(find src/ripaion -name '*.cpp') fuzz/fuzz_convert.cpp -o $OUT/fuzz_convert \
  -l:libpugixml.a -l:libdeflate.a
seeds=(tests/data/logs tests/data/mjlog fuzz/regressions)
[ -d ../shared/corpus/tenhou4 ] && seeds+=(../shared/corpus/tenhou4)
[ -d ../shared/corpus/mjlog/dnovikoff-tenhou ] && seeds+=(../shared/corpus/mjlog/dnovikoff-tenhou ../shared/corpus/mjlog/fastmaj)
# Crash inputs kept as regressions must pass first.
for f in fuzz/regressions/*; do
  [ -f "$f" ] || continue
  $OUT/fuzz_convert "$f" >/dev/null 2>&1 || { echo "regression input $f fails"; exit 1; }
done
$OUT/fuzz_convert -max_total_time="$SECONDS_TO_RUN" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -dict=fuzz/tenhou.dict -artifact_prefix=$OUT/artifacts/ -print_final_stats=1 "$@" \
  $OUT/corpus "${seeds[@]}"
