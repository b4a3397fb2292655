"""convert_with_info against convert_to_bytes over the corpus, and its game
descriptions against the JSON logs written from the same XML records.

    python bench/game_info_bench.py [CORPUS] [--rounds N] [--gzip LEVEL]

Speed: every corpus log (JSON and mjlog) is converted by both functions side
by side, alternating which goes first, for N rounds; the figures are the
process's CPU time (the machine may be shared), the median and the least of
the round totals, and their ratios. Agreement: for every
mjlog record with its JSON log (tenhou4-xml/, and Tenhou's own exports in
tenhou4/mjlog2json-data/), the description of each is compared with the
JSON's own fields (ref, lobby, room from the rule text's first character,
dan, rate, sx, the even entries of sc, placements from the odd entries), and
the bytes with convert_to_bytes; the count of disagreements is printed per
field.
"""

from __future__ import annotations

import argparse
import json
import statistics
import sys
import time
from collections import Counter
from pathlib import Path

from ripaion_rs import convert_to_bytes, convert_with_info

sys.path.insert(0, str(Path(__file__).resolve().parent))
from corpus_digests import DEFAULT_CORPUS, corpus_files  # noqa: E402

ROOMS = {"般": "general", "上": "upper", "特": "special", "鳳": "phoenix"}


def convertible(files: list[Path]) -> list[bytes]:
    out = []
    for p in files:
        data = p.read_bytes()
        try:
            convert_to_bytes(data)
        except ValueError:
            continue
        out.append(data)
    return out


def timed(fn, logs: list[bytes], gzip: int | None) -> float:
    start = time.process_time()
    for data in logs:
        fn(data, gzip=gzip)
    return time.process_time() - start


def speed(logs: list[bytes], rounds: int, gzip: int | None) -> None:
    plain, info = [], []
    for r in range(rounds):
        order = [(convert_to_bytes, plain), (convert_with_info, info)]
        for fn, times in order if r % 2 == 0 else reversed(order):
            times.append(timed(fn, logs, gzip))
    print(f"{len(logs)} logs, gzip={gzip}, {rounds} rounds, CPU time per log: median, least")
    for name, times in (("convert_to_bytes", plain), ("convert_with_info", info)):
        med, least = statistics.median(times), min(times)
        print(f"  {name:18} {med / len(logs) * 1e6:7.1f} us {least / len(logs) * 1e6:7.1f} us")
    ratio_med = statistics.median(info) / statistics.median(plain)
    print(f"  ratio              {ratio_med:7.3f}    {min(info) / min(plain):7.3f}")


def pairs(root: Path) -> list[tuple[Path, Path]]:
    out = []
    for record in sorted((root / "mjlog").glob("*/*")):
        if record.suffix not in (".xml", ".mjlog"):
            continue
        folder = "tenhou4" if record.parent.name == "mjlog2json-data" else "tenhou4-xml"
        export = root / folder / record.parent.name / (record.stem + ".json")
        if export.exists():
            out.append((record, export))
    return out


def expected_of(game: dict) -> dict:
    sc = game.get("sc")
    results = sc[1::2] if isinstance(sc, list) and len(sc) == 8 else None
    return {
        "lobby": game.get("lobby"),
        "room": ROOMS.get(game["rule"].get("disp", "")[:1]),
        "dan": game.get("dan"),
        "rate": game.get("rate"),
        "sx": game.get("sx"),
        "final_scores": sc[0::2] if results else None,
        "placements": [1 + sum(r > mine for r in results) for mine in results] if results else None,
    }


def agreement(root: Path) -> None:
    disagree: Counter[str] = Counter()
    checked = 0
    for record, export in pairs(root):
        game = json.loads(export.read_text(encoding="utf-8"))
        expected = expected_of(game)
        for path, ref in ((record, None), (export, game.get("ref"))):
            data = path.read_bytes()
            try:
                text, info = convert_with_info(data)
            except ValueError:
                continue
            checked += 1
            if text != convert_to_bytes(data):
                disagree["bytes"] += 1
            if info["ref"] != ref:
                disagree["ref"] += 1
            for field, value in expected.items():
                # Some exports omit the lobby their record states.
                if field == "lobby" and value is None:
                    continue
                if info[field] != value:
                    disagree[f"{field} ({path.suffix})"] += 1
    print(f"{len(pairs(root))} pairs, {checked} conversions compared with their JSON log's fields")
    print("  disagreements:", dict(disagree) if disagree else "none")


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("corpus", nargs="?", type=Path, default=DEFAULT_CORPUS)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--gzip", type=int, default=None)
    args = parser.parse_args()
    agreement(args.corpus)
    speed(convertible(corpus_files(args.corpus)), args.rounds, args.gzip)


if __name__ == "__main__":
    main()
