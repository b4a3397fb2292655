"""The `ripaion` command, run as `python -m ripaion_rs` in a subprocess."""

import gzip
import json
import os
import shutil
import signal
import subprocess
import sys
import time
import zlib

import pytest

from ripaion_rs import convert_to_bytes, mjlog_to_mjai, tenhou_to_mjai
from cli_support import LOGS as LOGS_DIR
from cli_support import (GOOD, copies, expected_bytes, group_members, hidden_files, holders_of, kill_group,
                         run_cli, start_cli, wait_for)

THREE_PLAYER = {"log": [], "name": ["a", "b", "c", "d"], "rule": {"disp": "三般東喰"}}


def read_output(path):
    data = path.read_bytes()
    return gzip.decompress(data) if path.suffix == ".gz" else data


@pytest.fixture
def tree(tmp_path):
    """in/ holds three good logs at different depths, two broken logs and a
    file that is not a log; returns (input dir, {relative stem: log}, broken)."""
    src = tmp_path / "in"
    places = {"top": src, "a": src / "a", "deep": src / "b" / "c"}
    good = {}
    for directory, log in zip(places.values(), GOOD):
        directory.mkdir(parents=True, exist_ok=True)
        shutil.copy(log, directory / log.name)
        good[str((directory / log.stem).relative_to(src))] = log
    (src / "a" / "bad.json").write_text('{"log": [', encoding="utf-8")
    (src / "b" / "three.json").write_text(json.dumps(THREE_PLAYER, ensure_ascii=False), encoding="utf-8")
    (src / "notes.txt").write_text("not a log", encoding="utf-8")
    broken = {str(src / "a" / "bad.json"): "JsonParsingError",
              str(src / "b" / "three.json"): "TenhouLogParsingError"}
    return src, good, broken


@pytest.mark.parametrize("jobs", ["1", "2"])
@pytest.mark.parametrize("compress", [False, True])
def test_tree_is_mirrored_and_failures_reported(tmp_path, tree, jobs, compress):
    src, good, broken = tree
    out, report = tmp_path / "out", tmp_path / "report.jsonl"
    args = ["-o", out, "-j", jobs, "--report", report, src] + (["--gzip"] if compress else [])
    result = run_cli(*args, cwd=tmp_path)
    assert result.returncode == 1, result.stderr
    suffix = ".mjson.gz" if compress else ".mjson"
    written = sorted(str(p.relative_to(out)) for p in out.rglob("*") if p.is_file())
    assert written == sorted(stem + suffix for stem in good)
    for stem, log in good.items():
        assert read_output(out / (stem + suffix)) == expected_bytes(log, tmp_path)
    lines = [json.loads(line) for line in report.read_text(encoding="utf-8").splitlines()]
    assert {line["path"]: line["type"] for line in lines} == broken
    assert all(line["message"] for line in lines)
    stderr = result.stderr.decode()
    assert "3 converted" in stderr and "2 failed" in stderr
    assert "1 JsonParsingError" in stderr and "1 TenhouLogParsingError" in stderr


def test_gzip_output_is_the_same_every_time(tmp_path):
    for name in ("one", "two"):
        assert run_cli("-q", "--gzip", "-o", tmp_path / name, GOOD[0], cwd=tmp_path).returncode == 0
    first, second = (tmp_path / name / (GOOD[0].stem + ".mjson.gz") for name in ("one", "two"))
    assert first.read_bytes() == second.read_bytes()


def single_member(data):
    """The text of `data` when it is exactly one gzip member, else fails."""
    d = zlib.decompressobj(16 + zlib.MAX_WBITS)
    text = d.decompress(data) + d.flush()
    assert d.eof and d.unused_data == b"", "more than one member, or trailing bytes"
    return text


