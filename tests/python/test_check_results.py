"""`check` holds a game's results to what they can be: a win's deltas sum to
the riichi sticks it takes, a draw's to zero (the last hand's too), no seat
wins twice in a hand, one red five a suit, none in a game without them.

Each damage is made on the conversion of every shipped log it applies to,
as these impossible games were made on real ones, and must be found at its
line with its kind."""

from __future__ import annotations

import json
from pathlib import Path
from typing import Callable, List, Optional

import pytest

from ripaion_rs import check, tenhou_to_mjai

LOGS = sorted((Path(__file__).resolve().parent.parent / "data" / "logs").glob("*.json"))
REDS = {"5mr": "5m", "5pr": "5p", "5sr": "5s"}


def events(lines: List[str]) -> List[dict]:
    return [json.loads(line) for line in lines]


def tiles_seen(ev: dict) -> List[str]:
    """The tiles a line brings into play: starting hands, draws, indicators."""
    kind = ev["type"]
    if kind == "start_kyoku":
        return [t for row in ev["tehais"] for t in row] + [ev["dora_marker"]]
    if kind == "tsumo":
        return [ev["pai"]]
    if kind == "dora":
        return [ev["dora_marker"]]
    if kind == "hora":
        return list(ev.get("ura_markers", []))
    return []


def inflate_last_result(lines: List[str]) -> Optional[int]:
    """The last hand's deltas set to 99,900 for every seat."""
    evs = events(lines)
    i = max(k for k, ev in enumerate(evs) if ev["type"] in ("hora", "ryukyoku"))
    evs[i]["deltas"] = [99900] * 4
    lines[i] = json.dumps(evs[i])
    return i


def points_from_nowhere(lines: List[str]) -> Optional[int]:
    """8,000 points more for a winner, the next hand's scores made to agree."""
    evs = events(lines)
    for i, ev in enumerate(evs):
        if ev["type"] != "hora" or "deltas" not in ev:
            continue
        ev["deltas"][ev["actor"]] += 8000
        lines[i] = json.dumps(ev)
        nxt = next((k for k in range(i, len(evs)) if evs[k]["type"] == "start_kyoku"), None)
        if nxt is not None:
            evs[nxt]["scores"][ev["actor"]] += 8000
            lines[nxt] = json.dumps(evs[nxt])
        return i
    return None


def winner_listed_twice(lines: List[str]) -> Optional[int]:
    """A ron listed again, moving no points."""
    evs = events(lines)
    for i, ev in enumerate(evs):
        if ev["type"] == "hora" and ev["actor"] != ev["target"]:
            again = dict(ev, deltas=[0, 0, 0, 0], ura_markers=[])
            lines.insert(i + 1, json.dumps(again))
            return i + 1
    return None


def second_red_five(lines: List[str]) -> Optional[int]:
    """A plain five drawn in a hand that shows its suit's red five turned
    into a second red five."""
    evs = events(lines)
    starts = [k for k, ev in enumerate(evs) if ev["type"] == "start_kyoku"] + [len(evs)]
    for begin, end in zip(starts, starts[1:]):
        for red, plain in REDS.items():
            shown = [k for k in range(begin, end) if red in tiles_seen(evs[k])]
            # Drawn after the red one is shown, so that the problem stands
            # before the discard of a plain five no longer held.
            drawn = [k for k in range(shown[0] if shown else end, end)
                     if evs[k]["type"] == "tsumo" and evs[k]["pai"] == plain]
            if not drawn:
                continue
            evs[drawn[0]]["pai"] = red
            lines[drawn[0]] = json.dumps(evs[drawn[0]])
            return drawn[0]
    return None


def red_fives_without_aka(lines: List[str]) -> Optional[int]:
    """start_game says the game has no red fives."""
    evs = events(lines)
    first = next((k for k, ev in enumerate(evs) if any(t in REDS for t in tiles_seen(ev))), None)
    if first is None:
        return None
    evs[0]["aka_flag"] = False
    lines[0] = json.dumps(evs[0])
    return first


Damage = Callable[[List[str]], Optional[int]]


@pytest.mark.parametrize(
    "damage, kind",
    [
        (inflate_last_result, "deltas"),
        (points_from_nowhere, "deltas"),
        (winner_listed_twice, "hora"),
        (second_red_five, "red_five"),
        (red_fives_without_aka, "red_five"),
    ],
    ids=lambda x: getattr(x, "__name__", x),
)
def test_impossible_results_are_found_at_their_line(damage: Damage, kind: str) -> None:
    damaged = 0
    for log in LOGS:
        lines = tenhou_to_mjai(log)
        assert check(lines) == [], log.name
        at = damage(lines)
        if at is None:
            continue
        damaged += 1
        problems = check(lines)
        assert [(p.line, p.kind) for p in problems] == [(at + 1, kind)], (log.name, problems)
    assert damaged >= 3


def test_draw_payments_and_the_sticks_of_a_double_ron_add_up() -> None:
    """What real games hold passes: tenpai payments and nagashi mangan sum to
    zero, and of two wins on one discard the first takes the sticks."""
    start = {"type": "start_game", "names": ["a", "b", "c", "d"], "aka_flag": True}
    hands = [["1m", "2m", "3m", "4m", "6m", "7m", "8m", "9m", "1p", "2p", "3p", "4p", "6p"],
             ["1s", "2s", "3s", "4s", "6s", "7s", "8s", "9s", "E", "S", "W", "N", "P"],
             ["1m", "2m", "3m", "4m", "6m", "7m", "8m", "9m", "1p", "2p", "3p", "4p", "6p"],
             ["1s", "2s", "3s", "4s", "6s", "7s", "8s", "9s", "E", "S", "W", "N", "P"]]

    def kyoku(kyotaku: int, scores: List[int]) -> dict:
        return {"type": "start_kyoku", "bakaze": "E", "dora_marker": "F", "kyoku": 1, "honba": 1,
                "kyotaku": kyotaku, "oya": 0, "scores": scores, "tehais": hands}

    def stream(*evs: dict) -> List[str]:
        return [json.dumps(ev) for ev in (start, *evs, {"type": "end_game"})]

    draw = stream(kyoku(0, [25000] * 4), {"type": "ryukyoku", "deltas": [3000, -1000, -1000, -1000]},
                  {"type": "end_kyoku"})
    assert check(draw) == []
    # Two rons on seat 0's discard with 2 sticks on the table (and one honba).
    double = stream(kyoku(2, [24000, 25000, 25000, 24000]),
                    {"type": "tsumo", "actor": 0, "pai": "C"},
                    {"type": "dahai", "actor": 0, "pai": "C", "tsumogiri": True},
                    {"type": "hora", "actor": 1, "target": 0, "deltas": [-2300, 4300, 0, 0]},
                    {"type": "hora", "actor": 3, "target": 0, "deltas": [-1300, 0, 0, 1300]},
                    {"type": "end_kyoku"})
    assert check(double) == []
    for wrong in ([-2300, 2300, 0, 0], [-2300, 5300, 0, 0]):
        bad = list(double)
        bad[4] = json.dumps(dict(json.loads(bad[4]), deltas=wrong))
        assert [(p.line, p.kind) for p in check(bad)] == [(5, "deltas")]
    bad = list(double)
    bad[5] = json.dumps(dict(json.loads(bad[5]), deltas=[-1300, 0, 0, 3300]))  # the sticks again
    assert [(p.line, p.kind) for p in check(bad)] == [(6, "deltas")]
