"""`check`: the extension's replay of an mjai stream, and on request a
payment pass after it that values every win."""

from __future__ import annotations

from typing import List, Sequence, Union

from ._ripaion import Problem
from ._ripaion import check as _replay

CheckData = Union[bytes, bytearray, memoryview, str, Sequence[Union[str, bytes]]]


def check(data: CheckData, *, scores: bool = False) -> List[Problem]:
    """Replay the mjai stream `data` and return its first problem, or [] if it is a legal game.

    `data` is the stream's text (bytes-like or str; lines end with a line feed)
    or its lines (a list or tuple of str or bytes, without line feeds). The
    replay checks that every line is one JSON object of a known event type with
    its members; the frame (start_game first, start_kyoku/end_kyoku pairs,
    end_game last); that every draw, discard, call, kan and win is possible for
    the seat's hand at that point; tsumogiri flags; riichi order; at most four
    of a tile (red fives included); and that each hand's scores follow from the
    previous hand's deltas and riichi deposits.

    With `scores=True`, a stream that passes the replay has every win valued
    under Tenhou's rules (this needs the `scoring` extra:
    `pip install 'ripaion_rs[scoring]'`, else ImportError): a win whose deltas
    are not what the hand is worth, or a hand without a yaku, is a problem of
    kind "payment" on the line of its hora, with both payments in the message.
    Raises TypeError for other argument types.
    """
    problems = _replay(data)
    if problems or not scores:
        return problems
    from ._tenhou6._payments import payment_problems
    return payment_problems(data)