@pytest.mark.parametrize("options, suffix, level", [
    ([], ".mjson", None),
    (["--gzip"], ".mjson.gz", 6),
    (["--gzip-level", "1", "-j", "2"], ".mjson.gz", 1),
    (["--gzip", "--gzip-level", "12"], ".mjson.gz", 12),
    (["--suffix", ".json", "--gzip"], ".json.gz", 6),
    (["--suffix", ".jsonl", "-j", "2"], ".jsonl", None),
    (["--suffix", "", "--gzip-level", "0"], ".gz", 0),
])
def test_batch_outputs_are_convert_to_bytes_of_each_log(tmp_path, tree, options, suffix, level):
    src, good, _ = tree
    out = tmp_path / "out"
    result = run_cli("-q", "-o", out, *options, src, cwd=tmp_path)
    assert result.returncode == 1, result.stderr  # the tree's broken logs
    written = sorted(str(p.relative_to(out)) for p in out.rglob("*") if p.is_file())
    assert written == sorted(stem + suffix for stem in good)
    for stem, log in good.items():
        data = (out / (stem + suffix)).read_bytes()
        assert data == convert_to_bytes(log.read_bytes(), gzip=level)
        text = data if level is None else single_member(data)
        assert text == expected_bytes(log, tmp_path)


@pytest.mark.parametrize("options, message", [
    (["--gzip-level", "13"], "expected a level from 0 to 12"),
    (["--gzip-level", "-1"], "expected a level from 0 to 12"),
    (["--gzip-level", "six"], "expected a level from 0 to 12"),
    (["--suffix", "/x"], "no '/'"),
])
def test_bad_gzip_level_or_suffix_is_a_usage_error(tmp_path, options, message):
    result = run_cli("-o", tmp_path / "out", *options, GOOD[0], cwd=tmp_path)
    assert result.returncode == 2
    assert message in result.stderr.decode()
    assert not (tmp_path / "out").exists()


@pytest.mark.parametrize("command", [[], ["check"]], ids=["ripaion", "ripaion check"])
def test_version_and_exit_statuses_in_help(tmp_path, command):
    import ripaion_rs

    version = run_cli(*command, "--version", cwd=tmp_path)
    assert (version.returncode, version.stderr) == (0, b"")
    assert version.stdout.decode() == " ".join(["ripaion", *command, ripaion_rs.__version__]) + "\n"
    usage = run_cli(*command, "--help", cwd=tmp_path)
    assert usage.returncode == 0
    statuses = " ".join(usage.stdout.decode().partition("Exit status:")[2].split())
    assert statuses.startswith("0 when every") and "2 for usage errors, 130 after Ctrl-C, 143 after SIGTERM" in statuses


def test_single_files_and_globs_go_to_the_top_of_the_output(tmp_path, tree):
    src, good, _ = tree
    out = tmp_path / "out"
    result = run_cli("-q", "-o", out, src / "a" / "*.json", src / "b" / "c" / (GOOD[2].name), cwd=tmp_path)
    assert result.returncode == 1  # a/bad.json matches the pattern
    assert sorted(p.name for p in out.iterdir()) == sorted([GOOD[1].stem + ".mjson", GOOD[2].stem + ".mjson"])


