"""Misuse of ripaion_rs that a type checker must report, one per line marked
`# error`: checked by mypy in tests/python/test_typing.py, never run."""

from __future__ import annotations

from ripaion_rs import Problem, check, convert, convert_to_bytes, tenhou_to_mjai

tenhou_to_mjai(b"game.json")  # error
tenhou_to_mjai("game.json", mjai_out=1)  # error
convert(1234)  # error
convert(b"{}", "mjlog")  # error
convert_to_bytes(b"{}", gzip="6")  # error
check(1234)  # error
text: str = convert_to_bytes(b"{}")  # error
problem: Problem = check("")[0]
problem.line.upper()  # error
Problem(1, "json", "x")  # error
