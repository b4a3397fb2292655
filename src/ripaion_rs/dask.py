"""Converting logs on a Dask cluster, for pipelines of your own.

Needs the `dask` extra (`pip install 'ripaion_rs[dask]'`): Dask's
`distributed` and fsspec. Logs and outputs may be plain paths or fsspec URLs
(`s3://...` once the filesystem's package is installed); every worker reads,
converts and writes its logs itself, and only a small outcome per log
travels back.

    from dask.distributed import Client
    from ripaion_rs.dask import convert_logs

    client = Client("tcp://scheduler:8786")
    outcomes = convert_logs(["s3://logs/a.json", "s3://logs/b.json"], "s3://mjai", gzip=6)
    failed = [o for o in outcomes if o.status == "failed"]
"""

from __future__ import annotations

import os
from typing import Any, Dict, List, NamedTuple, Optional, Sequence, Tuple, Union

from . import _dask, _output, _storage
from ._dask import ClusterLost
from ._discover import output_name
from ._input import is_database
from ._job import (
    DEFAULT_MAX_LOG_SIZE,
    DEFAULT_SUFFIX,
    MAX_GZIP_LEVEL,
    MIN_GZIP_LEVEL,
    Job,
    Kind,
    Outcome,
    Settings,
    stays_below,
)

__all__ = ["ClusterLost", "LogOutcome", "convert_logs"]

Item = Union[str, Tuple[str, str]]


class LogOutcome(NamedTuple):
    path: str  # the log
    output: str  # where its mjai text is (or would have been) written
    status: str  # "converted", "skipped" or "failed"
    error: Optional[str] = None  # the exception type's name when it failed
    message: Optional[str] = None


def _location(value: Any, what: str) -> str:
    if isinstance(value, os.PathLike):
        value = os.fspath(value)
    if not isinstance(value, str):
        raise TypeError("convert_logs() takes %s as a path or URL (str), not %r" % (what, value))
    return value


def _job(item: Any, output: Optional[str], suffix: str, compressed: bool) -> Job:
    if isinstance(item, (tuple, list)) and len(item) == 2:
        return Job(_location(item[0], "a log"), _location(item[1], "an output"))
    source = _location(item, "a log (or a (log, output) pair)")
    if output is None:
        raise TypeError("convert_logs() needs an output folder for logs given without their output path")
    name = output_name(source.rstrip("/").rsplit("/", 1)[-1], suffix, compressed)
    destination = "%s/%s" % (output.rstrip("/"), name)
    if not stays_below(destination, output):
        raise ValueError("the output of %s, %s, would be outside the output folder %s" % (source, destination, output))
    return Job(source, destination)


def _same_place(location: str) -> str:
    """A key equal for two spellings of one local path (a file:// URL too)."""
    path = _storage.local_path(location)
    return os.path.abspath(path) if path is not None else location


def _same_file(a: str, b: str) -> bool:
    path_a, path_b = _storage.local_path(a), _storage.local_path(b)
    try:
        return path_a is not None and path_b is not None and os.path.samefile(path_a, path_b)
    except OSError:
        return False


def _refuse_unsafe_outputs(jobs: Sequence[Job]) -> None:
    """Refused before anything runs, rather than a log replaced by mjai text
    or by another log's output: an output that is one of the logs, and two
    different logs whose outputs would be one file (a/x.json and b/x.json
    into one folder). The same log twice is converted twice to the same
    bytes."""
    owner: Dict[str, str] = {}
    for job in jobs:
        previous = owner.setdefault(job.destination, job.source)
        if previous != job.source:
            raise ValueError("%s and %s would both be written to %s" % (previous, job.source, job.destination))
    sources = {_same_place(job.source) for job in jobs}
    for job in jobs:
        if _same_place(job.destination) in sources or _same_file(job.source, job.destination):
            raise ValueError("the output %s of %s is one of the logs: nothing was converted"
                             % (job.destination, job.source))


def _whole_number(name: str, value: Any) -> None:
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError("convert_logs() argument '%s' must be an int, not %r" % (name, value))
    if value < 1:
        raise ValueError("convert_logs() argument '%s' must be at least 1, got %r" % (name, value))


def _check_arguments(logs: Any, output: Any, gzip: Any, suffix: Any, max_log_size: Any, batch_size: Any) -> None:
    """The command's checks of its options, before anything runs."""
    if isinstance(logs, (str, bytes, os.PathLike)):
        raise TypeError("convert_logs() takes a list of logs, not one %s (put a single log in a list)"
                        % type(logs).__name__)
    if gzip is not None:
        if isinstance(gzip, bool) or not isinstance(gzip, int):
            raise TypeError("convert_logs() argument 'gzip' must be a level from %d to %d or None, not %r"
                            % (MIN_GZIP_LEVEL, MAX_GZIP_LEVEL, gzip))
        if not MIN_GZIP_LEVEL <= gzip <= MAX_GZIP_LEVEL:
            raise ValueError("convert_logs() argument 'gzip' must be a level from %d to %d, not %r"
                             % (MIN_GZIP_LEVEL, MAX_GZIP_LEVEL, gzip))
    if not isinstance(suffix, str):
        raise TypeError("convert_logs() argument 'suffix' must be a str, not %r" % (suffix,))
    if "/" in suffix or "\0" in suffix:
        raise ValueError("convert_logs() argument 'suffix' is part of a file name (no '/'), got %r" % suffix)
    if output is not None:
        _location(output, "the output folder")
    _whole_number("max_log_size", max_log_size)
    _whole_number("batch_size", batch_size)


def _described(job: Job, outcome: Outcome) -> LogOutcome:
    if outcome.kind is Kind.FAILED:
        return LogOutcome(job.source, job.destination, "failed", outcome.error, outcome.message)
    return LogOutcome(job.source, job.destination, outcome.kind.value)


