"""Games per second of `check` over the gzip outputs of a corpus, beside the
converter's own rate, on one core.

    python bench/check_bench.py [CORPUS_DIR] [--repeat N]

Every log below CORPUS_DIR is converted once and its mjai text gzipped in
memory at the command's level (what `ripaion --gzip` writes). Then, each the
best of N passes, in processor time of this one thread:
  convert   tenhou_to_mjai(path) per log (read, convert, lines)
  check     gzip.decompress + check(bytes) per game, what `ripaion check` does
            per file once it has read it
  replay    check(bytes) alone, on the decompressed text
Processor time rather than wall time, because the machine is shared; the
ratios in one run are the steadier figures.
"""

import argparse
import gzip
import os
import time

from ripaion_rs import check, tenhou_to_mjai
from ripaion_rs._job import GZIP_LEVEL

DEFAULT_CORPUS = "/work/shared/corpus"


def find_logs(corpus):
    return sorted(os.path.join(d, f) for d, _, files in os.walk(corpus) for f in files if f.endswith(".json"))


def best_of(repeat, run):
    best = None
    for _ in range(repeat):
        t0 = time.thread_time()
        run()
        t = time.thread_time() - t0
        best = t if best is None or t < best else best
    return best


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("corpus", nargs="?", default=DEFAULT_CORPUS)
    ap.add_argument("--repeat", type=int, default=5)
    args = ap.parse_args()

    converted, compressed, text_bytes = [], [], 0
    for path in find_logs(args.corpus):
        try:
            lines = tenhou_to_mjai(path)
        except (ValueError, OSError):
            continue
        text = "".join(line + "\n" for line in lines).encode()
        text_bytes += len(text)
        converted.append(path)
        compressed.append(gzip.compress(text, GZIP_LEVEL))
    n = len(converted)
    texts = [gzip.decompress(c) for c in compressed]
    bad = sum(1 for t in texts if check(t))

    def convert_all():
        for path in converted:
            tenhou_to_mjai(path)

    def check_gzip():
        for c in compressed:
            check(gzip.decompress(c))

    def replay_only():
        for t in texts:
            check(t)

    t_convert = best_of(args.repeat, convert_all)
    t_check = best_of(args.repeat, check_gzip)
    t_replay = best_of(args.repeat, replay_only)
    print(f"{n} games from {args.corpus}: {text_bytes / 1e6:.1f} MB of mjai text, "
          f"{sum(map(len, compressed)) / 1e6:.1f} MB gzipped (level {GZIP_LEVEL}); {bad} with a problem")
    print(f"convert  {n / t_convert:8.0f} games/s  (tenhou_to_mjai per log)")
    print(f"check    {n / t_check:8.0f} games/s  "
          f"(gzip.decompress + check, {text_bytes / t_check / 1e6:.0f} MB/s of text)")
    print(f"replay   {n / t_replay:8.0f} games/s  (check on the text alone, {text_bytes / t_replay / 1e6:.0f} MB/s)")
    print(f"check / convert: {t_convert / t_check:.2f}x the converter's rate")


if __name__ == "__main__":
    main()
