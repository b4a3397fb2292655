"""A stored log's bytes as the converter wants them: the content of a log
database's row is bzip2 (one layout), gzip (the other), or the record
stored plain, XML or JSON; which one is told by its first bytes. Runs in the
workers, so that the parent only moves the compressed bytes."""

from __future__ import annotations

import bz2
from typing import Union

from ._gunzip import gunzip
from ._input import too_large
from ._job import DEFAULT_MAX_LOG_SIZE


class ContentError(ValueError):
    """Content that claims a compression by its first bytes but cannot be decompressed."""


def bunzip2(data: bytes, cap: int) -> bytes:
    """Every bzip2 stream of `data`, concatenated, at most `cap` bytes."""
    parts = []
    size = 0
    while True:
        inflater = bz2.BZ2Decompressor()
        part = inflater.decompress(data, cap + 1 - size)
        size += len(part)
        if size > cap:
            raise too_large(cap)
        if not inflater.eof:
            raise EOFError("the compressed content ends before its end-of-stream marker")
        parts.append(part)
        data = inflater.unused_data
        if not data.strip(b"\0"):  # trailing zeros: padding some writers leave
            return b"".join(parts)


def as_bytes(content: Union[bytes, str]) -> bytes:
    return content.encode("utf-8") if isinstance(content, str) else bytes(content)


def unpack(content: Union[bytes, str], cap: int = DEFAULT_MAX_LOG_SIZE) -> bytes:
    """The log in stored `content`: bzip2 (`BZh`) and gzip decompressed,
    anything else taken as it is (the converter tells XML from JSON). At
    most `cap` bytes, also once decompressed (LogTooLarge beyond)."""
    data = as_bytes(content)
    if data.startswith(b"BZh"):
        kind, inflate = "bzip2", bunzip2
    elif data.startswith(b"\x1f\x8b"):
        kind, inflate = "gzip", gunzip
    else:
        if len(data) > cap:
            raise too_large(cap)
        return data
    try:
        return inflate(data, cap)
    except (OSError, EOFError) as exc:  # BadGzipFile is an OSError
        raise ContentError("the %s content cannot be decompressed: %s" % (kind, exc)) from None
