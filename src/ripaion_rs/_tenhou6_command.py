"""`ripaion tenhou6 STREAM...`: mjai streams written as tenhou.net/6 JSON
logs, or as one viewer URL per hand."""

from __future__ import annotations

import argparse
import json
import os
import pathlib
import sys
import warnings
from typing import Any, List, Optional, Sequence

from ._ripaion import __version__
from ._tenhou6 import ScoreMismatch, ScoreWarning, mjai_to_tenhou, viewer_urls

DESCRIPTION = """\
Write mjai streams (one JSON event per line, plain or gzip) as tenhou.net/6
JSON logs, the form Tenhou's viewer and the analysis services read:
DIR/<name>.json per STREAM (<name>: the stream's file name without .gz and
.mjson, .jsonl or .json). With the scoring extra installed, wins carry
Tenhou's point texts and yaku; a win whose deltas differ from its value is
reported on standard error (and fails its stream with --strict). Exit status:
0 when every stream was written, 1 when one was not, 2 for usage errors.
"""

_STREAM_SUFFIXES = (".mjson", ".jsonl", ".json")


def output_name(stream: str) -> str:
    name = os.path.basename(stream)
    if name.endswith(".gz"):
        name = name[:-3]
    for suffix in _STREAM_SUFFIXES:
        if name.endswith(suffix) and len(name) > len(suffix):
            name = name[:-len(suffix)]
            break
    return name + ".json"


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog="ripaion tenhou6", description=DESCRIPTION,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("streams", nargs="+", metavar="STREAM", help="mjai stream file (plain or gzip)")
    parser.add_argument("--version", action="version", version="%(prog)s " + __version__)
    parser.add_argument("-o", "--output", metavar="DIR",
                        help="directory of the JSON logs (default: the current one; created if missing)")
    parser.add_argument("--url", action="store_true",
                        help="print one viewer URL per hand on standard output instead of writing files "
                             "(files too when -o is given)")
    parser.add_argument("--strict", action="store_true",
                        help="a win whose deltas differ from what the hand is worth fails its stream")
    return parser


def _convert(stream: str, strict: bool) -> dict[str, Any]:
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always", ScoreWarning)
        game = mjai_to_tenhou(pathlib.Path(stream), strict=strict)
    for w in caught:
        if issubclass(w.category, ScoreWarning):
            print("ripaion tenhou6: %s: %s" % (stream, w.message), file=sys.stderr)
    return game


def tenhou6_command(argv: Sequence[str]) -> int:
    parser = _parser()
    args = parser.parse_args(argv)
    write = args.output is not None or not args.url
    directory = args.output if args.output is not None else "."
    inputs = {os.path.abspath(s) for s in args.streams}
    targets: List[Optional[str]] = []
    for stream in args.streams:
        target = os.path.join(directory, output_name(stream)) if write else None
        if target is not None and os.path.abspath(target) in inputs:
            parser.error("%s would be written over the stream %s; choose another -o DIR" % (target, target))
        targets.append(target)
    if write:
        os.makedirs(directory, exist_ok=True)
    failed = 0
    for stream, target in zip(args.streams, targets):
        try:
            game = _convert(stream, args.strict)
        except (OSError, ValueError, EOFError) as e:  # unreadable, invalid, or a mismatch under --strict
            kind = "payment" if isinstance(e, ScoreMismatch) else type(e).__name__
            print("ripaion tenhou6: %s: %s: %s" % (stream, kind, e), file=sys.stderr)
            failed += 1
            continue
        if args.url:
            for url in viewer_urls(game):
                print(url)
        if target is not None:
            with open(target, "w", encoding="utf-8") as f:
                json.dump(game, f, ensure_ascii=False, separators=(",", ":"))
                f.write("\n")
    return 1 if failed else 0
