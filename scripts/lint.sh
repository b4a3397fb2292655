#!/usr/bin/env bash
# The linters and the type check, each of which must pass:
#   ruff         the Python of the package, tests, benchmarks and scripts
#   mypy         the package and its extension's stubs (_ripaion.pyi)
#   clang-format the C++ files listed in scripts/clang-format-files.txt, which
#                are kept formatted (.clang-format); a file joins the list once
#                it has been formatted as a change of its own
# Configuration: pyproject.toml ([tool.ruff], [tool.mypy]) and .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
VENV=${VENV:-.venv}
[ -x "$VENV/bin/python" ] || python3 -m venv "$VENV"
"$VENV/bin/pip" install -q ruff==0.17.6 mypy==2.4.1 clang-format==20.1.8

status=0
echo "== ruff"
"$VENV/bin/ruff" check --no-cache || status=1
echo "== mypy"
"$VENV/bin/mypy" || status=1
echo "== clang-format ($(grep -vc "^#" scripts/clang-format-files.txt) files)"
grep -v '^#' scripts/clang-format-files.txt | xargs "$VENV/bin/clang-format" --dry-run --Werror || status=1
exit $status
