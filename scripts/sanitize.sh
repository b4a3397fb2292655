#!/usr/bin/env bash
# Builds the library and the extension with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the C++ tests and the Python tests on it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
B=build/asan
cmake -S . -B $B -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRIPAION_SANITIZE=ON -DRIPAION_BUILD_TESTS=ON \
      -DRIPAION_BUILD_EXTENSION=ON >/dev/null
cmake --build $B -j2
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir $B --output-on-failure -j2

# The interpreter itself is not instrumented: preload the runtime, and leave
# leak checking to the C++ run (CPython keeps objects alive at exit).
VENV=${VENV:-.venv}
[ -x "$VENV/bin/python" ] || python3 -m venv "$VENV"
"$VENV/bin/pip" install -q pytest hypothesis
PKG=$(mktemp -d)
trap 'rm -rf "$PKG"' EXIT
cp -r src/ripaion_rs "$PKG/"
cp $B/_ripaion*.so "$PKG/ripaion_rs/"
cd tests
LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libubsan.so)" \
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 PYTHONPATH="$PKG" RIPAION_SANITIZED=1 \
  "../$VENV/bin/python" -m pytest -q -p no:cacheprovider python
