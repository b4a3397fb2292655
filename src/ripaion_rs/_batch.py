"""Running the jobs, in this process or in a pool of workers, and counting outcomes."""

from __future__ import annotations

import time
from collections import Counter
from typing import IO, Callable, List, Optional, Sequence

from . import _worker
from ._worker import CONVERTED, SKIPPED, Failure, Job, Outcome

EXAMPLES_SHOWN = 10


def run(jobs: Sequence[Job], workers: int, compress: bool, skip_existing: bool,
        record: Callable[[Outcome], None]) -> None:
    """Convert every job and pass each outcome to `record` as it arrives.

    The workers write the output files themselves; only ranges of the job
    list and the outcomes (mostly a small integer) cross the process
    boundary. An exception in `record`, or Ctrl-C, stops the workers at once."""
    if workers <= 1 or len(jobs) <= 1:
        _worker.configure(compress, skip_existing)
        for job in jobs:
            record(_worker.convert_one(job))
        return
    from . import _pool  # multiprocessing takes longer to import than a small run takes

    _pool.run_workers(jobs, min(workers, len(jobs)), compress, skip_existing, record)


class Tally:
    """Counts outcomes, keeps a few failures to show, and writes the report."""

    def __init__(self, total: int, report: Optional[IO[str]], start: float) -> None:
        self.total = total
        self.report = report
        self.converted = 0
        self.skipped = 0
        self.failed_by_type: Counter[str] = Counter()
        self.examples: List[Failure] = []
        self.start = start  # time.monotonic() when the command started

    @property
    def done(self) -> int:
        return self.converted + self.skipped + self.failed

    @property
    def failed(self) -> int:
        return sum(self.failed_by_type.values())

    def add(self, outcome: Outcome) -> None:
        if outcome == CONVERTED:
            self.converted += 1
        elif outcome == SKIPPED:
            self.skipped += 1
        elif isinstance(outcome, tuple):
            path, kind, message = outcome
            self.failed_by_type[kind] += 1
            if len(self.examples) < EXAMPLES_SHOWN:
                self.examples.append(outcome)
            if self.report is not None:
                import json  # only now: most runs have nothing to report

                self.report.write(json.dumps({"path": path, "type": kind, "message": message}) + "\n")
                self.report.flush()  # complete lines even if the run is cut short

    def summary(self, interrupted: bool) -> str:
        elapsed = time.monotonic() - self.start
        counts = "%d converted, %d skipped, %d failed" % (self.converted, self.skipped, self.failed)
        if self.failed:
            kinds = ", ".join("%d %s" % (n, kind) for kind, n in self.failed_by_type.most_common())
            counts += " (%s)" % kinds
        rate = self.done / elapsed if elapsed > 0 else 0.0
        if interrupted:
            head = "interrupted after %d of %d logs" % (self.done, self.total)
        elif not self.total:
            head = "no logs (*.json) found"
        else:
            head = "%d logs" % self.total
        lines = ["ripaion: %s: %s in %.2f s, %.0f logs/s" % (head, counts, elapsed, rate)]
        if self.report is None:
            lines += ["  %s: %s: %s" % failure for failure in self.examples]
            if self.failed > len(self.examples):
                lines.append("  ... and %d more (--report FILE lists every failure)"
                             % (self.failed - len(self.examples)))
        return "\n".join(lines)
