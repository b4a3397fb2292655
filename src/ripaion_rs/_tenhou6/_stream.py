"""Reading an mjai stream given in any of the forms the public functions take:
its lines, its text, its bytes (plain or gzip) or a path."""

from __future__ import annotations

import gzip
import json
import os
from typing import Any, Dict, List, Sequence, Tuple, Union

StreamData = Union[str, bytes, bytearray, memoryview, Sequence[Union[str, bytes]]]
StreamInput = Union[StreamData, "os.PathLike[str]"]

_GZIP_MAGIC = b"\x1f\x8b"


def _text(data: Union[bytes, bytearray, memoryview]) -> bytes:
    raw = bytes(data)
    return gzip.decompress(raw) if raw[:2] == _GZIP_MAGIC else raw


def loaded(stream: StreamInput) -> StreamData:
    """The stream as the checker takes it: a list of lines, a str or bytes.

    A str is the stream's text when it starts (after blanks) with "{", and a
    path otherwise; a path-like object is always a path. Bytes (given, or read
    from the file) are gunzipped when they are gzip.
    """
    if isinstance(stream, os.PathLike) or (isinstance(stream, str) and not stream.lstrip().startswith("{")):
        with open(os.fspath(stream), "rb") as f:
            return _text(f.read())
    if isinstance(stream, (bytes, bytearray, memoryview)):
        return _text(stream)
    if isinstance(stream, str):
        return stream
    if isinstance(stream, (list, tuple)):
        return list(stream)
    raise TypeError("an mjai stream is a list of lines, a str, a bytes-like object or a path, not %s"
                    % type(stream).__name__)


def numbered_events(data: StreamData) -> List[Tuple[int, Dict[str, Any]]]:
    """Every event of a stream the checker has passed, with its 1-based line
    number as the checker counts lines."""
    if isinstance(data, (bytes, bytearray, memoryview)):
        lines: Sequence[str] = bytes(data).decode("utf-8").split("\n")
    elif isinstance(data, str):
        lines = data.split("\n")
    else:
        lines = [line.decode("utf-8") if isinstance(line, (bytes, bytearray)) else line for line in data]
    numbers = [number for number, line in enumerate(lines, 1) if line.strip()]
    # One parse of the whole stream as an array: far quicker than a parse per line.
    events = json.loads("[" + ",".join(lines[n - 1] for n in numbers) + "]")
    return list(zip(numbers, events))
