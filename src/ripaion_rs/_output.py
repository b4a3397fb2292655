"""Writing an mjai file so that it only ever appears complete."""

from __future__ import annotations

import os
import stat
import sys
from typing import Optional

# The temporary file this process is writing right now, so that a termination
# handler can remove it. The name is fixed before the file is created, so there
# is no moment at which a file exists that nobody knows about.
pending_temp: Optional[str] = None


def is_stdout_path(path: str) -> bool:
    """True for "-", "-/" or "-/." (standard output); "./-" and "--" name files."""
    first, _, rest = path.partition("/")
    return first == "-" and all(part in ("", ".") for part in rest.split("/"))


def temp_name(path: str) -> str:
    """A hidden name beside `path`, unique per process, that no log search matches."""
    directory, name = os.path.split(path)
    return os.path.join(directory, ".%s.%d.tmp" % (name, os.getpid()))


def remove_quietly(path: str) -> None:
    try:
        os.unlink(path)
    except OSError:
        pass


def _write_all(fd: int, data: bytes) -> None:
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]


def publish(path: str, data: bytes) -> None:
    """Write `data` to a temporary file beside `path`, then rename it over `path`
    (whose directory must exist).

    Readers (and a later --skip-existing run) see either no file or the whole
    file. There is no fsync: this guards against the program being stopped,
    not against the machine losing power, which would cost a disk flush per log.
    """
    global pending_temp
    temp = temp_name(path)
    pending_temp = temp
    try:
        fd = os.open(temp, os.O_WRONLY | os.O_CREAT | os.O_TRUNC | os.O_CLOEXEC, 0o666)
        try:
            _write_all(fd, data)
        finally:
            os.close(fd)
        os.replace(temp, path)
    except BaseException:
        # Also on KeyboardInterrupt: an interrupted write leaves nothing behind.
        remove_quietly(temp)
        raise
    finally:
        pending_temp = None


def write_output(path: str, data: bytes) -> None:
    """Write one mjai stream to `path`: standard output, a device, or a file.

    Renaming over a device, a pipe or a symbolic link would replace the node
    itself (as root, even /dev/null), so those are written through directly;
    regular files and new names get the complete-or-nothing `publish`.
    """
    if is_stdout_path(path):
        sys.stdout.flush()
        sys.stdout.buffer.write(data)
        sys.stdout.buffer.flush()
        return
    try:
        mode: Optional[int] = os.lstat(path).st_mode
    except FileNotFoundError:
        mode = None
    if mode is not None and not stat.S_ISREG(mode):
        with open(path, "wb") as stream:
            stream.write(data)
    else:
        publish(path, data)
