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
import time
from collections import deque
from typing import Any, Callable, Deque, Dict, Iterator, List, Optional, Sequence, Tuple

from . import _output, _storage
from ._job import WORKER_DIED, Job, Outcome, RunStopped, Settings, batch_size, failed
from ._stopping import held
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
# How long the run waits for a worker: the first answer (a cluster still
# starting), and one when all the workers have gone (--cluster-timeout).
CLUSTER_TIMEOUT = 300.0
PROBE_SECONDS = 60.0  # the first answer, unless --cluster-timeout says otherwise
POLL_SECONDS = 1.0  # how often a waiting run looks at its scheduler


class ClusterError(Exception):
    """The cluster or the storage cannot be used: nothing was converted."""


class ClusterLost(RunStopped):
    """The cluster went away during the run: its scheduler, or every worker
    for longer than the cluster timeout. Outputs written so far are whole."""


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


def run(client: Any, jobs: Sequence[Job], settings: Settings, record: Callable[[int, Outcome], None],
        batch_size: int = BATCH_SIZE, cluster_timeout: float = CLUSTER_TIMEOUT,
        stopped: Optional[Callable[[Sequence[Job]], None]] = None) -> None:
    """Convert every job on the cluster of `client`, passing (job index,
    outcome) to `record` as batches complete.

    A worker that dies takes its tasks with it, the one it was running and
    those queued on it; the scheduler runs them again elsewhere, and gives up
    on a task after it has been on several workers that died (KilledWorker).
    Such a batch is split into single logs. A single log given up on may
    only have been queued beside the culprit, so it is tried once more at the
    end, alone on the cluster: if it kills its worker then, it is recorded as
    failed with WORKER_DIED.

    The scheduler lost, or no worker left for `cluster_timeout` seconds, end
    the run with ClusterLost: the logs of the batches in flight were not
    tried as far as anyone knows, so none is recorded as failed. On any
    exception (Ctrl-C included) what has not run yet is cancelled, and
    `stopped` is given the jobs of the batches in flight, whose outputs may
    have been written."""
    from distributed import KilledWorker, wait

    threads = max(1, sum(_ask(client, client.nthreads).values()))
    fresh = spans(len(jobs), threads, batch_size)
    singles: Deque[int] = deque()  # logs of batches given up on
    suspects: Deque[int] = deque()  # single logs given up on
    owner: Dict[Any, Tuple[int, int, bool]] = {}  # future: (start, end, alone)
    idle_since = time.monotonic()  # when a batch last completed

    def submit(start: int, end: int, alone: bool = False) -> None:
        batch = [jobs[i] for i in range(start, end)]
        future = client.submit(convert_batch, batch, settings, pure=False, priority=1 if end - start == 1 else 0)
        owner[future] = (start, end, alone)

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

    def check_cluster() -> None:
        if client.status != "running":
            raise ClusterLost("lost the Dask scheduler at %s" % _address(client))
        if time.monotonic() - idle_since < cluster_timeout:
            return
        if not _ask(client, client.nthreads):
            raise ClusterLost("no Dask worker for %d s (--cluster-timeout)" % cluster_timeout)

    try:
        top_up()
        while owner:
            try:
                done = wait(list(owner), timeout=POLL_SECONDS, return_when="FIRST_COMPLETED").done
            except TimeoutError:
                done = set()
            except Exception:  # futures cancelled by the client when it lost the scheduler
                check_cluster()
                raise ClusterLost("lost the Dask scheduler at %s" % _address(client)) from None
            check_cluster()
            for future in done:
                start, end, alone = owner[future]
                if future.status == "cancelled":  # by the client, when it lost the scheduler
                    raise ClusterLost("lost the Dask scheduler at %s" % _address(client))
                outcomes: Optional[List[Outcome]] = None
                killed: Optional[BaseException] = None
                try:
                    outcomes = future.result()
                except KilledWorker as exc:
                    killed = exc
                except Exception as exc:  # the task could not run at all on the worker
                    check_cluster()
                    outcomes = [failure(jobs[i].source, exc) for i in range(start, end)]
                # A stop takes the batch as in flight until all its outcomes are recorded.
                with held:
                    del owner[future]
                    if outcomes is not None:
                        for i, outcome in enumerate(outcomes, start):
                            record(i, outcome)
                    elif end - start > 1:
                        singles.extend(range(start, end))
                    elif not alone:
                        suspects.append(start)
                    else:
                        record(start, failed(jobs[start].source, WORKER_DIED, _death_note(killed)))
                future.release()
                idle_since = time.monotonic()
            check_cluster()
            top_up()
    except BaseException:
        in_flight = [jobs[i] for start, end, _ in owner.values() for i in range(start, end)]
        if owner and client.status == "running":
            try:
                client.cancel(list(owner))
            except Exception:  # the scheduler went just now
                pass
        if stopped is not None:
            stopped(in_flight)
        raise


