"""The facts of a game (room, lobby, ranks, rates, sexes, final scores,
placements) read the plain way, with the standard library, from an mjlog
record or from a JSON log: the tests' second opinion on what the extension
returns beside its conversion."""

import gzip
import json
import math
import xml.etree.ElementTree as ElementTree
from urllib.parse import unquote

# Tenhou's rank numbers, as its JSON export writes them.
DAN = ["新人", "９級", "８級", "７級", "６級", "５級", "４級", "３級", "２級", "１級",
       "初段", "二段", "三段", "四段", "五段", "六段", "七段", "八段", "九段", "十段", "天鳳"]
# The GO type's bits 0x80 and 0x20, and the rule text's first character.
ROOM_BITS = {0x00: "general", 0x80: "upper", 0x20: "special", 0xA0: "phoenix"}
ROOM_CHARS = {"般": "general", "上": "upper", "特": "special", "鳳": "phoenix"}
KEYS = ("lobby", "room", "dan", "rate", "sx", "final_scores", "placements")


def placements(scores):
    """1 to 4 by score; equal scores ranked by seat, the first dealer first."""
    if scores is None:
        return None
    order = sorted(range(4), key=lambda seat: (-scores[seat], seat))
    places = [0] * 4
    for rank, seat in enumerate(order):
        places[seat] = rank + 1
    return places


def _four(values, convert):
    try:
        out = [convert(v) for v in values]
    except (ValueError, TypeError, IndexError):
        return None
    return out if len(out) == 4 else None


def _facts(lobby, room, dan, rate, sx, scores):
    return {"lobby": lobby, "room": room, "dan": dan, "rate": rate, "sx": sx,
            "final_scores": scores, "placements": placements(scores)}


def from_xml(data):
    """The facts of an mjlog record's bytes (plain or gzip)."""
    if data[:2] == b"\x1f\x8b":
        data = gzip.decompress(data)
    root = ElementTree.fromstring(data)
    go = root.find("GO")
    lobby = room = None
    if go is not None:
        kind = int(go.get("type", "0"))
        room = ROOM_BITS[kind & 0xA0]
        lobby = int(go.get("lobby")) if go.get("lobby") is not None else None
    dan = rate = sx = None
    for un in root.iter("UN"):
        if un.get("dan") is not None:
            dan = _four(un.get("dan").split(","), lambda v: DAN[int(v)])
            rate = _four(un.get("rate", "").split(","), float)
            sx = _four(un.get("sx", "").split(","), unquote)
            break
    scores = None
    for element in root:
        if element.get("owari") is not None:
            scores = _four(element.get("owari").split(",")[0::2], lambda v: int(v) * 100)
    return _facts(lobby, room, dan, rate, sx, scores)


def from_json(doc):
    """The facts of a Tenhou JSON log (a dict, or its text)."""
    if not isinstance(doc, dict):
        doc = json.loads(doc)
    disp = (doc.get("rule") or {}).get("disp")
    room = ROOM_CHARS.get(disp[0]) if isinstance(disp, str) and disp else None
    lobby = doc.get("lobby") if type(doc.get("lobby")) is int else None
    dan = doc.get("dan") if _texts(doc.get("dan")) else None
    sx = doc.get("sx") if _texts(doc.get("sx")) else None
    rate = _four(doc.get("rate") or [], _number)
    sc = doc.get("sc")
    scores = _four(sc[0::2], _whole) if isinstance(sc, list) and len(sc) == 8 else None
    return _facts(lobby, room, dan, rate, sx, scores)


def _texts(value):
    return isinstance(value, list) and len(value) == 4 and all(isinstance(v, str) for v in value)


def _number(value):
    if type(value) not in (int, float) or not math.isfinite(value):
        raise ValueError(value)
    return float(value)


def _whole(value):
    if type(value) is not int:
        raise ValueError(value)
    return value


def agree(a, b):
    """Two facts dicts agree on every key both know (rates to the cent)."""
    for key in KEYS:
        x, y = a.get(key), b.get(key)
        if x is None or y is None:
            continue
        if key == "rate":
            if any(abs(p - q) > 0.005 for p, q in zip(x, y)):
                return False
        elif x != y:
            return False
    return True
