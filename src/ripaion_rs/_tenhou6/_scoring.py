"""Valuing a win with the `mahjong` package (the `scoring` extra) under
Tenhou's rules, and writing its point text and yaku as Tenhou does."""

from __future__ import annotations

from dataclasses import dataclass
from typing import Any, Dict, List, Optional, Tuple

from mahjong.constants import EAST, NORTH, SOUTH, WEST
from mahjong.hand_calculating.hand import HandCalculator
from mahjong.hand_calculating.hand_config import HandConfig, HandConstants, OptionalRules
from mahjong.hand_calculating.yaku_config import YAKU_ID_TO_TENHOU_ID
from mahjong.meld import Meld as LibMeld

from ._hands import Win
from ._results import liable_seat, paid_text
from ._tiles import kind, kind_index
from ._yaku_names import HONOR_YAKU, NAMES, RANK

_WINDS = {"E": EAST, "S": SOUTH, "W": WEST, "N": NORTH}
_MELD_TYPES = {"chi": LibMeld.CHI, "pon": LibMeld.PON, "daiminkan": LibMeld.KAN, "kakan": LibMeld.SHOUMINKAN,
               "ankan": LibMeld.KAN}
_FIVES = {4, 13, 22}  # kind indices of the three fives; copy 0 of each is the red one
_HONOR_TILES = {10: "E", 11: "S", 12: "W", 13: "N", 14: "E", 15: "S", 16: "W", 17: "N", 18: "P", 19: "F", 20: "C"}
_LIMITS = ((13, "役満"), (11, "三倍満"), (8, "倍満"), (6, "跳満"), (5, "満貫"))

# Tenhou's rules: open tanyao, red fives, no double yakuman for a single
# yakuman's better wait, 13 han and more a yakuman, no rounding up to mangan,
# no renhou.
_RULES = {red: OptionalRules(has_open_tanyao=True, has_aka_dora=red, has_double_yakuman=False,
                             kazoe_limit=HandConstants.KAZOE_LIMITED, kiriage=False, fu_for_open_pinfu=True,
                             fu_for_pinfu_tsumo=False, renhou_as_yakuman=False)
          for red in (False, True)}
_calculator = HandCalculator()


@dataclass
class Scored:
    details: List[Any]  # [who, from, liable, point text, yaku...]
    problem: Optional[str]  # why the payments are not what the hand is worth, if they are not
    payments: Optional[List[int]] = None  # the deltas the hand is worth
    hidden: bool = False  # the winner's hand holds "?" tiles: not valued, nothing to doubt


class _Ids:
    """Tile ids of the scorer (kind × 4 + copy), one copy each, red fives on
    copy 0 of their kind."""

    def __init__(self) -> None:
        self.used: Dict[int, int] = {}

    def take(self, tile: str) -> int:
        k = kind_index(tile)
        if tile.endswith("r"):
            return k * 4
        n = self.used.get(k, 0)
        copy = n + 1 if k in _FIVES and n < 3 else n
        self.used[k] = n + 1
        return k * 4 + min(copy, 3)


def _limit_name(han: int, fu: int, yakuman: bool) -> Optional[str]:
    if yakuman:
        return "役満"
    for least, name in _LIMITS:
        if han >= least:
            return name
    if fu * 2 ** (han + 2) >= 2000:
        return "満貫"
    return None


def point_text(win: Win, han: int, fu: int, cost: Dict[str, int], yakuman: bool) -> str:
    if win.actor == win.target:
        if win.actor == win.oya:
            points = "%d点∀" % cost["main"]
        else:
            points = "%d-%d点" % (cost["additional"], cost["main"])
    else:
        points = "%d点" % cost["main"]
    limit = _limit_name(han, fu, yakuman)
    return limit + points if limit else "%d符%d飜%s" % (fu, han, points)


def _honor_order(win: Win, number: int) -> Tuple[int, int, int]:
    """Where Tenhou lists a wind or dragon yaku: the concealed sets first,
    by tile, then the melds in the order they were called; the round wind
    before the seat wind on one set."""
    tile = _HONOR_TILES[number]
    second = 1 if number in range(10, 14) else 0  # a seat wind follows the round wind of the same set
    for i, meld in enumerate(win.melds):
        if kind(meld.tiles[0]) == tile:
            return (1, i, second)
    return (0, kind_index(tile), second)


