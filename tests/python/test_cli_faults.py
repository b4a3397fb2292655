"""The `ripaion` command in a hostile environment: its own output failing,
signals, planted links, FIFOs and devices, link loops, killed workers, long
names, and arguments that name each other. Real processes throughout; every
one has a time limit."""

import contextlib
import errno
import hashlib
import json
import os
import pty
import re
import select
import shutil
import signal
import subprocess
import time
from pathlib import Path

import pytest

from cli_support import (GOOD, COMMAND, copies, expected_bytes, hidden_files, holders_of, kill_group, run_cli,
                         start_cli, tmpfs, wait_for)

BAD_LOG = '{"log": ['


@pytest.fixture
def three(tmp_path):
    """Two good logs and a broken one, by name."""
    logs = []
    for name, content in (("a.json", GOOD[0].read_bytes()), ("b.json", GOOD[1].read_bytes()),
                          ("bad.json", BAD_LOG.encode())):
        (tmp_path / name).write_bytes(content)
        logs.append(tmp_path / name)
    return logs


@pytest.fixture
def small_tmpfs(tmp_path):
    with tmpfs(tmp_path, "1m") as mount_point:
        yield mount_point


def fill(directory):
    """Fill the file system of `directory` to the last byte."""
    fd = os.open(directory / "filler", os.O_WRONLY | os.O_CREAT, 0o600)
    try:
        for size in (65536, 1):
            try:
                while True:
                    os.write(fd, b"\0" * size)
            except OSError as exc:
                assert exc.errno == errno.ENOSPC
    finally:
        os.close(fd)


# ---------------------------------------------------------------- its own output fails


@pytest.mark.parametrize("jobs", ["1", "2"])
def test_a_report_on_a_full_device_ends_the_run(tmp_path, three, jobs):
    out = tmp_path / "out"
    result = run_cli("-j", jobs, "-q", "--report", "/dev/full", "-o", out, *three, cwd=tmp_path, timeout=60)
    assert result.returncode in (1, 2), result.stderr
    stderr = result.stderr.decode()
    assert "cannot write the report: No space left on device" in stderr
    assert "Traceback" not in stderr and len(stderr.splitlines()) == 1
    assert hidden_files(out) == []
    if result.returncode == 2:  # only when nothing was converted
        assert list(out.glob("*.mjson")) == []


@pytest.mark.parametrize("jobs", ["1", "2"])
def test_a_report_on_a_disk_that_fills_ends_the_run(tmp_path, small_tmpfs, three, jobs):
    fill(small_tmpfs)
    result = run_cli("-j", jobs, "-q", "--report", small_tmpfs / "report.jsonl", "-o", tmp_path / "out", *three,
                     cwd=tmp_path, timeout=60)
    assert result.returncode in (1, 2)
    assert b"cannot write the report" in result.stderr and b"Traceback" not in result.stderr


def test_a_progress_terminal_that_goes_away_ends_the_run(tmp_path):
    src = tmp_path / "in"
    copies(src, 3000, folders=10)
    leader, follower = pty.openpty()
    process = start_cli("-j", "2", "-o", tmp_path / "out", src, cwd=tmp_path, stderr=follower)
    os.close(follower)
    try:
        # The bar is drawn.
        wait_for(lambda: select.select([leader], [], [], 0.1)[0] and os.read(leader, 4096), process=process)
        os.close(leader)  # the terminal hangs up: writes to it fail (EIO)
        leader = -1
        process.wait(timeout=30)
        assert process.returncode in (1, 2)
        assert hidden_files(tmp_path / "out") == []
    finally:
        if leader >= 0:
            os.close(leader)
        kill_group(process)


# ---------------------------------------------------------------- signals


def test_sigterm_stops_the_single_form(tmp_path):
    fifo = tmp_path / "stuck.json"
    os.mkfifo(fifo)
    writer = os.open(fifo, os.O_RDWR)  # the command's read blocks, with nothing to read
    out = tmp_path / "game.mjson"
    process = start_cli(fifo, out, cwd=tmp_path)
    try:
        wait_for(lambda: holders_of(fifo) - {os.getpid()}, process=process)
        process.send_signal(signal.SIGTERM)
        _, stderr = process.communicate(timeout=10)
    finally:
        os.close(writer)
        kill_group(process)
    assert process.returncode == 128 + signal.SIGTERM, stderr
    assert b"Terminated" not in stderr and b"Traceback" not in stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["stuck.json"]


