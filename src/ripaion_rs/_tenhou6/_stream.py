"""Reading an mjai stream given in any of the forms the public functions take:
a list of lines, its text, its bytes (plain or gzip) or a path."""

from __future__ import annotations

import gzip
import json
import os
from typing import Any, Dict, List, Sequence, Union

StreamInput = Union[str, bytes, bytearray, memoryview, "os.PathLike[str]", Sequence[Union[str, bytes]]]

_GZIP_MAGIC = b"\x1f\x8b"


def _decoded(data: bytes) -> str:
    if data[:2] == _GZIP_MAGIC:
        data = gzip.decompress(data)
    return data.decode("utf-8")


def stream_lines(stream: StreamInput) -> List[str]:
    """The stream's lines, without line feeds and without blank lines.

    A str is the stream's text when it starts (after blanks) with "{", and a
    path otherwise; a path-like object is always a path. Bytes-like data is
    the text in UTF-8, or its gzip compression; a file may be either too.
    """
    if isinstance(stream, os.PathLike) or (isinstance(stream, str) and not stream.lstrip().startswith("{")):
        with open(os.fspath(stream), "rb") as f:
            text = _decoded(f.read())
    elif isinstance(stream, str):
        text = stream
    elif isinstance(stream, (bytes, bytearray, memoryview)):
        text = _decoded(bytes(stream))
    elif isinstance(stream, (list, tuple)):
        return [line.decode("utf-8") if isinstance(line, (bytes, bytearray)) else str(line) for line in stream
                if line.strip()]
    else:
        raise TypeError("an mjai stream is a list of lines, a str, a bytes-like object or a path, not %s"
                        % type(stream).__name__)
    return [line for line in text.split("\n") if line.strip()]


def parsed_events(lines: Sequence[str]) -> List[Dict[str, Any]]:
    """Every line as its JSON object (the lines have been checked before)."""
    return [json.loads(line) for line in lines]
