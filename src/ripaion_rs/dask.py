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

from typing import Any, List, NamedTuple, Optional, Sequence, Tuple, Union

from . import _dask, _output
from ._discover import output_name
from ._job import DEFAULT_MAX_LOG_SIZE, DEFAULT_SUFFIX, MAX_GZIP_LEVEL, MIN_GZIP_LEVEL, Job, Kind, Outcome, Settings

__all__ = ["LogOutcome", "convert_logs"]

Item = Union[str, Tuple[str, str]]


class LogOutcome(NamedTuple):
    path: str  # the log
    output: str  # where its mjai text is (or would have been) written
    status: str  # "converted", "skipped" or "failed"
    error: Optional[str] = None  # the exception type's name when it failed
    message: Optional[str] = None


def _job(item: Item, output: Optional[str], suffix: str, compressed: bool) -> Job:
    if not isinstance(item, str):
        source, destination = item
        return Job(source, destination)
    if output is None:
        raise TypeError("convert_logs() needs an output folder for logs given without their output path")
    name = output_name(item.rstrip("/").rsplit("/", 1)[-1], suffix, compressed)
    return Job(item, "%s/%s" % (output.rstrip("/"), name))


def _refuse_shared_outputs(jobs: Sequence[Job]) -> None:
    """Two different logs whose outputs would be one file (a/x.json and
    b/x.json into one folder) are refused before anything runs, rather than
    one silently replacing the other. The same log twice is converted twice
    to the same bytes."""
    owner = {}
    for job in jobs:
        previous = owner.setdefault(job.destination, job.source)
        if previous != job.source:
            raise ValueError("%s and %s would both be written to %s" % (previous, job.source, job.destination))


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
                 batch_size: int = _dask.BATCH_SIZE) -> Any:
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
      Two different logs that would write the same output raise
      ValueError before anything runs (a Bag's partitions are not compared).
    """
    if gzip is not None and not MIN_GZIP_LEVEL <= gzip <= MAX_GZIP_LEVEL:
        raise ValueError("gzip level %r outside %d to %d" % (gzip, MIN_GZIP_LEVEL, MAX_GZIP_LEVEL))
    settings = Settings(gzip, skip_existing, max_log_size, _output.new_token())
    if _is_bag(logs):
        return logs.map_partitions(_convert_partition, output, suffix, settings)
    jobs = [_job(item, output, suffix, gzip is not None) for item in logs]
    _refuse_shared_outputs(jobs)
    if client is None:
        from distributed import get_client

        client = get_client()
    results: List[Optional[LogOutcome]] = [None] * len(jobs)

    def record(index: int, outcome: Outcome) -> None:
        results[index] = _described(jobs[index], outcome)

    try:
        _dask.run(client, jobs, settings, record, batch_size)
    finally:
        _dask.remove_temporaries(jobs, settings.token)
    return results


def _is_bag(value: Any) -> bool:
    try:
        from dask.bag import Bag
    except ImportError:
        return False
    return isinstance(value, Bag)