def test_ctrl_c_at_start_up_gives_no_traceback_of_the_command(tmp_path):
    # Signals at every moment of a whole run, its start-up included, one or
    # two at once. The interpreter's own start-up (before the package loads)
    # is Python's; from there on, the command ends with 130 and no traceback.
    command = [*COMMAND, str(GOOD[0])]
    began = time.monotonic()
    subprocess.run(command, cwd=tmp_path, stdin=subprocess.DEVNULL, capture_output=True, timeout=60)
    duration = time.monotonic() - began
    statuses = set()
    for step in range(30):
        process = subprocess.Popen(command, cwd=tmp_path, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.PIPE)
        time.sleep(duration * step / 30)
        process.send_signal(signal.SIGINT)
        if step % 2:
            process.send_signal(signal.SIGINT)
        _, stderr = process.communicate(timeout=30)
        # A traceback may only come from loading the package, not from the command.
        assert not re.search(rb"ripaion_rs/(?!__init__\.py)", stderr), stderr.decode()
        statuses.add(process.returncode)
    assert 130 in statuses


# ---------------------------------------------------------------- planted links and temporary files


def test_a_planted_link_at_the_temporary_name_is_not_written_through(tmp_path):
    from ripaion_rs import _output
    victim = tmp_path / "victim"
    victim.write_bytes(b"precious\n")
    out = tmp_path / "out"
    out.mkdir()
    target = out / "a.mjson"
    for name in _output.temp_names(str(target), os.getpid(), "abcdefgh"):
        os.symlink(victim, name)
    _output.publish(str(target), b"new\n", "abcdefgh")
    assert victim.read_bytes() == b"precious\n"
    assert not target.is_symlink() and target.read_bytes() == b"new\n"


def test_a_planted_link_at_the_output_is_replaced_not_followed(tmp_path):
    victim = tmp_path / "victim"
    victim.write_bytes(b"precious\n")
    out = tmp_path / "out"
    out.mkdir()
    (out / (GOOD[0].stem + ".mjson")).symlink_to(victim)
    assert run_cli("-q", "-o", out, GOOD[0], cwd=tmp_path, timeout=60).returncode == 0
    assert victim.read_bytes() == b"precious\n"
    written = out / (GOOD[0].stem + ".mjson")
    assert not written.is_symlink() and written.read_bytes() == expected_bytes(GOOD[0], tmp_path)


@pytest.mark.parametrize("length", [245, 250, 254])
def test_long_log_names_convert(tmp_path, length):
    # The output name is one byte longer than the log's; its temporary name
    # must still fit in the file system's 255 bytes.
    log = tmp_path / ("x" * (length - len(".json")) + ".json")
    log.write_bytes(GOOD[0].read_bytes())
    out = tmp_path / "out"
    result = run_cli("-q", "-o", out, log, cwd=tmp_path, timeout=60)
    assert result.returncode == 0, result.stderr
    assert [len(p.name) for p in out.iterdir()] == [length + 1]


def test_stale_temporary_files_of_dead_processes_are_removed(tmp_path):
    out = tmp_path / "out"
    out.mkdir()
    gone_pid = subprocess.Popen(["true"])
    gone_pid.wait(timeout=10)
    from ripaion_rs import _output
    stale = Path(_output.temp_names(str(out / "a.mjson"), gone_pid.pid, "k2j4m7q9")[0])
    owned = Path(_output.temp_names(str(out / "b.mjson"), os.getpid(), "k2j4m7q9")[0])  # a live writer's
    # The user's own files, however alike: only the command's names are swept.
    unrelated = [out / ".notes.tmp", out / (".draft.%d.notesbak.tmp" % gone_pid.pid),
                 out / (".a.mjson.%d.k2j4m7q9.tmp" % gone_pid.pid)]
    for path in (stale, owned, *unrelated):
        path.write_bytes(b"half")
    assert run_cli("-q", "--skip-existing", "-o", out, GOOD[0], cwd=tmp_path, timeout=60).returncode == 0
    assert not stale.exists() and owned.exists() and all(path.exists() for path in unrelated)


