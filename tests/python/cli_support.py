"""Helpers of the tests of the `ripaion` command: running it, and watching
the processes it starts."""

import contextlib
import os
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

import pytest

from ripaion_rs import tenhou_to_mjai

LOGS = Path(__file__).resolve().parents[1] / "data" / "logs"
GOOD = sorted(LOGS.glob("2019*.json"))[:3]
COMMAND = [sys.executable, "-m", "ripaion_rs"]


def run_cli(*args, cwd, timeout=120, **options):
    options.setdefault("stdin", subprocess.DEVNULL)
    return subprocess.run([*COMMAND, *map(str, args)], cwd=cwd, capture_output=True, timeout=timeout, **options)


def start_cli(*args, cwd, **options):
    """The command in a process group of its own (so that the whole group can
    be sent Ctrl-C, or killed at the end); stderr piped."""
    options.setdefault("stdin", subprocess.DEVNULL)
    options.setdefault("stdout", subprocess.DEVNULL)
    options.setdefault("stderr", subprocess.PIPE)
    return subprocess.Popen([*COMMAND, *map(str, args)], cwd=cwd, start_new_session=True, **options)


def expected_bytes(log, scratch):
    """What the module itself writes for `log` (its own output file, not ours)."""
    reference = scratch / (Path(log).name + ".ref")
    tenhou_to_mjai(log, reference)
    return reference.read_bytes()


def hidden_files(root):
    return list(Path(root).rglob(".*"))


def copies(directory, count, log=GOOD[0], folders=1):
    """`count` copies of `log` (hard links where possible) spread over `folders`
    subdirectories of `directory`."""
    for i in range(count):
        folder = directory / ("d%02d" % (i % folders)) if folders > 1 else directory
        folder.mkdir(parents=True, exist_ok=True)
        try:
            os.link(log, folder / ("g%05d.json" % i))
        except OSError:  # another file system
            shutil.copy(log, folder / ("g%05d.json" % i))


def linked_tree(root, copies):
    """`copies` links to each test log, in folders of one copy each; the number of logs."""
    logs = sorted(LOGS.glob("*.json"))
    for copy in range(copies):
        folder = root / ("c%03d" % copy)
        folder.mkdir(parents=True)
        for log in logs:
            os.symlink(log, folder / log.name)
    return copies * len(logs)


@contextlib.contextmanager
def tmpfs(tmp_path, size):
    """A tmpfs of `size` (mount's words: 64k, 1m) mounted for the test; the
    test is skipped where mounting is not allowed (root only)."""
    if os.geteuid() != 0:
        pytest.skip("mounting a tmpfs needs root")
    mount_point = tmp_path / "small"
    mount_point.mkdir()
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=" + size, "tmpfs", str(mount_point)],
                      capture_output=True, timeout=30).returncode != 0:
        pytest.skip("cannot mount a tmpfs here")
    try:
        yield mount_point
    finally:
        subprocess.run(["umount", "-l", str(mount_point)], capture_output=True, timeout=30)


def group_members(group):
    """Live (not zombie) processes of a process group."""
    members = []
    for stat_file in Path("/proc").glob("[0-9]*/stat"):
        try:
            fields = stat_file.read_text().rsplit(")", 1)[1].split()
        except OSError:
            continue
        if int(fields[2]) == group and fields[0] != "Z":
            members.append(int(stat_file.parent.name))
    return members


def kill_group(process):
    for member in group_members(process.pid):
        try:
            os.kill(member, signal.SIGKILL)
        except ProcessLookupError:
            pass
    process.wait(timeout=30)


def holders_of(path):
    """Processes that have `path` open."""
    holders = set()
    for fd in Path("/proc").glob("[0-9]*/fd/*"):
        try:
            if os.readlink(fd) == str(path):
                holders.add(int(fd.parts[2]))
        except OSError:
            continue
    return holders


def wait_for(condition, seconds=60, process=None):
    """Poll `condition` until it holds; fail if `process` ends first or time runs out."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value:
            return value
        assert process is None or process.poll() is None, "the command ended early"
        assert time.monotonic() < deadline, "timed out"
        time.sleep(0.02)
