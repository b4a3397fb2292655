"""The batch on a Dask cluster: the driver hands out batches of jobs, each
worker reads, converts and writes its logs itself, and only the outcomes
(mostly a small integer per log) travel back.

Dask (`distributed`) is imported only here, and this module only when a
cluster is asked for, so the core package needs nothing beyond Python.
"""

from __future__ import annotations

import contextlib
import logging
import os
import signal
from collections import deque
from typing import Any, Callable, Deque, Dict, Iterator, List, Optional, Sequence, Tuple

from . import _output, _storage
from ._job import WORKER_DIED, Job, Outcome, Settings, batch_size, failed
from ._worker import failure, run_job

try:
    from distributed import WorkerPlugin
except ImportError:  # connect() says what to install
    WorkerPlugin = object

# Logs per task at most. A task costs the scheduler, the worker and the driver
# some milliseconds of messages and bookkeeping, against about 0.2 ms per log
# converted and written: at 256 logs that is a few per cent. Towards the end
# batches shrink so that the workers finish together.
BATCH_SIZE = 256
SMALLEST_BATCH = 32  # where the shrinking stops: a task costs about as much as 30 logs
IN_FLIGHT = 2  # batches queued per worker thread, so that none waits for the driver
# How long the first answer from a worker may take (a cluster still starting).
PROBE_SECONDS = 60.0


class ClusterError(Exception):
    """The cluster or the storage cannot be used: nothing was converted."""


# A worker's storage, shared by the runs its threads serve (it holds no run's settings).
_STORAGE = _storage.Storage()


def convert_batch(jobs: Sequence[Job], settings: Settings) -> List[Outcome]:
    """The task a worker runs: the outcomes of `jobs`, in order, each log
    taken through the command's own per-log step."""
    return [run_job(job, settings, _STORAGE) for job in jobs]


def _probe(source: Optional[str], output: str) -> None:
    """Run on a worker before any conversion: can it see the logs (unless
    they travel with the jobs, as a database's rows do) and the output
    storage (the filesystem packages installed, the paths shared)?"""
    if source is not None and not _STORAGE.exists(source):
        raise ClusterError("the Dask workers cannot see %s (are the logs on storage the workers share?)" % source)
    _storage.prepare_output(output)


def spans(total: int, threads: int, largest: int) -> Iterator[Tuple[int, int]]:
    """(start, end) ranges covering range(total), at most `largest` long
    and shrinking towards the end so that the last ones finish together."""
    start = 0
    while start < total:
        size = batch_size(total - start, threads, largest, SMALLEST_BATCH)
        end = min(total, start + size)
        yield start, end
        start = end


def run(client: Any, jobs: Sequence[Job], settings: Settings,
        record: Callable[[int, Outcome], None], batch_size: int = BATCH_SIZE) -> None:
    """Convert every job on the cluster of `client`, passing (job index,
    outcome) to `record` as batches complete.

    A worker that dies takes its tasks with it, the one it was running and
    those queued on it; the scheduler runs them again elsewhere, and gives up
    on a task after it has been on several workers that died (KilledWorker).
    Such a batch is split into single logs. A single log given up on may
    only have been queued beside the culprit, so it is tried once more at the
    end, alone on the cluster: if it kills its worker then, it is recorded as
    failed with WORKER_DIED. An exception here (Ctrl-C included) cancels
    what has not run yet."""
    from distributed import KilledWorker, as_completed

    threads = max(1, sum(client.nthreads().values()))
    fresh = spans(len(jobs), threads, batch_size)
    singles: Deque[int] = deque()  # logs of batches given up on
    suspects: Deque[int] = deque()  # single logs given up on
    owner: Dict[Any, Tuple[int, int, bool]] = {}  # future: (start, end, alone)
    running = as_completed()

    def submit(start: int, end: int, alone: bool = False) -> None:
        batch = [jobs[i] for i in range(start, end)]
        future = client.submit(convert_batch, batch, settings, pure=False, priority=1 if end - start == 1 else 0)
        owner[future] = (start, end, alone)
        running.add(future)

    def top_up() -> None:
        while len(owner) < threads * IN_FLIGHT:
            if singles:
                index = singles.popleft()
                submit(index, index + 1)
                continue
            span = next(fresh, None)
            if span is not None:
                submit(*span)
                continue
            if suspects and not owner:
                submit(suspects[0], suspects.popleft() + 1, alone=True)
            return

    try:
        top_up()
        for future in running:
            start, end, alone = owner.pop(future)
            try:
                outcomes = future.result()
            except KilledWorker as exc:
                if end - start > 1:
                    singles.extend(range(start, end))
                elif not alone:
                    suspects.append(start)
                else:
                    record(start, failed(jobs[start].source, WORKER_DIED, _death_note(exc)))
            except Exception as exc:  # the task could not run at all on the worker
                for i in range(start, end):
                    record(i, failure(jobs[i].source, exc))
            else:
                for i, outcome in enumerate(outcomes, start):
                    record(i, outcome)
            future.release()
            top_up()
    except BaseException:
        if owner:
            client.cancel(list(owner))
        raise