def test_the_temporary_file_of_a_killed_worker_is_removed(tmp_path):
    """Stop a worker while it has a temporary file open, kill it with
    SIGKILL (it cannot clean up), and let the run finish."""
    src = tmp_path / "in"
    copies(src, 3000, folders=4)
    out = tmp_path / "out"
    process = start_cli("-j", "2", "-q", "-o", out, src, cwd=tmp_path)
    killed = None
    try:
        deadline = time.monotonic() + 60
        while killed is None and process.poll() is None and time.monotonic() < deadline:
            for worker in children_of(process.pid):
                try:
                    os.kill(worker, signal.SIGSTOP)
                except ProcessLookupError:
                    continue
                if any(name.endswith(".tmp") for name in open_files(worker)):
                    os.kill(worker, signal.SIGKILL)
                    killed = worker
                    break
                os.kill(worker, signal.SIGCONT)
        _, stderr = process.communicate(timeout=60)
    finally:
        kill_group(process)
    if killed is None:
        pytest.skip("never caught a worker writing (the run was too quick)")
    assert process.returncode == 0, stderr
    assert hidden_files(out) == []
    assert len(list(out.rglob("*.mjson"))) == 3000


def children_of(pid):
    try:
        return [int(p) for p in Path("/proc/%d/task/%d/children" % (pid, pid)).read_text().split()]
    except OSError:
        return []


def open_files(pid):
    names = []
    for fd in Path("/proc/%d/fd" % pid).glob("*"):
        try:
            names.append(os.readlink(fd))
        except OSError:
            pass
    return names


# ---------------------------------------------------------------- worker deaths


def test_a_worker_death_on_a_healthy_log_is_retried(tmp_path):
    """A worker is killed while it reads a log: the log is converted by a
    fresh worker, not reported as WorkerDied; the log it had finished before
    in the same range keeps its manifest entry (converted again)."""
    fifo = tmp_path / "slow.json"
    os.mkfifo(fifo)
    writer = os.open(fifo, os.O_RDWR)
    more = tmp_path / "more"
    copies(more, 16)  # enough logs for ranges of two: GOOD[0] and the fifo share one
    out, report, manifest = tmp_path / "out", tmp_path / "report.jsonl", tmp_path / "manifest.jsonl"
    process = start_cli("-j", "2", "-o", out, "--report", report, "--manifest", manifest, GOOD[0], fifo, more,
                        cwd=tmp_path)
    try:
        first = wait_for(lambda: holders_of(fifo) - {os.getpid()}, process=process)
        for pid in first:
            os.kill(pid, signal.SIGKILL)
        wait_for(lambda: holders_of(fifo) - {os.getpid()} - first, process=process)
        os.write(writer, GOOD[1].read_bytes())  # the log arrives; the retry reads it
        os.close(writer)
        writer = -1
        _, stderr = process.communicate(timeout=30)
    finally:
        if writer >= 0:
            os.close(writer)
        kill_group(process)
    assert process.returncode == 0, stderr
    assert report.read_text() == ""
    assert (out / "slow.mjson").read_bytes() == expected_bytes(GOOD[1], tmp_path)
    entries = [json.loads(line) for line in manifest.read_text().splitlines()]
    inputs = [str(GOOD[0]), str(fifo)] + [str(p) for p in more.rglob("*.json")]
    assert sorted(e["input"] for e in entries) == sorted(inputs)


# ---------------------------------------------------------------- inputs that never end


def test_special_files_in_a_folder_are_skipped_not_opened(tmp_path):
    src = tmp_path / "in"
    src.mkdir()
    (src / "a.json").write_bytes(GOOD[0].read_bytes())
    os.mkfifo(src / "fifo.json")
    (src / "zero.json").symlink_to("/dev/zero")
    (src / "loop").symlink_to(src)  # a link to a directory: not followed
    result = run_cli("-j", "1", "-o", tmp_path / "out", src, cwd=tmp_path, timeout=60)
    assert result.returncode == 0, result.stderr
    stderr = result.stderr.decode()
    assert "1 converted, 2 skipped, 0 failed" in stderr
    assert "fifo.json: a FIFO, not a regular file" in stderr
    assert "zero.json: a character device, not a regular file" in stderr
    assert sorted(p.name for p in (tmp_path / "out").iterdir()) == ["a.mjson"]


