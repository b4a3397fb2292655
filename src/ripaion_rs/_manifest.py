"""The manifest: one whole JSON line per output, kept across a stopped run
and the run that resumes it.

A run with --skip-existing resumes: the lines of the earlier manifest whose
outputs still exist are kept (a line cut short by a kill is dropped), and
their logs are skipped without being sent to a worker. An output on disk
that has no line (its run was killed before the line was written) gets one
made from the output itself when its log is skipped. A run without
--skip-existing converts everything again and starts a new manifest.

Every line is written whole or not at all: one write of the whole line,
and a write that fails part way (a full disk) is cut back off the file.
"""

from __future__ import annotations

import json
import os
import stat
from typing import Iterable, List, Optional, Set

from ._job import Entry, Job, Kind
from ._output import new_token, publish, write_all
from ._storage import Storage


class ManifestError(Exception):
    """The manifest cannot be read or written."""

    def __init__(self, error: OSError) -> None:
        super().__init__(error.strerror or str(error))
        self.error = error


def _earlier_lines(path: str) -> List[bytes]:
    """The whole lines of an earlier manifest that parse as JSON objects with
    an output; a last line without its line feed was cut short and is left."""
    try:
        with open(path, "rb") as stream:
            data = stream.read()
    except FileNotFoundError:
        return []
    lines = data.split(b"\n")
    lines.pop()  # after the last line feed: empty, or a line cut short
    kept = []
    for line in lines:
        try:
            entry = json.loads(line)
        except ValueError:
            continue
        if isinstance(entry, dict) and isinstance(entry.get("output"), str):
            kept.append(line)
    return kept


class Manifest:
    """The manifest file of a run, open for appending whole lines."""

    def __init__(self, path: str, resume: bool, storage: Optional[Storage] = None) -> None:
        self.path = path
        # Outputs that have their line in the earlier manifest. Not those of
        # this run: no two jobs share an output, so none comes twice, and a
        # run over millions of rows keeps no set of them all.
        self.listed: Set[str] = set()
        self.fd: Optional[int] = None
        flags = os.O_WRONLY | os.O_CREAT | os.O_APPEND | os.O_CLOEXEC
        if not resume or not _is_regular(path):
            # A new manifest; written through a link or to a device, as named.
            self.fd = os.open(path, flags | (0 if resume else os.O_TRUNC), 0o666)
            return
        storage = storage or Storage()
        lines: List[bytes] = []
        for line in _earlier_lines(path):
            output = json.loads(line)["output"]
            if output not in self.listed and storage.exists(output):
                self.listed.add(output)
                lines.append(line)
        # Replaced whole (a new file renamed over the old one), so that a
        # stop now loses no earlier line.
        publish(os.path.realpath(path), b"".join(line + b"\n" for line in lines), new_token())
        self.fd = os.open(path, flags, 0o666)

    def skipped_jobs(self, jobs: Iterable[Job]) -> List[bool]:
        """Which jobs need no run at all: their output exists and has its line."""
        return [job.destination in self.listed for job in jobs]

    def add(self, kind: Kind, entry: Entry) -> None:
        """A converted log's line; a skipped log's unless its output has one."""
        if kind is Kind.SKIPPED and isinstance(entry, dict) and entry.get("output") in self.listed:
            return
        self.write(entry)

    def write(self, entry: Entry) -> None:
        assert self.fd is not None
        line = ((entry if isinstance(entry, str) else json.dumps(entry)) + "\n").encode()
        try:
            end: Optional[int] = os.lseek(self.fd, 0, os.SEEK_END)
        except OSError:  # a pipe
            end = None
        try:
            write_all(self.fd, line)
        except OSError as exc:
            if end is not None:
                try:
                    os.ftruncate(self.fd, end)  # never a line cut short
                except OSError:
                    pass
            raise ManifestError(exc) from exc

    def close(self) -> None:
        if self.fd is not None:
            fd, self.fd = self.fd, None
            os.close(fd)


def _is_regular(path: str) -> bool:
    try:
        return stat.S_ISREG(os.stat(path).st_mode)
    except OSError:
        return False
