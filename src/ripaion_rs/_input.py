"""Opening one log for conversion: regular files only where a search found
it, and never more than the size cap read into memory."""

from __future__ import annotations

import contextlib
import errno
import os
import stat
import tempfile
from typing import Iterator, Tuple

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


def open_log(path: str, max_size: int, regular_only: bool) -> Tuple[int, bool]:
    """Open a log and check it: a descriptor and whether it is a regular file.

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
            return fd, True
        if stat.S_ISDIR(mode):
            raise IsADirectoryError(errno.EISDIR, os.strerror(errno.EISDIR))
        if regular_only:
            raise NotARegularFile("a %s, not a regular file; not read" % file_kind(mode))
        return fd, False
    except BaseException:
        os.close(fd)
        raise


def read_log(path: str, max_size: int, regular_only: bool) -> bytes:
    """The bytes of a log, at most `max_size` of them (see open_log)."""
    fd, _ = open_log(path, max_size, regular_only)
    try:
        return read_capped(fd, max_size)
    finally:
        os.close(fd)


# Where a process finds its own descriptors by name; without /proc (a bare
# container) logs are read by their own names, and piped ones from a file.
_FD_DIR = "/proc/self/fd/" if os.path.isdir("/proc/self/fd") else None


@contextlib.contextmanager
def readable_log(path: str, max_size: int, regular_only: bool) -> Iterator[str]:
    """A path from which a converter that takes a path reads exactly the log
    checked by open_log: a regular file through the descriptor opened there
    (so it cannot be swapped for a FIFO in between), anything else read here
    with the cap into an anonymous memory file."""
    fd, regular = open_log(path, max_size, regular_only)
    try:
        if regular:
            yield path if _FD_DIR is None else _FD_DIR + str(fd)
            return
        data = read_capped(fd, max_size)
    finally:
        os.close(fd)
    if _FD_DIR is None:
        with tempfile.NamedTemporaryFile(prefix=".ripaion-log-") as copy:
            copy.write(data)
            copy.flush()
            yield copy.name
        return
    memory = os.memfd_create("log", os.MFD_CLOEXEC)
    try:
        write_all(memory, data)
        yield _FD_DIR + str(memory)
    finally:
        os.close(memory)
