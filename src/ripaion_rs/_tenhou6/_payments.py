"""The payment pass of check(scores=True): every win of a legal stream
valued, and the first whose deltas are not what it is worth reported."""

from __future__ import annotations

from typing import List

from .._ripaion import Problem
from ._hands import build_hands
from ._stream import StreamData, numbered_events


def payment_problems(data: StreamData) -> List[Problem]:
    try:
        from . import _scoring
    except ImportError as e:
        raise ImportError("check(scores=True) needs the scoring extra: pip install 'ripaion_rs[scoring]'") from e
    start, hands = build_hands(numbered_events(data))
    red = bool(start.get("aka_flag"))
    for hand in hands:
        for win in hand.wins:
            scored = _scoring.score(win, red)
            if scored.problem is not None and not scored.hidden:  # a hidden hand's payment is not doubted
                return [Problem((win.line, "payment", "seat %d's win: %s" % (win.actor, scored.problem)))]
    return []