def _convert_partition(items: Sequence[Item], output: Optional[str], suffix: str,
                       settings: Settings) -> List[LogOutcome]:
    jobs = [_job(item, output, suffix, settings.gzip_level is not None) for item in items]
    return [_described(job, outcome) for job, outcome in zip(jobs, _dask.convert_batch(jobs, settings))]


def convert_logs(logs: Any, output: Optional[str] = None, *, gzip: Optional[int] = None,
                 suffix: str = DEFAULT_SUFFIX, skip_existing: bool = False,
                 max_log_size: int = DEFAULT_MAX_LOG_SIZE, client: Any = None,
                 batch_size: int = _dask.BATCH_SIZE, where: Optional[str] = None,
                 limit: Optional[int] = None, cluster_timeout: float = _dask.CLUSTER_TIMEOUT) -> Any:
    """Convert Tenhou logs into mjai files on a Dask cluster.

    Each item of `logs` is a path or URL, written to `output/NAME<suffix>`
    (`NAME.json` gives `NAME.mjson`; `.gz` added with `gzip=LEVEL`), or a
    pair (log, output path). A failing log leaves no output; an output
    appears only complete. `skip_existing` leaves alone a log whose output
    exists. Logs larger than `max_log_size` bytes fail unread.

    - A `dask.bag.Bag` gives a Bag of `LogOutcome`s, one task per partition
      (choose partitions of a few hundred logs); nothing runs until you
      compute it. Dask's own rules apply to a worker that dies: its tasks
      run again, and a partition that killed several workers fails the
      computation with `KilledWorker`.
    - Any other sequence runs at once on `client` (by default the current
      one, `distributed.get_client()`) in batches of up to `batch_size` logs
      and returns the list of `LogOutcome`s in the same order. A log that
      kills every worker it runs on is isolated and reported as failed
      (`error == "WorkerDied"`); the other logs of its batch are converted.
      If the scheduler is lost, or no worker is left for `cluster_timeout`
      seconds, ClusterLost is raised (outputs written so far are whole).
      Two different logs that would write the same output, or an output
      that is one of the logs, raise ValueError before anything runs (a
      Bag's partitions are not compared).
    - The path of a Tenhou log database (an SQLite file on this machine)
      converts its rows as the command does: read here a batch at a time,
      sent to the workers with their content, written to
      `output/YYYY/MM/<log_id><suffix>` (`output/other/` for ids that are
      not Tenhou game ids). `where` (an SQL condition) and `limit` choose
      rows as `read_log_database`'s do. The list holds the outcomes of the
      rows converted or failed, in the table's order, named `path#<log_id>`,
      then those of the rows skipped unread, with their reason as `error`
      ("not downloaded", "error", "three-player").

    Arguments are checked as the command checks its options, before
    anything runs: TypeError for a str given as `logs` (unless it is a log
    database) or a value of the wrong type (`gzip=True`), ValueError for a
    level outside 0 to 12, a `suffix` holding "/", a `batch_size` or
    `max_log_size` below 1, or an output name that would leave `output`.
    """
    database = isinstance(logs, (str, os.PathLike)) and is_database(os.fspath(logs))
    _check_arguments([] if database else logs, output, gzip, suffix, max_log_size, batch_size)
    if output is not None:
        output = _location(output, "the output folder")
    settings = Settings(gzip, bool(skip_existing), max_log_size, _output.new_token())
    if database:
        return _convert_database(os.fspath(logs), output, suffix, settings, client, batch_size, where, limit)
    if where is not None or limit is not None:
        raise TypeError("convert_logs(): where and limit choose rows of a log database, and logs is none")
    if _is_bag(logs):
        return logs.map_partitions(_convert_partition, output, suffix, settings)
    jobs = [_job(item, output, suffix, gzip is not None) for item in logs]
    _refuse_unsafe_outputs(jobs)
    if client is None:
        from distributed import get_client

        client = get_client()
    results: List[Optional[LogOutcome]] = [None] * len(jobs)

    def record(index: int, outcome: Outcome) -> None:
        results[index] = _described(jobs[index], outcome)

    try:
        _dask.run(client, jobs, settings, record, batch_size, cluster_timeout)
    finally:
        _dask.remove_temporaries(jobs, settings.token)
    return results


def _convert_database(path: str, output: Optional[str], suffix: str, settings: Settings, client: Any,
                      batch_size: int, where: Optional[str], limit: Optional[int]) -> List[LogOutcome]:
    if output is None:
        raise TypeError("convert_logs() needs an output folder for a log database")
    if client is None:
        from distributed import get_client

        client = get_client()
    from ._database import Selection
    from ._rows import DatabaseInput, StreamedJobs

    with Selection(path, where, limit) as selection:
        jobs = StreamedJobs([], [DatabaseInput(path, path, selection)], output.rstrip("/"), "date", suffix,
                            settings.gzip_level is not None, manifest=False)
        converted: List[Optional[LogOutcome]] = [None] * len(jobs)
        skipped: List[LogOutcome] = []
        jobs.record_skipped = lambda outcome: skipped.append(
            LogOutcome(outcome.source, "", "skipped", outcome.error or None))

        def record(index: int, outcome: Outcome) -> None:
            converted[index] = _described(jobs[index], outcome)
            jobs.release(index, index + 1)

        try:
            _dask.run(client, jobs, settings, record, batch_size)
            jobs.finish()
        finally:
            _dask.remove_temporaries(jobs, settings.token)
    return [outcome for outcome in converted if outcome is not None] + skipped


def _is_bag(value: Any) -> bool:
    try:
        from dask.bag import Bag
    except ImportError:
        return False
    return isinstance(value, Bag)
