"""A source distribution made from a working tree holds the project's files
and nothing that building, testing or checking a wheel leaves in the tree."""

import shutil
import subprocess
import sys
import tarfile
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]

# What a developer's tree holds after scripts/test.sh and scripts/build_wheel.sh.
LEFTOVERS = [
    "dist/ripaion_rs-0.1.0-cp311-cp311-linux_x86_64.whl",
    "dist/ripaion_rs-0.1.0.tar.gz",
    "wheelhouse/ripaion_rs-0.1.0-cp311-cp311-manylinux_2_34_x86_64.whl",
    "build/cp311-cp311-linux_x86_64/CMakeCache.txt",
    "build/wheel/raw/ripaion_rs-0.1.0-cp311-cp311-linux_x86_64.whl",
    "src/ripaion_rs/_ripaion.cpython-311-x86_64-linux-gnu.so",
    "src/ripaion_rs/__pycache__/cli.cpython-311.pyc",
    ".venv/bin/python",
    ".hypothesis/examples/0/1",
    ".mypy_cache/3.11/cache.db",
    ".ruff_cache/content",
    "ripaion_rs.egg-info/PKG-INFO",
]


def tracked_files():
    try:
        listed = subprocess.run(["git", "ls-files", "-z"], cwd=ROOT, capture_output=True, timeout=60)
    except OSError:
        listed = None
    if listed is None or listed.returncode != 0 or not (ROOT / "pyproject.toml").is_file():
        pytest.skip("needs the project's git checkout")
    return [name for name in listed.stdout.decode().split("\0") if name and (ROOT / name).is_file()]


def test_sdist_holds_the_tracked_files_and_no_leftovers(tmp_path):
    pytest.importorskip("scikit_build_core")
    tree = tmp_path / "tree"
    tracked = tracked_files()
    for name in tracked:
        (tree / name).parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(ROOT / name, tree / name)
    for name in LEFTOVERS:
        (tree / name).parent.mkdir(parents=True, exist_ok=True)
        (tree / name).write_bytes(b"left over")
    make = "import sys; from scikit_build_core.build import build_sdist; print(build_sdist(sys.argv[1]))"
    made = subprocess.run(
        [sys.executable, "-c", make, str(tmp_path / "out")],
        cwd=tree, capture_output=True, timeout=120)
    assert made.returncode == 0, made.stderr.decode()
    with tarfile.open(tmp_path / "out" / made.stdout.decode().split()[-1]) as sdist:
        members = [m.name.partition("/")[2] for m in sdist.getmembers() if m.isfile()]
    assert sorted(set(members) - {"PKG-INFO"}) == sorted(tracked)
    assert "LICENSE" in members
