"""A cluster that goes away during a run: its scheduler killed, or every
worker gone. Each test starts a cluster of its own in a process group it
can kill (the shared cluster of test_dask.py must live on).

Skipped like test_dask.py where the dask extra is missing or under the
sanitizers."""

import json
import os
import signal
import subprocess
import sys
import threading
import time

import pytest
from support import require_cluster_mode

# The cluster-mode imports follow the check that skips this module without them.
# ruff: noqa: E402
require_cluster_mode()

from distributed import Client

from cli_support import kill_group, linked_tree, start_cli
from ripaion_rs.dask import ClusterLost, convert_logs


CLUSTER = """
import logging, sys, time
from distributed import LocalCluster
cluster = LocalCluster(n_workers=int(sys.argv[1]), threads_per_worker=1, processes=True,
                       dashboard_address=":0", silence_logs=logging.CRITICAL)
print(cluster.scheduler_address, flush=True)
time.sleep(600)
"""


@pytest.fixture
def cluster():
    """A scheduler with one or two workers in a process group of its own:
    (address, process)."""
    started = []

    def start(workers=2):
        process = subprocess.Popen([sys.executable, "-c", CLUSTER, str(workers)], stdout=subprocess.PIPE,
                                   stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, start_new_session=True)
        started.append(process)
        address = process.stdout.readline().decode().strip()
        assert address.startswith("tcp://")
        return address, process

    yield start
    for process in started:
        kill_group(process)


def wait_for_outputs(out, count, process=None):
    deadline = time.monotonic() + 120
    while len(list(out.rglob("*.mjson"))) < count:
        assert (process is None or process.poll() is None) and time.monotonic() < deadline
        time.sleep(0.02)


def test_a_run_that_loses_its_scheduler_ends_with_one_line(cluster, tmp_path):
    address, scheduler = cluster()
    src, out, manifest, report = tmp_path / "in", tmp_path / "out", tmp_path / "m.jsonl", tmp_path / "r.jsonl"
    linked_tree(src, 300)
    process = start_cli("--scheduler", address, "-o", out, "--manifest", manifest, "--report", report, src,
                        cwd=tmp_path)
    try:
        wait_for_outputs(out, 200, process)
        os.killpg(scheduler.pid, signal.SIGKILL)  # the scheduler and its workers: nothing writes after
        _, stderr = process.communicate(timeout=120)
    finally:
        kill_group(process)
    lines = stderr.decode().splitlines()
    assert process.returncode == 1 and len(lines) == 1, stderr
    assert lines[0].startswith("ripaion: error: lost the Dask scheduler at %s" % address)
    assert report.read_bytes() == b""
    listed = [json.loads(line)["output"] for line in manifest.read_text().splitlines()]
    assert sorted(listed) == sorted(str(p) for p in out.rglob("*.mjson"))
    assert list(out.rglob(".*")) == []


def test_a_run_left_without_workers_ends_after_the_cluster_timeout(cluster, tmp_path):
    address, scheduler = cluster(0)
    # One worker without a nanny, which would start it again.
    worker = subprocess.Popen([sys.executable, "-m", "distributed.cli.dask_worker", address, "--no-nanny",
                               "--nthreads", "1"], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    src, out = tmp_path / "in", tmp_path / "out"
    linked_tree(src, 300)
    process = start_cli("--scheduler", address, "--cluster-timeout", "3", "-o", out, src, cwd=tmp_path)
    try:
        wait_for_outputs(out, 100, process)
        worker.kill()
        started = time.monotonic()
        _, stderr = process.communicate(timeout=120)
        waited = time.monotonic() - started
    finally:
        worker.kill()
        worker.wait()
        kill_group(process)
    assert process.returncode == 1, stderr
    assert stderr.decode().splitlines() == [stderr.decode().strip()]
    assert "no Dask worker for 3 s (--cluster-timeout)" in stderr.decode()
    assert waited < 60  # the clock starts at the last finished batch, before the kill


def test_convert_logs_raises_cluster_lost(cluster, tmp_path):
    address, scheduler = cluster()
    src, out = tmp_path / "in", tmp_path / "out"
    linked_tree(src, 300)
    logs = [(str(p), str(out / p.parent.name / (p.stem + ".mjson"))) for p in sorted(src.rglob("*.json"))]

    def kill_when_started():
        wait_for_outputs(out, 200)
        os.killpg(scheduler.pid, signal.SIGKILL)

    killer = threading.Thread(target=kill_when_started, daemon=True)
    with Client(address) as client:
        killer.start()
        with pytest.raises(ClusterLost, match="lost the Dask scheduler"):
            convert_logs(logs, str(out), client=client, batch_size=16)
    killer.join(timeout=10)
