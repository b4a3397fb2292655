"""Throughput of the `ripaion` command over a corpus, and its overhead.

    python bench/cli_bench.py [CORPUS_DIR] [--repeat N] [--gzip] [--tmp DIR] [--copies K]

Prints logs per second for 1 and 2 jobs (the best of N runs of
`python -m ripaion_rs -q -j J -o TMP CORPUS_DIR`, wall time including the
interpreter start), and compares the 1-job run with the sum of in-process
`tenhou_to_mjai(path)` call times: the difference is what the command adds
(start-up, finding the logs, joining the lines, writing the files).
The processor time (user + system, the command and its workers) is printed
beside each wall time: on a busy machine it shows what the wall time hides.
Creating files is a large part of the command's cost and differs between
file systems (and between directories of a fresh ext4 file system), so
--tmp chooses where the output goes. --copies K runs the command over a tree
of K symbolic links per log, so that its fixed costs (about 0.1 s: starting
Python, importing, finding the logs, starting the workers) weigh as little
as in a run over tens of thousands of logs.
"""

import argparse
import os
import resource
import shutil
import subprocess
import sys
import tempfile
import time

from ripaion_rs import tenhou_to_mjai

DEFAULT_CORPUS = "/work/shared/corpus/tenhou4-xml"


def find_logs(corpus):
    return sorted(os.path.join(d, f) for d, _, files in os.walk(corpus) for f in files if f.endswith(".json"))


def sum_of_calls(logs):
    """Total time of the bare conversions, and how many raised."""
    total, failed = 0.0, 0
    for log in logs:
        start = time.perf_counter()
        try:
            tenhou_to_mjai(log)
        except Exception:
            failed += 1
        total += time.perf_counter() - start
    return total, failed


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def linked_copies(corpus, logs, copies, tmp):
    """A directory holding `copies` trees of symbolic links to the logs."""
    root = tempfile.mkdtemp(prefix="ripaion-cli-bench-in-", dir=tmp)
    for k in range(copies):
        for log in logs:
            link = os.path.join(root, "c%d" % k, os.path.relpath(log, corpus))
            os.makedirs(os.path.dirname(link), exist_ok=True)
            os.symlink(os.path.abspath(log), link)
    return root


def command_time(corpus, jobs, compress, tmp):
    """(wall seconds, processor seconds) of one run of the command."""
    out = tempfile.mkdtemp(prefix="ripaion-cli-bench-", dir=tmp)
    try:
        args = [sys.executable, "-m", "ripaion_rs", "-q", "-j", str(jobs), "-o", out, corpus]
        if compress:
            args.append("--gzip")
        cpu = children_cpu()
        start = time.perf_counter()
        result = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        elapsed = time.perf_counter() - start
        if result.returncode not in (0, 1):
            sys.exit("ripaion failed (%d): %s" % (result.returncode, result.stderr.decode()))
        return elapsed, children_cpu() - cpu
    finally:
        shutil.rmtree(out, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("corpus", nargs="?", default=DEFAULT_CORPUS)
    parser.add_argument("--repeat", type=int, default=3, help="runs per figure; the best is kept")
    parser.add_argument("--gzip", action="store_true", help="time the command with --gzip")
    parser.add_argument("--tmp", default=None, help="where the output directories go (default: the temp dir)")
    parser.add_argument("--copies", type=int, default=1, help="convert every log this many times")
    args = parser.parse_args()

    logs = find_logs(args.corpus)
    if not logs:
        sys.exit("no *.json below %s" % args.corpus)
    print("corpus: %s, %d logs, %d usable CPUs" % (args.corpus, len(logs), len(os.sched_getaffinity(0))))
    sum_of_calls(logs)  # warm the page cache and the module
    calls, failed = min(sum_of_calls(logs) for _ in range(args.repeat))
    print("in-process tenhou_to_mjai: %.3f s summed over %d calls (%d raised), %.3f ms per log, %.0f logs/s"
          % (calls, len(logs), failed, 1000 * calls / len(logs), len(logs) / calls))

    source, total = args.corpus, len(logs)
    if args.copies > 1:
        source = linked_copies(args.corpus, logs, args.copies, args.tmp)
        total, calls = total * args.copies, calls * args.copies
        print("%d copies of every log: %d logs, bare calls %.3f s (scaled)" % (args.copies, total, calls))
    try:
        best = {}
        for jobs in (1, 2):
            wall, cpu = min(command_time(source, jobs, args.gzip, args.tmp) for _ in range(args.repeat))
            best[jobs] = wall
            print("ripaion -j %d%s: %.3f s, %.0f logs/s (processor time %.3f s)"
                  % (jobs, " --gzip" if args.gzip else "", wall, total / wall, cpu))
    finally:
        if source != args.corpus:
            shutil.rmtree(source)
    print("speed-up of 2 jobs over 1: %.2fx" % (best[1] / best[2]))
    overhead = best[1] - calls
    print("overhead of the command with 1 job: %.3f s (%.1f%% over the bare calls, %.3f ms per log)"
          % (overhead, 100 * overhead / calls, 1000 * overhead / total))


if __name__ == "__main__":
    main()
