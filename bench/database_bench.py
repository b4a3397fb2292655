"""A Tenhou log database through the `ripaion` command, side by side with the
Python loop a user would write for it.

    python bench/database_bench.py [--corpus DIR] [--repeat N] [--tmp DIR] [--big-gb G] [--instructions]

Builds a layout-P database (bzip2 content) of the corpus's mjlog records,
then prints, each the best of N runs (run in turn, so that a busy moment of
a shared machine weighs on all alike), with the processor time beside it:

- `ripaion -q -j 1 -o OUT games.db` against a Python loop that reads the
  same rows, `bz2.decompress`es them, calls `convert_to_bytes` and writes
  each file to the same place (target: the command at >= 0.9x the loop's
  rate, with its interpreter start and all); the loop runs in this process,
  its imports done, and also as a program of its own, started like the
  command;
- `-j 2` against `-j 1` (target >= 1.7x; the machine is shared, so the load
  average is printed beside it);
- `--gzip --manifest` against `--gzip` (target <= 3% more); with
  --instructions also in instructions executed, under valgrind's callgrind
  (the same count on every run, where wall times on a shared machine vary
  from run to run by as much as the difference measured);
- with --big-gb G > 0: a database of about G GB, the corpus's rows repeated
  under distinct game ids, through `-j 2`, and the peak resident memory of
  the command's parent process (target < 200 MB at 2 GB); see big_memory.
"""

from __future__ import annotations

import argparse
import bz2
import gzip
import os
import re
import resource
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

from ripaion_rs import convert_to_bytes

DEFAULT_CORPUS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "shared", "corpus", "mjlog")
GAME_ID = re.compile(r"(\d{4})(\d{2})\d{4}gm-[0-9a-f]{4}-\d{4,5}-[0-9a-f]{8}")
SCHEMA = """CREATE TABLE logs (log_id TEXT PRIMARY KEY, date TEXT, is_tonpusen INT, is_sanma INT,
    is_processed INT, was_error INT, log_content TEXT, log_hash TEXT)"""


def corpus_records(corpus):
    """(id, XML bytes) of every record, ids made unique."""
    records, seen = [], set()
    for folder, _, files in sorted(os.walk(corpus)):
        for name in sorted(files):
            path = os.path.join(folder, name)
            stem, ext = os.path.splitext(name)
            if ext not in (".xml", ".mjlog"):
                continue
            with open(path, "rb") as f:
                data = f.read()
            if data[:2] == b"\x1f\x8b":
                data = gzip.decompress(data)
            log_id = stem if stem not in seen else "%s-%s" % (os.path.basename(folder), stem)
            seen.add(log_id)
            records.append((log_id, data))
    return records


def build(path, rows):
    """A layout-P database of (id, stored content) rows, all downloaded, four players."""
    with sqlite3.connect(path) as db:
        db.execute(SCHEMA)
        db.executemany("INSERT INTO logs VALUES (?, NULL, 0, 0, 1, 0, ?, NULL)", rows)
    db.close()


def python_loop(db_path, out, convert=convert_to_bytes, decompress=bz2.decompress):
    """The glue a user writes today: rows, bz2, convert_to_bytes, one file each
    (`convert` and `decompress` other steps for row_overhead.py)."""
    made = set()
    db = sqlite3.connect("file:%s?mode=ro" % db_path, uri=True)
    try:
        for log_id, content in db.execute("SELECT log_id, log_content FROM logs WHERE is_processed = 1 "
                                          "AND was_error = 0 AND is_sanma = 0 AND length(log_content) > 0"):
            match = GAME_ID.fullmatch(log_id)
            folder = os.path.join(out, match.group(1), match.group(2)) if match else os.path.join(out, "other")
            if folder not in made:
                os.makedirs(folder, exist_ok=True)
                made.add(folder)
            try:
                data = convert(decompress(content))
            except ValueError:
                continue
            with open(os.path.join(folder, log_id + ".mjson"), "wb") as f:
                f.write(data)
    finally:
        db.close()


