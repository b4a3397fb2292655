"""Turning the command's inputs (files, directories, glob patterns) into jobs.

Searches (a directory, a pattern) take regular files only, and never follow
a symbolic link to a directory, so neither a FIFO nor a link loop can make
a run endless. A link to a regular file is taken; a FIFO, device or socket
is noted as skipped and never opened."""

from __future__ import annotations

import fnmatch
import os
import re
import stat
from typing import Dict, Iterator, List, NamedTuple, Sequence, Tuple

from ._input import file_kind
from ._job import Job, stays_below
from ._layout import file_output

# What a search takes: Tenhou JSON logs and mjlog records (gzip `.mjlog` or
# plain `.xml`); each file's kind is then told by its content, not its name.
LOG_SUFFIXES = (".json", ".mjlog", ".xml")
# What `ripaion check` takes from a search: mjai streams, optionally gzipped.
STREAM_SUFFIXES = (".mjson", ".json", ".jsonl", ".mjson.gz", ".json.gz", ".jsonl.gz")
_MAGIC = re.compile(r"[*?[]")


def has_magic(text: str) -> bool:
    """Whether `text` is a pattern (holds *, ? or [), as glob tells."""
    return _MAGIC.search(text) is not None


class InputError(Exception):
    """An input that names nothing, or two logs that would share an output file."""


class Found(NamedTuple):
    path: str
    relative: str  # the path below the output directory, before the suffix changes
    searched: bool  # found by a search: must be a regular file when it is read
    inode: int  # to tell cheaply whether another path (the report) is this log


class Discovery(NamedTuple):
    logs: List[Found]
    skipped: List[Tuple[str, str]]  # (path, why) of files a search did not take


def output_name(log_path: str, suffix: str, compress: bool) -> str:
    """`a/game.json`, `a/game.mjlog` or `a/game.xml` -> `a/game` + suffix
    (`.mjson`; `.gz` added when compressed); other names get the suffix added."""
    for log_suffix in LOG_SUFFIXES:
        if log_path.endswith(log_suffix):
            log_path = log_path[: -len(log_suffix)]
            break
    return log_path + suffix + (".gz" if compress else "")


def _not_taken(mode: int) -> str:
    return "a %s, not a regular file; not read" % file_kind(mode)


def _classify(path: str, entry_mode: int, skipped: List[Tuple[str, str]]) -> int:
    """The inode to take `path` with, or -1 when it is not taken. `entry_mode`
    is its own mode, not following a link."""
    if stat.S_ISREG(entry_mode):
        return 0
    if not stat.S_ISLNK(entry_mode):
        skipped.append((path, _not_taken(entry_mode)))
        return -1
    try:
        target = os.stat(path)
    except OSError:
        return 0  # a dangling link or a loop: converting it reports the real reason
    if stat.S_ISREG(target.st_mode):
        return target.st_ino
    if stat.S_ISDIR(target.st_mode):
        skipped.append((path, "a link to a directory; not followed"))
    else:
        skipped.append((path, _not_taken(target.st_mode)))
    return -1


def _walk(top: str, skipped: List[Tuple[str, str]], suffixes: Tuple[str, ...]) -> Iterator[Found]:
    """Every file named with one of `suffixes` below `top` with its path relative to `top`, in sorted
    order, a directory's files before its subdirectories'.

    Links to directories are not followed, so a link cycle cannot make the
    search endless; only regular files (or links to them) are taken."""
    # Plain concatenation: os.path.join costs more than the rest of the search.
    stack = [(os.path.join(top, ""), "")]
    while stack:
        directory, relative = stack.pop()
        try:
            with os.scandir(directory) as scan:
                entries = sorted(scan, key=lambda e: e.name)
        except OSError as exc:
            # A directory that cannot be listed would otherwise drop its logs silently.
            raise InputError("cannot read %s: %s" % (directory, exc.strerror)) from exc
        subdirs = []
        for entry in entries:
            if entry.is_dir(follow_symlinks=False):
                subdirs.append((directory + entry.name + os.sep, relative + entry.name + os.sep))
            elif entry.name.endswith(suffixes):
                if entry.is_file(follow_symlinks=False):  # the directory entry's type: no system call
                    yield Found(directory + entry.name, relative + entry.name, True, entry.inode())
                    continue
                # A link's type is in the directory entry too: no lstat for it.
                mode = stat.S_IFLNK if entry.is_symlink() else entry.stat(follow_symlinks=False).st_mode
                inode = _classify(entry.path, mode, skipped)
                if inode >= 0:
                    yield Found(entry.path, relative + entry.name, True, inode)
        stack.extend(reversed(subdirs))


