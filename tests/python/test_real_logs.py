"""Every real log in tests/data/logs converts end to end; the returned list
and the written file agree line for line."""

import json
from pathlib import Path

import pytest

from ripaion_rs import tenhou_to_mjai

LOGS = sorted((Path(__file__).resolve().parent.parent / "data" / "logs").glob("*.json"))


def test_there_are_logs():
    assert len(LOGS) >= 10


@pytest.mark.parametrize("log", LOGS, ids=[p.name for p in LOGS])
def test_log_converts_and_output_matches(tmp_path, log):
    out = tmp_path / "out.mjson"
    lines = tenhou_to_mjai(log, out)
    assert type(lines) is list and all(type(line) is str for line in lines)
    assert tenhou_to_mjai(str(log)) == lines
    assert out.read_bytes() == "".join(line + "\n" for line in lines).encode("utf-8")

    events = [json.loads(line) for line in lines]
    for line, event in zip(lines, events):
        assert "\n" not in line and "\r" not in line
        assert next(iter(event)) == "type"
        # Compact: exactly what json.dumps writes without spaces.
        assert json.dumps(event, separators=(",", ":"), ensure_ascii=False) == line
    kinds = [e["type"] for e in events]
    assert kinds[0] == "start_game" and kinds[-1] == "end_game"
    assert kinds.count("start_kyoku") == kinds.count("end_kyoku") >= 1


def test_names_with_non_ascii_text_come_back_exactly(tmp_path):
    names = ["\u3042\u3055\u304e", "caf\u00e9", "\U0001f004 tile", 'quote " and \\']
    log = tmp_path / "log.json"
    log.write_text(json.dumps({"log": [], "name": names, "rule": {"aka": 1}}), encoding="utf-8")
    lines = tenhou_to_mjai(str(log))
    assert json.loads(lines[0]) == {"type": "start_game", "names": names, "kyoku_first": 0, "aka_flag": True}
    assert lines[1] == '{"type":"end_game"}'
