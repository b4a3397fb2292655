"""Side-by-side benchmark: the stream as one bytes object against the list of
lines, per log, over a corpus.

For every log that converts (JSON logs and mjlog records), read into memory
first, interleaved so that drift of the machine hits both contenders alike
(the order of the two alternates from round to round):
  list   convert(data)            list[str], one str per line (table lines shared)
  bytes  convert_to_bytes(data)   the text, every line with its line feed

    python bench/bytes_vs_list.py [CORPUS] [--repeats N]

Prints, per contender, the median over logs of each log's fastest call, the
ratio bytes/list as the median of per-log ratios and as the ratio of the
summed times, and the share of logs where bytes is faster.
"""

from __future__ import annotations

import argparse
import gc
import statistics
import sys
import time
from pathlib import Path

from ripaion_rs import convert, convert_to_bytes

sys.path.insert(0, str(Path(__file__).resolve().parent))
from corpus_digests import DEFAULT_CORPUS, corpus_files  # noqa: E402


def timed(fn, data, into: list[float]) -> None:
    t0 = time.perf_counter_ns()
    fn(data)
    into.append((time.perf_counter_ns() - t0) / 1000.0)


def main() -> None:
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("corpus", nargs="?", type=Path, default=DEFAULT_CORPUS)
    ap.add_argument("--repeats", type=int, default=15)
    args = ap.parse_args()

    logs = []
    for path in corpus_files(args.corpus):
        data = path.read_bytes()
        try:
            lines = convert(data)
        except Exception:
            continue  # refused logs are not part of the race
        if convert_to_bytes(data) != "".join(line + "\n" for line in lines).encode():
            sys.exit(f"{path}: convert_to_bytes differs from the joined lines")
        logs.append(data)
    if not logs:
        sys.exit(f"no convertible logs under {args.corpus}")

    contenders = {"list": convert, "bytes": convert_to_bytes}
    best: dict[str, list[float]] = {k: [] for k in contenders}
    gc.disable()
    for data in logs:
        samples: dict[str, list[float]] = {k: [] for k in contenders}
        order = list(contenders)
        for _ in range(args.repeats):
            for k in order:
                timed(contenders[k], data, samples[k])
            order.reverse()
        for k in contenders:
            best[k].append(min(samples[k]))
    gc.enable()

    print(f"corpus: {args.corpus} ({len(logs)} logs), fastest of {args.repeats} calls per log, interleaved")
    for k in contenders:
        print(f"  {k:<5} median {statistics.median(best[k]):8.1f} us/log, total {sum(best[k]) / 1e3:8.1f} ms")
    ratios = [b / a for a, b in zip(best["list"], best["bytes"])]
    print(f"  bytes/list: {statistics.median(ratios):.3f} (median of per-log ratios), "
          f"{sum(best['bytes']) / sum(best['list']):.3f} (summed times)")
    print(f"  bytes faster on {sum(r < 1 for r in ratios) / len(ratios):.0%} of the logs")


if __name__ == "__main__":
    main()