def _children(directory: str, part: str, directories_only: bool) -> Iterator[str]:
    """The names in `directory` matching the pattern component `part`, like
    glob: `*` does not match a leading dot. Links to directories do not count
    as directories here."""
    hidden = part.startswith(".")
    try:
        with os.scandir(directory or os.curdir) as scan:
            for entry in scan:
                if (hidden or not entry.name.startswith(".")) and fnmatch.fnmatchcase(entry.name, part):
                    if not directories_only or entry.is_dir(follow_symlinks=False):
                        yield entry.name
    except OSError:  # like glob: what cannot be listed matches nothing
        return


def _below(directory: str, with_files: bool) -> Iterator[str]:
    """`**`: `directory` and every directory (and file, when it ends the
    pattern) below it, without following links to directories."""
    stack = [directory]
    while stack:
        current = stack.pop()
        yield current
        try:
            with os.scandir(current or os.curdir) as scan:
                entries = [e for e in scan if not e.name.startswith(".")]
        except OSError:
            continue
        for entry in entries:
            path = os.path.join(current, entry.name)
            if entry.is_dir(follow_symlinks=False):
                stack.append(path)
            elif with_files:
                yield path


def match_pattern(pattern: str) -> List[str]:
    """Every path matching `pattern` (`**` for any depth), sorted: glob's
    rules, except that no link to a directory is followed below the literal
    start of the pattern."""
    root = os.sep if pattern.startswith(os.sep) else ""
    parts = [part for part in pattern.split(os.sep) if part]
    paths = [root]
    for k, part in enumerate(parts):
        last = k == len(parts) - 1
        matched: List[str] = []
        for path in paths:
            if part == "**":
                matched.extend(_below(path, with_files=last))
            elif _MAGIC.search(part):
                matched.extend(os.path.join(path, name) for name in _children(path, part, not last))
            else:
                candidate = os.path.join(path, part)
                if os.path.lexists(candidate) if last else os.path.isdir(candidate):
                    matched.append(candidate)
        paths = matched
    return sorted({path for path in paths if path})


def _named(path: str, relative: str, searched: bool) -> Found:
    try:
        inode = os.stat(path).st_ino
    except OSError:
        inode = 0
    return Found(path, relative, searched, inode)


def _expand(argument: str, skipped: List[Tuple[str, str]], suffixes: Tuple[str, ...]) -> Iterator[Found]:
    """The logs of one input argument."""
    if os.path.isdir(argument):  # a link the user named is followed
        yield from _walk(argument, skipped, suffixes)
    elif os.path.lexists(argument):
        # Named on the command line: taken whatever it is (a pipe is one log,
        # read with the size cap).
        yield _named(argument, os.path.basename(argument), False)
    elif _MAGIC.search(argument):
        matches = match_pattern(argument)
        if not matches:
            raise InputError("no file matches %s" % argument)
        for match in matches:
            mode = os.lstat(match).st_mode
            if stat.S_ISDIR(mode):
                yield from _walk(match, skipped, suffixes)
            elif _classify(match, mode, skipped) >= 0:
                yield _named(match, os.path.basename(match), True)
    else:
        raise InputError("no such file or directory: %s" % argument)


def find_logs(arguments: Sequence[str], suffixes: Tuple[str, ...] = LOG_SUFFIXES) -> Discovery:
    """Every log named by the arguments, in order, and the files searches
    passed over. Searches take the files named with one of `suffixes`."""
    found: List[Found] = []
    skipped: List[Tuple[str, str]] = []
    for argument in arguments:
        found.extend(_expand(argument, skipped, suffixes))
    return Discovery(found, skipped)


def plan_jobs(found: Sequence[Found], output_dir: str, suffix: str, compress: bool,
              layout: str = "mirror") -> List[Job]:
    """One job per log, writing below `output_dir`, where `layout` says.

    A log named twice (a file inside a directory also given) is converted once.
    Two different logs that would write the same file, or an output file that
    is one of the logs, are refused before any work starts, instead of one
    silently overwriting the other."""
    prefix = os.path.join(output_dir, "")
    owner: Dict[str, str] = {}
    jobs: List[Job] = []
    for log in found:
        destination = prefix + output_name(file_output(log.relative, layout), suffix, compress)
        previous = owner.get(destination)
        if previous is None:
            owner[destination] = log.path
            jobs.append(Job(log.path, destination, log.searched))
        elif os.path.abspath(previous) != os.path.abspath(log.path):
            raise InputError("%s and %s would both be written to %s" % (previous, log.path, destination))
    sources = {os.path.abspath(log.path) for log in found}
    for job in jobs:
        if os.path.abspath(job.destination) in sources:
            raise InputError("the output file %s is one of the logs" % job.destination)
    return jobs


def make_directories(output_dir: str, jobs: Sequence[Job]) -> List[str]:
    """Create the output tree once, up front, rather than a check per log in
    the workers; return its directories."""
    os.makedirs(output_dir, exist_ok=True)
    # An output that would leave the folder fails its log; nothing is made for it.
    directories = sorted({os.path.dirname(job.destination) for job in jobs
                          if stays_below(job.destination, output_dir)})
    for directory in directories:
        os.makedirs(directory, exist_ok=True)
    return directories
