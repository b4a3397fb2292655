"""Speed of check() with and without the payment pass (scores=True), on the
corpus's converted games held in memory.

    python bench/check_scores_bench.py [CORPUS]

Prints games/s of each, and the number of games whose wins all pay what
they are worth.
"""

from __future__ import annotations

import sys
import time
from pathlib import Path

from ripaion_rs import check, convert_to_bytes

DEFAULT_CORPUS = Path(__file__).resolve().parent.parent.parent / "shared" / "corpus"


def main() -> int:
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else DEFAULT_CORPUS
    streams = []
    for path in sorted((root / "tenhou4-xml").rglob("*.json")) + sorted((root / "tenhou4").rglob("*.json")):
        try:
            streams.append(convert_to_bytes(path.read_bytes()))
        except ValueError:
            pass
    for scores in (False, True):
        started = time.perf_counter()
        failing = sum(1 for s in streams if check(s, scores=scores))
        elapsed = time.perf_counter() - started
        print("check(scores=%s): %d games in %.2f s, %.0f games/s, %d with a problem"
              % (scores, len(streams), elapsed, len(streams) / elapsed, failing))
    return 0


if __name__ == "__main__":
    sys.exit(main())
