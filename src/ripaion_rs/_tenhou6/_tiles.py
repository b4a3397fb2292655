"""Tile arithmetic on mjai tile names: kinds (red fives as plain fives),
terminals and honours, and whether a hand is one tile from complete."""

from __future__ import annotations

from collections import Counter
from typing import Iterable, List, Sequence

HONORS = ("E", "S", "W", "N", "P", "F", "C")
WINDS = HONORS[:4]
DRAGONS = HONORS[4:]


def kind(tile: str) -> str:
    """The tile's kind: a red five is its suit's five."""
    return tile[:2] if tile.endswith("r") else tile


def kind_index(tile: str) -> int:
    """0..33: characters, circles, bamboos, then E S W N P F C."""
    k = kind(tile)
    if k in HONORS:
        return 27 + HONORS.index(k)
    return "mps".index(k[1]) * 9 + int(k[0]) - 1


def is_terminal_or_honor(tile: str) -> bool:
    k = kind(tile)
    return k in HONORS or k[0] in "19"


def counts34(tiles: Iterable[str]) -> List[int]:
    counts = [0] * 34
    for t in tiles:
        counts[kind_index(t)] += 1
    return counts


def _sets(counts: List[int], needed: int) -> bool:
    """Whether `counts` splits into `needed` runs and triplets exactly."""
    i = next((j for j, c in enumerate(counts) if c), None)
    if i is None:
        return needed == 0
    if needed == 0:
        return False
    if counts[i] >= 3:
        counts[i] -= 3
        ok = _sets(counts, needed - 1)
        counts[i] += 3
        if ok:
            return True
    if i < 27 and i % 9 <= 6 and counts[i + 1] and counts[i + 2]:
        for j in (i, i + 1, i + 2):
            counts[j] -= 1
        ok = _sets(counts, needed - 1)
        for j in (i, i + 1, i + 2):
            counts[j] += 1
        return ok
    return False


def is_complete(counts: List[int]) -> bool:
    """Four sets and a pair (fewer sets after calls), seven pairs, or the
    thirteen orphans, in 34 counts."""
    total = sum(counts)
    if total % 3 != 2:
        return False
    if total == 14:
        if sorted(counts, reverse=True)[:7] == [2] * 7 and counts.count(2) == 7:
            return True
        orphans = [i for i in range(34) if i >= 27 or i % 9 in (0, 8)]
        if all(counts[i] for i in orphans) and sum(counts[i] for i in orphans) == 14:
            return True
    for pair in range(34):
        if counts[pair] >= 2:
            counts[pair] -= 2
            ok = _sets(counts, (total - 2) // 3)
            counts[pair] += 2
            if ok:
                return True
    return False


def is_tenpai(concealed: Sequence[str]) -> bool:
    """One tile from complete, with a waiting tile the hand does not already
    hold four of."""
    counts = counts34(concealed)
    for i in range(34):
        if counts[i] < 4:
            counts[i] += 1
            done = is_complete(counts)
            counts[i] -= 1
            if done:
                return True
    return False


def distinct_orphans(tiles: Sequence[str]) -> int:
    return len(Counter(kind(t) for t in tiles if is_terminal_or_honor(t)))
