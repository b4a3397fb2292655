"""The batch on a Dask cluster (the `dask` extra): the Python API, storage
URLs, and `ripaion --scheduler`, against one local cluster of two worker
processes shared by the whole module (a cluster takes seconds to start).

Skipped where the extra is missing, unless RIPAION_REQUIRE_DASK=1 (CI), where
its absence is an error; skipped in the sanitizer run."""

import concurrent.futures
import contextlib
import gzip
import json
import logging
import os
import shutil
import signal
import subprocess
import sys
import time
import zlib
from pathlib import Path

import pytest
from support import require_cluster_mode

# The cluster-mode imports follow the check that skips this module without them.
# ruff: noqa: E402
require_cluster_mode()

import dask
import dask.bag
import fsspec
import fsspec.implementations.memory
from distributed import Client, LocalCluster

from cli_support import holders_of, linked_tree
from ripaion_rs import _dask, _storage
from ripaion_rs._job import CONVERTED, Job, Settings
from ripaion_rs._input import LogTooLarge
from ripaion_rs.dask import LogOutcome, convert_logs

LOGS = Path(__file__).resolve().parents[1] / "data" / "logs"
ALL_LOGS = sorted(LOGS.glob("*.json"))
THREE_PLAYER = {"log": [], "name": ["a", "b", "c", "d"], "rule": {"disp": "三般東喰"}}


@pytest.fixture(scope="module")
def client():
    # A task that killed two workers is given up (KilledWorker), so that a
    # log that kills every worker costs a few restarts, not eight.
    with dask.config.set({"distributed.scheduler.allowed-failures": 1}):
        cluster = LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                               dashboard_address=":0", silence_logs=logging.ERROR)
    with cluster, Client(cluster) as c:
        yield c


