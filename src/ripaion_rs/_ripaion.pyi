import os
from typing import Any, Sequence, Union, final

from _typeshed import structseq
from typing_extensions import Buffer

__all__ = [
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
    "MjlogParsingError",
    "tenhou_to_mjai",
    "mjlog_to_mjai",
    "convert",
    "convert_to_bytes",
    "convert_with_info",
    "check",
    "Problem",
    "__version__",
    "VERSION",
]

__version__: str
VERSION: str

class TenhouLogParsingError(ValueError): ...
class TenhouToMjaiError(ValueError): ...
class JsonSerializationError(ValueError): ...
class JsonParsingError(ValueError): ...
class MjlogParsingError(ValueError): ...

def tenhou_to_mjai(
    filename: str | os.PathLike[str], mjai_out: str | os.PathLike[str] | None = None
) -> list[str]:
    """Convert the Tenhou log `filename` into mjai event lines, one JSON object each.

    When `mjai_out` is given, the lines are also written there, each followed by a
    line feed; "-" means standard output. Raises JsonParsingError,
    TenhouLogParsingError, TenhouToMjaiError or JsonSerializationError (all
    ValueError), an OSError for file problems, TypeError for bad arguments.
    """

def mjlog_to_mjai(
    filename: str | os.PathLike[str], mjai_out: str | os.PathLike[str] | None = None
) -> list[str]:
    """Convert Tenhou's mjlog XML record `filename` into mjai event lines.

    The record may be plain XML or gzip-compressed (decompressed up to 64 MB),
    UTF-8 or UTF-16 with a byte-order mark. Arguments, output and exceptions are
    those of tenhou_to_mjai, except that a record that is not well-formed raises
    MjlogParsingError ("failed to parse mjlog: " and why, e.g.
    'failed to parse mjlog: <DORA hai="200"> (tag 57): tile id out of range',
    the tag as written and its place among the record's tags); a three-player, unfinished or
    chip/skill-test/custom-rule game raises TenhouLogParsingError ("invalid log").
    """

def convert(data: bytes | str | Buffer, *, format: str = "auto") -> list[str]:
    """The mjai event lines of the log whose bytes are `data`.

    `data` is bytes, str (taken as its UTF-8 encoding) or any bytes-like object;
    the result is the list tenhou_to_mjai (format="tenhou6") or mjlog_to_mjai
    (format="mjlog") returns for a file holding those bytes, and the same
    exceptions are raised for them. format="auto" (the default) reads an mjlog
    record when the bytes start with a UTF-16 byte-order mark and a tag, or a
    tag (after an optional UTF-8 byte-order mark and blanks), else a JSON log;
    gzip is decompressed first (up to 64 MB; a broken stream raises
    MjlogParsingError) and what it holds told the same way. Another text
    raises ValueError. The interpreter lock is released while the
    log is converted; a mutable buffer is copied first.
    """

def convert_to_bytes(data: bytes | str | Buffer, *, gzip: int | None = None, format: str = "auto") -> bytes:
    """The whole mjai text of the log whose bytes are `data`, as UTF-8 bytes.

    Every line is followed by a line feed. With gzip=N (0 to 12; 6 is about
    zlib's level 6 in size, in half its time), the text is one gzip member at
    that level, with modification time 0, so the same log always gives the same
    bytes. `format` as for convert. Raises what convert raises, TypeError for a
    bad argument type and ValueError for a level outside 0 to 12.
    """

def convert_with_info(
    data: bytes | str | Buffer, *, gzip: int | None = None, format: str = "auto"
) -> tuple[bytes, dict[str, Any]]:
    """convert_to_bytes(data, gzip=gzip, format=format) and a description of the game.

    The bytes are exactly those of convert_to_bytes, and the same exceptions are
    raised. The dict comes from the same reading of the log, with the keys
    "hands" and "events" (int: hands converted, lines), "names" (the four names
    of the start_game line), "aka" (bool: its aka_flag), "east_only" (bool: its
    kyoku_first is 4), "ref" (str: the JSON
    log's game id; None for mjlog), "lobby" (int), "room" ("general", "upper",
    "special" or "phoenix"), "dan" (four rank texts as Tenhou's JSON writes them,
    e.g. "七段", "１級"), "rate" (four floats), "sx" (four texts), "final_scores"
    (four ints, points) and "placements" (four ints 1 to 4; equal scores are
    ranked in seat order from the first dealer). A field the log lacks, or holds
    in a form not understood, is None; reading it never changes whether the log
    converts or its bytes.
    """

@final
class Problem(structseq[Union[int, str]], tuple[int, str, str]):
    """A problem found in an mjai stream (a struct sequence: a tuple with names,
    made from one sequence: Problem((line, kind, message)))."""

    @property
    def line(self) -> int:
        """1-based number of the line the problem stands on."""
    @property
    def kind(self) -> str:
        """Short stable label: "json", "type", "field", "frame", "draw", "discard",
        "call", "kan", "hora", "tsumogiri", "riichi", "tile_count", "score", "deltas"
        or "red_five"."""
    @property
    def message(self) -> str:
        """What is wrong, in words (the text may change between versions)."""

def check(data: Union[bytes, bytearray, memoryview, str, Sequence[Union[str, bytes]]]) -> list[Problem]:
    """The replay of the mjai stream `data`: its first problem, or []. The
    package's `ripaion_rs.check` calls it and documents it."""

# The package's own helpers (outside __all__): rules the command shares with
# the extension, decided here once.
MIN_GZIP_LEVEL: int
"""The smallest level convert_to_bytes(gzip=...) takes (stored)."""
MAX_GZIP_LEVEL: int
"""The largest level convert_to_bytes(gzip=...) takes."""

def detect_format(head: Union[bytes, bytearray, memoryview, str]) -> str:
    """The format format="auto" reads a log whose bytes start with `head`: "tenhou6", "mjlog", or "gzip"
    (told once decompressed)."""

def names_standard_output(path: Union[str, os.PathLike[str]]) -> bool:
    """Whether `path` means standard output where an output path is taken ("-", "-/", "-/.")."""

MANIFEST_KEYS: tuple[str, ...]
"""The members of a converted game's manifest line after its input, output,
game id and date, in order; each holds the value of that key in
convert_with_info's dict."""

def convert_for_manifest(
    data: bytes | str | Buffer, *, gzip: int | None = None, format: str = "auto"
) -> tuple[bytes, str, str | None]:
    """For the command's manifest: the bytes of convert_to_bytes(data, gzip=gzip,
    format=format), the MANIFEST_KEYS members as json.dumps writes them (the text
    between the braces), and convert_with_info's "ref"."""
