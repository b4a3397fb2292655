#!/usr/bin/env bash
# Installs everything needed and runs every test of the project:
# the C++ unit tests (CTest) and the Python end-to-end tests (pytest)
# against the package as `pip install .` builds it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh

VENV=${VENV:-.venv}
[ -x "$VENV/bin/python" ] || python3 -m venv "$VENV"
"$VENV/bin/pip" install -q --upgrade pip
# The build's requirements in the venv and the build run there: a build in
# pip's isolated environment starts build/<tag> afresh, this one recompiles
# only what changed.
"$VENV/bin/pip" install -q $("$VENV/bin/python" scripts/build_requires.py)
# The dask extra too, so that the tests of the cluster mode run (they skip without it).
"$VENV/bin/pip" install -q --no-build-isolation ".[test,dask]"

cmake -S . -B build/tests -G Ninja -DRIPAION_BUILD_TESTS=ON -DRIPAION_BUILD_EXTENSION=OFF >/dev/null
cmake --build build/tests -j2
ctest --test-dir build/tests --output-on-failure -j2

# Run from outside the source tree so the installed package is the one tested.
cd tests && "../$VENV/bin/python" -m pytest -q -p no:cacheprovider python
