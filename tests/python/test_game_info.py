"""convert_with_info: the bytes and exceptions of convert_to_bytes, and a
description of the game that agrees with Tenhou's JSON exports of the same
games (the pairs in tests/data); fields the log lacks or holds in another
form are None and never change the outcome."""

from __future__ import annotations

import gzip as gzip_module
import json
from pathlib import Path

import pytest

from ripaion_rs import convert_to_bytes, convert_with_info

DATA = Path(__file__).resolve().parent.parent / "data"
RECORDS = sorted(p for p in (DATA / "mjlog").iterdir() if p.suffix in (".xml", ".mjlog"))
ROOMS = {"般": "general", "上": "upper", "特": "special", "鳳": "phoenix"}


def export_of(record: Path) -> Path:
    beside = record.with_suffix(".json")
    return beside if beside.exists() else DATA / "logs" / (record.stem + ".json")


PAIRS = [(r, export_of(r)) for r in RECORDS if export_of(r).exists()]


def outcome(fn, data, **kwargs):
    try:
        return fn(data, **kwargs)
    except Exception as e:  # the exception is part of what must agree
        return (type(e), str(e))


def test_the_pairs_are_there():
    assert len(PAIRS) >= 15


@pytest.mark.parametrize("record, export", PAIRS, ids=[r.name for r, _ in PAIRS])
def test_record_and_export_described_as_the_export_says(record, export):
    game = json.loads(export.read_text(encoding="utf-8"))
    text, from_xml = convert_with_info(record.read_bytes())
    _, from_json = convert_with_info(export.read_bytes())
    lines = text.decode().splitlines()

    assert from_xml["events"] == len(lines) == from_json["events"]
    assert from_xml["hands"] == sum('"start_kyoku"' in line for line in lines) == from_json["hands"]
    assert from_xml["ref"] is None
    assert from_json["ref"] == game["ref"]
    for info in (from_xml, from_json):
        assert info["room"] == ROOMS[game["rule"]["disp"][0]]
        assert info["dan"] == game["dan"]
        assert info["rate"] == game["rate"]
        assert info["sx"] == game["sx"]
        assert info["final_scores"] == game["sc"][0::2]
        # The results after uma order the players with no ties.
        results = game["sc"][1::2]
        assert info["placements"] == [1 + sum(r > mine for r in results) for mine in results]
    if "lobby" in game:
        assert from_xml["lobby"] == from_json["lobby"] == game["lobby"]


@pytest.mark.parametrize("gzip", [None, 1])
@pytest.mark.parametrize("path", RECORDS + sorted((DATA / "logs").glob("*.json")), ids=lambda p: p.name)
def test_bytes_are_convert_to_bytes(path, gzip):
    data = path.read_bytes()
    result = outcome(convert_with_info, data, gzip=gzip)
    expected = outcome(convert_to_bytes, data, gzip=gzip)
    if isinstance(expected, tuple) and isinstance(expected[0], type):
        assert result == expected
    else:
        assert result[0] == expected
        info = result[1]
        assert set(info) == {
            "hands", "events", "names", "aka", "east_only", "ref", "lobby", "room", "dan", "rate", "sx",
            "final_scores", "placements",
        }
        text = gzip_module.decompress(expected) if gzip else expected
        start = json.loads(text[: text.index(b"\n")])
        assert (info["names"], info["aka"], info["east_only"]) == (
            start["names"], start["aka_flag"], start["kyoku_first"] == 4)


SOUND = json.loads((DATA / "logs" / "2019021004gm-00a9-0000-e2f6516d.json").read_text(encoding="utf-8"))

# Changes to a sound log: the fields then read as None (or as given), and
# the log converts (or is refused) exactly as convert_to_bytes says.
CHANGES = [
    ("ref", 5, {"ref": None}),
    ("ref", ["x"], {"ref": None}),
    ("ref", None, {"ref": None}),
    ("sc", "x", {"final_scores": None, "placements": None}),
    ("sc", [1, 2, 3], {"final_scores": None, "placements": None}),
    ("sc", [1.5, 0, 2, 0, 3, 0, 4, 0], {"final_scores": None, "placements": None}),
    ("sc", [100, 0, 300, 0, 300, 0, 100, 0], {"final_scores": [100, 300, 300, 100], "placements": [3, 1, 2, 4]}),
    ("sc", {"a": [[[]]]}, {"final_scores": None, "placements": None}),
    ("dan", ["七段"], {"dan": None}),
    ("dan", [1, 2, 3, 4], None),  # refused by the reader, as before
    ("rate", [1500, 1600, 1700], {"rate": None}),
    ("rate", "x", None),
    ("sx", None, {"sx": None}),
    ("sx", ["M", "F", "C", "M", "F"], {"sx": None}),
    ("lobby", None, {"lobby": None}),
    ("lobby", 1.5, None),
    ("rule", {"disp": "大会戦南喰", "aka": 1}, {"room": None}),
    ("rule", {"disp": "三鳳南喰赤"}, None),
]


@pytest.mark.parametrize("key, value, expected", CHANGES, ids=[f"{k}={v!r}" for k, v, _ in CHANGES])
def test_malformed_fields_are_none_and_change_nothing(key, value, expected):
    changed = dict(SOUND)
    if key == "ref" and value is None:
        del changed["ref"]
    else:
        changed[key] = value
    data = json.dumps(changed, ensure_ascii=False).encode()
    result = outcome(convert_with_info, data)
    before = outcome(convert_to_bytes, data)
    if expected is None:
        assert isinstance(before, tuple) and result == before
        return
    text, info = result
    assert text == before == convert_to_bytes(json.dumps(SOUND, ensure_ascii=False).encode())
    for field, value in expected.items():
        assert info[field] == value