@pytest.mark.parametrize("kind", ["dev-zero", "link-to-dev-zero", "big-file"])
def test_a_named_log_beyond_the_size_cap_fails_without_being_read_whole(tmp_path, kind):
    log = Path("/dev/zero") if kind == "dev-zero" else tmp_path / "log.json"
    if kind == "link-to-dev-zero":
        log.symlink_to("/dev/zero")
    elif kind == "big-file":
        with open(log, "wb") as f:
            f.truncate(2 << 20)
    report = tmp_path / "report.jsonl"
    result = run_cli("--max-log-size", "1M", "--report", report, "-o", tmp_path / "out", log,
                     cwd=tmp_path, timeout=60)
    assert result.returncode == 1, result.stderr
    [line] = [json.loads(line) for line in report.read_text().splitlines()]
    assert line["type"] == "LogTooLarge" and "1048576 bytes" in line["message"]


def test_a_log_within_the_cap_from_a_pipe_converts(tmp_path):
    result = subprocess.run([*COMMAND, "/dev/stdin", tmp_path / "out.mjson"], input=GOOD[0].read_bytes(),
                            cwd=tmp_path, capture_output=True, timeout=60)  # a pipe, not a file
    assert result.returncode == 0, result.stderr
    assert (tmp_path / "out.mjson").read_bytes() == expected_bytes(GOOD[0], tmp_path)


def test_process_substitution_is_one_log(tmp_path):
    command = " ".join(map(str, COMMAND)) + ' <(cat "$1") "$2"'
    result = subprocess.run(["bash", "-c", command, "-", GOOD[0], tmp_path / "out.mjson"], cwd=tmp_path,
                            capture_output=True, timeout=60)
    assert result.returncode == 0, result.stderr
    assert (tmp_path / "out.mjson").read_bytes() == expected_bytes(GOOD[0], tmp_path)


def test_double_star_patterns_do_not_follow_link_loops(tmp_path):
    top = tmp_path / "L"
    (top / "a" / "b").mkdir(parents=True)
    (top / "a" / "b" / "g.json").write_bytes(GOOD[0].read_bytes())
    (top / "a" / "up").symlink_to(top)  # two loops
    (top / "a" / "b" / "back").symlink_to(top / "a")
    result = run_cli("-o", tmp_path / "out", str(top) + "/**/*.json", cwd=tmp_path, timeout=60)
    assert result.returncode == 0, result.stderr
    assert [p.name for p in (tmp_path / "out").iterdir()] == ["g.mjson"]


# ---------------------------------------------------------------- messages


def test_real_reasons_for_unopenable_logs(tmp_path):
    (tmp_path / "loop.json").symlink_to("loop.json")
    cases = {str(tmp_path / "loop.json"): ("OSError", os.strerror(errno.ELOOP))}
    if os.geteuid() != 0:  # root reads anything
        locked = tmp_path / "locked.json"
        locked.write_bytes(GOOD[0].read_bytes())
        locked.chmod(0)
        cases[str(locked)] = ("PermissionError", os.strerror(errno.EACCES))
    report = tmp_path / "report.jsonl"
    result = run_cli("--report", report, "-o", tmp_path / "out", *cases, cwd=tmp_path, timeout=60)
    assert result.returncode == 1
    lines = [json.loads(line) for line in report.read_text().splitlines()]
    assert {line["path"]: (line["type"], line["message"]) for line in lines} == cases


# ---------------------------------------------------------------- order of checks


@pytest.mark.parametrize("make_args, message", [
    (lambda d: ["--report", d / "no-dir" / "r.jsonl", "-o", d / "out", d / "a.json"], "report"),
    (lambda d: ["--report", d / "a.json", "-o", d / "out", d / "a.json"], "one of the logs"),
    (lambda d: ["--report", d / "src" / "c.json", "-o", d / "out", d / "src"], "one of the logs"),
    (lambda d: ["--report", d / "out" / "a.mjson", "-o", d / "out", d / "a.json"], "one of the output"),
    (lambda d: [d / "a.json", d / "b.json"], "is a log"),
    (lambda d: ["--report", d / "a.json", d / "a.json", "-"], "one of the logs"),
    (lambda d: [d / "a.json", d / "a.json"], "is the log itself"),
    (lambda d: [d / "a.json", d / "b.xml"], "-o DIR"),
    (lambda d: [d / "a.json", d / "b.mjlog"], "-o DIR"),
    (lambda d: [d / "a.json", d / "b"], "-o DIR"),
    (lambda d: [d / "a.json", d / "x"], "-o/--output DIR"),
], ids=["report-dir-missing", "report-is-a-named-log", "report-is-a-found-log", "report-is-an-output",
        "second-is-a-json-log", "report-is-the-single-log", "out-is-the-log", "second-is-xml",
        "second-is-mjlog", "second-starts-like-a-log", "second-is-a-directory"])
