"""Logs and outputs as plain paths or fsspec URLs (s3://, gs://, memory://, ...).

Plain paths and file:// URLs are the local command's: the same search, the
same reading and the same complete-or-nothing writes. Other URLs go through
fsspec, imported only when one is met, so the core package keeps no run-time
dependency: an object store gets each output in a single put (an object
appears whole or not at all), any other file system a hidden temporary name
moved into place.
"""

from __future__ import annotations

import os
import re
from typing import Any, List, Optional, Tuple

from . import _discover, _input, _job, _output
from ._discover import Discovery, Found

# Protocols whose put of a whole object is atomic (and that have no rename).
OBJECT_STORES = frozenset({"s3", "s3a", "gs", "gcs", "az", "abfs", "abfss", "adl", "oss", "memory"})

_URL = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*(://|::)")  # s3://..., simplecache::s3://...


class StorageError(Exception):
    """A storage that cannot be used at all: an unknown protocol, a missing
    filesystem package, a location that cannot be listed."""


def is_url(location: str) -> bool:
    return _URL.search(location) is not None


def _filesystem(url: str) -> Tuple[Any, str]:
    """The fsspec filesystem and the path inside it for `url`."""
    try:
        from fsspec.core import url_to_fs
    except ImportError:
        raise StorageError("%s: URLs need fsspec (pip install 'ripaion_rs[dask]')" % url) from None
    try:
        found: Tuple[Any, str] = url_to_fs(url)
        return found
    except ImportError as exc:  # fsspec names the package to install
        raise StorageError("%s: %s" % (url, exc)) from None
    except ValueError as exc:  # "Protocol not known: ..."
        raise StorageError("%s: %s" % (url, exc)) from None


def _protocol(fs: Any) -> str:
    protocol = fs.protocol
    return protocol if isinstance(protocol, str) else protocol[0]


def local_path(location: str) -> Optional[str]:
    """The operating system's path for a plain path or a file:// URL, else None."""
    if not is_url(location):
        return location
    if location.startswith("file://"):
        fs, path = _filesystem(location)
        if _protocol(fs) in ("file", "local"):
            return path
    return None


def _describe(exc: BaseException) -> str:
    if isinstance(exc, OSError) and exc.strerror:
        return exc.strerror
    return str(exc) or type(exc).__name__


# ---------------------------------------------------------------- finding logs

def _found(fs: Any, root: str, path: str, searched: bool) -> Found:
    prefix = root.rstrip("/") + "/"
    relative = path[len(prefix):] if path.startswith(prefix) else path.rsplit("/", 1)[-1]
    return Found(fs.unstrip_protocol(path), relative, searched, 0)


def _search(fs: Any, path: str, searched: bool) -> List[Found]:
    if fs.isdir(path):
        return [_found(fs, path, p, True) for p in sorted(fs.find(path)) if p.endswith(_discover.LOG_SUFFIXES)]
    if fs.isfile(path):
        return [_found(fs, path, path, searched)]
    if any(c in path for c in "*?["):
        matches = fs.glob(path)
        if not matches:
            raise StorageError("no file matches %s" % fs.unstrip_protocol(path))
        return [log for match in sorted(matches) for log in _search(fs, match, True)]
    raise StorageError("no such file or directory: %s" % fs.unstrip_protocol(path))


def find_url_logs(url: str) -> List[Found]:
    """Every log an input URL names (a file, a folder searched for *.json, or
    a glob pattern), each with its path relative to the folder searched."""
    fs, path = _filesystem(url)
    try:
        return _search(fs, path, False)
    except (OSError, ValueError) as exc:  # credentials, permissions, a bucket that is not there
        raise StorageError("cannot read %s: %s" % (url, _describe(exc))) from None


def find_logs(arguments: List[str]) -> Discovery:
    """Every log the arguments name, in order: plain paths and file:// URLs
    by the command's own search, other URLs through fsspec."""
    found: List[Found] = []
    skipped: List[Tuple[str, str]] = []
    for argument in arguments:
        path = local_path(argument)
        if path is None:
            found.extend(find_url_logs(argument))
        else:
            discovery = _discover.find_logs([path])
            found.extend(discovery.logs)
            skipped.extend(discovery.skipped)
    return Discovery(found, skipped)


# ---------------------------------------------------------------- reading and writing

class StandardOutputFailed(BaseException):
    """Standard output cannot be written: the command's own failure, not the
    log's, so it passes the per-log error handling and ends the command."""

    def __init__(self, error: OSError) -> None:
        super().__init__(error)
        self.error = error


class Storage:
    """Where a run reads its logs and writes its outputs: plain paths and
    file:// URLs as the command reads and writes files, other URLs through
    fsspec. Holds no setting of a run, so one serves every run of a process.

    `user_named`: the output paths were named by the user (the single-log
    form): "-" is standard output, and a device, a pipe or a link there is
    written through, since renaming over it would replace the node itself
    (as root, even /dev/null). Outputs the command plans are always
    replaced whole, never written through."""

    def __init__(self, user_named: bool = False) -> None:
        self.user_named = user_named

    def read(self, location: str, limit: int, searched: bool) -> bytes:
        """A log's bytes, at most `limit` of them (LogTooLarge beyond)."""
        path = local_path(location)
        if path is not None:
            return _input.read_log(path, limit, searched)
        fs, path = _filesystem(location)
        data: bytes = fs.cat_file(path, start=0, end=limit + 1)
        if len(data) > limit:
            raise _input.too_large(limit)
        return data

    def exists(self, location: str) -> bool:
        if self.user_named and _job.names_standard_output(location):
            return False  # a file named "-" is not the output
        path = local_path(location)
        if path is not None:
            return os.path.exists(path)
        fs, path = _filesystem(location)
        return bool(fs.exists(path))

    def size(self, location: str) -> Optional[int]:
        try:
            path = local_path(location)
            if path is not None:
                return os.path.getsize(path)
            fs, path = _filesystem(location)
            return int(fs.size(path))
        except (OSError, ValueError, TypeError):
            return None

    def write(self, location: str, data: bytes, token: str) -> None:
        """Store `data` at `location` so that it only ever appears complete."""
        path = local_path(location)
        if path is None:
            _write_url(location, data, token)
        elif not self.user_named:
            _publish_making_folder(path, data, token)
        elif not _job.names_standard_output(path):
            _output.write_output(path, data, token)
        else:
            try:
                _output.write_stdout(data)
            except OSError as exc:
                raise StandardOutputFailed(exc) from exc


def _publish_making_folder(path: str, data: bytes, token: str) -> None:
    """An output below the output folder, whose folder the run made before it
    started (or, for a database's rows, whose folder the first of them
    makes); one removed since (by the user, or an earlier run of a cluster
    worker) is made again rather than failing the log. Another worker may
    make it at the same moment, so the write is tried again whoever made it."""
    try:
        _output.publish(path, data, token)
    except FileNotFoundError:
        directory = os.path.dirname(path)
        if not directory:
            raise
        os.makedirs(directory, exist_ok=True)
        _output.publish(path, data, token)


def _write_url(location: str, data: bytes, token: str) -> None:
    fs, path = _filesystem(location)
    if _protocol(fs) in OBJECT_STORES:
        fs.pipe_file(path, data)
        return
    temp = _output.temp_names(path, os.getpid(), token)[-1]
    try:
        fs.pipe_file(temp, data)
        fs.mv(temp, path)
    except BaseException:
        try:
            fs.rm(temp)
        except Exception:
            pass
        raise


def check_output(location: str) -> None:
    """Refuse an output location that cannot hold folders of files, before
    anything starts: an unknown protocol, a missing filesystem package, a
    local path below a file."""
    path = local_path(location)
    if path is None:
        _filesystem(location)
        return
    existing = os.path.abspath(path)
    while not os.path.lexists(existing):
        existing = os.path.dirname(existing)
    if not os.path.isdir(existing):
        raise StorageError("cannot use %s for the outputs: %s is not a folder" % (location, existing))


def prepare_output(location: str) -> None:
    """Make the output folder (on a file system with folders) and check that
    it is one, so that a storage that cannot be written is found before any
    log is converted."""
    path = local_path(location)
    try:
        if path is not None:
            os.makedirs(path, exist_ok=True)
            return
        fs, path = _filesystem(location)
        if _protocol(fs) not in OBJECT_STORES:
            fs.makedirs(path, exist_ok=True)
        elif fs.isfile(path):
            raise StorageError("%s is a file, not a folder" % location)
    except (OSError, ValueError) as exc:
        raise StorageError("cannot use %s for the outputs: %s" % (location, _describe(exc))) from None
