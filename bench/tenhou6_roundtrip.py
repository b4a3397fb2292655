"""mjai -> tenhou.net/6 JSON -> mjai over the corpus: every log's stream,
written by mjai_to_tenhou and converted back, must be the same stream.

    python bench/tenhou6_roundtrip.py [CORPUS]

Takes the JSON logs of tenhou4/, tenhou3/ and tenhou4-xml/ and the mjlog
records of mjlog/; a log the converter refuses is counted and left out.
Prints the games that held, the ones that did not (with the first differing
line), and the time of the writing alone.
"""

from __future__ import annotations

import json
import sys
import time
import warnings
from pathlib import Path

from corpus_digests import DEFAULT_CORPUS, corpus_files
from ripaion_rs import convert, mjai_to_tenhou


def main() -> int:
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else DEFAULT_CORPUS
    held = refused = broken = 0
    writing = 0.0
    for path in corpus_files(root):
        try:
            lines = convert(path.read_bytes())
        except ValueError:
            refused += 1
            continue
        started = time.perf_counter()
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            game = mjai_to_tenhou(lines)
        writing += time.perf_counter() - started
        back = convert(json.dumps(game, ensure_ascii=False))
        if back == lines:
            held += 1
            continue
        broken += 1
        first = next((i for i, (a, b) in enumerate(zip(lines, back)) if a != b), min(len(lines), len(back)))
        print("%s: line %d differs" % (path.relative_to(root), first + 1))
    print("%d games round-trip, %d do not, %d logs refused by the converter" % (held, broken, refused))
    if held + broken:
        print("mjai_to_tenhou: %.1f games/s" % ((held + broken) / writing))
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