def timed_loop_process(db_path, tmp):
    """(wall seconds, processor seconds) of the loop run as a program of its
    own (`python database_bench.py --loop DB OUT`): interpreter start and
    imports counted, as they are for the command."""
    out = tempfile.mkdtemp(prefix="ripaion-db-bench-", dir=tmp)
    try:
        cpu = processor_time(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        subprocess.run([sys.executable, os.path.abspath(__file__), "--loop", db_path, out], check=True)
        return time.perf_counter() - start, processor_time(resource.RUSAGE_CHILDREN) - cpu
    finally:
        shutil.rmtree(out, ignore_errors=True)


def timed_loop(db_path, tmp):
    """(wall seconds, processor seconds) of the loop, in this process."""
    out = tempfile.mkdtemp(prefix="ripaion-db-bench-", dir=tmp)
    try:
        cpu = processor_time(resource.RUSAGE_SELF)
        start = time.perf_counter()
        python_loop(db_path, out)
        return time.perf_counter() - start, processor_time(resource.RUSAGE_SELF) - cpu
    finally:
        shutil.rmtree(out, ignore_errors=True)


def processor_time(who):
    usage = resource.getrusage(who)
    return usage.ru_utime + usage.ru_stime


def peak_rss_mb(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) / 1024
    except OSError:
        pass
    return None


def command(db_path, tmp, *options, watch=False):
    """(wall seconds, processor seconds of the command and its workers, peak
    RSS of the parent in MB or None) of one run."""
    out = tempfile.mkdtemp(prefix="ripaion-db-bench-", dir=tmp)
    try:
        args = [sys.executable, "-m", "ripaion_rs", "-q", *options, "-o", out, db_path]
        if "--manifest" in options:
            args[args.index("--manifest") + 1] = os.path.join(out, "manifest.jsonl")
        cpu = processor_time(resource.RUSAGE_CHILDREN)
        start = time.perf_counter()
        process = subprocess.Popen(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        peak = None
        while watch and process.poll() is None:
            peak = max(peak or 0, peak_rss_mb(process.pid) or 0)
            time.sleep(0.2)
        _, err = process.communicate()
        elapsed = time.perf_counter() - start
        if process.returncode not in (0, 1):
            sys.exit("ripaion failed (%d): %s" % (process.returncode, err.decode()))
        return elapsed, processor_time(resource.RUSAGE_CHILDREN) - cpu, peak
    finally:
        shutil.rmtree(out, ignore_errors=True)


def load():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--corpus", default=DEFAULT_CORPUS)
    parser.add_argument("--repeat", type=int, default=3, help="runs per figure; the best is kept")
    parser.add_argument("--tmp", default=None, help="where the databases and outputs go")
    parser.add_argument("--big-gb", type=float, default=0.0, help="also the memory test on a database of G GB")
    parser.add_argument("--instructions", action="store_true",
                        help="also --gzip --manifest over --gzip in instructions executed (valgrind's callgrind): "
                             "the same count on every run, whatever else the machine does")
    args = parser.parse_args()

    records = corpus_records(args.corpus)
    work = tempfile.mkdtemp(prefix="ripaion-db-bench-", dir=args.tmp)
    try:
        db_path = os.path.join(work, "games.db")
        build(db_path, [(log_id, bz2.compress(xml)) for log_id, xml in records])
        n = len(records)
        print("layout-P database of %d corpus records: %.1f MB; %d usable CPUs; %s"
              % (n, os.path.getsize(db_path) / 1e6, len(os.sched_getaffinity(0)), load()))
        timed_loop(db_path, args.tmp)  # warm the page cache and the module
        variants = [("python loop", None), ("python loop, own process", ()), ("-j 1", ("-j", "1")),
                    ("-j 2", ("-j", "2")),
                    ("-j 1 --gzip", ("-j", "1", "--gzip")),
                    ("-j 1 --gzip --manifest", ("-j", "1", "--gzip", "--manifest", "M"))]
        # Interleaved, so that a busy moment of a shared machine does not fall
        # on one variant only; the best wall time and the least processor time of each.
        wall = {label: float("inf") for label, _ in variants}
        cpu = dict(wall)
        for _ in range(args.repeat):
            for label, options in variants:
                if options is None:
                    w, c = timed_loop(db_path, args.tmp)
                elif not options:
                    w, c = timed_loop_process(db_path, args.tmp)
                else:
                    w, c = command(db_path, args.tmp, *options)[:2]
                wall[label], cpu[label] = min(wall[label], w), min(cpu[label], c)
        for label, _ in variants:
            print("%-28s %.3f s, %4.0f rows/s; processor %.3f s" % (
                label if label.startswith("python loop") else "ripaion " + label, wall[label], n / wall[label],
                cpu[label]))
        print(load())
        print("ripaion -j 1 / python loop: %.2fx the loop's rate (processor time: %.2fx) (target >= 0.9); "
              "against the loop in a process of its own: %.2fx (%.2fx)"
              % (wall["python loop"] / wall["-j 1"], cpu["python loop"] / cpu["-j 1"],
                 wall["python loop, own process"] / wall["-j 1"], cpu["python loop, own process"] / cpu["-j 1"]))
        print("-j 2 / -j 1: %.2fx (target >= 1.7)" % (wall["-j 1"] / wall["-j 2"]))
        print("--gzip --manifest over --gzip: %+.1f%% (processor time %+.1f%%) (target <= 3%%)"
              % (100 * (wall["-j 1 --gzip --manifest"] / wall["-j 1 --gzip"] - 1),
                 100 * (cpu["-j 1 --gzip --manifest"] / cpu["-j 1 --gzip"] - 1)))
        if args.instructions:
            instructions(db_path, args.tmp)
        if args.big_gb > 0:
            big_memory(work, records, args.big_gb, args.tmp)
    finally:
        shutil.rmtree(work, ignore_errors=True)


def instructions(db_path, tmp):
    """Instructions of `-j 1 --gzip` and of `-j 1 --gzip --manifest`, the two
    run side by side under callgrind (wall times on a shared machine vary by
    more than the 3% the manifest may cost)."""
    if shutil.which("valgrind") is None:
        print("instructions: valgrind not found")
        return
    runs = []
    for options in (("--gzip",), ("--gzip", "--manifest", "M")):
        out = tempfile.mkdtemp(prefix="ripaion-db-bench-", dir=tmp)
        args = [sys.executable, "-m", "ripaion_rs", "-q", "-j", "1", *options, "-o", out, db_path]
        if "M" in args:
            args[args.index("M")] = os.path.join(out, "manifest.jsonl")
        process = subprocess.Popen(["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null", *args],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        runs.append((out, process))
    counts = []
    for out, process in runs:
        _, err = process.communicate()
        shutil.rmtree(out, ignore_errors=True)
        found = re.search(rb"Collected : (\d+)", err)
        if process.returncode != 0 or found is None:
            sys.exit("callgrind failed: %s" % err.decode(errors="replace")[-500:])
        counts.append(int(found.group(1)))
    print("instructions: -j 1 --gzip %d, with --manifest %d: %+.2f%% (target <= 3%%)"
          % (counts[0], counts[1], 100 * (counts[1] / counts[0] - 1)))


def big_memory(work, records, gigabytes, tmp):
    """The parent's memory on a large database: the corpus's rows, stored
    plain (the larger of the forms a row may take), repeated under distinct
    game ids until the file holds `gigabytes`.

    Two runs with -j 2: every row with --max-log-size 1k, so that each worker
    refuses its row at once (LogTooLarge) and the run takes the time of the
    parent streaming the whole file through the workers' pipes; and the
    first 20,000 rows converted and written."""
    path = os.path.join(work, "big.db")
    per_copy = sum(len(xml) for _, xml in records)
    copies = max(1, int(gigabytes * 1e9 / per_copy + 0.999))
    with sqlite3.connect(path) as db:
        db.execute(SCHEMA)
        for k in range(copies):
            rows = []
            for i, (log_id, xml) in enumerate(records):
                prefix = log_id[:22] if GAME_ID.fullmatch(log_id) else "2020010100gm-00a9-0000"
                rows.append(("%s-%08x" % (prefix, k * len(records) + i), xml))
            db.executemany("INSERT INTO logs VALUES (?, NULL, 0, 0, 1, 0, ?, NULL)", rows)
    db.close()
    total = copies * len(records)
    print("big database: %d rows, %.2f GB" % (total, os.path.getsize(path) / 1e9))
    wall, _, peak = command(path, tmp, "-j", "2", "--max-log-size", "1k", watch=True)
    print("ripaion -j 2 --max-log-size 1k (every row read and sent, refused by its worker): %.1f s, %.0f rows/s, "
          "%.0f MB/s; parent peak RSS %.1f MB (target < 200 MB; %s)"
          % (wall, total / wall, os.path.getsize(path) / 1e6 / wall, peak or -1, load()))
    wall, _, peak = command(path, tmp, "-j", "2", "--limit", "20000", watch=True)
    print("ripaion -j 2 --limit 20000 (converted and written): %.1f s, %.0f rows/s; parent peak RSS %.1f MB (%s)"
          % (wall, 20000 / wall, peak or -1, load()))
    os.unlink(path)


if __name__ == "__main__":
    if sys.argv[1:2] == ["--loop"]:  # the loop as a program of its own
        python_loop(sys.argv[2], sys.argv[3])
    else:
        main()