def test_refused_arguments_create_and_change_nothing(tmp_path, make_args, message):
    (tmp_path / "src").mkdir()
    (tmp_path / "x").mkdir()
    contents = {"a.json": GOOD[0].read_bytes(), "b.json": GOOD[1].read_bytes(), "src/c.json": GOOD[2].read_bytes(),
                "b.xml": b'<mjloggm ver="2.3"></mjloggm>', "b.mjlog": b"\x1f\x8b\x08",
                "b": b'\n {"title": ["", ""], "name": ["a", "b", "c", "d"], "log": []}'}
    for name, content in contents.items():
        (tmp_path / name).write_bytes(content)
    before = sorted(p for p in tmp_path.rglob("*"))
    result = run_cli(*make_args(tmp_path), cwd=tmp_path, timeout=60)
    assert result.returncode == 2, result.stderr
    assert message in result.stderr.decode()
    assert sorted(p for p in tmp_path.rglob("*")) == before
    assert all((tmp_path / name).read_bytes() == content for name, content in contents.items())


@pytest.mark.parametrize("link", [os.symlink, os.link], ids=["symbolic", "hard"])
def test_a_manifest_that_is_the_report_through_a_link_is_refused(tmp_path, link):
    report, manifest, out = tmp_path / "r.jsonl", tmp_path / "m.jsonl", tmp_path / "out"
    report.write_bytes(b"")
    link(report, manifest)
    bad = tmp_path / "bad.json"
    bad.write_bytes(b"{")
    result = run_cli("-o", out, "--report", report, "--manifest", manifest, GOOD[0], bad, cwd=tmp_path, timeout=60)
    assert result.returncode == 2
    assert b"the manifest and the report are the same file" in result.stderr
    assert not out.exists() and report.read_bytes() == b""


@pytest.mark.parametrize("existing", [b"", b'{"type":"start_game","names":["a","b","c","d"]}\n', b"\x1f\x8b\x08\x00"],
                         ids=["empty", "mjai-lines", "gzip"])
def test_an_existing_output_that_is_no_log_is_replaced(tmp_path, existing):
    out = tmp_path / "game.mjson"
    out.write_bytes(existing)
    result = run_cli(GOOD[0], out, cwd=tmp_path, timeout=60)
    assert result.returncode == 0, result.stderr
    assert out.read_bytes() == expected_bytes(GOOD[0], tmp_path)


# ---------------------------------------------------------------- standard output


