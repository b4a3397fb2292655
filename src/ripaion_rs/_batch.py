"""Running the jobs, in this process or in a pool of workers, and counting outcomes."""

from __future__ import annotations

import sys
import time
from collections import Counter
from typing import IO, Callable, List, Optional, Sequence, Tuple

from . import _worker
from ._worker import CONVERTED, SKIPPED, Failure, Job, Outcome

EXAMPLES_SHOWN = 10


class OwnOutputError(Exception):
    """The command's own output (the report, the progress bar) cannot be
    written: the run stops, rather than the error passing for a log's."""

    def __init__(self, what: str, error: OSError) -> None:
        super().__init__("cannot write %s: %s" % (what, error.strerror or error))
        self.error = error


def run(jobs: Sequence[Job], workers: int, settings: _worker.Settings,
        record: Callable[[Outcome], None]) -> None:
    """Convert every job and pass each outcome to `record` as it arrives.

    The workers write the output files themselves; only ranges of the job
    list and the outcomes (mostly a small integer) cross the process
    boundary. An exception in `record`, Ctrl-C or SIGTERM stops the
    workers at once and passes on."""
    if workers <= 1 or len(jobs) <= 1:
        _worker.configure(settings)
        for job in jobs:
            record(_worker.run_job(job))
        return
    from . import _pool  # multiprocessing takes longer to import than a small run takes

    _pool.run_workers(jobs, min(workers, len(jobs)), settings, record)


def converted_before_stop(tally: "Tally") -> int:
    """Logs converted in a run that was stopped, also those whose outcome
    had not reached the parent yet."""
    pool = sys.modules.get(__package__ + "._pool")
    return max(tally.converted, getattr(pool, "converted_when_stopped", 0))


def describe(failure: Failure) -> str:
    """`path: type: message`, or `path:line: kind: message` for a stream's problem."""
    if len(failure) > 3:
        return "%s:%d: %s: %s" % (failure[0], failure[3], failure[1], failure[2])
    return "%s: %s: %s" % failure[:3]


def _write_line(stream: IO[str], what: str, entry: dict) -> None:
    """One JSON line, flushed, so that the lines so far survive a run cut short."""
    import json  # only now: most runs have nothing to write

    try:
        stream.write(json.dumps(entry) + "\n")
        stream.flush()
    except OSError as exc:
        raise OwnOutputError(what, exc) from exc


class Tally:
    """Counts outcomes, keeps a few failures to show, and writes the report."""

    def __init__(self, total: int, report: Optional[IO[str]], start: float,
                 manifest: Optional[IO[str]] = None, checking: bool = False) -> None:
        self.total = total
        self.report = report
        self.manifest = manifest
        self.checking = checking  # the jobs are streams to check: other words in the summary
        self.converted = 0
        self.skipped = 0
        self.failed_by_type: Counter[str] = Counter()
        self.examples: List[Failure] = []
        self.ignored: List[Tuple[str, str]] = []  # (path, why) of files a search did not take
        self.start = start  # time.monotonic() when the command started

    @property
    def done(self) -> int:
        return self.converted + self.skipped + self.failed

    @property
    def failed(self) -> int:
        return sum(self.failed_by_type.values())

    def ignore(self, path: str, why: str) -> None:
        """A file a search found but did not take (a FIFO, say): skipped, with a note."""
        self.skipped += 1
        if len(self.ignored) < EXAMPLES_SHOWN:
            self.ignored.append((path, why))

    def add(self, outcome: Outcome) -> None:
        if isinstance(outcome, dict):
            if outcome.get("skipped"):
                self.skipped += 1
            else:
                self.converted += 1
            if self.manifest is not None:
                _write_line(self.manifest, "the manifest", outcome)
        elif outcome == CONVERTED:
            self.converted += 1
        elif outcome == SKIPPED:
            self.skipped += 1
        elif isinstance(outcome, tuple):
            path, kind, message = outcome[:3]
            self.failed_by_type[kind] += 1
            if len(self.examples) < EXAMPLES_SHOWN:
                self.examples.append(outcome)
            if self.report is not None:
                entry = {"path": path, "type": kind, "message": message}
                if len(outcome) > 3:  # a stream's problem: its line, and its kind by that name
                    entry = {"path": path, "line": outcome[3], "kind": kind, "message": message}
                _write_line(self.report, "the report", entry)

    def summary(self, interrupted: bool) -> str:
        elapsed = time.monotonic() - self.start
        if self.checking:
            counts = "%d valid, %d invalid" % (self.converted, self.failed)
        else:
            counts = "%d converted, %d skipped, %d failed" % (self.converted, self.skipped, self.failed)
        if self.failed:
            kinds = ", ".join("%d %s" % (n, kind) for kind, n in self.failed_by_type.most_common())
            counts += " (%s)" % kinds
        rate = self.done / elapsed if elapsed > 0 else 0.0
        unit = "streams" if self.checking else "logs"
        if interrupted:
            head = "interrupted after %d of %d %s" % (self.done, self.total, unit)
        elif not self.total:
            head = "no streams found" if self.checking else "no logs (*.json, *.mjlog, *.xml) found"
        else:
            head = "%d %s" % (self.total, unit)
        lines = ["ripaion: %s: %s in %.2f s, %.0f %s/s" % (head, counts, elapsed, rate, unit)]
        if self.report is None:
            lines += ["  " + describe(failure) for failure in self.examples]
            if self.failed > len(self.examples):
                lines.append("  ... and %d more (--report FILE lists every failure)"
                             % (self.failed - len(self.examples)))
        lines += ["  skipped %s: %s" % note for note in self.ignored]
        return "\n".join(lines)
