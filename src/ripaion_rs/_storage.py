"""Logs and outputs as plain paths or fsspec URLs (s3://, gs://, memory://, ...).

Plain paths and file:// URLs go through the operating system directly, with
the local command's complete-or-nothing writes. Other URLs go through
fsspec, imported only when one is met, so the core package keeps no run-time
dependency: an object store gets each output in a single put (an object
appears whole or not at all), any other file system a hidden temporary name
renamed into place.
"""

from __future__ import annotations

import os
import re
from typing import Any, Callable, Iterator, List, Optional, Sequence, Set, Tuple

from . import _output

# The largest log read, in bytes; a bigger one fails without being read further.
MAX_LOG_SIZE = 256 * 1024 * 1024
LOG_SUFFIX = ".json"

# Protocols whose put of a whole object is atomic (and that have no rename).
OBJECT_STORES = frozenset({"s3", "s3a", "gs", "gcs", "az", "abfs", "abfss", "adl", "oss", "memory"})

_URL = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*://|::")


class StorageError(Exception):
    """A storage that cannot be used at all: an unknown protocol, a missing
    filesystem package, a location that cannot be listed."""


class LogTooLarge(ValueError):
    """A log bigger than the size cap."""


def is_url(location: str) -> bool:
    return _URL.search(location) is not None


def _filesystem(url: str) -> Tuple[Any, str]:
    """The fsspec filesystem and the path inside it for `url`."""
    try:
        from fsspec.core import url_to_fs
    except ImportError:
        raise StorageError("%s: URLs need fsspec (pip install 'ripaion_rs[dask]')" % url) from None
    try:
        return url_to_fs(url)
    except ImportError as exc:  # fsspec names the package to install
        raise StorageError("%s: %s" % (url, exc)) from None
    except ValueError as exc:  # "Protocol not known: ..."
        raise StorageError("%s: %s" % (url, exc)) from None


def _protocol(fs: Any) -> str:
    protocol = fs.protocol
    return protocol if isinstance(protocol, str) else protocol[0]


def _is_local(fs: Any) -> bool:
    return _protocol(fs) in ("file", "local")


def _local_path(location: str) -> Optional[str]:
    """The operating system's path for a plain path or a file:// URL, else None."""
    if not is_url(location):
        return location
    if location.startswith("file://"):
        fs, path = _filesystem(location)
        if _is_local(fs):
            return path
    return None


# fsspec filesystems per URL protocol and options are cached by fsspec itself;
# directories this process made, so that each is made once.
_made: Set[str] = set()


def _make_parent(path: str) -> None:
    directory = os.path.dirname(path)
    if directory and directory not in _made:
        os.makedirs(directory, exist_ok=True)
        _made.add(directory)


def read_log(location: str, limit: int = MAX_LOG_SIZE) -> bytes:
    """A log's bytes, at most `limit` of them (LogTooLarge beyond)."""
    path = _local_path(location)
    if path is not None:
        with open(path, "rb") as stream:
            data = stream.read(limit + 1)
    else:
        fs, path = _filesystem(location)
        data = fs.cat_file(path, start=0, end=limit + 1)
    if len(data) > limit:
        raise LogTooLarge("the log is larger than %d bytes" % limit)
    return data


def exists(location: str) -> bool:
    path = _local_path(location)
    if path is not None:
        return os.path.exists(path)
    fs, path = _filesystem(location)
    return bool(fs.exists(path))


def write_output(location: str, data: bytes) -> None:
    """Store `data` at `location` so that it only ever appears complete."""
    path = _local_path(location)
    if path is not None:
        _make_parent(path)
        _output.publish(path, data)
        return
    fs, path = _filesystem(location)
    if _protocol(fs) in OBJECT_STORES:
        fs.pipe_file(path, data)
        return
    directory, name = path.rsplit("/", 1) if "/" in path else ("", path)
    temp = "%s/.%s.%d.tmp" % (directory, name, os.getpid())
    try:
        fs.pipe_file(temp, data)
        fs.mv(temp, path)
    except BaseException:
        try:
            fs.rm(temp)
        except Exception:
            pass
        raise


def _found(fs: Any, root: str, paths: List[str]) -> Iterator[Tuple[str, str]]:
    """(URL, path relative to `root`) of the *.json files among `paths`."""
    prefix = root.rstrip("/") + "/"
    for path in sorted(paths):
        if path.endswith(LOG_SUFFIX):
            relative = path[len(prefix):] if path.startswith(prefix) else path.rsplit("/", 1)[-1]
            yield fs.unstrip_protocol(path), relative


def _search(fs: Any, path: str) -> Iterator[Tuple[str, str]]:
    if fs.isdir(path):
        yield from _found(fs, path, fs.find(path))
    elif fs.isfile(path):
        yield fs.unstrip_protocol(path), path.rsplit("/", 1)[-1]
    elif any(c in path for c in "*?["):
        matches = fs.glob(path)
        if not matches:
            raise StorageError("no file matches %s" % fs.unstrip_protocol(path))
        for match in sorted(matches):
            yield from _search(fs, match)
    else:
        raise StorageError("no such file or directory: %s" % fs.unstrip_protocol(path))


def find_url_logs(url: str) -> List[Tuple[str, str]]:
    """Every log an input URL names (a file, a folder searched for *.json, or
    a glob pattern), each with its path relative to the folder searched."""
    fs, path = _filesystem(url)
    try:
        return list(_search(fs, path))
    except StorageError:
        raise
    except (OSError, ValueError) as exc:  # credentials, permissions, a bucket that is not there
        raise StorageError("cannot read %s: %s" % (url, _describe(exc))) from None


def find_logs(arguments: Sequence[str],
              find_paths: Callable[[Sequence[str]], List[Tuple[str, str]]]) -> List[Tuple[str, str]]:
    """Every log the arguments name, in order, with its relative path: URLs
    searched here, plain paths by `find_paths` (the command's own search)."""
    found: List[Tuple[str, str]] = []
    for argument in arguments:
        found.extend(find_url_logs(argument) if is_url(argument) else find_paths([argument]))
    return found


def check_output(location: str) -> None:
    """Refuse an output location that cannot hold folders of files, before
    anything starts: an unknown protocol, a missing filesystem package, a
    local path below a file."""
    path = _local_path(location)
    if path is None:
        _filesystem(location)
        return
    existing = os.path.abspath(path)
    while not os.path.lexists(existing):
        existing = os.path.dirname(existing)
    if not os.path.isdir(existing):
        raise StorageError("cannot use %s for the outputs: %s is not a folder" % (location, existing))


def prepare_output(location: str) -> None:
    """Make the output folder (on a local or folder-keeping file system) and
    check that it is a folder, so that a storage that cannot be written is
    found before any log is converted."""
    path = _local_path(location)
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


def _describe(exc: BaseException) -> str:
    if isinstance(exc, OSError) and exc.strerror:
        return exc.strerror
    return str(exc) or type(exc).__name__

