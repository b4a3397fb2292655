"""One pass over a checked mjai stream: every hand's Tenhou record (start
values, per seat the starting hand, the take list and the discard list) and,
for its result, what the table looked like when each win or draw happened."""

from __future__ import annotations

from dataclasses import dataclass, field
from typing import Any, Dict, List, Optional, Tuple

from . import _notation as nt
from ._tiles import is_terminal_or_honor, kind

WALL_DRAWS = 70  # 136 tiles, less the dead wall (14) and the four starting hands (52)
_WIND_ORDER = ("E", "S", "W", "N")


@dataclass
class Meld:
    kind: str  # "chi", "pon", "daiminkan", "kakan" or "ankan"
    tiles: List[str]  # all of its tiles, the called one included
    pai: Optional[str]  # the called (or, for kakan, the added) tile
    target: Optional[int]  # the seat it was called from (pon of a kakan), None for ankan


@dataclass
class Win:
    """A win as the scorer needs it."""

    actor: int
    target: int
    deltas: List[int]
    ura: List[str]
    concealed: List[str]  # the hand's concealed tiles, the winning tile included
    win_tile: str
    melds: List[Meld]
    dora: List[str]
    riichi: bool = False
    double_riichi: bool = False
    ippatsu: bool = False
    rinshan: bool = False
    chankan: bool = False
    haitei: bool = False
    houtei: bool = False
    tenhou: bool = False
    chiihou: bool = False
    seat_wind: str = "E"
    oya: int = 0
    round_wind: str = "E"
    honba: int = 0
    sticks: int = 0  # riichi sticks on the table when the hand ended
    first_of_hand: bool = True  # the first win of its discard (honba and sticks go to it)
    line: int = 0  # of the hora event in the stream


@dataclass
class Draw:
    """A hand that ended without a win."""

    deltas: List[int]
    after_draw: bool  # the hand ended right after a draw (nine orphans)
    wall_empty: bool
    first_discards: List[str]  # every discard of the hand while no call was made, in order
    calls: int
    riichi: int
    kans_by: List[int]
    concealed: List[List[str]]
    nagashi: List[bool]  # per seat: every discard a terminal or honour, none called
    reason: Optional[str] = None  # the event's own "reason", where its producer writes one
    tenpais: Optional[List[bool]] = None  # the event's own "tenpais", likewise


@dataclass
class Hand:
    record: List[Any]  # the Tenhou hand array, results still empty
    wins: List[Win] = field(default_factory=list)
    draw: Optional[Draw] = None


class _Seat:
    def __init__(self, tehai: List[str]) -> None:
        self.concealed = list(tehai)
        self.melds: List[Meld] = []
        self.takes: List[Any] = []
        self.discards: List[Any] = []
        self.last_draw: Optional[str] = None
        self.draws = 0
        self.discarded = 0
        self.riichi = False
        self.double_riichi = False
        self.ippatsu = False
        self.riichi_pending = False
        self.rinshan = False
        self.nagashi = True

    def remove(self, tiles: List[str]) -> None:
        """Take tiles out of the hand; a hidden starting tile ("?") stands for
        any tile the hand does not show."""
        for t in tiles:
            self.concealed.remove(t if t in self.concealed or "?" not in self.concealed else "?")


