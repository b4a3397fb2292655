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
# The same build as fuzz/run.sh's targets: optimised, debug information,
# the asserts of a debug build.
cmake -S . -B $OUT -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DRIPAION_FUZZ=ON -DRIPAION_BUILD_EXTENSION=OFF >/dev/null
cmake --build $OUT -j2 --target fuzz_check
"$VENV/bin/python" - "$OUT/check_seeds" <<'PY'
import pathlib, sys
from ripaion_rs import tenhou_to_mjai
out = pathlib.Path(sys.argv[1])
for log in sorted(pathlib.Path("tests/data/logs").glob("*.json")):
    lines = tenhou_to_mjai(log)
    (out / (log.stem + ".mjson")).write_text("".join(l + "\n" for l in lines), encoding="utf-8")
PY
$OUT/fuzz/fuzz_check -max_total_time="$SECONDS_TO_RUN" -max_len=131072 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix=$OUT/artifacts/ -print_final_stats=1 "$@" $OUT/check_corpus $OUT/check_seeds
