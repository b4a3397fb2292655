"""`check` replays mjai streams: every shipped real log converts into a stream
that checks clean, and damage to such a stream is reported as one Problem with
its line and kind, whatever form the stream is passed in."""

from __future__ import annotations

import json
from pathlib import Path

import pytest

from ripaion_rs import Problem, check, tenhou_to_mjai

LOGS = sorted((Path(__file__).resolve().parent.parent / "data" / "logs").glob("*.json"))


@pytest.mark.parametrize("log", LOGS, ids=lambda p: p.name)
def test_real_log_checks_clean(log: Path) -> None:
    lines = tenhou_to_mjai(log)
    assert check(lines) == []
    hands = sum(1 for line in lines if json.loads(line)["type"] == "start_kyoku")
    assert hands == len(json.loads(log.read_text(encoding="utf-8"))["log"])


def _first_index(lines: list[str], *kinds: str, start: int = 0) -> int:
    return next(i for i in range(start, len(lines)) if json.loads(lines[i])["type"] in kinds)


def _swap_first_call_with_previous(lines: list[str]) -> int:
    i = _first_index(lines, "pon", "chi")
    lines[i - 1], lines[i] = lines[i], lines[i - 1]
    return i - 1


def _drop_first_tsumo(lines: list[str]) -> int:
    i = _first_index(lines, "tsumo")
    del lines[i]
    return i  # the dealer's discard now comes without a draw


def _discard_before_draw(lines: list[str]) -> int:
    i = _first_index(lines, "dahai")
    lines[i - 1], lines[i] = lines[i], lines[i - 1]
    return i - 1


def _retarget_first_call(lines: list[str]) -> int:
    i = _first_index(lines, "pon", "chi")
    ev = json.loads(lines[i])
    ev["target"] = (ev["target"] + 1) % 4
    if ev["target"] == ev["actor"]:
        ev["target"] = (ev["target"] + 1) % 4
    lines[i] = json.dumps(ev)
    return i


def _respaced_line_then_bad_field(lines: list[str]) -> int:
    # Lines written with other spacing read the same; the field error after
    # them is still found at its line.
    lines[3] = json.dumps(json.loads(lines[3]), indent=None, separators=(", ", ": "))
    i = _first_index(lines, "tsumo", start=5)
    ev = json.loads(lines[i])
    ev["actor"] = "0"
    lines[i] = json.dumps(ev)
    return i


@pytest.mark.parametrize(
    "damage, kind",
    [
        (_swap_first_call_with_previous, "call"),
        (_drop_first_tsumo, "discard"),
        (_discard_before_draw, "discard"),
        (_retarget_first_call, "call"),
        (_respaced_line_then_bad_field, "field"),
    ],
    ids=lambda x: getattr(x, "__name__", x),
)
def test_check_reports_damage_at_its_line(damage, kind: str) -> None:
    lines = tenhou_to_mjai(LOGS[0])
    at = damage(lines)
    problems = check(lines)
    assert len(problems) == 1
    problem = problems[0]
    assert isinstance(problem, Problem) and isinstance(problem, tuple)
    assert (problem.line, problem.kind) == (at + 1, kind), problem.message
    assert problem == (problem.line, problem.kind, problem.message) and problem.message


def test_every_form_of_a_stream_checks_alike() -> None:
    lines = tenhou_to_mjai(LOGS[1])
    lines[40] = lines[40].replace('"tsumo"', '"tsumoo"')
    text = "".join(line + "\n" for line in lines)
    forms = [lines, tuple(lines), text, text.encode(), bytearray(text.encode()), memoryview(text.encode()),
             [line.encode() for line in lines], text.replace("\n", "\r\n")]
    results = [check(form) for form in forms]
    assert results[0] == [(41, "type", 'unknown event type "tsumoo"')]
    assert all(r == results[0] for r in results)


@pytest.mark.parametrize(
    "data, kind, line",
    [
        (b"", "frame", 1),
        ([], "frame", 1),
        (b"\xff\n", "json", 1),
        ("[1]", "json", 1),
        (b'{"type":"start_game","names":["a","b","c","d"]}\n' + b"[" * 100000, "json", 2),
        ('{"type":"start_game","names":["a","b","c","d"]}\n{"type":"end_game"}\n', None, None),
    ],
)
def test_small_streams(data, kind, line) -> None:
    problems = check(data)
    if kind is None:
        assert problems == []
    else:
        assert [(p.line, p.kind) for p in problems] == [(line, kind)]


@pytest.mark.parametrize("data", [None, 5, {"a": 1}, [1, 2], ["ok", None]])
def test_other_arguments_raise_type_error(data) -> None:
    with pytest.raises(TypeError):
        check(data)


def test_a_strided_view_checks_as_its_bytes() -> None:
    text = "".join(line + "\n" for line in tenhou_to_mjai(LOGS[1])).encode()
    spread = bytearray(2 * len(text))
    spread[::2] = text
    assert check(memoryview(spread)[::2]) == check(text) == []
    # Lines given one by one are read the same way.
    lines = text.splitlines()
    spread_lines = []
    for line in lines:
        buffer = bytearray(2 * len(line))
        buffer[::2] = line
        spread_lines.append(memoryview(buffer)[::2])
    assert check(spread_lines) == check(lines) == []
    assert check(spread_lines[:3] + [memoryview(bytearray(b'{"type":"x"}'))[::1]])[0].kind == "type"