class HandBuilder:
    def __init__(self, start: Dict[str, Any]) -> None:
        self.start = start
        self.oya = start["oya"]
        self.round_wind = start["bakaze"]
        kyoku_num = _WIND_ORDER.index(start["bakaze"]) * 4 + start["kyoku"] - 1
        self.dora: List[str] = [start["dora_marker"]]
        self.seats = [_Seat(t) for t in start["tehais"]]
        self.meta = [kyoku_num, start["honba"], start["kyotaku"]]
        self.sticks = start["kyotaku"]
        self.tsumo_count = 0
        self.calls = 0
        self.kans_by: List[int] = []
        self.riichi_count = 0
        self.first_discards: List[str] = []
        self.last: Optional[Dict[str, Any]] = None  # the last event that moved a tile
        self.ippatsu_before_kakan: Optional[List[bool]] = None
        self.wins: List[Win] = []
        self.draw: Optional[Draw] = None
        self.ura: List[str] = []

    # --- events --------------------------------------------------------
    def tsumo(self, e: Dict[str, Any]) -> None:
        s = self.seats[e["actor"]]
        s.takes.append(nt.code(e["pai"]))
        s.concealed.append(e["pai"])
        s.last_draw = e["pai"]
        s.rinshan = self.last is not None and self.last["type"] in ("daiminkan", "kakan", "ankan") \
            and self.last["actor"] == e["actor"]
        s.draws += 1
        self.tsumo_count += 1
        self.last = e

    def dahai(self, e: Dict[str, Any]) -> None:
        actor = e["actor"]
        s = self.seats[actor]
        if s.riichi_pending:
            s.discards.append(nt.riichi(e["pai"], e["tsumogiri"]))
            s.riichi_pending = False
            s.riichi = True
            s.ippatsu = True
            s.double_riichi = s.discarded == 0 and self.calls == 0
            self.riichi_count += 1
        else:
            s.discards.append(nt.TSUMOGIRI if e["tsumogiri"] else nt.code(e["pai"]))
            s.ippatsu = False
        s.remove([e["pai"]])
        s.discarded += 1
        s.rinshan = False
        if not is_terminal_or_honor(e["pai"]):
            s.nagashi = False
        if self.calls == 0:
            self.first_discards.append(e["pai"])
        self.last = e

    def reach(self, e: Dict[str, Any]) -> None:
        self.seats[e["actor"]].riichi_pending = True

    def reach_accepted(self, e: Dict[str, Any]) -> None:
        self.sticks += 1

    def _interrupted(self, e: Dict[str, Any]) -> None:
        """A call or kan: the first go-around and every ippatsu end."""
        self.calls += 1
        for seat in self.seats:
            seat.ippatsu = False
        if e["type"] in ("daiminkan", "kakan", "ankan"):
            self.kans_by.append(e["actor"])
        if "target" in e:
            self.seats[e["target"]].nagashi = False
        self.last = e

    def chi(self, e: Dict[str, Any]) -> None:
        self._open_meld(e, nt.chi(e["pai"], e["consumed"]))

    def pon(self, e: Dict[str, Any]) -> None:
        self._open_meld(e, nt.pon(e["actor"], e["target"], e["pai"], e["consumed"]))

    def daiminkan(self, e: Dict[str, Any]) -> None:
        self._open_meld(e, nt.daiminkan(e["actor"], e["target"], e["pai"], e["consumed"]))
        self.seats[e["actor"]].discards.append(nt.OPEN_KAN_PLACEHOLDER)

    def _open_meld(self, e: Dict[str, Any], text: str) -> None:
        s = self.seats[e["actor"]]
        s.takes.append(text)
        s.remove(e["consumed"])
        s.melds.append(Meld(e["type"], list(e["consumed"]) + [e["pai"]], e["pai"], e["target"]))
        self._interrupted(e)

    def kakan(self, e: Dict[str, Any]) -> None:
        actor = e["actor"]
        s = self.seats[actor]
        pon = next((m for m in s.melds if m.kind == "pon" and kind(m.tiles[0]) == kind(e["pai"])), None)
        pon_from = nt.relative(actor, pon.target) if pon is not None and pon.target is not None else 3
        s.discards.append(nt.kakan(pon_from, e["pai"], e["consumed"]))
        s.remove([e["pai"]])
        if pon is not None:
            pon.kind = "kakan"
            pon.tiles = list(e["consumed"]) + [e["pai"]]
            pon.pai = e["pai"]
        else:
            s.melds.append(Meld("kakan", list(e["consumed"]) + [e["pai"]], e["pai"], None))
        self.ippatsu_before_kakan = [x.ippatsu for x in self.seats]  # a win robbing the kan keeps its ippatsu
        self._interrupted(e)

    def ankan(self, e: Dict[str, Any]) -> None:
        actor = e["actor"]
        s = self.seats[actor]
        s.discards.append(nt.ankan(e["consumed"]))
        s.remove(e["consumed"])
        s.melds.append(Meld("ankan", list(e["consumed"]), None, None))
        self._interrupted(e)

    def dora_event(self, e: Dict[str, Any]) -> None:
        self.dora.append(e["dora_marker"])

    def hora(self, e: Dict[str, Any], line: int = 0) -> None:
        actor, target = e["actor"], e["target"]
        self.ura = list(e.get("ura_markers") or e.get("uradora_markers") or [])
        s = self.seats[actor]
        last = self.last or {}
        tsumo = actor == target
        ippatsu = s.ippatsu
        if tsumo:
            win_tile = s.last_draw or (s.concealed[-1] if s.concealed else "?")
            concealed = list(s.concealed)
        else:
            # A discard's tile, a robbed added kan's, or (thirteen orphans) a robbed concealed kan's.
            win_tile = last["consumed"][0] if last.get("type") == "ankan" else last.get("pai", "?")
            concealed = list(s.concealed) + [win_tile]
            if last.get("type") == "kakan" and self.ippatsu_before_kakan is not None:
                ippatsu = self.ippatsu_before_kakan[actor]
        no_calls = self.calls == 0
        win = Win(
            actor=actor, target=target, deltas=list(e.get("deltas") or [0, 0, 0, 0]), ura=self.ura,
            concealed=concealed, win_tile=win_tile, melds=list(s.melds), dora=list(self.dora),
            riichi=s.riichi, double_riichi=s.double_riichi, ippatsu=s.riichi and ippatsu,
            rinshan=tsumo and s.rinshan,
            chankan=not tsumo and last.get("type") == "kakan",
            haitei=tsumo and not s.rinshan and self.tsumo_count == WALL_DRAWS,
            houtei=not tsumo and last.get("type") == "dahai" and self.tsumo_count == WALL_DRAWS,
            tenhou=tsumo and no_calls and actor == self.oya and s.draws == 1 and s.discarded == 0,
            chiihou=tsumo and no_calls and actor != self.oya and s.draws == 1 and s.discarded == 0,
            seat_wind=_WIND_ORDER[(actor - self.oya) % 4], oya=self.oya, round_wind=self.round_wind,
            honba=self.meta[1], sticks=self.sticks, first_of_hand=not self.wins, line=line,
        )
        self.wins.append(win)

    def ryukyoku(self, e: Dict[str, Any]) -> None:
        last = self.last or {}
        self.draw = Draw(
            deltas=list(e.get("deltas") or [0, 0, 0, 0]),
            after_draw=last.get("type") == "tsumo",
            wall_empty=self.tsumo_count >= WALL_DRAWS,
            first_discards=list(self.first_discards), calls=self.calls, riichi=self.riichi_count,
            kans_by=list(self.kans_by), concealed=[list(s.concealed) for s in self.seats],
            nagashi=[s.nagashi and s.discarded > 0 for s in self.seats],
            reason=e.get("reason") if isinstance(e.get("reason"), str) else None,
            tenpais=e.get("tenpais") if isinstance(e.get("tenpais"), list) and len(e["tenpais"]) == 4 else None,
        )

    def finish(self) -> Hand:
        record: List[Any] = [self.meta, list(self.start["scores"]), [nt.code(t) for t in self.dora],
                             [nt.code(t) for t in self.ura]]
        for tehai, seat in zip(self.start["tehais"], self.seats):
            record += [[nt.code(t) for t in tehai], seat.takes, seat.discards]
        record.append([])
        return Hand(record, self.wins, self.draw)


