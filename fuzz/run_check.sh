#!/usr/bin/env bash
# Fuzzes the mjai stream checker with libFuzzer under AddressSanitizer and
# UndefinedBehaviorSanitizer, seeded with the conversions of the test data's
# logs (made with the installed package of the virtual environment).
#   bash fuzz/run_check.sh [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_TO_RUN=${1:-60}
shift || true
OUT=build/fuzz
VENV=${VENV:-.venv}
mkdir -p $OUT/check_corpus $OUT/check_seeds $OUT/artifacts
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -DBOOST_JSON_NO_LIB -DBOOST_CONTAINER_NO_LIB -Isrc \
  $(find src/ripaion -name '*.cpp') fuzz/fuzz_check.cpp -o $OUT/fuzz_check \
  -l:libpugixml.a -l:libdeflate.a
"$VENV/bin/python" - "$OUT/check_seeds" <<'PY'
import pathlib, sys
from ripaion_rs import tenhou_to_mjai
out = pathlib.Path(sys.argv[1])
for log in sorted(pathlib.Path("tests/data/logs").glob("*.json")):
    lines = tenhou_to_mjai(log)
    (out / (log.stem + ".mjson")).write_text("".join(l + "\n" for l in lines), encoding="utf-8")
PY
$OUT/fuzz_check -max_total_time="$SECONDS_TO_RUN" -max_len=131072 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix=$OUT/artifacts/ -print_final_stats=1 "$@" $OUT/check_corpus $OUT/check_seeds
