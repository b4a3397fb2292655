"""Prints the build requirements of pyproject.toml, for a `pip install` of
them before `pip install --no-build-isolation .` (any Python 3.9 or newer:
no tomllib there)."""

import ast
import re
import sys
from pathlib import Path

text = (Path(__file__).resolve().parents[1] / "pyproject.toml").read_text(encoding="utf-8")
match = re.search(r"^\[build-system\]$.*?^requires = (\[.*?\])$", text, re.MULTILINE | re.DOTALL)
if match is None:
    sys.exit("no [build-system] requires in pyproject.toml")
print(" ".join(ast.literal_eval(match.group(1))))
