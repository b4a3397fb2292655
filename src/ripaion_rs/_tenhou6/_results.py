"""A hand's result entry as Tenhou writes it: the label, the deltas, and for
each win its details [who, from, liable, point text, yaku...]."""

from __future__ import annotations

from typing import Any, List, Optional

from ._hands import Draw, Hand, Win
from ._tiles import DRAGONS, WINDS, is_tenpai, kind

WIN = "和了"
DRAW = "流局"


def liable_seat(win: Win) -> int:
    """The seat that fed the third dragon or fourth wind set of a big three
    dragons or big four winds, or the winner when nobody is liable."""
    for group, size in ((DRAGONS, 3), (WINDS, 4)):
        sets = [m for m in win.melds if m.kind != "chi" and kind(m.tiles[0]) in group]
        if len(sets) == size:
            last = sets[-1]
            if last.kind != "ankan" and last.target is not None and last.target != win.actor:
                return last.target
    return win.actor


def paid_text(win: Win, liable: int) -> str:
    """The point text read off the payments: the hand's value, the counters'
    bonus taken out (what a scorer would write without the han and fu)."""
    honba = win.honba if win.first_of_hand else 0
    if win.actor != win.target:
        return "%d点" % (-sum(d for d in win.deltas if d < 0) - 300 * honba)
    if liable != win.actor:  # the liable seat paid it all
        total = -sum(d for d in win.deltas if d < 0) - 300 * honba
        if win.actor == win.oya:
            return "%d点∀" % (total // 3)
        return "%d-%d点" % (total // 4, total // 2)
    paid = [-d - 100 * honba for d in win.deltas]
    if win.actor == win.oya:
        return "%d点∀" % max(p for s, p in enumerate(paid) if s != win.actor)
    return "%d-%d点" % (min(p for s, p in enumerate(paid) if s not in (win.actor, win.oya)), paid[win.oya])


# The reasons of the original mjai protocol's ryukyoku, where a producer writes them.
_REASONS = {"kyushukyuhai": "九種九牌", "suufonrenta": "四風連打", "suuchariichi": "四家立直", "suukaikan": "四槓散了",
            "sanchaho": "三家和了", "nagashimangan": "流し満貫"}


def draw_label(draw: Draw) -> str:
    """Which draw an mjai stream shows: this package's streams name none, so
    the label follows from where and how the hand stopped."""
    if draw.reason in _REASONS:
        return _REASONS[draw.reason]
    if draw.after_draw:
        return "九種九牌"
    if draw.wall_empty:
        if any(draw.nagashi) and any(draw.deltas):
            return "流し満貫"
        if not any(draw.deltas):
            ready = draw.tenpais if draw.tenpais is not None else [is_tenpai(h) for h in draw.concealed]
            return "全員聴牌" if all(ready) else "全員不聴"
        return DRAW
    if draw.calls == 0 and len(draw.first_discards) == 4 and draw.first_discards[0] in WINDS \
            and len(set(draw.first_discards)) == 1:
        return "四風連打"
    if draw.riichi == 4:
        return "四家立直"
    if len(draw.kans_by) >= 4:
        return "四槓散了"
    return "三家和了"


def draw_result(draw: Draw) -> List[Any]:
    label = draw_label(draw)
    return [label, draw.deltas] if any(draw.deltas) else [label]


def unscored_details(win: Win) -> List[Any]:
    liable = liable_seat(win)
    return [win.actor, win.target, liable, paid_text(win, liable)]


def hand_result(hand: Hand, details: Optional[List[List[Any]]] = None) -> List[Any]:
    """The result entry; `details` are the scored details of the wins, in
    order, when a scorer wrote them."""
    if hand.draw is not None and not hand.wins:
        return draw_result(hand.draw)
    result: List[Any] = [WIN]
    for i, win in enumerate(hand.wins):
        result += [win.deltas, details[i] if details else unscored_details(win)]
    return result