def _address(client: Any) -> str:
    try:
        return str(client.scheduler.address)
    except Exception:
        return "its address"


def _ask(client: Any, call: Callable[[], Any]) -> Any:
    """A call to the scheduler; ClusterLost if it cannot be reached."""
    try:
        return call()
    except Exception as exc:
        if isinstance(exc, (OSError, TimeoutError)) or client.status != "running":
            raise ClusterLost("lost the Dask scheduler at %s" % _address(client)) from None
        raise


def _death_note(exc: Any) -> str:
    return ("the Dask worker converting this log died %d times while nothing else ran (the last on %s)"
            % (exc.allowed_failures + 1, exc.last_worker.address))


class LeaveCtrlCToTheCommand(WorkerPlugin):  # type: ignore[misc]
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
    # Dask's loggers each have their level (the client's says ERROR when it
    # loses its scheduler): all are silenced for the run.
    previous = logging.root.manager.disable
    logging.disable(logging.CRITICAL)
    try:
        client, cluster = connect(address, local_workers)
        try:
            yield client
        finally:
            try:
                client.close()
            except Exception:  # its scheduler is gone: nothing to close there
                pass
            if cluster is not None:
                cluster.close()
    finally:
        logging.disable(previous)


ClusterRun = Callable[[Sequence[Job], Callable[[Outcome], None], Callable[[Sequence[Job]], None]], None]


@contextlib.contextmanager
def command_run(address: Optional[str], local_workers: Optional[int], jobs: Sequence[Job], output: str,
                settings: Settings, cluster_timeout: Optional[float] = None) -> Iterator[ClusterRun]:
    """The command's run on a cluster: connects, checks that the workers can
    read the logs and write the outputs (ClusterError if not, before anything
    is converted), and gives a function that converts the jobs it is given
    (those of `jobs` a resumed manifest does not list), passing each
    outcome to its second argument, and to its third the jobs whose
    outcomes a stop lost (see run). `cluster_timeout`: how long to wait for
    a worker, at the start and when all have gone."""
    _storage.check_output(output)
    release: Callable[[int, int], None] = getattr(jobs, "release", lambda start, end: None)

    def record_at(record: Callable[[Outcome], None], index: int, outcome: Outcome) -> None:
        record(outcome)
        release(index, index + 1)  # a database's row, read as the run goes, is not needed again

    with session(address, local_workers) as client:
        if jobs:
            probe(client, jobs[0].source if jobs[0].content is None else None, output,
                  PROBE_SECONDS if cluster_timeout is None else cluster_timeout)
        timeout = CLUSTER_TIMEOUT if cluster_timeout is None else cluster_timeout
        yield lambda todo, record, stopped: run(client, todo, settings,
                                                lambda index, outcome: record_at(record, index, outcome),
                                                cluster_timeout=timeout, stopped=stopped)


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


def probe(client: Any, source: Optional[str], output: str, timeout: float = PROBE_SECONDS) -> None:
    """ClusterError unless a worker can read `source` (if any) and write below
    `output` within `timeout` seconds."""
    future = client.submit(_probe, source, output, pure=False)
    try:
        future.result(timeout=timeout)
    except ClusterError:
        raise
    except _storage.StorageError as exc:
        raise ClusterError(str(exc)) from None
    except TimeoutError:
        raise ClusterError("no Dask worker answered within %d s" % timeout) from None
    except Exception as exc:  # e.g. the package missing on the workers
        raise ClusterError("the Dask workers cannot convert: %s: %s" % (type(exc).__name__, exc)) from None
