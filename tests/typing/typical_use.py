"""Typical use of ripaion_rs as a user's type checker sees it: checked by
mypy --strict in tests/python/test_typing.py, never run."""

from __future__ import annotations

import mmap
from pathlib import Path

from typing_extensions import assert_type

import ripaion_rs
from ripaion_rs import (JsonParsingError, MjlogParsingError, Problem, TenhouLogParsingError, TenhouToMjaiError,
                        check, convert, convert_to_bytes, mjlog_to_mjai, tenhou_to_mjai)


def convert_files(folder: Path) -> dict[str, int]:
    sizes: dict[str, int] = {}
    for log in sorted(folder.glob("*.json")):
        try:
            lines = tenhou_to_mjai(log, log.with_suffix(".mjson"))
        except (JsonParsingError, TenhouLogParsingError, TenhouToMjaiError) as error:
            print(log, error)
            continue
        assert_type(lines, list[str])
        sizes[log.name] = len(lines)
    assert_type(mjlog_to_mjai("game.mjlog"), list[str])
    tenhou_to_mjai(str(folder / "game.json"), "-")
    return sizes


def in_memory(data: bytes, record: bytearray, mapped: mmap.mmap) -> bytes:
    assert_type(convert(data), list[str])
    assert_type(convert("{}"), list[str])
    assert_type(convert(record, format="mjlog"), list[str])
    assert_type(convert(memoryview(data)), list[str])
    packed = convert_to_bytes(mapped, gzip=6)
    assert_type(packed, bytes)
    try:
        return convert_to_bytes(data, format="tenhou6")
    except MjlogParsingError:
        return b""


def problems(text: str, lines: list[str], raw: list[bytes]) -> int:
    found = check(text) + check(lines) + check(raw) + check(text.encode())
    for problem in found:
        assert_type(problem, Problem)
        assert_type(problem.line, int)
        assert_type(problem.kind, str)
        line, kind, message = problem
        print(line, kind, message)
    found.append(Problem((1, "json", "the line is not one JSON object")))
    return len(found)


assert_type(ripaion_rs.__version__, str)
