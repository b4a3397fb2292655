"""Worker processes that convert ranges of the job list, and the parent's loop
that hands the ranges out and collects what comes back.

Why not multiprocessing.Pool: when one of its workers dies (the out-of-memory
killer, a crash), the task it held never completes and imap waits forever.
concurrent.futures marks the whole pool broken instead, and neither can stop
its workers at once on Ctrl-C. Here the parent watches every worker; the
logs a dead worker held are retried one by one in a fresh worker, and a log
that kills its worker on its own is reported as failed, so a run always ends.

The job list reaches the workers by fork, not by pickling: a task is a
(start, end) range, an answer the list of that range's outcomes.
"""

from __future__ import annotations

import multiprocessing
import os
import signal
import sys
from collections import deque
from multiprocessing.connection import Connection, wait
from typing import Any, Callable, Deque, List, Optional, Sequence, Tuple

from . import _worker
from ._worker import Job, Outcome

Span = Tuple[int, int]  # jobs[start:end]
WORKER_DIED = "WorkerDied"  # the failure type of a log whose worker died on it
IN_FLIGHT = 2  # ranges queued per worker, so that it never waits for the parent
# Logs per range at most. A range costs its worker and the parent some 0.3 ms
# of messages, nothing against 32 conversions of about 0.3 ms each, written
# out. Towards the end ranges shrink, so that the workers finish together.
MAX_SPAN = 32

_jobs: Sequence[Job] = ()  # set before forking; the workers read their copy


def _serve(connection: Connection, inherited: List[Connection], compress: bool, skip_existing: bool) -> None:
    """A worker's life: convert each range the parent sends until it sends None."""
    for other in inherited:  # the parent's ends of other workers' pipes
        other.close()
    _worker.init_worker(compress, skip_existing)
    while True:
        try:
            span = connection.recv()
        except EOFError:  # the parent is gone
            return
        if span is None:
            return
        start, end = span
        try:
            connection.send([_worker.convert_one(_jobs[i]) for i in range(start, end)])
        except OSError:  # the parent is gone
            return


class _Worker:
    def __init__(self, process: Any, connection: Connection) -> None:
        self.process = process
        self.connection = connection
        self.spans: Deque[Span] = deque()  # sent, not yet answered, in order
        self.stopping = False

    def send(self, message: Optional[Span]) -> None:
        try:
            self.connection.send(message)
        except OSError:  # it has just died; its sentinel says so next
            pass


def _death_note(exitcode: Optional[int]) -> str:
    if exitcode is not None and exitcode < 0:
        try:
            name = signal.Signals(-exitcode).name
        except ValueError:
            name = str(-exitcode)
        return "the worker process converting this log was killed by %s" % name
    return "the worker process converting this log exited with status %s" % exitcode


def run_workers(jobs: Sequence[Job], workers: int, compress: bool, skip_existing: bool,
                record: Callable[[Outcome], None]) -> None:
    """Convert `jobs` in `workers` processes, passing every outcome to
    `record`. Any exception here (Ctrl-C included) stops the workers with
    SIGTERM, which makes them delete the file they were writing."""
    global _jobs
    _jobs = jobs
    context = multiprocessing.get_context("fork")
    todo: Deque[Span] = deque()  # ranges to do again after a worker died
    cursor = 0  # jobs[cursor:] have not been handed out yet
    live: List[_Worker] = []

    def more() -> bool:
        return bool(todo) or cursor < len(jobs)

    def next_span() -> Span:
        nonlocal cursor
        if todo:
            return todo.popleft()
        size = max(1, min(MAX_SPAN, (len(jobs) - cursor) // (workers * 4)))
        cursor += size
        return (cursor - size, cursor)

    def start_worker() -> None:
        parent_end, child_end = context.Pipe()
        inherited = [w.connection for w in live] + [parent_end]
        process = context.Process(target=_serve, args=(child_end, inherited, compress, skip_existing),
                                  daemon=True)
        sys.stdout.flush()
        sys.stderr.flush()
        # The worker ignores Ctrl-C (the parent decides) once it has said so;
        # until then the signals wait, blocked, instead of killing it.
        signals = {signal.SIGINT, signal.SIGTERM}
        previous_mask = signal.pthread_sigmask(signal.SIG_BLOCK, signals)
        try:
            process.start()
        finally:
            signal.pthread_sigmask(signal.SIG_SETMASK, previous_mask)
            child_end.close()
        live.append(_Worker(process, parent_end))

    def balance() -> None:
        """Keep every worker supplied, replace dead ones, release idle ones."""
        while more() and sum(not w.stopping for w in live) < workers:
            start_worker()
        for w in live:
            while more() and not w.stopping and len(w.spans) < IN_FLIGHT:
                w.spans.append(next_span())
                w.send(w.spans[-1])
            if not more() and not w.spans and not w.stopping:
                w.stopping = True
                w.send(None)

    def answered(w: _Worker, outcomes: List[Outcome]) -> None:
        w.spans.popleft()
        for outcome in outcomes:
            record(outcome)

    def gone(w: _Worker) -> None:
        live.remove(w)
        w.process.join()
        w.connection.close()
        if not w.spans:
            return
        # The first range was being converted: retry its logs one by one,
        # unless it was a single log already, which then is the culprit.
        start, end = w.spans.popleft()
        todo.extendleft(reversed(w.spans))
        if end - start > 1:
            todo.extendleft((i, i + 1) for i in reversed(range(start, end)))
        else:
            record((jobs[start][0], WORKER_DIED, _death_note(w.process.exitcode)))

    try:
        balance()
        while live:
            ready = set(wait([w.connection for w in live] + [w.process.sentinel for w in live]))
            for w in list(live):
                died = w.process.sentinel in ready
                if w.connection in ready and not w.spans:
                    died = True  # nothing owed, so this is the end of the pipe: it is exiting
                try:
                    while w.spans and w.connection.poll():
                        answered(w, w.connection.recv())
                except (EOFError, OSError):
                    died = True
                if died:
                    gone(w)
            balance()
    except BaseException:
        for w in live:
            if w.process.exitcode is None:
                w.process.terminate()
        for w in live:
            w.process.join()
        raise
    finally:
        _jobs = ()