def _death_note(exc: Any) -> str:
    return ("the Dask worker converting this log died %d times while nothing else ran (the last on %s)"
            % (exc.allowed_failures + 1, exc.last_worker.address))


class LeaveCtrlCToTheCommand(WorkerPlugin):  # type: ignore[misc,valid-type]
    """For the command's own local cluster. Ctrl-C reaches the whole process
    group, the workers too; the command alone decides what it means (it stops
    the run and closes the cluster), so the workers ignore it instead of each
    printing a traceback."""

    def setup(self, worker: Any) -> None:
        signal.signal(signal.SIGINT, signal.SIG_IGN)


def connect(address: Optional[str], local_workers: Optional[int]) -> Tuple[Any, Any]:
    """A client of the scheduler at `address`, or of a new local cluster of
    `local_workers` processes with one thread each: (client, cluster or None)."""
    try:
        from distributed import Client, LocalCluster
    except ImportError:
        raise ClusterError("a Dask cluster needs the dask extra: pip install 'ripaion_rs[dask]'") from None
    if local_workers is not None:
        cluster = LocalCluster(n_workers=local_workers, threads_per_worker=1, processes=True,
                               dashboard_address=":0", silence_logs=logging.CRITICAL,
                               plugins={LeaveCtrlCToTheCommand()})
        try:
            return Client(cluster), cluster
        except BaseException:
            cluster.close()
            raise
    try:
        return Client(address), None
    except (OSError, ValueError) as exc:  # refused, timed out, a malformed address
        raise ClusterError("cannot reach the Dask scheduler at %s: %s" % (address, exc)) from None


@contextlib.contextmanager
def session(address: Optional[str], local_workers: Optional[int]) -> Iterator[Any]:
    """A client for the command's run, closed at the end without Dask's
    warnings about workers and connections going away (the command reports
    failures itself)."""
    logger = logging.getLogger("distributed")
    level = logger.level
    logger.setLevel(logging.CRITICAL)
    try:
        client, cluster = connect(address, local_workers)
        try:
            yield client
        finally:
            client.close()
            if cluster is not None:
                cluster.close()
    finally:
        logger.setLevel(level)


@contextlib.contextmanager
def command_run(address: Optional[str], local_workers: Optional[int], jobs: Sequence[Job], output: str,
                settings: Settings) -> Iterator[Callable[[Sequence[Job], Callable[[Outcome], None]], None]]:
    """The command's run on a cluster: connects, checks that the workers can
    read the logs and write the outputs (ClusterError if not, before anything
    is converted), and gives a function that converts the jobs it is given
    (those of `jobs` a resumed manifest does not list), passing each
    outcome to its second argument."""
    _storage.check_output(output)
    release: Callable[[int, int], None] = getattr(jobs, "release", lambda start, end: None)

    def record_at(record: Callable[[Outcome], None], index: int, outcome: Outcome) -> None:
        record(outcome)
        release(index, index + 1)  # a database's row, read as the run goes, is not needed again

    with session(address, local_workers) as client:
        if jobs:
            probe(client, jobs[0].source if jobs[0].content is None else None, output)
        yield lambda todo, record: run(client, todo, settings, lambda index, outcome: record_at(record, index, outcome))


def remove_temporaries(jobs: Sequence[Job], token: str) -> None:
    """Once the run is over: the temporary files its workers left in local
    output folders (a worker killed while writing cannot remove its own)."""
    directories = set()
    # Jobs read as the run goes (a database's rows) keep the folders they wrote to.
    kept = getattr(jobs, "directories", None)
    for destination in kept if kept is not None else (os.path.dirname(job.destination) for job in jobs):
        path = _storage.local_path(destination)
        if path is not None:
            directories.add(path or os.curdir)
    for directory in directories:
        _output.remove_stale_temps(directory, token)


def probe(client: Any, source: Optional[str], output: str) -> None:
    """ClusterError unless a worker can read `source` (if any) and write below `output`."""
    future = client.submit(_probe, source, output, pure=False)
    try:
        future.result(timeout=PROBE_SECONDS)
    except ClusterError:
        raise
    except _storage.StorageError as exc:
        raise ClusterError(str(exc)) from None
    except TimeoutError:
        raise ClusterError("no Dask worker answered within %d s" % PROBE_SECONDS) from None
    except Exception as exc:  # e.g. the package missing on the workers
        raise ClusterError("the Dask workers cannot convert: %s: %s" % (type(exc).__name__, exc)) from None
