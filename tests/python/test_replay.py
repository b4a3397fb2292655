"""Every shipped real log converts into a stream that replays consistently:
each draw, discard, call and kan is possible where it stands."""

from __future__ import annotations

import json
from pathlib import Path

import pytest

from mjai_replay import ReplayError, replay
from ripaion_rs import tenhou_to_mjai

LOGS = sorted((Path(__file__).resolve().parent.parent / "data" / "logs").glob("*.json"))


@pytest.mark.parametrize("log", LOGS, ids=lambda p: p.name)
def test_real_log_replays(log: Path) -> None:
    lines = tenhou_to_mjai(log)
    hands = replay(lines)
    assert hands == len(json.loads(log.read_text(encoding="utf-8"))["log"])


def _first_index(lines: list[str], kind: str, start: int = 0) -> int:
    return next(i for i in range(start, len(lines)) if json.loads(lines[i])["type"] == kind)


def _swap_first_call_with_previous(lines: list[str]) -> list[str]:
    i = next(i for i, l in enumerate(lines) if json.loads(l)["type"] in ("pon", "chi"))
    lines[i - 1], lines[i] = lines[i], lines[i - 1]
    return lines


def _drop_first_tsumo(lines: list[str]) -> list[str]:
    del lines[_first_index(lines, "tsumo")]
    return lines


def _discard_before_draw(lines: list[str]) -> list[str]:
    i = _first_index(lines, "dahai")
    lines[i - 1], lines[i] = lines[i], lines[i - 1]
    return lines


def _retarget_first_call(lines: list[str]) -> list[str]:
    i = next(i for i, l in enumerate(lines) if json.loads(l)["type"] in ("pon", "chi"))
    ev = json.loads(lines[i])
    ev["target"] = (ev["target"] + 1) % 4
    if ev["target"] == ev["actor"]:
        ev["target"] = (ev["target"] + 1) % 4
    lines[i] = json.dumps(ev)
    return lines


@pytest.mark.parametrize(
    "damage", [_swap_first_call_with_previous, _drop_first_tsumo, _discard_before_draw, _retarget_first_call]
)
def test_replay_catches_a_misordered_stream(damage) -> None:
    lines = tenhou_to_mjai(LOGS[0])
    with pytest.raises(ReplayError):
        replay(damage(list(lines)))
