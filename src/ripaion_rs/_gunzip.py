"""Decompressing a whole gzip file in memory, every member, as zcat reads it."""

from __future__ import annotations

import zlib
from gzip import BadGzipFile
from typing import List

from ._input import too_large

# What a member is first fed: an empty member is 20 bytes, so a file of
# many tiny members costs little per member; a larger member is fed twice
# as much each time, up to _MOST_FED.
_FIRST_FED = 256
_MOST_FED = 1 << 20
_MAGIC = b"\x1f\x8b"
_CUT_SHORT = "compressed file ended before the end-of-stream marker was reached"


def gunzip(data: bytes, cap: int) -> bytes:
    """Every member of the gzip file `data`, concatenated; zero bytes after
    the last member are padding and ignored, as zcat does. At most `cap`
    bytes of output: LogTooLarge is raised beyond.

    Raises BadGzipFile for data that is not gzip (or trailing bytes that are
    neither a member nor padding) and EOFError for a file cut short.

    The input is fed from where the last member ended, in slices of a view
    (never the remainder copied, as `unused_data` would be): linear in the
    file's size whatever its number of members."""
    if not data:
        raise EOFError(_CUT_SHORT)
    view = memoryview(data)
    end = len(data)
    parts: List[bytes] = []
    size = 0
    at = 0
    while at < end:
        if data[at:at + 2] != _MAGIC:
            if at == 0:
                raise BadGzipFile("not a gzip file")
            if data.count(b"\0", at) == end - at:
                break  # padding
            raise BadGzipFile("bytes after the last gzip member that are neither a member nor zero padding")
        inflater = zlib.decompressobj(wbits=31)  # gzip framing
        fed = _FIRST_FED
        while True:
            piece = view[at:at + fed]
            try:
                # At most one byte beyond the cap: output stops there, which
                # is only ever followed by the raise below.
                part = inflater.decompress(piece, cap + 1 - size)
            except zlib.error as exc:
                raise BadGzipFile("corrupt gzip data (%s)" % exc) from None
            size += len(part)
            if size > cap:
                raise too_large(cap)
            if part:
                parts.append(part)
            if inflater.eof:
                at += len(piece) - len(inflater.unused_data)
                break
            at += len(piece)
            if at >= end:
                raise EOFError(_CUT_SHORT)
            fed = min(fed * 2, _MOST_FED)
    return b"".join(parts)
