"""A run's jobs when databases are among its inputs: the files' jobs, then
each database's rows read as the run goes, never all at once.

The run hands out jobs by index in increasing order (a range again after a
worker died), so rows are read a batch at a time, bounded in bytes, and a
job is kept only until its outcome is recorded (`release`). Rows that are
skipped (not downloaded, an error, three players) never become jobs: their
outcomes are recorded as they are read, and `finish` reads those left after
the last job.
"""

from __future__ import annotations

import os
import sqlite3
from typing import Callable, Container, Dict, Iterator, List, NamedTuple, Optional, Sequence, Set, Union, overload

from ._database import Row, Selection
from ._job import Job, Kind, Outcome
from ._layout import game_date, row_output

# Row content read ahead at most (one row alone may hold more); the jobs the
# workers hold come on top, a few hundred at most.
BATCH_BYTES = 16 << 20


class DatabaseInput(NamedTuple):
    name: str  # as the user gave it; a row is `name#log_id` in reports and the manifest
    path: str  # the local path
    selection: Selection


def row_name(database: str, log_id: Optional[str]) -> str:
    return "%s#%s" % (database, log_id if log_id is not None else "")


def skipped_row(database: str, row: Row, manifest: bool) -> Outcome:
    """A row not converted, with its reason (and its manifest line)."""
    source = row_name(database, row.log_id)
    entry = None
    if manifest:
        entry = {"input": source, "output": None, "game_id": row.log_id, "date": game_date(row.log_id),
                 "skipped": row.skipped}
    return Outcome(Kind.SKIPPED, source, row.skipped or "", entry=entry)


class StreamedJobs(Sequence[Job]):
    """The jobs of a run with database inputs, as a sequence the pool and the
    cluster index in order. `streamed`: the jobs travel to the workers with
    their ranges (a forked copy of the list would not hold them)."""

    streamed = True

    def __init__(self, files: List[Job], databases: Sequence[DatabaseInput], output_dir: str, layout: str,
                 suffix: str, compress: bool, manifest: bool, batch_bytes: int = BATCH_BYTES) -> None:
        self._files = files
        self._databases = databases
        self._output = output_dir
        self._layout = layout
        self._suffix = suffix
        self._compress = compress
        # Where the outcomes of skipped rows go (the run's tally), set before the run.
        self.record_skipped: Callable[[Outcome], None] = lambda outcome: None
        # Outputs a resumed manifest lists already: their rows travel without
        # content, for --skip-existing to leave alone without converting again.
        self.listed: Container[str] = ()
        self._manifest = manifest
        self._batch_bytes = batch_bytes
        self._total = len(files) + sum(db.selection.to_convert for db in databases)
        self._held: Dict[int, Job] = {}
        self._read = 0  # jobs[:_read] have been made
        self._source = self._jobs()
        self.directories: Set[str] = {os.path.dirname(job.destination) for job in files}

    def __len__(self) -> int:
        return self._total

    @property
    def rows_skipped(self) -> int:
        """Rows that will be recorded as skipped rather than become jobs."""
        return sum(db.selection.total - db.selection.to_convert for db in self._databases)

    @overload
    def __getitem__(self, index: int) -> Job: ...

    @overload
    def __getitem__(self, index: slice) -> List[Job]: ...

    def __getitem__(self, index: Union[int, slice]) -> Union[Job, List[Job]]:
        if isinstance(index, slice):
            return [self[i] for i in range(*index.indices(self._total))]
        if not 0 <= index < self._total:
            raise IndexError(index)
        while self._read <= index:
            job = next(self._source, None)
            if job is None:  # cannot happen inside one read transaction
                raise IndexError("the database has fewer rows than counted")
            self._held[self._read] = job
            self._read += 1
        try:
            return self._held[index]
        except KeyError:
            raise IndexError("job %d was released" % index) from None

    def __iter__(self) -> Iterator[Job]:
        """The jobs in order, each released as the next is taken (the run in
        the command's own process)."""
        for index in range(self._total):
            job = self._held.pop(index, None)  # read ahead by an index, or else read now
            if job is None:
                if self._read != index:
                    raise IndexError("job %d was released" % index)
                job = next(self._source, None)
                if job is None:  # cannot happen inside one read transaction
                    raise IndexError("the database has fewer rows than counted")
                self._read += 1
            yield job

    def release(self, start: int, end: int) -> None:
        """The outcomes of jobs[start:end] are recorded: they are not needed again."""
        for index in range(start, end):
            self._held.pop(index, None)

    def finish(self) -> None:
        """Record the skipped rows after the last job (every row, when none converts)."""
        for _ in self._source:
            raise IndexError("the database has more rows than counted")

    def close(self) -> None:
        for database in self._databases:
            database.selection.close()

    def _jobs(self) -> Iterator[Job]:
        yield from self._files
        for database in self._databases:
            for batch in database.selection.batches(self._batch_bytes):
                for row in batch:
                    if row.skipped is not None or row.log_id is None or row.content is None:
                        self.record_skipped(skipped_row(database.name, row, self._manifest))
                        continue
                    destination = os.path.join(
                        self._output, row_output(row.log_id, self._layout, self._suffix, self._compress))
                    self.directories.add(os.path.dirname(destination))
                    content = None if destination in self.listed else row.content
                    yield Job(row_name(database.name, row.log_id), destination, False, content)


def shared_output(files: Sequence[Job], databases: Sequence[DatabaseInput], output_dir: str, layout: str,
                  suffix: str, compress: bool) -> Optional[str]:
    """Why two inputs cannot run together: two of them (a file, a row) would
    write one output; None when none would.

    A database's ids are unique and their outputs distinct, so one database
    alone needs no check; beside other inputs, every output is claimed in a
    temporary SQLite table (on disk when large), so that memory stays
    bounded however many rows there are."""
    if len(databases) + (1 if files else 0) < 2:
        return None
    claims = sqlite3.connect("")  # a private temporary database
    try:
        claims.execute("CREATE TABLE claimed (destination TEXT PRIMARY KEY, source TEXT) WITHOUT ROWID")

        def claim(destination: str, source: str) -> Optional[str]:
            try:
                claims.execute("INSERT INTO claimed VALUES (?, ?)", (destination, source))
                return None
            except sqlite3.IntegrityError:
                (previous,) = claims.execute("SELECT source FROM claimed WHERE destination = ?",
                                             (destination,)).fetchone()
                return "%s and %s would both be written to %s" % (previous, source, destination)

        for job in files:
            clash = claim(job.destination, job.source)
            if clash is not None:
                return clash
        for database in databases:
            for log_id in database.selection.ids():
                destination = os.path.join(output_dir, row_output(log_id, layout, suffix, compress))
                clash = claim(destination, row_name(database.name, log_id))
                if clash is not None:
                    return clash
        return None
    finally:
        claims.close()
