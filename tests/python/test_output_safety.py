"""An output path that cannot be created or written fails with the
documented OSError and touches nothing else: not the other files of the
directory, not the input log."""

import json
import os
import subprocess
from pathlib import Path

import pytest

import ripaion_rs

from support import CREATE_FAILED, SOUND_LOG, WRITE_FAILED, expect_os_error


def snapshot(root: Path):
    """Every path under root with its content (None for a directory)."""
    return {
        p.relative_to(root).as_posix(): (None if p.is_dir() else p.read_bytes())
        for p in sorted(root.rglob("*"))
    }


@pytest.fixture
def work(tmp_path):
    """A directory holding a copy of a sound log and a bystander file."""
    log = tmp_path / "log.json"
    log.write_bytes(SOUND_LOG.read_bytes())
    (tmp_path / "bystander.txt").write_bytes(b"keep me\n")
    return tmp_path, log


def chattr(flag, path):
    return subprocess.run(["chattr", flag, str(path)], capture_output=True).returncode == 0


@pytest.fixture
def immutable():
    """Makes a path unwritable even for root (the immutable attribute); skips
    where that cannot be done."""
    marked = []

    def mark(path):
        if chattr("+i", path):
            marked.append(path)
        elif os.geteuid() != 0:
            path.chmod(0o555 if path.is_dir() else 0o444)
        else:
            pytest.skip("running as root and the file system has no immutable attribute")

    yield mark
    for path in marked:
        chattr("-i", path)


def directory_with_a_file(root):
    (root / "outdir").mkdir()
    (root / "outdir" / "inside.txt").write_bytes(b"inside\n")


@pytest.mark.parametrize(
    "make, tail",
    [
        (directory_with_a_file, "outdir"),
        (None, "missing/out.jsonl"),
        (None, "missing/deeper/out.jsonl"),
        (None, "bystander.txt/out.jsonl"),
        # Cutting the path at the NUL would create root/"out".
        (None, "out\0.jsonl"),
    ],
    ids=["directory", "missing-directory", "missing-directories", "file-as-directory", "nul-byte"],
)
def test_uncreatable_output_touches_nothing(work, make, tail):
    root, log = work
    if make:
        make(root)
    before = snapshot(root)
    out = str(root) + "/" + tail
    expect_os_error(CREATE_FAILED + out, str(log), out)
    assert snapshot(root) == before


def test_unwritable_existing_file(work, immutable):
    root, log = work
    out = root / "old.jsonl"
    out.write_bytes(b"previous output\n")
    immutable(out)
    before = snapshot(root)
    expect_os_error(CREATE_FAILED + str(out), str(log), out)
    assert snapshot(root) == before


def test_new_file_in_unwritable_directory(work, immutable):
    root, log = work
    locked = root / "locked"
    locked.mkdir()
    (locked / "inside.txt").write_bytes(b"inside\n")
    immutable(locked)
    before = snapshot(root)
    expect_os_error(CREATE_FAILED + str(locked / "out.jsonl"), str(log), locked / "out.jsonl")
    assert snapshot(root) == before


@pytest.fixture
def small_tmpfs(tmp_path):
    mount_point = tmp_path / "small"
    mount_point.mkdir()
    done = subprocess.run(
        ["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", str(mount_point)], capture_output=True
    )
    if done.returncode != 0:
        pytest.skip("cannot mount a small tmpfs here")
    try:
        yield mount_point
    finally:
        subprocess.run(["umount", str(mount_point)], check=True)


def test_full_file_system(tmp_path, small_tmpfs):
    # A log whose output is larger than the file system: writing stops at the
    # first write that finds no space, what was written is a prefix of the
    # output, and the other file there is intact.
    data = json.loads(SOUND_LOG.read_bytes())
    data["log"] = data["log"] * 8
    log = tmp_path / "big.json"
    log.write_text(json.dumps(data, ensure_ascii=False), encoding="utf-8")
    expected = "".join(line + "\n" for line in ripaion_rs.tenhou_to_mjai(log)).encode()
    assert len(expected) > 64 * 1024
    (small_tmpfs / "bystander.txt").write_bytes(b"keep me\n")
    log_before = log.read_bytes()

    out = small_tmpfs / "out.jsonl"
    expect_os_error(WRITE_FAILED, str(log), out)
    written = out.read_bytes()
    assert 0 < len(written) < len(expected)
    assert expected.startswith(written)
    assert (small_tmpfs / "bystander.txt").read_bytes() == b"keep me\n"
    assert log.read_bytes() == log_before
    assert sorted(p.name for p in small_tmpfs.iterdir()) == ["bystander.txt", "out.jsonl"]
