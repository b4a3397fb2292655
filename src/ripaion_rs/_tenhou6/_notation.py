"""Tenhou's tile codes and the texts of calls, kans and riichi discards, in
the forms the log reader takes back."""

from __future__ import annotations

from typing import Dict, Sequence

_SUITS = {"m": 10, "p": 20, "s": 30}
_HONORS = ("E", "S", "W", "N", "P", "F", "C")

TILE_CODES: Dict[str, int] = {"?": 0, "5mr": 51, "5pr": 52, "5sr": 53}
for _suit, _base in _SUITS.items():
    for _n in range(1, 10):
        TILE_CODES["%d%s" % (_n, _suit)] = _base + _n
for _i, _h in enumerate(_HONORS):
    TILE_CODES[_h] = 41 + _i

# The tsumogiri marker of a discard list, and the place-holder a discard list
# holds for the take of an open kan (which is followed by no discard).
TSUMOGIRI = 60
OPEN_KAN_PLACEHOLDER = 0


def code(tile: str) -> int:
    return TILE_CODES[tile]


def _text(tile: str) -> str:
    return "%02d" % TILE_CODES[tile]


def _joined(tiles: Sequence[str]) -> str:
    return "".join(_text(t) for t in tiles)


def relative(actor: int, target: int) -> int:
    """Where `target` sits for `actor`: 3 on the left (the seat before), 2
    opposite, 1 on the right."""
    return (target - actor) % 4


# Where the marker letter stands, by the seat the tile came from (left,
# opposite, right), as Tenhou writes calls and as the reader reads them.
_PON_AT = {3: 0, 2: 1, 1: 2}
_KAN_AT = {3: 0, 2: 1, 1: 3}


def chi(pai: str, consumed: Sequence[str]) -> str:
    return "c" + _text(pai) + _joined(consumed)


def pon(actor: int, target: int, pai: str, consumed: Sequence[str]) -> str:
    at = _PON_AT[relative(actor, target)]
    return _joined(consumed[:at]) + "p" + _text(pai) + _joined(consumed[at:])


def daiminkan(actor: int, target: int, pai: str, consumed: Sequence[str]) -> str:
    at = _KAN_AT[relative(actor, target)]
    return _joined(consumed[:at]) + "m" + _text(pai) + _joined(consumed[at:])


def kakan(pon_from: int, pai: str, consumed: Sequence[str]) -> str:
    """The added kan, its "k" where the pon's "p" stood (`pon_from`: the
    relative seat of the pon, 3 when unknown) and the added tile after it."""
    at = _PON_AT.get(pon_from, 0)
    return _joined(consumed[:at]) + "k" + _text(pai) + _joined(consumed[at:])


def ankan(consumed: Sequence[str]) -> str:
    return _joined(consumed[:3]) + "a" + _text(consumed[3])


def riichi(pai: str, tsumogiri: bool) -> str:
    return "r" + ("%02d" % TSUMOGIRI if tsumogiri else _text(pai))
