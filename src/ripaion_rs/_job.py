"""The data of a batch: what one log's job is, the settings every job of a
run shares, what a job gives back, and the constants the command, the
process pool and the cluster mode share."""

from __future__ import annotations

import enum
import signal
from typing import Any, Dict, NamedTuple, Optional, Union

from . import _ripaion

# gzip level of --gzip and of convert_logs(gzip=...) examples: libdeflate's
# scale, whose range the extension sets. At 6 the files of 1,529 real logs are
# 0.8% smaller than zlib's level 6 gives, for less than half of its time
# (bench/deflate_bench.cpp); level 5 would be 12% larger. The files are kept
# and read back for every training epoch, so size is worth the time.
GZIP_LEVEL = 6
MIN_GZIP_LEVEL: int = _ripaion.MIN_GZIP_LEVEL
MAX_GZIP_LEVEL: int = _ripaion.MAX_GZIP_LEVEL

# 256 MiB: the largest real logs are some 50 kB, so only something that is not
# a log (a device, a runaway file) ever comes near it.
DEFAULT_MAX_LOG_SIZE = 256 << 20
DEFAULT_SUFFIX = ".mjson"
STDOUT = "-"  # the output path of the single-log form without OUT

# The failure type of a log whose worker process died on it every time.
WORKER_DIED = "WorkerDied"

EXIT_OK = 0
EXIT_FAILED = 1
EXIT_USAGE = 2
EXIT_INTERRUPTED = 128 + signal.SIGINT  # what a shell reports for Ctrl-C
EXIT_TERMINATED = 128 + signal.SIGTERM
EXIT_BROKEN_PIPE = 128 + signal.SIGPIPE  # standard output's reader went away


def names_standard_output(path: str) -> bool:
    """True for "-", "-/" or "-/." (standard output); "./-" and "--" name
    files: the extension's rule for mjai_out."""
    return bool(_ripaion.names_standard_output(path))


class Job(NamedTuple):
    """One log to convert (or stream to check) and where its output goes.

    The log is read from `source` (a path or a URL), unless `content` holds
    its bytes already: `source` is then only its name in reports and the
    manifest (a database row, say `games.db#<id>`)."""

    source: str
    destination: str  # a path or URL; the single form's may name standard output; "" for a check
    searched: bool = False  # found by a search: a local log must then be a regular file
    content: Optional[bytes] = None


class Settings(NamedTuple):
    """What every job of a run is done with; the same in every worker, and
    passed with the jobs (a cluster worker's threads may serve two runs)."""

    gzip_level: Optional[int] = None  # None: no compression
    skip_existing: bool = False
    max_log_size: int = DEFAULT_MAX_LOG_SIZE
    token: str = ""  # of the run's temporary names (see _output)
    manifest: bool = False  # give a manifest entry per converted or skipped log
    check: bool = False  # the jobs are streams to check, not logs to convert
    # Where the outputs must stay (a path or URL), when the command planned
    # them below a folder: an output path that leaves it fails its log.
    output_root: Optional[str] = None
    scores: bool = False  # a check values every win too (check --scores)


# A manifest line: its values, or (a converted log's, made by the
# extension and the worker) its JSON text already.
Entry = Union[Dict[str, Any], str]


class Kind(enum.Enum):
    CONVERTED = "converted"  # also: a stream checked and found valid
    SKIPPED = "skipped"
    FAILED = "failed"


class Outcome(NamedTuple):
    """What one job gives back. Small, since one crosses the process boundary
    per log: a converted or skipped log without a manifest is the shared
    CONVERTED or SKIPPED value."""

    kind: Kind
    source: str = ""  # the log, for a failure (and in `entry`)
    error: str = ""  # a failure's exception type name, a stream problem's kind, or why a row was skipped
    message: str = ""
    line: Optional[int] = None  # the line of a stream's problem
    entry: Optional[Entry] = None  # the log's manifest line, when the run keeps a manifest

    @property
    def failed(self) -> bool:
        return self.kind is Kind.FAILED

    def describe(self) -> str:
        """`path: type: message`, or `path:line: kind: message` for a stream's problem."""
        if self.line is not None:
            return "%s:%d: %s: %s" % (self.source, self.line, self.error, self.message)
        return "%s: %s: %s" % (self.source, self.error, self.message)

    def report_line(self) -> Dict[str, Any]:
        """A failure's line in the report."""
        if self.line is not None:
            return {"path": self.source, "line": self.line, "kind": self.error, "message": self.message}
        return {"path": self.source, "type": self.error, "message": self.message}


CONVERTED = Outcome(Kind.CONVERTED)
SKIPPED = Outcome(Kind.SKIPPED)


def failed(source: str, error: str, message: str, line: Optional[int] = None) -> Outcome:
    return Outcome(Kind.FAILED, source, error, message, line)


def with_entry(kind: Kind, source: str, entry: Entry) -> Outcome:
    return Outcome(kind, source, entry=entry)


class RunStopped(Exception):
    """The run cannot go on (its cluster is gone): the command ends with this
    message on one line and status 1."""


class OutputOutsideFolder(Exception):
    """A planned output path that would leave the output folder (an object
    store's key holding `..`, say): the log fails, nothing is written."""


def stays_below(destination: str, root: str) -> bool:
    """Whether `destination` names something below the folder `root` (a
    path or URL, with "/" between names): it starts with the folder and no
    name after it is "..". Decided on the text, as fsspec and the system
    both resolve ".." in it."""
    prefix = root if root.endswith("/") else root + "/"
    return destination.startswith(prefix) and ".." not in destination[len(prefix):].split("/")


def batch_size(remaining: int, workers: int, largest: int, smallest: int = 1) -> int:
    """How many logs the next batch of a run gets: at most `largest`, and
    fewer towards the end (a quarter of each worker's share of what
    remains), so that the workers finish together; never below `smallest`."""
    return max(min(smallest, largest), min(largest, remaining // (workers * 4)))
