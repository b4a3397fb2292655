"""An independent replay of an mjai event stream.

It keeps every seat's concealed hand as a multiset of tiles and checks that
each event is possible at the moment it stands: a draw goes to the seat whose
turn it is, a discard or kan uses tiles the seat holds, a call takes the tile
that was just discarded by the seat it names, a tsumogiri discards the tile
just drawn. A stream whose order were rebuilt wrongly breaks one of these.
"""

from __future__ import annotations

import json
from collections import Counter


class ReplayError(AssertionError):
    pass


def _need(cond: bool, msg: str, i: int, ev: dict) -> None:
    if not cond:
        raise ReplayError(f"event {i} {json.dumps(ev, ensure_ascii=False)}: {msg}")


def replay(lines: list[str]) -> int:
    """Replays the whole stream; returns the number of hands checked."""
    events = [json.loads(line) for line in lines]
    _need(events[0]["type"] == "start_game", "stream must open with start_game", 0, events[0])
    _need(events[-1]["type"] == "end_game", "stream must close with end_game", len(events) - 1, events[-1])
    hands = 0
    in_hand = False
    for i, ev in enumerate(events[1:-1], start=1):
        t = ev["type"]
        if t == "start_kyoku":
            _need(not in_hand, "start_kyoku inside a hand", i, ev)
            in_hand = True
            closing = False
            hands += 1
            held = [Counter(row) for row in ev["tehais"]]
            _need(all(len(row) == 13 for row in ev["tehais"]), "tehais rows of 13", i, ev)
            last_draw: list[str | None] = [None] * 4
            last_discard: tuple[int, str] | None = None
            must_discard: int | None = None  # seat that holds 14 tiles' worth
            continue
        _need(in_hand, "event outside a hand", i, ev)
        if t == "end_kyoku":
            in_hand = False
            continue
        if t in ("hora", "ryukyoku"):
            closing = True
            continue
        _need(not closing, "turn event after the result", i, ev)
        actor = ev.get("actor")
        if t == "tsumo":
            _need(must_discard is None, "draw while another seat must discard", i, ev)
            held[actor][ev["pai"]] += 1
            last_draw[actor] = ev["pai"]
            must_discard = actor
        elif t == "dahai":
            _need(must_discard == actor, "discard by a seat that has not drawn or called", i, ev)
            pai = ev["pai"]
            if pai != "?" and held[actor][pai] == 0 and held[actor]["?"] > 0:
                pai_key = "?"  # hidden hands hold unknown tiles
            else:
                pai_key = pai
            _need(held[actor][pai_key] > 0, "discarded tile not held", i, ev)
            held[actor][pai_key] -= 1
            if ev["tsumogiri"]:
                _need(last_draw[actor] == ev["pai"], "tsumogiri of a tile other than the one drawn", i, ev)
            last_discard = (actor, ev["pai"])
            last_draw[actor] = None
            must_discard = None
        elif t in ("chi", "pon", "daiminkan"):
            _need(must_discard is None, "call while a seat must discard", i, ev)
            _need(last_discard == (ev["target"], ev["pai"]), "call does not take the last discard", i, ev)
            _need(ev["actor"] != ev["target"], "call on one's own discard", i, ev)
            for c in ev["consumed"]:
                _need(held[actor][c] > 0, f"consumed tile {c} not held", i, ev)
                held[actor][c] -= 1
            last_discard = None
            must_discard = actor if t != "daiminkan" else None
        elif t in ("kakan", "ankan"):
            _need(must_discard == actor, "kan by a seat that has not drawn", i, ev)
            used = [ev["pai"]] if t == "kakan" else ev["consumed"]
            for c in used:
                _need(held[actor][c] > 0, f"kan tile {c} not held", i, ev)
                held[actor][c] -= 1
            must_discard = None
        elif t == "reach":
            _need(must_discard == actor, "riichi by a seat that has not drawn", i, ev)
        elif t in ("reach_accepted", "dora"):
            pass
        else:
            _need(False, "unexpected event type", i, ev)
    _need(not in_hand, "last hand not closed", len(events) - 1, events[-1])
    return hands
