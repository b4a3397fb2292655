"""The batch figures in one run: the engine through its Python functions,
the `ripaion` command, and the release before the in-memory functions.

    python bench/batch_targets.py [CORPUS_DIR] [--copies 4] [--repeat 3]
                                  [--old-python OLD_VENV/bin/python] [--tmp DIR]

Over COPIES copies of every log of the corpus (symbolic links for the
command; the same bytes again for the in-process loops), best of REPEAT
runs, it prints logs per second for:
  - a bare `tenhou_to_mjai(path)` loop, and a `convert_to_bytes(read_bytes)`
    loop (plain and gzip at the default level), in this process;
  - `ripaion -q -j 1`, `-j 1 --gzip`, `-j 2 --gzip` (wall time, interpreter
    start included), and the same with the old release's interpreter when
    --old-python is given, with the total size of the gzip files;
  - 2 threads calling `convert_to_bytes` against 1 thread on the same logs
    (their bytes read beforehand), plain and gzip.
and the ratios the targets are set on. The machine's load average is
printed before and after: other work on a 2-core machine moves every
figure, so compare ratios taken in the same run.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

from ripaion_rs import convert_to_bytes, tenhou_to_mjai

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cli_bench import DEFAULT_CORPUS, find_logs, linked_copies  # noqa: E402

DEFAULT_LEVEL = 6


def best_of(repeat, run):
    return min(run() for _ in range(repeat))


def timed(run):
    start = time.perf_counter()
    run()
    return time.perf_counter() - start


def bare_loop(paths):
    for path in paths:
        try:
            tenhou_to_mjai(path)
        except Exception:
            pass


def bytes_loop(paths, level):
    for path in paths:
        with open(path, "rb") as f:
            data = f.read()
        try:
            convert_to_bytes(data, gzip=level)
        except Exception:
            pass


def in_memory(datas, level):
    for data in datas:
        try:
            convert_to_bytes(data, gzip=level)
        except Exception:
            pass


def threaded(datas, level, threads):
    parts = [datas[k::threads] for k in range(threads)]
    workers = [threading.Thread(target=in_memory, args=(part, level)) for part in parts]
    start = time.perf_counter()
    for w in workers:
        w.start()
    for w in workers:
        w.join()
    return time.perf_counter() - start


def tree_size(root):
    return sum(os.path.getsize(os.path.join(d, f)) for d, _, files in os.walk(root) for f in files)


def command(python, source, jobs, gzip, tmp, env=None):
    """(wall seconds, total size of the output files) of one run."""
    out = tempfile.mkdtemp(prefix="ripaion-batch-out-", dir=tmp)
    try:
        args = [python, "-m", "ripaion_rs", "-q", "-j", str(jobs), "-o", out, source]
        if gzip:
            args.append("--gzip")
        start = time.perf_counter()
        result = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                env=env)
        elapsed = time.perf_counter() - start
        if result.returncode not in (0, 1):
            sys.exit("%s failed (%d): %s" % (" ".join(args), result.returncode, result.stderr.decode()))
        return elapsed, tree_size(out)
    finally:
        shutil.rmtree(out, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("corpus", nargs="?", default=DEFAULT_CORPUS)
    parser.add_argument("--copies", type=int, default=4)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--old-python", help="interpreter of a venv holding the release to compare with")
    parser.add_argument("--tmp", default=None, help="where inputs and outputs go (default: the temp dir)")
    args = parser.parse_args()

    logs = find_logs(args.corpus)
    if not logs:
        sys.exit("no *.json below %s" % args.corpus)
    paths = logs * args.copies
    n = len(paths)
    print("corpus: %s, %d logs x %d copies = %d; load average %s"
          % (args.corpus, len(logs), args.copies, n, " ".join("%.2f" % x for x in os.getloadavg())))
    rate = {}

    def report(name, seconds, extra=""):
        rate[name] = n / seconds
        print("%-40s %8.3f s %8.0f logs/s%s" % (name, seconds, n / seconds, extra))

    bare_loop(logs)  # the page cache and the module warm
    report("tenhou_to_mjai(path) loop", best_of(args.repeat, lambda: timed(lambda: bare_loop(paths))))
    report("convert_to_bytes(bytes) loop", best_of(args.repeat, lambda: timed(lambda: bytes_loop(paths, None))))
    report("convert_to_bytes(bytes, gzip=%d) loop" % DEFAULT_LEVEL,
           best_of(args.repeat, lambda: timed(lambda: bytes_loop(paths, DEFAULT_LEVEL))))

    datas = []
    for path in logs:
        with open(path, "rb") as f:
            datas.append(f.read())
    datas *= args.copies
    for level in (None, DEFAULT_LEVEL):
        label = "" if level is None else ", gzip=%d" % level
        one = best_of(args.repeat, lambda level=level: threaded(datas, level, 1))
        two = best_of(args.repeat, lambda level=level: threaded(datas, level, 2))
        report("convert_to_bytes%s, 1 thread" % label, one)
        report("convert_to_bytes%s, 2 threads" % label, two, "  (%.2fx one thread)" % (one / two))

    source = linked_copies(args.corpus, logs, args.copies, args.tmp)
    sizes = {}
    try:
        # The old release must not see this process's package path.
        old_env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
        runs = [("new", sys.executable, None)] + ([("old", args.old_python, old_env)] if args.old_python else [])
        for jobs, gzip in ((1, False), (1, True), (2, True)):
            for tag, python, env in runs:
                best = None
                for _ in range(args.repeat):
                    wall, size = command(python, source, jobs, gzip, args.tmp, env)
                    best = wall if best is None else min(best, wall)
                name = "%s ripaion -j %d%s" % (tag, jobs, " --gzip" if gzip else "")
                sizes[name] = size
                report(name, best, "  %.1f MB" % (size / 1e6))
    finally:
        shutil.rmtree(source, ignore_errors=True)

    print("load average after: %s" % " ".join("%.2f" % x for x in os.getloadavg()))
    print("targets:")
    bare = rate["tenhou_to_mjai(path) loop"]
    print("  ripaion -j 1 / bare loop: %.2fx (target 0.85x)" % (rate["new ripaion -j 1"] / bare))
    print("  2 threads / 1 thread, convert_to_bytes gzip=%d: %.2fx (target 1.7x)"
          % (DEFAULT_LEVEL, rate["convert_to_bytes, gzip=%d, 2 threads" % DEFAULT_LEVEL]
             / rate["convert_to_bytes, gzip=%d, 1 thread" % DEFAULT_LEVEL]))
    print("  2 threads / 1 thread, convert_to_bytes plain: %.2fx"
          % (rate["convert_to_bytes, 2 threads"] / rate["convert_to_bytes, 1 thread"]))
    print("  ripaion -j 2 --gzip / -j 1 --gzip: %.2fx (target 1.8x)"
          % (rate["new ripaion -j 2 --gzip"] / rate["new ripaion -j 1 --gzip"]))
    if args.old_python:
        print("  ripaion -j 1 --gzip, new / old: %.2fx (target 2.0x), size %.2f%% of old"
              % (rate["new ripaion -j 1 --gzip"] / rate["old ripaion -j 1 --gzip"],
                 100 * sizes["new ripaion -j 1 --gzip"] / sizes["old ripaion -j 1 --gzip"]))
        print("  ripaion -j 1, new / old: %.2fx" % (rate["new ripaion -j 1"] / rate["old ripaion -j 1"]))


if __name__ == "__main__":
    main()
