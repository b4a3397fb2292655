"""The written win details against Tenhou's own, over the corpus.

    python bench/tenhou6_oracle.py [CORPUS] [--list N]

For every win of the corpus's Tenhou JSON logs (tenhou4/ and tenhou4-xml/),
the log is converted to mjai, written back by mjai_to_tenhou (with the
`scoring` extra), and the win's point text and yaku list are compared with
the original's. Prints per source the wins, identical texts, identical yaku
lists, payments equal to the recorded deltas, then the differences counted
by kind (and with --list N, up to N examples of each kind).
"""

from __future__ import annotations

import collections
import json
import re
import sys
import warnings
from pathlib import Path
from typing import Any, Dict, List

from ripaion_rs import convert
from ripaion_rs._tenhou6 import _convert, _scoring
from ripaion_rs._tenhou6._hands import build_hands
from ripaion_rs._tenhou6._results import draw_result

DEFAULT_CORPUS = Path(__file__).resolve().parent.parent.parent / "shared" / "corpus"


def _kind(mine: List[Any], theirs: List[Any]) -> str:
    """A short name for how two win details differ."""
    kinds = []
    if mine[2] != theirs[2]:
        kinds.append("liable seat")
    if mine[3] != theirs[3]:
        a, b = mine[3], theirs[3]
        if re.sub(r"\d", "", a) == re.sub(r"\d", "", b):
            kinds.append("points")
        else:
            kinds.append("point text form")
    ya, yb = mine[4:], theirs[4:]
    if ya != yb:
        if sorted(ya) == sorted(yb):
            kinds.append("yaku order")
        else:
            missing = sorted(set(yb) - set(ya))
            extra = sorted(set(ya) - set(yb))
            kinds.append("yaku " + " ".join(["-" + re.sub(r"\(.*", "", y) for y in missing]
                                            + ["+" + re.sub(r"\(.*", "", y) for y in extra]))
    return ", ".join(kinds)


def main() -> int:
    args = list(sys.argv[1:])
    show = 0
    if "--list" in args:
        i = args.index("--list")
        show = int(args[i + 1])
        del args[i:i + 2]
    root = Path(args[0]) if args else DEFAULT_CORPUS
    files = sorted(list((root / "tenhou4").rglob("*.json")) + list((root / "tenhou4-xml").rglob("*.json")))
    totals: Dict[str, collections.Counter] = collections.defaultdict(collections.Counter)
    kinds: Dict[str, collections.Counter] = collections.defaultdict(collections.Counter)
    examples: Dict[str, List[str]] = collections.defaultdict(list)
    for path in files:
        source = path.relative_to(root).parts[0] + "/" + path.relative_to(root).parts[1]
        original = json.loads(path.read_bytes())
        try:
            lines = convert(path.read_bytes())
        except ValueError:
            continue
        start, hands = build_hands(_convert.checked_events(lines))
        red = bool(start.get("aka_flag"))
        for number, (hand, record) in enumerate(zip(hands, original["log"]), 1):
            theirs = record[16]
            if hand.draw is not None and not hand.wins:
                mine = draw_result(hand.draw)
                totals[source]["draws"] += 1
                totals[source]["draw labels"] += mine == theirs
                if mine != theirs:
                    kinds[source]["draw %s for %s" % (mine, theirs)] += 1
                continue
            for i, win in enumerate(hand.wins):
                their = theirs[2 + 2 * i] if len(theirs) > 2 + 2 * i else []
                if len(their) < 4 or not isinstance(their[3], str):
                    totals[source]["without text"] += 1  # the original has no details to compare with
                    continue
                scored = _scoring.score(win, red)
                t = totals[source]
                t["wins"] += 1
                t["text"] += scored.details[3] == their[3]
                t["yaku"] += scored.details[4:] == their[4:]
                t["both"] += scored.details[2:] == their[2:]
                t["paid"] += scored.problem is None
                if scored.details[2:] != their[2:]:
                    kind = _kind(scored.details, their)
                    if scored.problem is not None:
                        kind += " [payment]"
                    kinds[source][kind] += 1
                    if len(examples[kind]) < show:
                        examples[kind].append("%s hand %d: %s | tenhou %s%s" % (
                            path.relative_to(root), number, scored.details[2:], their[2:],
                            " | " + scored.problem if scored.problem else ""))
                elif scored.problem is not None:
                    kinds[source]["payment only"] += 1
                    if len(examples["payment only"]) < show:
                        examples["payment only"].append("%s hand %d: %s" % (path.relative_to(root), number,
                                                                           scored.problem))
    grand: collections.Counter = collections.Counter()
    print("%-34s %6s %6s %6s %6s %6s" % ("source", "wins", "text", "yaku", "both", "paid"))
    for source in sorted(totals):
        t = totals[source]
        grand.update(t)
        print("%-34s %6d %6d %6d %6d %6d" % (source, t["wins"], t["text"], t["yaku"], t["both"], t["paid"]))
    w = grand["wins"]
    print("%-34s %6d %6d %6d %6d %6d" % ("all", w, grand["text"], grand["yaku"], grand["both"], grand["paid"]))
    if w:
        print("identical %.3f%%, payments equal %.3f%%" % (100 * grand["both"] / w, 100 * grand["paid"] / w))
    print("draws: %d, written as the original: %d" % (grand["draws"], grand["draw labels"]))
    print("\ndifferences by kind:")
    every: collections.Counter = collections.Counter()
    for source in kinds:
        every.update(kinds[source])
    for kind, n in every.most_common():
        where = ", ".join("%s %d" % (s, kinds[s][kind]) for s in sorted(kinds) if kinds[s][kind])
        print("%5d  %s   (%s)" % (n, kind, where))
        for line in examples.get(kind, []):
            print("         " + line)
    return 0


if __name__ == "__main__":
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        sys.exit(main())
