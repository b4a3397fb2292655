"""The command's own work per database row, conversion and decompression aside.

    python bench/row_overhead.py [--corpus DIR] [--repeat N] [--tmp DIR]

Builds the layout-P database of the corpus's mjlog records (as
database_bench.py does), replaces `convert_to_bytes` and the bzip2 step by
stand-ins that cost next to nothing (the first 40,000 bytes of the stored
content are written as the output), and times, in this process, the
command's run (`cli.main(["-q", "-j", "1", ...])`: rows, jobs, the atomic
write, the tally) against the Python loop a user would write for the same
rows; the best of N runs each, in microseconds per row. What is left is
what the command adds to each row: its share of the gap between `ripaion
-j 1` and the loop in database_bench.py (the rest is the command's start).
"""

from __future__ import annotations

import argparse
import bz2
import os
import shutil
import tempfile
import time

import database_bench

import ripaion_rs._content as content
import ripaion_rs._worker as worker
import ripaion_rs.cli as cli


def stand_in_convert(data, gzip=None):
    return data[:40000]


def stand_in_unpack(data, cap):
    return data


def loop(db_path, out):
    """database_bench's loop, with the same stand-ins."""
    database_bench.python_loop(db_path, out, stand_in_convert, lambda data: stand_in_unpack(data, 0))


def command(db_path, out):
    cli.main(["-q", "-j", "1", "-o", out, db_path])


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--corpus", default=database_bench.DEFAULT_CORPUS)
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--tmp", default=None)
    args = parser.parse_args()
    worker.convert_to_bytes = stand_in_convert
    content.bunzip2 = stand_in_unpack
    records = database_bench.corpus_records(args.corpus)
    work = tempfile.mkdtemp(prefix="ripaion-row-overhead-", dir=args.tmp)
    try:
        db_path = os.path.join(work, "games.db")
        database_bench.build(db_path, [(log_id, bz2.compress(xml)) for log_id, xml in records])
        best = {"python loop": float("inf"), "ripaion -j 1": float("inf")}
        for _ in range(args.repeat):
            for label, run in (("python loop", loop), ("ripaion -j 1", command)):
                out = os.path.join(work, "out")
                shutil.rmtree(out, ignore_errors=True)
                start = time.perf_counter()
                run(db_path, out)
                best[label] = min(best[label], time.perf_counter() - start)
        for label, seconds in best.items():
            print("%-14s %.1f us a row" % (label, seconds / len(records) * 1e6))
        print("the command's own work: %+.1f us a row over the loop's"
              % ((best["ripaion -j 1"] - best["python loop"]) / len(records) * 1e6))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
