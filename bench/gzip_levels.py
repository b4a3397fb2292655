"""Size and time of gzip levels 1, 6 and 9 on the mjai output of a corpus.

    python bench/gzip_levels.py [CORPUS_DIR]

The basis for the level `ripaion --gzip` uses: per log, the time to compress
its mjai text at each level against the time to convert it, and the total
compressed size against the text's. Times are processor time of this
process, so that other work on the machine does not blur them.
"""

import gzip
import os
import sys
import time

from ripaion_rs import tenhou_to_mjai

DEFAULT_CORPUS = "/work/shared/corpus/tenhou4-xml"
LEVELS = (1, 6, 9)
REPEAT = 3


def main():
    corpus = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_CORPUS
    logs = sorted(os.path.join(d, f) for d, _, files in os.walk(corpus) for f in files if f.endswith(".json"))
    texts, convert_time = [], 0.0
    for log in logs:
        start = time.process_time()
        try:
            lines = tenhou_to_mjai(log)
        except Exception:
            continue
        convert_time += time.process_time() - start
        texts.append(("\n".join(lines) + "\n").encode("utf-8"))
    raw = sum(map(len, texts))
    n = len(texts)
    print("%d logs converted, %.1f MB of mjai text, conversion %.3f ms per log"
          % (n, raw / 1e6, 1000 * convert_time / n))
    for level in LEVELS:
        best, size = float("inf"), 0
        for _ in range(REPEAT):
            start = time.process_time()
            size = sum(len(gzip.compress(text, level, mtime=0)) for text in texts)
            best = min(best, time.process_time() - start)
        print("level %d: %.2f MB (%.1f%% of the text), %.3f ms per log (%.0f%% of a conversion)"
              % (level, size / 1e6, 100 * size / raw, 1000 * best / n, 100 * best / convert_time))


if __name__ == "__main__":
    main()
