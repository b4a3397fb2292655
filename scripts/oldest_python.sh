#!/usr/bin/env bash
# Builds the package against the oldest Python that requires-python admits
# and runs the Python tests on it, where such an interpreter is installed
# (pyenv's on the CI machine); says so and does nothing where it is not.
set -euo pipefail
cd "$(dirname "$0")/.."
OLDEST=$(sed -n 's/^requires-python = ">=\([0-9.]*\)"$/\1/p' pyproject.toml)
PY=""
for candidate in "python$OLDEST" "$HOME"/.pyenv/versions/"$OLDEST".*/bin/python"$OLDEST"; do
  # Run it: a version manager's shim can exist for a version it cannot start.
  if "$candidate" -c 'import sys' >/dev/null 2>&1; then PY=$(command -v "$candidate"); break; fi
done
if [ -z "$PY" ]; then
  echo "no Python $OLDEST interpreter here: the build against it is skipped"
  exit 0
fi
VENV=build/python$OLDEST-venv
[ -x "$VENV/bin/python" ] || "$PY" -m venv "$VENV"
"$VENV/bin/pip" install -q ".[test]"
# The cluster-mode tests need the dask extra, which the run on the machine's
# Python covers; here they may skip.
cd tests && env -u RIPAION_REQUIRE_DASK "../$VENV/bin/python" -m pytest -q -p no:cacheprovider python
