"""Opening one log for conversion: regular files only where a search found
it, and never more than the size cap read into memory."""

from __future__ import annotations

import contextlib
import os
import stat
from typing import Iterator

from ._output import write_all

# 256 MiB: the largest real logs are some 50 kB, so only something that is not
# a log (a device, a runaway file) ever comes near it.
DEFAULT_MAX_LOG_SIZE = 256 << 20
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


def read_capped(fd: int, max_size: int) -> bytes:
    """Everything `fd` gives until its end, or LogTooLarge once it gives more
    than `max_size` bytes (so /dev/zero costs `max_size` bytes, not all memory)."""
    chunks = []
    size = 0
    while True:
        chunk = os.read(fd, min(_CHUNK, max_size + 1 - size))
        if not chunk:
            return b"".join(chunks)
        chunks.append(chunk)
        size += len(chunk)
        if size > max_size:
            raise too_large(max_size)


@contextlib.contextmanager
def readable_log(path: str, max_size: int, regular_only: bool) -> Iterator[str]:
    """A path from which the extension reads exactly the log checked here.

    A regular file is checked against the cap by its size and read through
    the descriptor opened here (so it cannot be swapped for a FIFO in
    between). Anything else is refused when `regular_only` (it was found by
    a search), or else read here, at most `max_size` bytes, into an anonymous
    memory file. Errors of opening come as the OSError of the system, with
    their real reason (permission, a link loop, ...)."""
    # A log found by a search is opened without blocking, so that a FIFO
    # never waits for a writer; one named on the command line waits (the
    # user may start its writer only now).
    fd = os.open(path, os.O_RDONLY | os.O_CLOEXEC | (os.O_NONBLOCK if regular_only else 0))
    try:
        mode = os.fstat(fd)
        if stat.S_ISREG(mode.st_mode):
            if mode.st_size > max_size:
                raise too_large(max_size)
            yield "/proc/self/fd/%d" % fd
            return
        if stat.S_ISDIR(mode.st_mode):
            raise IsADirectoryError(21, os.strerror(21))
        if regular_only:
            raise NotARegularFile("a %s, not a regular file; not read" % file_kind(mode.st_mode))
        data = read_capped(fd, max_size)
    finally:
        os.close(fd)
    memory = os.memfd_create("log", os.MFD_CLOEXEC)
    try:
        write_all(memory, data)
        yield "/proc/self/fd/%d" % memory
    finally:
        os.close(memory)