def local_command(tmp_path_factory, *extra):
    """The local command's outputs for the test logs: {name: bytes}."""
    out = tmp_path_factory.mktemp("local")
    result = subprocess.run([sys.executable, "-m", "ripaion_rs", "-q", "-j", "1", "-o", str(out), *extra,
                             str(LOGS)], stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
    assert result.returncode == 0, result.stderr
    return {p.name: p.read_bytes() for p in out.iterdir()}


@pytest.fixture(scope="module")
def expected(tmp_path_factory):
    return {False: local_command(tmp_path_factory), True: local_command(tmp_path_factory, "--gzip")}


def written(folder):
    return {p.name: p.read_bytes() for p in Path(folder).iterdir()}


def worker_memory(client, path):
    """{name: bytes} under memory://path, gathered from every worker process
    (each has its own memory file system)."""
    def files(path):
        fs = fsspec.filesystem("memory")
        return {p.rsplit("/", 1)[-1]: fs.cat_file(p) for p in fs.find(path)}
    merged = {}
    for found in client.run(files, path).values():
        merged.update(found)
    return merged


def put_in_memory(client, files):
    """The same files in this process's and every worker's memory file system."""
    def put(files):
        fs = fsspec.filesystem("memory")
        for path, data in files.items():
            fs.pipe_file(path, data)
    put(files)
    client.run(put, files)


def gzip_members(data):
    """How many gzip members `data` holds."""
    count = 0
    while data:
        d = zlib.decompressobj(31)
        d.decompress(data)
        data = d.unused_data
        count += 1
    return count


@pytest.mark.parametrize("compress", [False, True], ids=["plain", "gzip"])
def test_list_of_paths_gives_the_local_commands_outputs(client, tmp_path, expected, compress):
    outcomes = convert_logs([str(p) for p in ALL_LOGS], str(tmp_path / "out"), gzip=6 if compress else None,
                            batch_size=4)
    assert [o.status for o in outcomes] == ["converted"] * len(ALL_LOGS)
    assert [o.path for o in outcomes] == [str(p) for p in ALL_LOGS]
    assert written(tmp_path / "out") == expected[compress]
    if compress:
        assert {gzip_members(data) for data in expected[True].values()} == {1}


def test_bag_of_paths_maps_to_outcomes(client, tmp_path, expected):
    bag = dask.bag.from_sequence([str(p) for p in ALL_LOGS] + [str(tmp_path / "missing.json")], npartitions=3)
    outcomes = convert_logs(bag, str(tmp_path / "out")).compute()
    assert outcomes[:-1] == [LogOutcome(str(p), str(tmp_path / "out" / (p.stem + ".mjson")), "converted")
                             for p in ALL_LOGS]
    assert outcomes[-1][2:4] == ("failed", "FileNotFoundError")
    assert written(tmp_path / "out") == expected[False]


def test_failures_skips_and_pairs(client, tmp_path, expected):
    bad = tmp_path / "bad.json"
    bad.write_text('{"log": [', encoding="utf-8")
    three = tmp_path / "three.json"
    three.write_text(json.dumps(THREE_PLAYER, ensure_ascii=False), encoding="utf-8")
    cap = max(p.stat().st_size for p in ALL_LOGS[:3])
    big = tmp_path / "big.json"  # a sound log, but for the blanks after it
    big.write_bytes(ALL_LOGS[0].read_bytes().ljust(cap + 1))
    out = tmp_path / "out"
    out.mkdir()
    (out / (ALL_LOGS[1].stem + ".mjson")).write_bytes(b"from before")
    items = [str(ALL_LOGS[0]), str(ALL_LOGS[1]), str(bad), str(three), str(big),
             (str(ALL_LOGS[2]), str(tmp_path / "elsewhere" / "x.mjson"))]
    outcomes = convert_logs(items, str(out), skip_existing=True, max_log_size=cap)
    assert [(o.status, o.error) for o in outcomes] == [
        ("converted", None), ("skipped", None), ("failed", "JsonParsingError"),
        ("failed", "TenhouLogParsingError"), ("failed", "LogTooLarge"), ("converted", None)]
    assert (out / (ALL_LOGS[1].stem + ".mjson")).read_bytes() == b"from before"
    assert (tmp_path / "elsewhere" / "x.mjson").read_bytes() == expected[False][ALL_LOGS[2].stem + ".mjson"]
    assert sorted(p.name for p in out.iterdir()) == [p.stem + ".mjson" for p in ALL_LOGS[:2]]


def test_two_logs_with_one_output_name_are_refused(tmp_path):
    a, b = tmp_path / "a", tmp_path / "b"
    for folder in (a, b):
        folder.mkdir()
        shutil.copy(ALL_LOGS[0], folder / "x.json")
    with pytest.raises(ValueError, match="would both be written to"):
        convert_logs([str(a / "x.json"), str(b / "x.json")], str(tmp_path / "out"))
    assert not (tmp_path / "out").exists()


@pytest.mark.parametrize("call, error, message", [
    (lambda d: convert_logs([(str(d / "x.json"), str(d / "x.json"))]), ValueError, "is one of the logs"),
    (lambda d: convert_logs([(str(d / "x.json"), "file://%s/x.json" % d)]), ValueError, "is one of the logs"),
    (lambda d: convert_logs([(str(d / "x.json"), str(d / "y.json")), (str(d / "y.json"), str(d / "z"))]),
     ValueError, "is one of the logs"),
    (lambda d: convert_logs([str(d / "x.json")], str(d), suffix=".json"), ValueError, "is one of the logs"),
    (lambda d: convert_logs([str(d / "x.json")], str(d / "out"), suffix="/../../x"), ValueError, "no '/'"),
    (lambda d: convert_logs([str(d / "x.json")], str(d / "out"), batch_size=0), ValueError, "'batch_size'"),
    (lambda d: convert_logs([str(d / "x.json")], str(d / "out"), batch_size=-3), ValueError, "'batch_size'"),
    (lambda d: convert_logs([str(d / "x.json")], str(d / "out"), max_log_size=0), ValueError, "'max_log_size'"),
    (lambda d: convert_logs(str(d / "x.json"), str(d / "out")), TypeError, "not one str"),
    (lambda d: convert_logs([str(d / "x.json")], str(d / "out"), gzip=True), TypeError, "'gzip'"),
    (lambda d: convert_logs([str(d / "x.json")], str(d / "out"), gzip=13), ValueError, "'gzip'"),
    (lambda d: convert_logs([str(d / "x.json")], str(d / "out"), gzip=6.0), TypeError, "'gzip'"),
    (lambda d: convert_logs([str(d / "..")], str(d / "out"), suffix=""), ValueError, "outside the output folder"),
    (lambda d: convert_logs([42], str(d / "out")), TypeError, "path or URL"),
], ids=["pair-onto-itself", "pair-onto-itself-as-url", "output-is-another-log", "suffix-gives-the-log",
        "suffix-leaves-the-folder", "batch-size-zero", "batch-size-negative", "max-log-size-zero", "str-as-logs",
        "gzip-true", "gzip-out-of-range", "gzip-float", "name-leaves-the-folder", "not-a-path"])
def test_convert_logs_checks_its_arguments_before_anything_runs(client, tmp_path, call, error, message):
    log = tmp_path / "x.json"
    shutil.copy(ALL_LOGS[0], log)
    (tmp_path / "y.json").write_bytes(log.read_bytes())
    with pytest.raises(error, match=message):
        call(tmp_path)
    assert sorted(p.name for p in tmp_path.iterdir()) == ["x.json", "y.json"]
    assert log.read_bytes() == ALL_LOGS[0].read_bytes()


def test_an_output_key_that_leaves_the_output_folder_fails_its_log(client, tmp_path):
    """Object-store keys are any strings: `..` in one must not put its output
    outside -o, whether -o is a URL or a local folder."""
    from ripaion_rs import cli
    put_in_memory(client, {"/esc/logs/sub/../../escape.json": ALL_LOGS[0].read_bytes(),
                           "/esc/logs/good.json": ALL_LOGS[1].read_bytes()})
    for output in ("memory://esc/out", str(tmp_path / "out")):
        report = tmp_path / "report.jsonl"
        status = cli.main(["--scheduler", client.scheduler.address, "-q", "--report", str(report), "-o", output,
                           "memory://esc/logs"])
        assert status == 1
        (line,) = map(json.loads, report.read_text(encoding="utf-8").splitlines())
        assert line["type"] == "OutputOutsideFolder" and "outside the output folder" in line["message"]
        assert line["path"].endswith("/sub/../../escape.json")
    assert sorted(worker_memory(client, "/esc")) == ["escape.json", "good.json", "good.mjson"]
    assert sorted(p.relative_to(tmp_path).as_posix() for p in tmp_path.rglob("*")) == [
        "out", "out/good.mjson", "report.jsonl"]


@pytest.mark.parametrize("where", ["path", "file-url"])
def test_an_output_folder_removed_between_runs_is_made_again(client, tmp_path, expected, where):
    out = tmp_path / "o" / "deeper"
    for _ in range(3):
        outcomes = convert_logs([str(p) for p in ALL_LOGS], str(out) if where == "path" else "file://%s" % out,
                                batch_size=1)
        assert [(o.status, o.message) for o in outcomes] == [("converted", None)] * len(ALL_LOGS)
        assert written(out) == expected[False]
        shutil.rmtree(tmp_path / "o")


def test_runs_sharing_a_worker_keep_their_own_settings(tmp_path, expected):
    """A worker with several threads may run batches of two runs at once:
    each batch converts with its own run's settings."""
    runs = {level: [Job(str(log), str(tmp_path / str(level) / (log.stem + ".mjson"))) for log in ALL_LOGS]
            for level in (None, 6)}

    def convert(level):
        for _ in range(5):
            assert set(_dask.convert_batch(runs[level], Settings(level, token="t%07d" % (level or 0)))) == {CONVERTED}

    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        for done in [pool.submit(convert, level) for level in runs]:
            done.result()
    assert written(tmp_path / "None") == expected[False]
    assert {name: gzip.decompress(data) for name, data in written(tmp_path / "6").items()} == expected[False]


def test_memory_urls_in_and_out(client, expected):
    put_in_memory(client, {"/in/sub/%s" % p.name: p.read_bytes() for p in ALL_LOGS})
    logs = _storage.find_url_logs("memory://in")
    assert [log.relative for log in logs] == ["sub/" + p.name for p in ALL_LOGS]
    outcomes = convert_logs([log.path for log in logs], "memory://out", gzip=6)
    assert {o.status for o in outcomes} == {"converted"}
    assert outcomes[0].output == "memory://out/%s.mjson.gz" % ALL_LOGS[0].stem
    assert worker_memory(client, "/out") == expected[True]


@pytest.mark.parametrize("make, expected_size", [
    (lambda p: p.write_bytes(b"x" * 10), 10),
    (lambda p: p.write_bytes(b""), 0),
])
@pytest.mark.parametrize("where", ["path", "file-url", "memory"])
def test_read_log_caps_the_size(tmp_path, make, expected_size, where):
    path = tmp_path / "log.json"
    make(path)
    location = {"path": str(path), "file-url": "file://" + str(path), "memory": "memory://cap/log.json"}[where]
    if where == "memory":
        fsspec.filesystem("memory").pipe_file("/cap/log.json", path.read_bytes())
    assert len(_storage.Storage().read(location, 10, False)) == expected_size
    if expected_size:
        with pytest.raises(LogTooLarge):
            _storage.Storage().read(location, 9, False)


class FolderFileSystem(fsspec.implementations.memory.MemoryFileSystem):
    """A file system with folders and renames that is neither local nor an object store."""
    protocol = "folders"

    @classmethod
    def _strip_protocol(cls, path):
        return super()._strip_protocol(path.replace("folders://", "memory://", 1))


fsspec.register_implementation("folders", FolderFileSystem)


@pytest.mark.parametrize("where", ["path", "file-url", "memory", "folders"])
def test_outputs_appear_whole_and_nothing_else_is_left(tmp_path, where):
    url = {"path": str(tmp_path / "a" / "b.mjson"), "file-url": "file://%s/a/b.mjson" % tmp_path,
           "memory": "memory://w/a/b.mjson",
           "folders": "folders://d/a/b.mjson"}[where]
    storage = _storage.Storage()
    storage.write(url, b"text", "t0k3nabc")
    assert storage.exists(url)
    assert storage.read(url, 4, False) == b"text"
    if where in ("path", "file-url"):
        assert [p.name for p in (tmp_path / "a").iterdir()] == ["b.mjson"]
    else:
        fs = fsspec.filesystem("memory")
        root = "/w/a" if where == "memory" else "/d/a"
        assert [p.rsplit("/", 1)[-1] for p in fs.find(root)] == ["b.mjson"]


@pytest.mark.parametrize("url, message", [
    ("nosuchprotocol://x", "Protocol not known"),
    ("memory://nothing/here", "no such file or directory"),
    ("memory://nothing/*.json", "no file matches"),
])
def test_storage_that_cannot_be_listed(url, message):
    with pytest.raises(_storage.StorageError, match=message):
        _storage.find_url_logs(url)


# ---------------------------------------------------------------- the command

def run_cli(*args, cwd, env=None, timeout=180):
    return subprocess.run([sys.executable, "-m", "ripaion_rs", *map(str, args)], cwd=cwd,
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=timeout,
                          env=dict(os.environ, **(env or {})))


def start_cli(*args, cwd):
    return subprocess.Popen([sys.executable, "-m", "ripaion_rs", *map(str, args)], cwd=cwd,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            start_new_session=True)


def outputs_of(out):
    return sorted(out.rglob("*.mjson"))


def assert_every_output(out, copies, expected):
    assert [p.name for p in out.rglob(".*")] == []
    for copy in range(copies):
        assert written(out / ("c%03d" % copy)) == expected[False]


def wait_for_outputs(out, count, process):
    deadline = time.monotonic() + 120
    while len(outputs_of(out)) < count:
        assert process.poll() is None and time.monotonic() < deadline
        time.sleep(0.02)


@pytest.mark.parametrize("compress", [False, True], ids=["plain", "gzip"])
def test_command_on_the_cluster_gives_the_local_commands_outputs(client, tmp_path, expected, compress):
    out = tmp_path / "out"
    result = run_cli("--scheduler", client.scheduler.address, "-o", out, LOGS, *(["--gzip"] if compress else []),
                     cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    assert written(out) == expected[compress]
    assert b"%d converted, 0 skipped, 0 failed" % len(ALL_LOGS) in result.stderr


def test_skip_existing_finishes_an_interrupted_run(client, tmp_path, expected):
    src, out = tmp_path / "in", tmp_path / "out"
    total = linked_tree(src, 150)
    # Its own local cluster: Ctrl-C reaches the whole process group, workers too.
    process = start_cli("--dask", "local:2", "-o", out, src, cwd=tmp_path)
    try:
        wait_for_outputs(out, 50, process)
        os.killpg(process.pid, signal.SIGINT)
        _, stderr = process.communicate(timeout=30)
    finally:
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGKILL)
    assert process.returncode == 130, stderr
    assert b"interrupted after" in stderr and b"Traceback" not in stderr
    done = len(outputs_of(out))
    assert done < total
    result = run_cli("--scheduler", client.scheduler.address, "--skip-existing", "-o", out, src, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    skipped = int(result.stderr.split(b" skipped")[0].rsplit(b" ", 1)[1])
    assert done <= skipped < total  # workers may finish a batch after the driver stopped
    assert_every_output(out, 150, expected)


def test_local_cluster_reports_the_bad_logs_of_a_mixed_folder(tmp_path, expected):
    src, out, report = tmp_path / "in", tmp_path / "out", tmp_path / "report.jsonl"
    (src / "sub").mkdir(parents=True)
    for log in ALL_LOGS[:4]:
        shutil.copy(log, src / "sub" / log.name)
    (src / "bad.json").write_text('{"log": [', encoding="utf-8")
    (src / "sub" / "three.json").write_text(json.dumps(THREE_PLAYER, ensure_ascii=False), encoding="utf-8")
    (src / "notes.txt").write_text("not a log", encoding="utf-8")
    result = run_cli("--dask", "local:2", "--report", report, "-o", out, src, cwd=tmp_path)
    assert result.returncode == 1, result.stderr
    lines = [json.loads(line) for line in report.read_text(encoding="utf-8").splitlines()]
    assert sorted((line["path"], line["type"]) for line in lines) == [
        (str(src / "bad.json"), "JsonParsingError"), (str(src / "sub" / "three.json"), "TenhouLogParsingError")]
    assert written(out / "sub") == {name: data for name, data in expected[False].items()
                                    if name in {p.stem + ".mjson" for p in ALL_LOGS[:4]}}
    assert b"4 converted, 0 skipped, 2 failed" in result.stderr


def test_command_with_memory_urls(client, tmp_path, expected):
    from ripaion_rs import cli

    put_in_memory(client, {"/cli-in/%s" % p.name: p.read_bytes() for p in ALL_LOGS})
    status = cli.main(["--scheduler", client.scheduler.address, "-q", "--gzip", "-o", "memory://cli-out",
                       "memory://cli-in"])
    assert status == 0
    assert worker_memory(client, "/cli-out") == expected[True]


@pytest.mark.parametrize("args, env, message", [
    (["--scheduler", "tcp://127.0.0.1:9", "-o", "{out}", "{logs}"],
     {"DASK_DISTRIBUTED__COMM__TIMEOUTS__CONNECT": "1s"}, "cannot reach the Dask scheduler at tcp://127.0.0.1:9"),
    (["--dask", "local:1", "-o", "{out}", "nosuchprotocol://logs"], {}, "Protocol not known: nosuchprotocol"),
    (["--dask", "local:1", "-o", "{out}", "memory://nonexistent/logs"], {}, "no such file or directory"),
    (["--dask", "local:1", "-o", "{file}/out", "{logs}"], {}, "cannot use"),
], ids=["no-scheduler", "unknown-protocol", "missing-folder", "output-under-a-file"])
def test_errors_before_anything_is_converted(tmp_path, args, env, message):
    (tmp_path / "file").write_text("")
    args = [a.format(out=tmp_path / "out", logs=LOGS, file=tmp_path / "file") for a in args]
    result = run_cli(*args, cwd=tmp_path, env=env)
    assert result.returncode == 2, result.stderr
    assert message in result.stderr.decode()
    assert len(result.stderr.decode().strip().splitlines()) == 1, result.stderr
    assert not (tmp_path / "out").exists()


def test_a_missing_filesystem_package_is_named(tmp_path):
    try:
        import s3fs  # noqa: F401
        pytest.skip("s3fs is installed")
    except ImportError:
        pass
    result = run_cli("--dask", "local:1", "-o", tmp_path / "out", "s3://bucket/logs", cwd=tmp_path)
    assert result.returncode == 2
    assert "s3fs" in result.stderr.decode() and len(result.stderr.decode().strip().splitlines()) == 1


def test_without_dask_the_command_says_what_to_install(tmp_path):
    code = ("import sys; sys.modules['distributed'] = None; from ripaion_rs.cli import main; "
            "sys.exit(main(sys.argv[1:]))")
    result = subprocess.run([sys.executable, "-c", code, "--dask", "local:2", "-o", str(tmp_path / "out"),
                             str(LOGS)], capture_output=True, timeout=60)
    assert result.returncode == 2
    assert "pip install 'ripaion_rs[dask]'" in result.stderr.decode()
    assert not (tmp_path / "out").exists()


# ---------------------------------------------------------------- workers that die
# Last in the module: the nanny restarts a killed worker, but on a busy machine
# that may take longer than the rest of the tests should wait.

def test_a_worker_killed_during_the_run_loses_no_log(client, tmp_path, expected):
    src, out = tmp_path / "in", tmp_path / "out"
    total = linked_tree(src, 150)
    process = start_cli("--scheduler", client.scheduler.address, "-o", out, src, cwd=tmp_path)
    try:
        wait_for_outputs(out, 100, process)
        victim = sorted(client.run(os.getpid).values())[0]
        os.kill(victim, signal.SIGKILL)
        _, stderr = process.communicate(timeout=120)
    finally:
        if process.poll() is None:
            process.kill()
    assert process.returncode == 0, stderr
    assert b"%d converted, 0 skipped, 0 failed" % total in stderr
    assert_every_output(out, 150, expected)


def release_readers(fifo, running):
    """End the conversion however the test went: a reader that opens the
    FIFO once the test's writer is closed waits for a writer; give it one
    that closes at once (the reader then sees the end of the file)."""
    while not running.done():
        with contextlib.suppress(OSError):
            os.close(os.open(fifo, os.O_WRONLY | os.O_NONBLOCK))
        time.sleep(0.05)


def test_a_log_that_kills_every_worker_is_reported_and_its_batch_converted(client, tmp_path, expected):
    out = tmp_path / "out"
    # Enough logs for batches of several: the first one holds the stuck log.
    pairs = [(str(log), str(out / str(copy) / (log.stem + ".mjson"))) for copy in range(4) for log in ALL_LOGS]
    stuck = tmp_path / "stuck.json"
    os.mkfifo(stuck)
    # Holding the write end open makes a reader's open succeed and its read
    # block, so the worker converting this log is found by its open file.
    writer = os.open(stuck, os.O_RDWR)
    kills = 0
    with concurrent.futures.ThreadPoolExecutor(1) as executor:
        running = executor.submit(convert_logs, pairs[:2] + [str(stuck)] + pairs[2:], str(out), batch_size=8)
        try:
            deadline = time.monotonic() + 120
            while not running.done() and time.monotonic() < deadline:
                for pid in holders_of(stuck) - {os.getpid()}:
                    with contextlib.suppress(ProcessLookupError):
                        os.kill(pid, signal.SIGKILL)
                        kills += 1
                time.sleep(0.05)
        finally:
            os.close(writer)
            release_readers(stuck, running)
        outcomes = running.result()
    # Its batch is tried on two workers, then the log on two more, then the
    # log on two more while nothing else runs.
    assert kills == 6
    assert outcomes[2][:4] == (str(stuck), str(out / "stuck.mjson"), "failed", "WorkerDied")
    assert "died" in outcomes[2].message
    assert [o.status for i, o in enumerate(outcomes) if i != 2] == ["converted"] * len(pairs)
    for copy in range(4):
        assert written(out / str(copy)) == expected[False]


def test_a_log_database_converts_as_the_local_command_does(client, tmp_path):
    from log_databases import build_p, standard_rows

    path = build_p(tmp_path / "games.db", standard_rows())
    assert subprocess.run([sys.executable, "-m", "ripaion_rs", "-q", "-o", str(tmp_path / "local"), str(path)],
                          capture_output=True).returncode == 1
    outcomes = convert_logs(str(path), str(tmp_path / "cluster"), client=client, batch_size=4)
    local = {p.relative_to(tmp_path / "local"): p.read_bytes() for p in (tmp_path / "local").rglob("*") if p.is_file()}
    cluster = {p.relative_to(tmp_path / "cluster"): p.read_bytes()
               for p in (tmp_path / "cluster").rglob("*") if p.is_file()}
    assert cluster == local and len(local) > 10
    statuses = [o.status for o in outcomes]
    assert statuses.count("converted") == len(local) and statuses.count("skipped") == 5
    assert all(o.path.startswith(str(path) + "#") for o in outcomes)
    assert sorted(o.error for o in outcomes if o.status == "skipped") == [
        "error", "not downloaded", "not downloaded", "not downloaded", "three-player"]
    limited = convert_logs(str(path), str(tmp_path / "limited"), client=client, where="log_id LIKE '2019%'", limit=3)
    assert [o.status for o in limited] == ["converted"] * 3
    with pytest.raises(ValueError, match="no such column"):
        convert_logs(str(path), str(tmp_path / "x"), client=client, where="nope = 1")
