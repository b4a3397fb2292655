"""Converts every corpus log and checks the stream it gives: every output
the converter makes of a real game must be a legal game to the checker.

    python bench/corpus_check.py [CORPUS]

Prints the number of logs converted, refused, and checked valid, then every
conversion the checker finds wrong (path, line, kind, message). Exit status
1 when there is one.
"""

from __future__ import annotations

import sys
from collections import Counter
from pathlib import Path

from corpus_digests import DEFAULT_CORPUS, corpus_files
from ripaion_rs import check, convert_to_bytes


def main() -> int:
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else DEFAULT_CORPUS
    refused: Counter[str] = Counter()
    valid = 0
    wrong = []
    for path in corpus_files(root):
        try:
            text = convert_to_bytes(path.read_bytes())
        except Exception as e:  # a refused log has no stream to check
            refused[type(e).__name__] += 1
            continue
        problems = check(text)
        if problems:
            wrong.append((path.relative_to(root), problems[0]))
        else:
            valid += 1
    print("%d logs: %d converted and valid, %d converted and invalid, %d refused %s"
          % (valid + len(wrong) + sum(refused.values()), valid, len(wrong), sum(refused.values()), dict(refused)))
    for path, (line, kind, message) in wrong:
        print("%s:%d: %s: %s" % (path, line, kind, message))
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