def _yaku_list(win: Win, response: Any, is_open: bool) -> List[str]:
    entries = []
    for yaku in response.yaku:
        number = YAKU_ID_TO_TENHOU_ID.get(yaku.yaku_id)
        if number is None:
            continue
        if yaku.is_yakuman:
            text = "%s(役満)" % NAMES[number]
        else:
            han = yaku.han_open if is_open else yaku.han_closed
            if not han:
                continue
            text = "%s(%d飜)" % (NAMES[number], han)
        honor = _honor_order(win, number) if number in HONOR_YAKU else (0, 0, 0)
        entries.append(((RANK[number] if number not in HONOR_YAKU else RANK[10], honor), text))
    entries.sort(key=lambda e: e[0])
    return [text for _, text in entries]


def _value(win: Win, red: bool) -> Any:
    ids = _Ids()
    melds = []
    tiles = []
    for meld in win.melds:
        meld_ids = [ids.take(t) for t in meld.tiles]
        called = meld_ids[-1] if meld.pai is not None else None  # the called tile is a meld's last
        meld_ids.sort()
        tiles += meld_ids
        melds.append(LibMeld(_MELD_TYPES[meld.kind], meld_ids, opened=meld.kind != "ankan", called_tile=called,
                             who=win.actor, from_who=meld.target))
    concealed = [ids.take(t) for t in win.concealed]
    tiles += concealed
    indicators = _Ids()
    dora = [indicators.take(t) for t in win.dora]
    ura = [indicators.take(t) for t in win.ura] if win.riichi else None
    config = HandConfig(
        is_tsumo=win.actor == win.target, is_riichi=win.riichi, is_ippatsu=win.ippatsu, is_rinshan=win.rinshan,
        is_chankan=win.chankan, is_haitei=win.haitei, is_houtei=win.houtei, is_daburu_riichi=win.double_riichi,
        is_tenhou=win.tenhou, is_chiihou=win.chiihou, player_wind=_WINDS[win.seat_wind],
        round_wind=_WINDS[win.round_wind], options=_RULES[red])
    return _calculator.estimate_hand_value(tiles, concealed[-1], melds=melds, dora_indicators=dora, config=config,
                                           ura_dora_indicators=ura)


def payments(win: Win, cost: Dict[str, int], liable: int) -> List[int]:
    """The deltas a win of this value makes: the counters' bonus and the
    riichi sticks go to the first winner of a discard only."""
    honba = win.honba if win.first_of_hand else 0
    deltas = [0, 0, 0, 0]
    if win.actor != win.target:
        value = cost["main"]
        if liable not in (win.actor, win.target):
            deltas[win.target] -= value // 2
            deltas[liable] -= value - value // 2 + 300 * honba
        else:
            deltas[win.target] -= value + 300 * honba
    elif liable != win.actor:
        total = cost["main"] * 3 if win.actor == win.oya else cost["main"] + 2 * cost["additional"]
        deltas[liable] -= total + 300 * honba
    else:
        for seat in range(4):
            if seat != win.actor:
                deltas[seat] -= (cost["main"] if seat == win.oya else cost["additional"]) + 100 * honba
    deltas[win.actor] = -sum(deltas) + (1000 * win.sticks if win.first_of_hand else 0)
    return deltas


def score(win: Win, red: bool = True) -> Scored:
    liable = liable_seat(win)
    head = [win.actor, win.target, liable]
    if "?" in win.concealed or "?" in win.win_tile:
        return Scored(head + [paid_text(win, liable)], "the winner's hand is hidden (\"?\" tiles): not valued",
                      hidden=True)
    error: Optional[str]
    try:
        response = _value(win, red)
    except Exception as e:  # the scorer's own failure on an odd hand is reported, not fatal
        response = None
        error = "the scorer failed: %s" % e
    else:
        error = "the scorer found no yaku: %s" % response.error if response.error else None
    if error is not None:
        return Scored(head + [paid_text(win, liable)], error)
    is_open = any(m.kind != "ankan" for m in win.melds)
    yakuman = any(y.is_yakuman for y in response.yaku)
    text = point_text(win, response.han, response.fu, response.cost, yakuman)
    owed = payments(win, response.cost, liable)
    problem = None
    if owed != win.deltas:
        problem = "the hand is worth %s (%s), the deltas are %s" % (owed, text, win.deltas)
    return Scored(head + [text] + _yaku_list(win, response, is_open), problem, owed)