def test_report_is_empty_when_everything_converts(tmp_path):
    report = tmp_path / "report.jsonl"
    result = run_cli("-o", tmp_path / "out", "--report", report, *GOOD, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    assert report.read_text() == ""
    assert "3 converted, 0 skipped, 0 failed" in result.stderr.decode()


def test_skip_existing_leaves_existing_outputs_alone(tmp_path, tree):
    src, good, _ = tree
    out = tmp_path / "out"
    run_cli("-q", "-o", out, src, cwd=tmp_path)
    stems = sorted(good)
    planted = out / (stems[0] + ".mjson")
    planted.write_text("marker\n")
    removed = out / (stems[1] + ".mjson")
    removed.unlink()
    result = run_cli("--skip-existing", "-o", out, src, cwd=tmp_path)
    assert result.returncode == 1  # the broken logs are tried again
    assert planted.read_text() == "marker\n"
    assert removed.read_bytes() == expected_bytes(good[stems[1]], tmp_path)
    assert "1 converted, 2 skipped, 2 failed" in result.stderr.decode()
    run_cli("-q", "-o", out, src, cwd=tmp_path)
    assert planted.read_bytes() == expected_bytes(good[stems[0]], tmp_path)


@pytest.mark.parametrize("make_args, status, message", [
    (lambda d: [], 2, "required"),
    (lambda d: ["-j", "0", "-o", d / "out", GOOD[0]], 2, "positive"),
    (lambda d: ["-o", d / "out", d / "missing.json"], 2, "no such file"),
    (lambda d: ["-o", d / "out", d / "nothing-*.json"], 2, "no file matches"),
    (lambda d: [d / "in"], 2, "needs -o"),
    (lambda d: [d / "in" / "a", d / "in" / "b"], 2, "needs -o"),
    (lambda d: [d / "in" / "a" / "*.json"], 2, "needs -o"),
    (lambda d: ["-o", d / "out", d / "in" / "b" / "c", GOOD[1]], 0, "2 converted"),
    (lambda d: ["-o", d / "out", d / "in" / "notes.txt", d / "in" / "a" / "bad.json"], 1, "2 failed"),
    (lambda d: ["-o", d / "out", GOOD[0], d / "in" / GOOD[0].name], 2, "would both be written"),
    (lambda d: ["-o", d / "out", d / "in", d / "in" / GOOD[0].name], 1, "3 converted"),
    (lambda d: ["-o", d / "in" / "notes.txt", GOOD[0]], 2, "output directory"),
    (lambda d: ["-o", d / "out", "--report", d / "no-dir" / "r.jsonl", GOOD[0]], 2, "report"),
    (lambda d: ["--dask", "local:2", GOOD[0]], 2, "need -o"),
    (lambda d: ["--scheduler", "tcp://127.0.0.1:1", GOOD[0]], 2, "need -o"),
], ids=["no-input", "zero-jobs", "missing", "empty-glob", "dir-without-o", "several-without-o",
        "glob-without-o", "dir-and-file", "non-log-file", "name-clash", "same-log-twice", "output-is-file",
        "report-unwritable", "local-cluster-without-o", "scheduler-without-o"])
def test_exit_status(tmp_path, tree, make_args, status, message):
    result = run_cli(*make_args(tmp_path), cwd=tmp_path)
    assert result.returncode == status, result.stderr
    assert message in result.stderr.decode()


@pytest.mark.parametrize("extra", [[], ["-"]], ids=["LOG", "LOG -"])
def test_one_log_to_standard_output(tmp_path, extra):
    result = run_cli(GOOD[0], *extra, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    assert result.stdout == expected_bytes(GOOD[0], tmp_path)
    assert result.stderr == b""


def test_one_log_that_fails_says_why(tmp_path, tree):
    src, _, _ = tree
    result = run_cli(src / "b" / "three.json", cwd=tmp_path)
    assert result.returncode == 1
    assert result.stdout == b""
    assert b"TenhouLogParsingError: invalid log" in result.stderr


@pytest.mark.parametrize("existing", [None, b"old content\n"], ids=["new", "replaced"])
def test_legacy_log_out_form(tmp_path, existing):
    out = tmp_path / "game.mjson"
    if existing is not None:
        out.write_bytes(existing)
    result = run_cli(GOOD[0], out, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    assert result.stdout == b""
    assert out.read_bytes() == expected_bytes(GOOD[0], tmp_path)
    assert hidden_files(tmp_path) == []


def test_legacy_form_keeps_old_output_when_conversion_fails(tmp_path, tree):
    src, _, _ = tree
    out = tmp_path / "game.mjson"
    out.write_bytes(b"old content\n")
    assert run_cli(src / "a" / "bad.json", out, cwd=tmp_path).returncode == 1
    assert out.read_bytes() == b"old content\n"


def test_progress_bar_only_on_a_terminal(tmp_path):
    import pty
    out = tmp_path / "out"
    piped = run_cli("-o", out, *GOOD, cwd=tmp_path)
    assert b"\r" not in piped.stderr
    leader, follower = pty.openpty()
    try:
        process = subprocess.run([sys.executable, "-m", "ripaion_rs", "-j", "1", "-o", str(out), *map(str, GOOD)],
                                 cwd=tmp_path, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                 stderr=follower, timeout=60)
        os.close(follower)
        follower = -1
        shown = b""
        while True:
            try:
                chunk = os.read(leader, 4096)
            except OSError:  # the terminal is closed once the child is gone
                break
            if not chunk:
                break
            shown += chunk
    finally:
        if follower >= 0:
            os.close(follower)
        os.close(leader)
    assert process.returncode == 0
    assert b"3/3 100%" in shown and b"logs/s" in shown


COPIES = 4000


@pytest.fixture
def big_tree(tmp_path):
    """COPIES copies of one log in 20 directories, and a batch converting them
    in its own process group, started on demand and killed at the end."""
    src = tmp_path / "in"
    copies(src, COPIES, folders=20)
    started = []

    def start(jobs):
        process = start_cli("-j", jobs, "-o", tmp_path / "out", src, cwd=tmp_path)
        started.append(process)
        wait_for(lambda: sum(1 for _ in (tmp_path / "out").rglob("*.mjson")) >= 100, process=process)
        return process

    yield start
    for process in started:
        kill_group(process)


def assert_only_complete_outputs(out):
    expected = expected_bytes(GOOD[0], out.parent)
    assert hidden_files(out) == []
    written = list(out.rglob("*.mjson"))
    assert 100 <= len(written) < COPIES
    assert all(path.read_bytes() == expected for path in written)


@pytest.mark.parametrize("jobs, stop, status", [
    ("1", lambda p: os.killpg(p.pid, signal.SIGINT), 130),  # Ctrl-C reaches the whole group
    ("2", lambda p: os.killpg(p.pid, signal.SIGINT), 130),
    ("2", lambda p: os.kill(p.pid, signal.SIGTERM), 143),  # the parent alone
    ("1", lambda p: os.kill(p.pid, signal.SIGTERM), 143),  # not taken for a failing log
    ("1", lambda p: [os.killpg(p.pid, signal.SIGINT) for _ in range(2)], 130),  # twice at once
    ("2", lambda p: [os.killpg(p.pid, signal.SIGINT) for _ in range(2)], 130),
    ("2", lambda p: [os.kill(p.pid, s) for s in (signal.SIGINT, signal.SIGTERM)], 130),
], ids=["ctrl-c-in-process", "ctrl-c-workers", "sigterm-workers", "sigterm-in-process",
        "ctrl-c-twice-in-process", "ctrl-c-twice-workers", "ctrl-c-then-sigterm"])
def test_stopping_is_prompt_and_leaves_only_complete_files(tmp_path, big_tree, jobs, stop, status):
    process = big_tree(jobs)
    stop(process)
    sent = time.monotonic()
    _, stderr = process.communicate(timeout=10)
    assert time.monotonic() - sent < 3
    assert process.returncode == status, stderr
    assert b"interrupted after" in stderr and b"Traceback" not in stderr and b" failed" in stderr
    assert b", 0 failed" in stderr  # the log being converted is not blamed
    assert group_members(process.pid) == []
    assert_only_complete_outputs(tmp_path / "out")


def test_a_log_that_kills_its_worker_is_reported_and_the_rest_converted(tmp_path):
    src, out, report = tmp_path / "in", tmp_path / "out", tmp_path / "report.jsonl"
    src.mkdir()
    for i in range(63):
        shutil.copy(GOOD[0], src / ("g%02d.json" % i))
    stuck = tmp_path / "stuck.json"  # named first: the first of a range of several logs
    os.mkfifo(stuck)
    # Holding the write end open lets the reader's open succeed and its read
    # block, so the worker converting this log is found by its open file.
    writer = os.open(stuck, os.O_RDWR)
    process = subprocess.Popen([sys.executable, "-m", "ripaion_rs", "-j", "2", "-o", str(out), "--report",
                                str(report), str(stuck), str(src)], cwd=tmp_path, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, start_new_session=True)
    kills = 0
    try:
        deadline = time.monotonic() + 60
        while process.poll() is None and time.monotonic() < deadline:
            for pid in holders_of(stuck) - {os.getpid()}:
                os.kill(pid, signal.SIGKILL)
                kills += 1
            time.sleep(0.05)
        _, stderr = process.communicate(timeout=10)
    finally:
        os.close(writer)
        for member in group_members(process.pid):
            os.kill(member, signal.SIGKILL)
        process.wait()
    assert process.returncode == 1, stderr
    assert kills == 2  # the worker of its range, then the one retrying it alone
    lines = [json.loads(line) for line in report.read_text().splitlines()]
    assert [(line["path"], line["type"]) for line in lines] == [(str(stuck), "WorkerDied")]
    assert "SIGKILL" in lines[0]["message"]
    expected = expected_bytes(GOOD[0], tmp_path)
    written = sorted(out.iterdir())
    assert len(written) == 63 and all(path.read_bytes() == expected for path in written)


@pytest.mark.parametrize("path, selects_stdout", [
    ("-", True), ("-/", True), ("-/.", True), ("-//./", True),
    ("./-", False), ("--", False), ("-x", False), ("a/-", False), ("-/a", False), ("", False),
])
def test_dash_paths_that_mean_standard_output(path, selects_stdout):
    # The extension's rule for mjai_out, which the command takes as it is.
    from ripaion_rs._job import names_standard_output
    assert names_standard_output(path) is selects_stdout


def test_interrupted_publish_leaves_the_old_file_and_no_temporary(tmp_path, monkeypatch):
    from ripaion_rs import _output
    target = tmp_path / "game.mjson"
    target.write_bytes(b"old\n")

    def interrupted(source, destination, **where):
        raise KeyboardInterrupt

    monkeypatch.setattr(_output.os, "replace", interrupted)
    with pytest.raises(KeyboardInterrupt):
        _output.publish(str(target), b"new\n", "abcdefgh")
    assert sorted(p.name for p in tmp_path.iterdir()) == ["game.mjson"]
    assert target.read_bytes() == b"old\n"
    assert _output.pending_temp is None


def test_worker_ignores_ctrl_c_and_removes_its_file_on_sigterm(tmp_path):
    temp = tmp_path / ".game.mjson.tmp"
    script = (
        "import os, signal, sys, time\n"
        "from ripaion_rs import _output, _pool\n"
        "_pool.init_worker()\n"
        "os.kill(os.getpid(), signal.SIGINT)\n"
        "open(sys.argv[1], 'w').write('half a fi')\n"
        "_output.pending_temp = sys.argv[1]\n"
        "os.kill(os.getpid(), signal.SIGTERM)\n"
        "time.sleep(30)\n"
    )
    result = subprocess.run([sys.executable, "-c", script, str(temp)], capture_output=True, timeout=60)
    assert result.returncode == 128 + signal.SIGTERM, result.stderr
    assert not temp.exists()


def test_mjlog_records_are_found_and_each_file_read_as_what_it_holds(tmp_path):
    data = LOGS_DIR.parent / "mjlog"
    src = tmp_path / "in"
    (src / "sub").mkdir(parents=True)
    shutil.copy(data / "2009090100gm-00a9-0000-6920f1ac.mjlog", src / "gz.mjlog")
    shutil.copy(data / "phoenix-utf16.xml", src / "sub" / "utf16.xml")
    # The content decides, not the name: a JSON log named .xml, a record named .json.
    shutil.copy(GOOD[0], src / "json-inside.xml")
    shutil.copy(data / "dnovikoff-bug1.xml", src / "xml-inside.json")
    (src / "broken.mjlog").write_bytes(gzip.compress(b"<mjloggm><GO type="))
    out, report = tmp_path / "out", tmp_path / "report.jsonl"
    result = run_cli("-q", "-o", out, "--report", report, src, cwd=tmp_path)
    assert result.returncode == 1, result.stderr
    written = sorted(str(p.relative_to(out)) for p in out.rglob("*") if p.is_file())
    assert written == ["gz.mjson", "json-inside.mjson", os.path.join("sub", "utf16.mjson"), "xml-inside.mjson"]

    def text(lines):
        return "".join(line + "\n" for line in lines).encode("utf-8")

    assert (out / "gz.mjson").read_bytes() == text(mjlog_to_mjai(src / "gz.mjlog"))
    assert (out / "sub" / "utf16.mjson").read_bytes() == text(mjlog_to_mjai(src / "sub" / "utf16.xml"))
    assert (out / "json-inside.mjson").read_bytes() == text(tenhou_to_mjai(GOOD[0]))
    assert (out / "xml-inside.mjson").read_bytes() == text(mjlog_to_mjai(data / "dnovikoff-bug1.xml"))
    failures = [json.loads(line) for line in report.read_text(encoding="utf-8").splitlines()]
    assert [(f["path"], f["type"]) for f in failures] == [(str(src / "broken.mjlog"), "MjlogParsingError")]


def test_a_record_and_a_log_of_the_same_name_are_refused(tmp_path):
    src = tmp_path / "in"
    src.mkdir()
    shutil.copy(GOOD[0], src / "game.json")
    shutil.copy(LOGS_DIR.parent / "mjlog" / "dnovikoff-bug1.xml", src / "game.xml")
    result = run_cli("-q", "-o", tmp_path / "out", src, cwd=tmp_path)
    assert result.returncode == 2
    assert b"would both be written" in result.stderr
