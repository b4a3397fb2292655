"""mjai_to_tenhou: a checked mjai stream to the tenhou.net/6 JSON object."""

from __future__ import annotations

import json
import urllib.parse
import warnings
from typing import Any, Dict, List, Optional, Tuple

from .._ripaion import check as _check_stream
from ._hands import Hand, build_hands
from ._results import hand_result
from ._stream import StreamInput, loaded, numbered_events

VIEWER = "https://tenhou.net/5/#json="


class ScoreWarning(UserWarning):
    """A win whose payments differ from what its hand is worth (the JSON
    keeps the stream's deltas), or a hand the scorer could not value."""


class ScoreMismatch(ValueError):
    """Raised instead of ScoreWarning when mjai_to_tenhou runs with strict=True."""


def _rule(start_game: Dict[str, Any]) -> Dict[str, Any]:
    red = 1 if start_game.get("aka_flag") else 0
    disp = "般" + ("東" if start_game.get("kyoku_first") == 4 else "南") + "喰" + ("赤" if red else "")
    return {"disp": disp, "aka53": red, "aka52": red, "aka51": red}


def checked_events(stream: StreamInput) -> List[Tuple[int, Dict[str, Any]]]:
    """The stream's events with their line numbers, or ValueError naming its
    first problem."""
    data = loaded(stream)
    problems = _check_stream(data)
    if problems:
        p = problems[0]
        raise ValueError("not a valid mjai stream: line %d: %s: %s" % (p.line, p.kind, p.message))
    return numbered_events(data)


def _scorer() -> Optional[Any]:
    try:
        from . import _scoring
    except ImportError:  # the scoring extra is not installed
        return None
    return _scoring


def _hand_results(hand: Hand, scoring: Optional[Any], red: bool, strict: bool, number: int) -> List[Any]:
    if scoring is None or not hand.wins:
        return hand_result(hand)
    details = []
    for win in hand.wins:
        scored = scoring.score(win, red)
        details.append(scored.details)
        if scored.problem is not None:
            message = "hand %d, win of seat %d: %s" % (number, win.actor, scored.problem)
            if strict and not scored.hidden:
                raise ScoreMismatch(message)
            warnings.warn(message, ScoreWarning, stacklevel=3)
    return hand_result(hand, details)


def mjai_to_tenhou(stream: StreamInput, *, strict: bool = False) -> Dict[str, Any]:
    """The tenhou.net/6 JSON object (a dict, for json.dump) of an mjai stream.

    `stream` is the stream's lines (str or bytes), its text, its bytes (plain
    or gzip), or a path (a path-like object, or a str that does not start
    with "{"). The stream is replayed first: an invalid one raises ValueError
    with its first problem (line, kind, message).

    Reading the JSON back with `convert` gives the same stream, line for line.
    Results are written as Tenhou writes them. Win details hold the point
    text and the yaku as Tenhou names them when the `scoring` extra is
    installed (`pip install 'ripaion_rs[scoring]'`); without it, the point
    text is read off the payments ("8000点", "1000-2000点", "2000点∀") and the
    yaku list is empty. With the scorer, a win whose deltas differ from what
    the hand is worth keeps the stream's deltas and is reported by a
    `ScoreWarning` (see the `warnings` module), or raises `ScoreMismatch`
    (a ValueError) when `strict` is true. Hidden tiles ("?") are written as
    Tenhou's 0; a win of a hand holding them keeps the payments' text and
    gets a ScoreWarning only. A discard of a hidden tile that is not a
    tsumogiri has no tenhou.net/6 form and raises ValueError.
    """
    events = checked_events(stream)
    start_game, hands = build_hands(events)
    scoring = _scorer()
    log = []
    for number, hand in enumerate(hands, 1):
        record = hand.record
        record[16] = _hand_results(hand, scoring, bool(start_game.get("aka_flag")), strict, number)
        log.append(record)
    names = list(start_game.get("names") or ["", "", "", ""])
    return {"title": ["", ""], "name": names, "rule": _rule(start_game), "log": log}


def viewer_urls(game: Dict[str, Any]) -> List[str]:
    """One viewer URL per hand: the game with only that hand, URL-encoded."""
    urls = []
    for hand in game["log"]:
        one = dict(game, log=[hand])
        text = json.dumps(one, ensure_ascii=False, separators=(",", ":"))
        urls.append(VIEWER + urllib.parse.quote(text, safe=""))
    return urls
