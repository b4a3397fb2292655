"""Opening one log for conversion: regular files only where a search found
it, and never more than the size cap read into memory."""

from __future__ import annotations

import errno
import os
import stat
from typing import Optional, Tuple


_CHUNK = 1 << 20


class LogTooLarge(Exception):
    """The log is larger than --max-log-size; the rest of it was not read."""


class NotARegularFile(Exception):
    """A log found by a folder search or a pattern is a FIFO, device or socket."""


def file_kind(mode: int) -> str:
    """A name for the kind of a file that is not a regular one."""
    for test, name in ((stat.S_ISDIR, "directory"), (stat.S_ISFIFO, "FIFO"), (stat.S_ISCHR, "character device"),
                       (stat.S_ISBLK, "block device"), (stat.S_ISSOCK, "socket")):
        if test(mode):
            return name
    return "special file"


def too_large(max_size: int) -> LogTooLarge:
    return LogTooLarge("larger than %d bytes (--max-log-size); not read" % max_size)


def read_capped(fd: int, max_size: int, expected: int = _CHUNK) -> bytes:
    """Everything `fd` gives until its end, or LogTooLarge once it gives more
    than `max_size` bytes (so /dev/zero costs `max_size` bytes, not all memory).
    `expected`: the size the file is known to have, so that the first read
    asks for just that (and one byte more, to see the end)."""
    chunks: list[bytes] = []
    size = 0
    want = expected + 1
    while True:
        chunk = os.read(fd, min(want, max_size + 1 - size))
        want = _CHUNK
        if not chunk:
            return b"".join(chunks)
        chunks.append(chunk)
        size += len(chunk)
        if size > max_size:
            raise too_large(max_size)


def open_log(path: str, max_size: int, regular_only: bool) -> Tuple[int, Optional[int]]:
    """Open a log and check it: a descriptor and, for a regular file, its size
    (None for anything else).

    A regular file larger than `max_size` is refused by its size, unread. A
    FIFO, device or socket is refused when `regular_only` (a search found
    it); one named on the command line is the caller's to read with the cap.
    Errors of opening come as the OSError of the system, with their real
    reason (permission, a link loop, ...)."""
    # A log found by a search is opened without blocking, so that a FIFO
    # never waits for a writer; one named on the command line waits (the
    # user may start its writer only now).
    fd = os.open(path, os.O_RDONLY | os.O_CLOEXEC | (os.O_NONBLOCK if regular_only else 0))
    try:
        info = os.fstat(fd)
        mode = info.st_mode
        if stat.S_ISREG(mode):
            if info.st_size > max_size:
                raise too_large(max_size)
            return fd, info.st_size
        if stat.S_ISDIR(mode):
            raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR))
        if regular_only:
            raise NotARegularFile("a %s, not a regular file; not read" % file_kind(mode))
        return fd, None
    except BaseException:
        os.close(fd)
        raise


def read_log(path: str, max_size: int, regular_only: bool) -> bytes:
    """The bytes of a log, at most `max_size` of them (see open_log)."""
    fd, size = open_log(path, max_size, regular_only)
    try:
        return read_capped(fd, max_size, _CHUNK if size is None else size)
    finally:
        os.close(fd)


SQLITE_HEADER = b"SQLite format 3\x00"


def is_database(path: str) -> bool:
    """Whether `path` is a regular file starting with SQLite's 16-byte header."""
    try:
        # Not even opened unless regular: opening a FIFO would let its writer
        # go on, writing to nobody.
        if not stat.S_ISREG(os.stat(path).st_mode):
            return False
        fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK | os.O_CLOEXEC)
    except (OSError, ValueError):
        return False
    try:
        return stat.S_ISREG(os.fstat(fd).st_mode) and os.read(fd, 16) == SQLITE_HEADER
    except OSError:
        return False
    finally:
        os.close(fd)
