"""Running the jobs, in this process or in a pool of workers, and counting
outcomes; the run's tally decides its exit status."""

from __future__ import annotations

import time
from collections import Counter
from typing import IO, Any, Callable, List, Optional, Sequence, Tuple

from ._job import EXIT_FAILED, EXIT_OK, EXIT_USAGE, Entry, Job, Kind, Outcome, Settings
from ._manifest import Manifest, ManifestError
from ._stopping import held
from ._storage import Storage
from ._worker import entry_of_output, run_job

EXAMPLES_SHOWN = 10


class OwnOutputError(Exception):
    """The command's own output (the report, the progress bar) cannot be
    written: the run stops, rather than the error passing for a log's."""

    def __init__(self, what: str, error: OSError) -> None:
        super().__init__("cannot write %s: %s" % (what, error.strerror or error))
        self.error = error


Stopped = Callable[[int, Sequence[Job]], None]


def run(jobs: Sequence[Job], workers: int, settings: Settings, record: Callable[[Outcome], None],
        stopped: Stopped) -> None:
    """Convert every job and pass each outcome to `record` as it arrives.

    The workers write the output files themselves; only ranges of the job
    list and the outcomes (mostly one shared value) cross the process
    boundary. An exception in `record`, Ctrl-C or SIGTERM stops the
    workers at once, tells `stopped` how many logs they converted and which
    jobs left an output whose outcome never arrived, and passes on."""
    if workers <= 1 or len(jobs) <= 1:
        storage = Storage()
        for job in jobs:
            outcome = run_job(job, settings, storage)
            with held:  # a line is written whole, and counted
                record(outcome)
        return
    from . import _pool  # multiprocessing takes longer to import than a small run takes

    _pool.run_workers(jobs, min(workers, len(jobs)), settings, record, stopped)


def _write_line(stream: IO[str], what: str, entry: dict[str, Any]) -> None:
    """One JSON line, flushed, so that the lines so far survive a run cut short."""
    import json  # only now: most runs have nothing to write

    try:
        stream.write(json.dumps(entry) + "\n")
        stream.flush()
    except OSError as exc:
        raise OwnOutputError(what, exc) from exc


class Tally:
    """Counts outcomes, keeps a few failures to show, writes the report and
    the manifest, and decides the run's exit status."""

    def __init__(self, total: int, report: Optional[IO[str]], start: float,
                 manifest: Optional[Manifest] = None, checking: bool = False) -> None:
        self.total = total
        self.report = report
        self.manifest = manifest
        self.checking = checking  # the jobs are streams to check: other words in the summary
        self.converted = 0
        self.skipped = 0
        self.skipped_by_reason: Counter[str] = Counter()  # of database rows (three-player, ...)
        self.none_found = "no logs (*.json, *.mjlog, *.xml) found"  # the summary's words for an empty run
        self.failed_by_type: Counter[str] = Counter()
        self.examples: List[Outcome] = []
        self.ignored: List[Tuple[str, str]] = []  # (path, why) of files a search did not take
        self.start = start  # time.monotonic() when the command started
        # How the run was cut short: the exit status of the signal or of
        # standard output's failure, or the command's own output failing.
        self.stop_status: Optional[int] = None
        self.own_error: Optional[OwnOutputError] = None
        self.converted_when_stopped = 0  # by workers, reported to the parent or not
        self.nothing_done_is_usage = not checking  # a batch that could convert nothing: status 2

    @property
    def done(self) -> int:
        return self.converted + self.skipped + self.failed

    @property
    def failed(self) -> int:
        return sum(self.failed_by_type.values())

    @property
    def interrupted(self) -> bool:
        return self.stop_status is not None and self.stop_status > EXIT_FAILED

    def ignore(self, path: str, why: str) -> None:
        """A file a search found but did not take (a FIFO, say): skipped, with a note."""
        self.skipped += 1
        if len(self.ignored) < EXAMPLES_SHOWN:
            self.ignored.append((path, why))

    def stopped(self, converted: int, unreported: Sequence[Job], cap: int) -> None:
        """The workers were stopped having converted `converted` logs; the
        outputs of `unreported` jobs are written, but their outcomes were
        lost with the workers: the manifest gets their lines from the
        outputs (`cap`: the run's size cap of a log)."""
        self.converted_when_stopped = converted
        if self.manifest is not None:
            storage = Storage()
            for job in unreported:
                if storage.exists(job.destination):
                    self._manifest_line(Kind.CONVERTED, entry_of_output(job, cap, storage))
                    self.converted += 1

    def _manifest_line(self, kind: Kind, entry: Entry) -> None:
        assert self.manifest is not None
        try:
            self.manifest.add(kind, entry)
        except ManifestError as exc:
            raise OwnOutputError("the manifest", exc.error) from exc

    def add(self, outcome: Outcome) -> None:
        kind = outcome.kind
        if kind is Kind.CONVERTED:
            self.converted += 1
        elif kind is Kind.SKIPPED:
            self.skipped += 1
            if outcome.error:
                self.skipped_by_reason[outcome.error] += 1
        else:
            self.failed_by_type[outcome.error] += 1
            if len(self.examples) < EXAMPLES_SHOWN:
                self.examples.append(outcome)
            if self.report is not None:
                _write_line(self.report, "the report", outcome.report_line())
        if outcome.entry is not None and self.manifest is not None:
            self._manifest_line(kind, outcome.entry)

    def exit_status(self) -> int:
        if self.own_error is not None:
            converted = max(self.converted, self.converted_when_stopped)
            return EXIT_USAGE if self.nothing_done_is_usage and not converted else EXIT_FAILED
        if self.stop_status is not None:
            return self.stop_status
        return EXIT_FAILED if self.failed else EXIT_OK

    def summary(self) -> str:
        elapsed = time.monotonic() - self.start
        if self.checking:
            counts = "%d valid, %d invalid" % (self.converted, self.failed)
        else:
            counts = "%d converted, %d skipped" % (self.converted, self.skipped)
            if self.skipped_by_reason:
                reasons = sorted(self.skipped_by_reason.items(), key=lambda item: (-item[1], item[0]))
                counts += " (%s)" % ", ".join("%d %s" % (n, reason) for reason, n in reasons)
            counts += ", %d failed" % self.failed
        if self.failed:
            kinds = ", ".join("%d %s" % (n, kind) for kind, n in self.failed_by_type.most_common())
            counts += " (%s)" % kinds
        rate = self.done / elapsed if elapsed > 0 else 0.0
        unit = "streams" if self.checking else "logs"
        if self.interrupted:
            head = "interrupted after %d of %d %s" % (self.done, self.total, unit)
        elif not self.total:
            head = "no streams found" if self.checking else self.none_found
        else:
            head = "%d %s" % (self.total, unit)
        lines = ["ripaion: %s: %s in %.2f s, %.0f %s/s" % (head, counts, elapsed, rate, unit)]
        if self.report is None:
            lines += ["  " + failure.describe() for failure in self.examples]
            if self.failed > len(self.examples):
                lines.append("  ... and %d more (--report FILE lists every failure)"
                             % (self.failed - len(self.examples)))
        lines += ["  skipped %s: %s" % note for note in self.ignored]
        return "\n".join(lines)
