"""The batch on a Dask cluster against the local command, on the same logs.

    python bench/dask_bench.py [CORPUS_DIR] [--copies 4] [--repeat 3] [--tmp DIR]
                               [--workers 1,2] [--batch-sizes 16,64,256,1024] [--gzip]

Needs the dask extra. Over K copies of the corpus (symbolic links), prints
logs per second of:
- `ripaion -q -j 2 -o TMP IN` (wall time of the whole command);
- `ripaion_rs.dask.convert_logs` on a LocalCluster of N worker processes of
  one thread each, already started, for each batch size: the steady rate of
  a cluster that serves many runs, and its ratio to `ripaion -j 2`;
- `ripaion --dask local:2 -q -o TMP IN` when the command has it: the whole
  command, the cluster's start included;
- the rate of tasks that do nothing, the pace of the scheduler and the
  driver alone (times the batch size: the most logs per second they allow).
Runs are interleaved, best of --repeat; the load average is printed with
each round, since other work on the machine moves every figure.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cli_bench import DEFAULT_CORPUS, find_logs, linked_copies  # noqa: E402


def load() -> str:
    return "load %.2f %.2f %.2f" % os.getloadavg()


def command(args, tmp):
    """Wall seconds of one `python -m ripaion_rs ARGS -o OUT`."""
    out = tempfile.mkdtemp(prefix="ripaion-dask-bench-", dir=tmp)
    try:
        start = time.perf_counter()
        result = subprocess.run([sys.executable, "-m", "ripaion_rs", "-q", "-o", out, *args],
                                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        elapsed = time.perf_counter() - start
        if result.returncode not in (0, 1):
            sys.exit("ripaion failed (%d): %s" % (result.returncode, result.stderr.decode()))
        return elapsed
    finally:
        shutil.rmtree(out, ignore_errors=True)


def cluster_run(client, found, batch_size, level, tmp):
    """Wall seconds of convert_logs over `found` [(log, relative path)]."""
    from ripaion_rs.dask import convert_logs

    out = tempfile.mkdtemp(prefix="ripaion-dask-bench-", dir=tmp)
    suffix = ".mjson.gz" if level is not None else ".mjson"
    try:
        start = time.perf_counter()
        pairs = [(log, os.path.join(out, relative[:-5] + suffix)) for log, relative in found]
        outcomes = convert_logs(pairs, gzip=level, client=client, batch_size=batch_size)
        elapsed = time.perf_counter() - start
        assert len(outcomes) == len(found)
        return elapsed
    finally:
        shutil.rmtree(out, ignore_errors=True)


def empty_task_rate(client, count=2000):
    """Tasks per second of a task that does nothing, kept in flight as the
    command keeps its batches (two per worker thread): the scheduler's and
    the driver's own pace, whatever the logs cost."""
    from distributed import as_completed

    threads = sum(client.nthreads().values())
    start = time.perf_counter()
    window = as_completed([client.submit(len, (), pure=False) for _ in range(2 * threads)])
    submitted = 2 * threads
    for future in window:
        future.result()
        if submitted < count:
            window.add(client.submit(len, (), pure=False))
            submitted += 1
    return count / (time.perf_counter() - start)


def has_dask_option():
    result = subprocess.run([sys.executable, "-m", "ripaion_rs", "--help"], capture_output=True, text=True)
    return "--dask" in result.stdout


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("corpus", nargs="?", default=DEFAULT_CORPUS)
    parser.add_argument("--copies", type=int, default=4)
    parser.add_argument("--repeat", type=int, default=3, help="rounds; the best of each figure is kept")
    parser.add_argument("--tmp", default=None, help="where outputs go (default: the temp dir)")
    parser.add_argument("--workers", default="2", help="cluster sizes, comma-separated")
    parser.add_argument("--batch-sizes", default="256", help="logs per task, comma-separated")
    parser.add_argument("--gzip", action="store_true", help="compressed outputs (level 6)")
    args = parser.parse_args()

    from distributed import Client, LocalCluster

    logs = find_logs(args.corpus)
    source = linked_copies(args.corpus, logs, args.copies, args.tmp)
    found = [(os.path.join(d, f), os.path.relpath(os.path.join(d, f), source))
             for d, _, files in os.walk(source) for f in files if f.endswith(".json")]
    total = len(found)
    level = 6 if args.gzip else None
    gz = ["--gzip"] if args.gzip else []
    print("%d logs (%d copies of %s), %d usable CPUs, output in %s%s"
          % (total, args.copies, args.corpus, len(os.sched_getaffinity(0)), args.tmp or tempfile.gettempdir(),
             ", gzip level 6" if args.gzip else ""))
    sizes = [int(s) for s in args.batch_sizes.split(",")]
    best = {}

    def keep(name, seconds):
        best[name] = min(best.get(name, seconds), seconds)

    try:
        for workers in (int(w) for w in args.workers.split(",")):
            started = time.perf_counter()
            with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=":0",
                              silence_logs=50) as cluster, Client(cluster) as client:
                print("LocalCluster of %d workers started in %.2f s" % (workers, time.perf_counter() - started))
                cluster_run(client, found[:500], 64, level, args.tmp)  # warm the workers
                rate = max(empty_task_rate(client) for _ in range(args.repeat))
                print("empty tasks: %.0f per second (%.2f ms each), %s" % (rate, 1000 / rate, load()))
                for round_ in range(args.repeat):
                    print("round %d, %s" % (round_ + 1, load()))
                    keep("ripaion -j 2", command(["-j", "2", *gz, source], args.tmp))
                    for size in sizes:
                        keep((workers, size), cluster_run(client, found, size, level, args.tmp))
        if has_dask_option():
            for _ in range(args.repeat):
                keep("ripaion --dask local:2", command(["--dask", "local:2", *gz, source], args.tmp))
    finally:
        shutil.rmtree(source, ignore_errors=True)
    print("after the runs, %s" % load())

    reference = total / best["ripaion -j 2"]
    for name, seconds in best.items():
        rate = total / seconds
        if isinstance(name, tuple):
            workers, size = name
            label = "LocalCluster %d worker%s, batch %d" % (workers, "s" if workers > 1 else "", size)
            print("%-40s %7.3f s %7.0f logs/s  %.2fx ripaion -j 2, %.0f logs/s per worker"
                  % (label, seconds, rate, rate / reference, rate / workers))
        else:
            print("%-40s %7.3f s %7.0f logs/s  %.2fx ripaion -j 2" % (name, seconds, rate, rate / reference))


if __name__ == "__main__":
    main()
