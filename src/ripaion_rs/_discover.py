"""Turning the command's inputs (files, directories, glob patterns) into jobs."""

from __future__ import annotations

import glob
import os
from typing import Dict, Iterator, List, Sequence, Tuple

from ._worker import Job

LOG_SUFFIX = ".json"


class InputError(Exception):
    """An input that names nothing, or two logs that would share an output file."""


def output_name(log_path: str, compress: bool) -> str:
    """`a/game.json` -> `a/game.mjson` (or `a/game.mjson.gz`); other names get the suffix added."""
    stem = log_path[: -len(LOG_SUFFIX)] if log_path.endswith(LOG_SUFFIX) else log_path
    return stem + (".mjson.gz" if compress else ".mjson")


def _unreadable(error: OSError) -> None:
    # A directory that cannot be listed would otherwise drop its logs silently.
    raise InputError("cannot read %s: %s" % (error.filename, error.strerror))


def _walk(top: str) -> Iterator[Tuple[str, str]]:
    """Every *.json below `top` with its path relative to `top`, in sorted order.

    Symbolic links to directories are not followed, so a link cycle cannot
    make the search endless."""
    # Plain concatenation: os.path.join costs more than the rest of the search.
    for directory, subdirs, files in os.walk(top, onerror=_unreadable):
        subdirs.sort()
        relative = os.path.relpath(directory, top)
        relative = "" if relative == os.curdir else relative + os.sep
        directory = os.path.join(directory, "")
        for name in sorted(files):
            if name.endswith(LOG_SUFFIX):
                yield directory + name, relative + name


def _expand(argument: str) -> Iterator[Tuple[str, str]]:
    """(log path, path relative to the output directory) for one input argument."""
    if os.path.isdir(argument):
        yield from _walk(argument)
    elif os.path.lexists(argument):
        yield argument, os.path.basename(argument)
    elif glob.has_magic(argument):
        matches = sorted(glob.glob(argument, recursive=True))
        if not matches:
            raise InputError("no file matches %s" % argument)
        for match in matches:
            if os.path.isdir(match):
                yield from _walk(match)
            else:
                yield match, os.path.basename(match)
    else:
        raise InputError("no such file or directory: %s" % argument)


def find_logs(arguments: Sequence[str]) -> List[Tuple[str, str]]:
    """Every log named by the arguments, in order, with its relative log path."""
    found: List[Tuple[str, str]] = []
    for argument in arguments:
        found.extend(_expand(argument))
    return found


def plan_jobs(found: Sequence[Tuple[str, str]], output_dir: str, compress: bool) -> List[Job]:
    """One job per log, writing below `output_dir`.

    A log named twice (a file inside a directory also given) is converted once.
    Two different logs that would write the same file are refused before any
    work starts, instead of one silently overwriting the other."""
    prefix = os.path.join(output_dir, "")
    owner: Dict[str, str] = {}
    jobs: List[Job] = []
    for source, relative in found:
        destination = prefix + output_name(relative, compress)
        previous = owner.get(destination)
        if previous is None:
            owner[destination] = source
            jobs.append((source, destination))
        elif os.path.abspath(previous) != os.path.abspath(source):
            raise InputError("%s and %s would both be written to %s" % (previous, source, destination))
    return jobs


def make_directories(output_dir: str, jobs: Sequence[Job]) -> None:
    """Create the output tree once, up front, rather than a check per log in the workers."""
    os.makedirs(output_dir, exist_ok=True)
    for directory in sorted({os.path.dirname(destination) for _, destination in jobs}):
        os.makedirs(directory, exist_ok=True)
