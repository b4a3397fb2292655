"""The manifest across runs: a resumed run keeps the lines of the one before,
a stop leaves a line for every output written, a kill's gap is mended by
the next resume, and no line is ever left cut short."""

import errno
import json
import os
import shutil
import signal
import time

import pytest

from cli_support import GOOD, copies, kill_group, run_cli, start_cli, tmpfs
from ripaion_rs import _manifest
from ripaion_rs._job import Kind
from ripaion_rs._manifest import Manifest, ManifestError


def lines_of(manifest):
    """{output: entry} of every line, and the check that no output has two."""
    entries = [json.loads(line) for line in manifest.read_text(encoding="utf-8").splitlines()]
    by_output = {entry["output"]: entry for entry in entries}
    assert len(by_output) == len(entries), "an output with two lines"
    return by_output


def full_lines(tmp_path, src, name):
    """The lines a complete run without a stop writes for `src`."""
    out, manifest = tmp_path / name, tmp_path / (name + ".jsonl")
    assert run_cli("-q", "-j", "1", "-o", out, "--manifest", manifest, src, cwd=tmp_path).returncode == 0
    return {os.path.relpath(k, out): dict(v, output=None) for k, v in lines_of(manifest).items()}


def relative(entries, out):
    return {os.path.relpath(k, out): dict(v, output=None) for k, v in entries.items()}


@pytest.fixture
def tree(tmp_path):
    src = tmp_path / "in"
    src.mkdir()
    for log in GOOD:
        shutil.copy(log, src / log.name)
    return src


def test_a_resumed_run_keeps_the_earlier_lines(tmp_path, tree):
    out, manifest = tmp_path / "out", tmp_path / "m.jsonl"
    expected = full_lines(tmp_path, tree, "reference")
    assert run_cli("-q", "-o", out, "--manifest", manifest, tree, cwd=tmp_path).returncode == 0
    (out / (GOOD[1].stem + ".mjson")).unlink()  # converted again by the resumed run
    result = run_cli("-o", out, "--skip-existing", "--manifest", manifest, tree, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    assert b"1 converted, 2 skipped" in result.stderr
    assert relative(lines_of(manifest), out) == expected


def test_a_resume_mends_the_lines_a_kill_lost(tmp_path, tree):
    """Lines missing, and the last one cut short mid-object, as a kill -9 of
    the command leaves them: the next resume makes them from the outputs."""
    out, manifest = tmp_path / "out", tmp_path / "m.jsonl"
    expected = full_lines(tmp_path, tree, "reference")
    assert run_cli("-q", "-o", out, "--manifest", manifest, tree, cwd=tmp_path).returncode == 0
    first, second, third = manifest.read_bytes().splitlines(keepends=True)
    manifest.write_bytes(first + third[: len(third) // 2])
    result = run_cli("-q", "-o", out, "--skip-existing", "--manifest", manifest, tree, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    assert relative(lines_of(manifest), out) == expected
    assert manifest.read_bytes().startswith(first)


def test_a_resume_mends_lines_of_compressed_outputs(tmp_path, tree):
    out, manifest = tmp_path / "out", tmp_path / "m.jsonl"
    assert run_cli("-q", "--gzip", "-o", out, "--manifest", manifest, tree, cwd=tmp_path).returncode == 0
    expected = lines_of(manifest)
    manifest.write_bytes(b"")
    assert run_cli("-q", "--gzip", "-o", out, "--skip-existing", "--manifest", manifest, tree,
                   cwd=tmp_path).returncode == 0
    assert lines_of(manifest) == expected


@pytest.mark.parametrize("stop", [signal.SIGINT, signal.SIGTERM])
def test_a_stopped_run_leaves_a_line_for_every_output_and_its_resume_one_each(tmp_path, stop):
    src, out, manifest = tmp_path / "in", tmp_path / "out", tmp_path / "m.jsonl"
    copies(src, 2000, folders=4)
    process = start_cli("-q", "-j", "2", "-o", out, "--manifest", manifest, src, cwd=tmp_path)
    try:
        deadline = time.monotonic() + 60
        while len(list(out.rglob("*.mjson"))) < 300 and process.poll() is None and time.monotonic() < deadline:
            time.sleep(0.01)
        os.killpg(process.pid, stop)
        _, stderr = process.communicate(timeout=60)
    finally:
        kill_group(process)
    if process.returncode == 0:
        pytest.skip("the run ended before it could be stopped")
    assert process.returncode == 128 + stop, stderr
    on_disk = {str(p) for p in out.rglob("*.mjson")}
    listed = lines_of(manifest)
    assert set(listed) == on_disk, (set(listed) - on_disk, on_disk - set(listed), len(listed), len(on_disk))
    assert all(entry["hands"] > 0 for entry in listed.values())
    result = run_cli("-q", "-o", out, "--skip-existing", "--manifest", manifest, src, cwd=tmp_path, timeout=300)
    assert result.returncode == 0, result.stderr
    listed = lines_of(manifest)
    assert set(listed) == {str(p) for p in out.rglob("*.mjson")} and len(listed) == 2000
    assert len({json.dumps(dict(e, input=None, output=None)) for e in listed.values()}) == 1


def test_a_full_disk_never_leaves_a_line_cut_short(tmp_path, monkeypatch):
    path = tmp_path / "m.jsonl"
    manifest = Manifest(str(path), resume=False)
    manifest.add(Kind.CONVERTED, {"output": "a", "hands": 1})
    real_write = os.write

    def half_then_full(fd, data):
        if len(data) > 4:
            return real_write(fd, bytes(data[: len(data) // 2]))
        raise OSError(errno.ENOSPC, os.strerror(errno.ENOSPC))

    monkeypatch.setattr(_manifest.os, "write", half_then_full)
    with pytest.raises(ManifestError):
        manifest.add(Kind.CONVERTED, {"output": "b", "hands": 2})
    monkeypatch.undo()
    manifest.close()
    assert path.read_bytes() == b'{"output": "a", "hands": 1}\n'


@pytest.fixture
def small_tmpfs(tmp_path):
    with tmpfs(tmp_path, "64k") as mount_point:
        yield mount_point


def test_a_manifest_on_a_full_disk_holds_whole_lines(tmp_path, small_tmpfs):
    src, manifest = tmp_path / "in", small_tmpfs / "m.jsonl"
    copies(src, 400)
    result = run_cli("-q", "-j", "1", "-o", tmp_path / "out", "--manifest", manifest, src, cwd=tmp_path)
    assert result.returncode == 1 and b"cannot write the manifest" in result.stderr
    text = manifest.read_bytes()
    assert text.endswith(b"\n") and 50 < len(text.splitlines()) < 400
    assert all(json.loads(line)["hands"] > 0 for line in text.splitlines())
