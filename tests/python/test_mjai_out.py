"""Where the lines go: the output file (created only after a successful
conversion, replaced, never removed), standard output for "-", and the
failures of both."""

import json
import os
import subprocess
import sys
from pathlib import Path

import pytest

import ripaion_rs
from ripaion_rs import tenhou_to_mjai

from support import (CREATE_FAILED, MINIMAL_LINES, MINIMAL_LOG, MINIMAL_OUTPUT, WRITE_FAILED, expect_os_error)
from support import SOUND_LOG as REAL_LOG


@pytest.fixture
def log(tmp_path):
    path = tmp_path / "log.json"
    path.write_text(MINIMAL_LOG)
    return str(path)


def test_new_file_holds_the_lines(tmp_path, log):
    out = tmp_path / "out.mjson"
    assert tenhou_to_mjai(log, str(out)) == MINIMAL_LINES
    assert out.read_bytes() == MINIMAL_OUTPUT


def test_existing_file_is_replaced(tmp_path, log):
    out = tmp_path / "out.mjson"
    out.write_bytes(b"x" * 10_000)
    tenhou_to_mjai(log, str(out))
    assert out.read_bytes() == MINIMAL_OUTPUT


def test_new_file_mode_follows_the_umask(tmp_path, log):
    old = os.umask(0o027)
    try:
        tenhou_to_mjai(log, str(tmp_path / "out.mjson"))
    finally:
        os.umask(old)
    assert (tmp_path / "out.mjson").stat().st_mode & 0o777 == 0o640


def test_output_onto_its_own_log(tmp_path, log):
    assert tenhou_to_mjai(log, log) == MINIMAL_LINES
    assert Path(log).read_bytes() == MINIMAL_OUTPUT


@pytest.mark.parametrize(
    "content, error",
    [
        ("{", ripaion_rs.JsonParsingError),
        ('{"log":[],"name":["a","b","c","d"],"rule":{"disp":"\u4e09\u9cf3"}}', ripaion_rs.TenhouLogParsingError),
        ('{"log":[[[0,0,0],[25000,25000,25000,25000],[],[]'
         + ',[11,11,11,11,11,11,11,11,11,11,11,11,11],[12],[]' * 4
         + ',["\u6d41\u5c40"]]],"name":["a","b","c","d"],"rule":{}}', ripaion_rs.TenhouToMjaiError),
    ],
    ids=["unreadable", "three-player", "hand without dora"],
)
def test_failed_conversion_leaves_output_alone(tmp_path, content, error):
    log = tmp_path / "log.json"
    log.write_text(content)
    kept, absent = tmp_path / "kept.mjson", tmp_path / "absent.mjson"
    kept.write_bytes(b"previous\n")
    for out in (kept, absent):
        with pytest.raises(error):
            tenhou_to_mjai(str(log), str(out))
    assert kept.read_bytes() == b"previous\n"
    assert not absent.exists()
    with pytest.raises(error):
        tenhou_to_mjai(str(log), str(log))
    assert log.read_text() == content


@pytest.mark.parametrize(
    "name, shown",
    [
        ("missing/out.mjson", "missing/out.mjson"),
        ("missing/bad\udcff.mjson", "missing/bad\ufffd.mjson"),
        ("missing/\u6771.mjson", "missing/\u6771.mjson"),
        ("missing/a\tb", "missing/a\tb"),
    ],
)
def test_create_failure_names_the_plain_path(tmp_path, log, name, shown):
    expect_os_error(CREATE_FAILED + str(tmp_path) + "/" + shown, log, str(tmp_path) + "/" + name)


def test_empty_output_path(log):
    expect_os_error(CREATE_FAILED, log, "")


def test_output_path_is_a_directory(tmp_path, log):
    expect_os_error(CREATE_FAILED + str(tmp_path), log, str(tmp_path))


def test_full_device(log):
    expect_os_error(WRITE_FAILED, log, "/dev/full")


@pytest.mark.parametrize("name", ["./-", "--", "-.", "-/-"])
def test_dash_like_names_are_files(tmp_path, log, monkeypatch, name):
    monkeypatch.chdir(tmp_path)
    if name == "-/-":
        (tmp_path / "-").mkdir()
    tenhou_to_mjai(log, name)
    assert (tmp_path / name).read_bytes() == MINIMAL_OUTPUT


# Child processes write to a descriptor 1 that the test chooses; the result
# list goes to standard error as JSON.
CHILD = """
import json, os, sys
import ripaion_rs
if sys.argv[3] == "close":
    os.close(1)
try:
    lines = ripaion_rs.tenhou_to_mjai(sys.argv[1], sys.argv[2])
    sys.stderr.write(json.dumps(["ok", lines]))
except OSError as e:
    sys.stderr.write(json.dumps(["err", type(e).__name__, e.args, e.errno]))
"""


def run_child(log, mjai_out, stdout, mode="keep", cwd=None):
    result = subprocess.run(
        [sys.executable, "-c", CHILD, log, mjai_out, mode],
        stdout=stdout, stderr=subprocess.PIPE, timeout=60, cwd=cwd,
    )
    assert result.returncode == 0, result.stderr
    return result, json.loads(result.stderr)


@pytest.mark.parametrize("selector", ["-", "-/", "-/.", "-//./"])
def test_dash_writes_to_descriptor_1(tmp_path, selector):
    result, outcome = run_child(str(REAL_LOG), selector, subprocess.PIPE, cwd=tmp_path)
    assert outcome[0] == "ok"
    assert result.stdout == "".join(line + "\n" for line in outcome[1]).encode()
    assert os.listdir(tmp_path) == []


def test_closed_descriptor_1_discards_the_lines(tmp_path, log):
    _, outcome = run_child(log, "-", subprocess.PIPE, mode="close", cwd=tmp_path)
    assert outcome == ["ok", MINIMAL_LINES]
    # The log may have been given descriptor 1 while it was read; it stays intact.
    assert os.listdir(tmp_path) == ["log.json"]
    assert Path(log).read_text() == MINIMAL_LOG


def test_full_device_as_standard_output(log):
    with open("/dev/full", "wb") as full:
        _, outcome = run_child(log, "-", full)
    assert outcome == ["err", "OSError", [WRITE_FAILED], None]


def test_closed_pipe_as_standard_output(log):
    read_end, write_end = os.pipe()
    os.close(read_end)
    try:
        _, outcome = run_child(log, "-", write_end)
    finally:
        os.close(write_end)
    assert outcome == ["err", "OSError", [WRITE_FAILED], None]


def test_disk_full_keeps_what_was_written(tmp_path):
    # A file size limit makes writes fail part way, as a full disk would.
    child = """
import resource, signal, sys
import ripaion_rs
signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
resource.setrlimit(resource.RLIMIT_FSIZE, (int(sys.argv[3]), resource.RLIM_INFINITY))
try:
    ripaion_rs.tenhou_to_mjai(sys.argv[1], sys.argv[2])
except OSError as e:
    print(e.args[0])
"""
    out = tmp_path / "out.mjson"
    limit = 10_000
    result = subprocess.run(
        [sys.executable, "-c", child, str(REAL_LOG), str(out), str(limit)],
        capture_output=True, text=True, timeout=60,
    )
    assert result.stdout == WRITE_FAILED + "\n", result.stderr
    expected = "".join(line + "\n" for line in tenhou_to_mjai(str(REAL_LOG))).encode()
    assert out.read_bytes() == expected[:limit]
