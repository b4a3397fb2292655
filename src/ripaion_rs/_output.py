"""Writing an mjai file so that it only ever appears complete, and cleaning
up the temporary files of writers that were killed."""

from __future__ import annotations

import errno
import os
import re
import stat
from typing import Iterable, Iterator, List, Optional, Tuple

from ._job import names_standard_output

# The temporary file this process is writing right now, so that a termination
# handler can remove it. The name is fixed before the file is created, so there
# is no moment at which a file exists that nobody knows about.
pending_temp: Optional[str] = None

# `.NAME.ripaion-PID-TOKEN.tmp` beside the output NAME: hidden, so no log
# search matches it; the marker says the command made it, so that the sweep
# of stale ones never takes a user's file of a like name; PID says which
# process owns it, TOKEN (random, one per run) makes it unpredictable to
# others. A NAME too long for that is replaced by a hash of it, so that any
# output name the file system takes works.
TEMP_PATTERN = re.compile(r"\..+\.ripaion-([0-9]+)-([a-z0-9]{8})\.tmp\Z", re.DOTALL)
_TEMP_TAIL = ".ripaion-%d-%s.tmp"
_NAME_MAX = 255
# 32 characters, so that a random byte picks one without bias.
_TOKEN_ALPHABET = "abcdefghijklmnopqrstuvwxyz012345"
_CREATE_TEMP = os.O_WRONLY | os.O_CREAT | os.O_EXCL | os.O_NOFOLLOW | os.O_CLOEXEC


def new_token() -> str:
    # The system's random source, as `secrets` reads it, without that
    # module's import time on every start of the command.
    return "".join(_TOKEN_ALPHABET[byte % 32] for byte in os.urandom(8))


def _temp_name_candidates(path: str, pid: int, token: str) -> Iterator[str]:
    """The temporary names, in the order tried, of `path` written by `pid`:
    the readable one when it fits in a file name, then the hashed one. A
    generator, so that the hash is only computed when a name needs it. The
    folder is kept as `path` writes it (string work, once per output)."""
    head = path[: path.rfind("/") + 1]
    name = path[len(head):]
    tail = _TEMP_TAIL % (pid, token)
    if (len(name) if name.isascii() else len(os.fsencode(name))) + 1 + len(tail) <= _NAME_MAX:
        yield head + "." + name + tail
    import hashlib  # only for such names: its import is a good part of the command's start

    yield head + "." + hashlib.sha256(os.fsencode(name)).hexdigest()[:16] + tail


def temp_names(path: str, pid: int, token: str) -> List[str]:
    """Every temporary name `pid` may have used for `path`."""
    return list(_temp_name_candidates(path, pid, token))


def remove_quietly(path: str) -> None:
    try:
        os.unlink(path)
    except OSError:
        pass


def write_all(fd: int, data: bytes) -> None:
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]


def _create_temp(path: str, token: str, dir_fd: Optional[int], directory: str) -> Tuple[int, str]:
    """Create a new temporary file for `path` (relative to `dir_fd`, the
    folder `directory`, when given); return its descriptor and name.

    O_EXCL|O_NOFOLLOW: a name that exists, a planted link included, is never
    opened; a fresh random name is tried instead. `pending_temp` names the
    file before it exists."""
    global pending_temp
    for attempt in range(100):
        names = _temp_name_candidates(path, os.getpid(), token if attempt == 0 else new_token())
        too_long: Optional[OSError] = None
        for name in names:
            pending_temp = os.path.join(directory, name) if directory else name
            try:
                return os.open(name, _CREATE_TEMP, 0o666, dir_fd=dir_fd), name
            except OSError as exc:
                pending_temp = None
                if exc.errno == errno.ENAMETOOLONG:
                    too_long = exc  # a file system with shorter names: the hashed one next
                    continue
                if exc.errno != errno.EEXIST:
                    raise
                too_long = None
                break
        if too_long is not None:
            raise too_long
    raise FileExistsError(errno.EEXIST, "no free temporary name beside the output", path)


def publish(path: str, data: bytes, token: str) -> None:
    """Write `data` to a new temporary file beside `path`, then rename it over
    `path` (whose directory must exist).

    Readers (and a later --skip-existing run) see either no file or the whole
    file. A link at `path` is replaced, never written through. There is no
    fsync: this guards against the program being stopped, not against the
    machine losing power, which would cost a disk flush per log.

    A path too long for the system as a whole (near 4,096 bytes, with the
    temporary name's tail beyond) is written by its name in its folder.
    """
    try:
        _publish(path, data, token, None, "")
    except OSError as exc:
        if exc.errno != errno.ENAMETOOLONG:
            raise
        directory, name = os.path.split(path)
        dir_fd = os.open(directory or os.curdir, os.O_RDONLY | os.O_DIRECTORY | os.O_CLOEXEC)
        try:
            _publish(name, data, token, dir_fd, directory)
        finally:
            os.close(dir_fd)


def _publish(path: str, data: bytes, token: str, dir_fd: Optional[int], directory: str) -> None:
    global pending_temp
    try:
        fd, temp = _create_temp(path, token, dir_fd, directory)
        try:
            write_all(fd, data)
        finally:
            os.close(fd)
        os.replace(temp, path, src_dir_fd=dir_fd, dst_dir_fd=dir_fd)
    except BaseException:
        # Also on KeyboardInterrupt, even one that comes just as the file was
        # created: an interrupted write leaves nothing behind.
        if pending_temp is not None:
            try:
                os.unlink(os.path.basename(pending_temp) if dir_fd is not None else pending_temp, dir_fd=dir_fd)
            except OSError:
                pass
        raise
    finally:
        pending_temp = None


def write_stdout(data: bytes) -> None:
    """Write to descriptor 1 directly: a closed pipe raises BrokenPipeError
    (EPIPE), never a silent short write."""
    write_all(1, data)


def write_output(path: str, data: bytes, token: str) -> None:
    """Write one mjai stream to `path`: standard output, a device, or a file.

    Renaming over a device, a pipe or a symbolic link would replace the node
    itself (as root, even /dev/null), so those, named by the user, are
    written through directly; regular files and new names get the
    complete-or-nothing `publish`.
    """
    if names_standard_output(path):
        write_stdout(data)
        return
    try:
        mode: Optional[int] = os.lstat(path).st_mode
    except FileNotFoundError:
        mode = None
    if mode is not None and not stat.S_ISREG(mode):
        with open(path, "wb") as stream:
            stream.write(data)
    else:
        publish(path, data, token)


def _alive(pid: int) -> bool:
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return False
    except OSError:  # another user's process
        return True
    return True


def remove_stale_temps(directory: str, finished_token: Optional[str] = None) -> int:
    """Remove the temporary files in `directory` whose owning process is gone
    (a writer killed with SIGKILL cannot remove its own), and those of the
    finished run `finished_token` (whose writers may be on other machines);
    return how many."""
    removed = 0
    try:
        entries = os.scandir(directory)
    except OSError:
        return 0
    with entries:
        for entry in entries:
            match = TEMP_PATTERN.match(entry.name) if entry.name.startswith(".") else None
            if match is not None and (match.group(2) == finished_token or not _alive(int(match.group(1)))):
                try:
                    os.unlink(entry.path)
                    removed += 1
                except OSError:
                    pass
    return removed


def remove_temps_of(pid: int, token: str, paths: Iterable[str]) -> None:
    """Remove the temporary files the dead process `pid` may have left for `paths`."""
    for path in paths:
        for name in temp_names(path, pid, token):
            remove_quietly(name)
