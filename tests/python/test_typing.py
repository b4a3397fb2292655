"""The package's types as a user's type checker sees them, through the
installed package (its stubs and py.typed): typical use checks clean under
mypy --strict, and every misuse in tests/typing/misuse.py is reported."""

import re
import subprocess
import sys
from pathlib import Path

import pytest

pytest.importorskip("mypy")
FILES = Path(__file__).resolve().parents[1] / "typing"


def test_typical_use_checks_clean_and_misuse_is_reported(tmp_path):
    config = tmp_path / "mypy.ini"  # not the project's: a user's settings
    config.write_text("[mypy]\nstrict = True\n", encoding="utf-8")
    result = subprocess.run(
        [sys.executable, "-m", "mypy", "--config-file", str(config), "--cache-dir", str(tmp_path / "cache"),
         "--no-error-summary", "--hide-error-context", str(FILES / "typical_use.py"), str(FILES / "misuse.py")],
        cwd=tmp_path, capture_output=True, text=True, timeout=300)
    errors = re.findall(r"^(.*?):(\d+): error: (.*)$", result.stdout, re.MULTILINE)
    assert result.returncode in (0, 1) and not result.stderr, result.stdout + result.stderr
    assert [(Path(name).name, message) for name, _, message in errors if Path(name).name != "misuse.py"] == []
    marked = [number for number, line in enumerate((FILES / "misuse.py").read_text().splitlines(), 1)
              if line.endswith("# error")]
    assert sorted({int(line) for name, line, _ in errors}) == marked, result.stdout
