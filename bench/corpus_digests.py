"""Digest of every corpus log's conversion, one line per file, for the
before/after comparison of a change that must leave every output unchanged.

    python bench/corpus_digests.py [CORPUS] > digests.txt
    diff before.txt after.txt

Each line is the file's path below CORPUS, then the SHA-256 of
`convert_to_bytes` of its bytes, or the exception's type and message when the
log is refused (a change of message shows too). Every JSON log and every mjlog
record is taken: the JSON files of tenhou4/, tenhou3/ and tenhou4-xml/, and
the records of mjlog/.
"""

from __future__ import annotations

import hashlib
import sys
from pathlib import Path

from ripaion_rs import convert_to_bytes

DEFAULT_CORPUS = Path(__file__).resolve().parent.parent.parent / "shared" / "corpus"


def corpus_files(root: Path) -> list[Path]:
    files = []
    for sub in ("tenhou4", "tenhou3", "tenhou4-xml"):
        files += (root / sub).rglob("*.json")
    for ext in ("*.xml", "*.mjlog"):
        files += (root / "mjlog").rglob(ext)
    return sorted(p for p in files if p.is_file())


def digest(path: Path) -> str:
    try:
        return hashlib.sha256(convert_to_bytes(path.read_bytes())).hexdigest()
    except Exception as e:  # a refusal is part of the output to compare
        return f"{type(e).__name__}: {e}"


def main() -> int:
    root = Path(sys.argv[1]) if len(sys.argv) > 1 else DEFAULT_CORPUS
    files = corpus_files(root)
    if not files:
        print(f"no logs under {root}", file=sys.stderr)
        return 1
    for path in files:
        print(f"{path.relative_to(root)}\t{digest(path)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