_HANDLERS = {
    "tsumo": HandBuilder.tsumo, "dahai": HandBuilder.dahai, "reach": HandBuilder.reach,
    "reach_accepted": HandBuilder.reach_accepted, "chi": HandBuilder.chi, "pon": HandBuilder.pon,
    "daiminkan": HandBuilder.daiminkan, "kakan": HandBuilder.kakan, "ankan": HandBuilder.ankan,
    "dora": HandBuilder.dora_event, "ryukyoku": HandBuilder.ryukyoku,
}


def build_hands(events: List[Tuple[int, Dict[str, Any]]]) -> Tuple[Dict[str, Any], List[Hand]]:
    """The start_game event and every hand of a checked stream (its events
    with their line numbers)."""
    start_game: Dict[str, Any] = {}
    hands: List[Hand] = []
    builder: Optional[HandBuilder] = None
    for line, e in events:
        kind = e["type"]
        if kind == "start_game":
            start_game = e
        elif kind == "start_kyoku":
            builder = HandBuilder(e)
        elif kind == "end_kyoku":
            if builder is not None:
                hands.append(builder.finish())
            builder = None
        elif kind == "dahai" and e["pai"] == "?" and not e["tsumogiri"]:
            # The log's place-holder for "no discard" is that very code (0): the reader would drop it.
            raise ValueError("line %d: a discard of a hidden tile (\"?\") that is not a tsumogiri has no "
                             "tenhou.net/6 form" % line)
        elif kind == "hora" and builder is not None:
            builder.hora(e, line)
        elif builder is not None and kind in _HANDLERS:
            _HANDLERS[kind](builder, e)
    return start_game, hands