def test_a_closed_pipe_ends_with_the_broken_pipe_status(tmp_path):
    big = tmp_path / "big.json"
    big.write_bytes(max((p for p in GOOD), key=lambda p: p.stat().st_size).read_bytes())
    assert len(expected_bytes(big, tmp_path)) > 65536  # more than a pipe holds
    process = subprocess.Popen([*COMMAND, str(big)], cwd=tmp_path, stdin=subprocess.DEVNULL,
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    try:
        assert len(process.stdout.read(10)) == 10
        process.stdout.close()
        process.wait(timeout=30)
    finally:
        process.kill()
    stderr = process.stderr.read()
    assert process.returncode == 128 + signal.SIGPIPE
    assert stderr == b""


def test_a_full_standard_output_fails(tmp_path):
    with open("/dev/full", "wb") as full:
        result = subprocess.run([*COMMAND, str(GOOD[0])], cwd=tmp_path, stdin=subprocess.DEVNULL, stdout=full,
                                stderr=subprocess.PIPE, timeout=60)
    assert result.returncode == 1
    assert b"No space left on device" in result.stderr and b"Traceback" not in result.stderr


def test_temporary_names_fit_and_say_who_owns_them():
    from ripaion_rs import _output
    long_name = "y" * 255
    for name in ("a.mjson", "z" * 240 + ".mjson", long_name):
        for temp in _output.temp_names("/o/" + name, 4321, "abcdefgh"):
            base = os.path.basename(temp)
            assert len(base.encode()) <= 255 and base.startswith(".")
            assert _output.TEMP_PATTERN.match(base).group(1) == "4321"
    digest = hashlib.sha256(long_name.encode()).hexdigest()[:16]
    assert digest in _output.temp_names("/o/" + long_name, 1, "abcdefgh")[0]


@pytest.mark.parametrize("kind, regular_only, raises", [
    ("small", True, None), ("big", True, "LogTooLarge"), ("zero", False, "LogTooLarge"),
    ("fifo", True, "NotARegularFile"), ("directory", False, "IsADirectoryError"),
])
def test_reading_a_log_with_the_cap(tmp_path, kind, regular_only, raises):
    from ripaion_rs import _input
    path = {"zero": "/dev/zero", "directory": str(tmp_path)}.get(kind, str(tmp_path / "log"))
    if kind in ("small", "big"):
        Path(path).write_bytes(b"x" * (1000 if kind == "small" else 1001))
    elif kind == "fifo":
        os.mkfifo(path)  # with no writer: opening it must not wait
    if raises is None:
        assert _input.read_log(path, 1000, regular_only) == b"x" * 1000
    else:
        with pytest.raises(Exception) as caught:
            _input.read_log(path, 1000, regular_only)
        assert type(caught.value).__name__ == raises


@pytest.mark.parametrize("compress", [False, True])
def test_a_log_named_as_a_fifo_is_read_whole(tmp_path, compress):
    import threading
    from ripaion_rs import convert_to_bytes
    log = tmp_path / "log.json"
    os.mkfifo(log)
    data = GOOD[0].read_bytes()
    writer = threading.Thread(target=lambda: log.write_bytes(data), daemon=True)
    writer.start()
    out = tmp_path / "out.mjson"
    result = run_cli(log, out, *(["--gzip"] if compress else []), cwd=tmp_path)
    writer.join(timeout=10)
    assert result.returncode == 0, result.stderr
    assert out.read_bytes() == convert_to_bytes(data, gzip=6 if compress else None)
    assert sorted(p.name for p in tmp_path.iterdir()) == ["log.json", "out.mjson"]


@pytest.mark.parametrize("name_length", [10, 200])
@pytest.mark.parametrize("length", [4080, 4090, 4095, 4100])
def test_outputs_near_the_longest_path_are_written(tmp_path, length, name_length):
    """The temporary name's tail takes an output path of 4,080 bytes past the
    system's 4,096; one of 4,100 is past it already: both are written by
    their names in their folder."""
    src = tmp_path / "in"
    src.mkdir()
    out = tmp_path / "o"
    stem = "g" * name_length
    folder_length = length - 1 - len(stem + ".mjson")
    folder = str(out)
    while folder_length - len(folder) > 201:
        folder = os.path.join(folder, "d" * 100)
    folder = os.path.join(folder, "e" * (folder_length - len(folder) - 1))
    assert len(os.path.join(folder, stem + ".mjson")) == length
    shutil.copy(GOOD[0], src / (stem + ".json"))
    os.makedirs(folder)
    result = run_cli("-q", "-o", folder, src, cwd=tmp_path, timeout=60)
    assert result.returncode == 0, result.stderr
    fd = os.open(folder, os.O_RDONLY | os.O_DIRECTORY)
    try:
        assert sorted(os.listdir(fd)) == [stem + ".mjson"]
        written = os.open(stem + ".mjson", os.O_RDONLY, dir_fd=fd)
        try:
            assert os.read(written, 1 << 20) == expected_bytes(GOOD[0], tmp_path)
        finally:
            os.close(written)
    finally:
        os.close(fd)


def test_a_second_ctrl_c_never_kills_the_command(tmp_path):
    """Two Ctrl-C a few milliseconds apart, the second one possibly while the
    interpreter is ending: the status is 130 every time, never death by
    SIGINT."""
    src = tmp_path / "in"
    copies(src, 2000)
    statuses = []
    for round_ in range(8):
        out = tmp_path / ("out%d" % round_)
        process = start_cli("-q", "-j", "2", "-o", out, src, cwd=tmp_path)
        try:
            deadline = time.monotonic() + 60
            while not out.exists() and process.poll() is None and time.monotonic() < deadline:
                time.sleep(0.005)
            time.sleep(0.02 * round_)
            os.killpg(process.pid, signal.SIGINT)
            time.sleep(0.005 * round_)
            with contextlib.suppress(ProcessLookupError):
                os.killpg(process.pid, signal.SIGINT)
            process.communicate(timeout=60)
        finally:
            kill_group(process)
        statuses.append(process.returncode)
    assert statuses == [128 + signal.SIGINT] * 8
