"""Worker processes that convert ranges of the job list, and the parent's loop
that hands the ranges out and collects what comes back.

Why not multiprocessing.Pool: when one of its workers dies (the out-of-memory
killer, a crash), the task it held never completes and imap waits forever.
concurrent.futures marks the whole pool broken instead, and neither can stop
its workers at once on Ctrl-C. Here the parent watches every worker. Each
worker marks every log it finishes in a page shared with the parent, so when
one dies the parent knows which logs are done, which one it was converting
(retried once in a fresh worker, reported as failed only if it kills that
one too) and which it had not started (handed out again); it also removes
the temporary file the dead worker may have left. So a run always ends.

The job list reaches the workers by fork, not by pickling: a task is a
(start, end) range, an answer the list of that range's outcomes.
"""

from __future__ import annotations

import mmap
import multiprocessing
import signal
import sys
import time
from collections import deque
from multiprocessing.connection import Connection, wait
from typing import Any, Callable, Deque, Dict, List, Optional, Sequence, Tuple

from . import _worker
from ._output import remove_temps_of
from ._worker import CONVERTED, SKIPPED, WORKER_DIED, Job, Outcome

Span = Tuple[int, int]  # jobs[start:end]
DEATHS_TO_BLAME = 2  # a log is blamed when it was being converted at two deaths
IN_FLIGHT = 2  # ranges queued per worker, so that it never waits for the parent
# Logs per range at most. A range costs its worker and the parent some 0.3 ms
# of messages, nothing against 32 conversions of about 0.3 ms each, written
# out. Towards the end ranges shrink, so that the workers finish together.
MAX_SPAN = 32
STOP_SECONDS = 2.0  # for workers to obey SIGTERM before they get SIGKILL

# A log's state in the shared page: not finished, or finished with an outcome.
_OPEN, _CONVERTED, _SKIPPED, _FAILED = 0, 1, 2, 3

_jobs: Sequence[Job] = ()  # set before forking; the workers read their copy
_done: Any = None  # the shared page, one byte per job
# After a run was stopped: logs the workers converted, reported to the parent or not.
converted_when_stopped = 0


def _mark(index: int, outcome: Outcome) -> Outcome:
    if isinstance(outcome, dict):  # a manifest entry
        _done[index] = _SKIPPED if outcome.get("skipped") else _CONVERTED
    else:
        _done[index] = _CONVERTED if outcome == CONVERTED else _SKIPPED if outcome == SKIPPED else _FAILED
    return outcome


def _serve(connection: Connection, inherited: List[Connection], settings: _worker.Settings) -> None:
    """A worker's life: convert each range the parent sends until it sends None."""
    for other in inherited:  # the parent's ends of other workers' pipes
        other.close()
    _worker.init_worker(settings)
    while True:
        try:
            span = connection.recv()
        except EOFError:  # the parent is gone
            return
        if span is None:
            return
        start, end = span
        outcomes = [_mark(i, _worker.run_job(_jobs[i])) for i in range(start, end)]
        try:
            connection.send(outcomes)
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


def _stop(workers: List[_Worker], settings: _worker.Settings) -> None:
    """Stop every worker: SIGTERM (a worker removes its own temporary file),
    then SIGKILL for one that does not obey in time, whose files the parent
    removes. Nothing here waits without end."""
    for w in workers:
        if w.process.exitcode is None:
            w.process.terminate()
    deadline = time.monotonic() + STOP_SECONDS
    for w in workers:
        w.process.join(max(0.0, deadline - time.monotonic()))
    for w in workers:
        if w.process.exitcode is None:
            w.process.kill()
            w.process.join()
            _remove_temps(w, settings)


def _remove_temps(w: _Worker, settings: _worker.Settings) -> None:
    """The temporary file of a dead worker: one for a log of its current range."""
    if w.spans:
        start, end = w.spans[0]
        destinations = (_jobs[i][1] for i in range(start, end) if _done[i] == _OPEN)
        remove_temps_of(w.process.pid, settings.token, destinations)


def run_workers(jobs: Sequence[Job], workers: int, settings: _worker.Settings,
                record: Callable[[Outcome], None]) -> None:
    """Convert `jobs` in `workers` processes, passing every outcome to
    `record`. Any exception here (Ctrl-C included, or one of `record`)
    stops the workers, which leaves no temporary file, and passes on."""
    global _jobs, _done, converted_when_stopped
    _jobs = jobs
    converted_when_stopped = 0
    _done = mmap.mmap(-1, max(1, len(jobs)))  # shared with the workers forked below
    context = multiprocessing.get_context("fork")
    todo: Deque[Span] = deque()  # ranges to do again after a worker died
    deaths: Dict[int, int] = {}  # job index -> deaths of workers converting it
    cursor = 0  # jobs[cursor:] have not been handed out yet
    live: List[_Worker] = []

    def more() -> bool:
        return bool(todo) or cursor < len(jobs)

    def next_span() -> Span:
        nonlocal cursor
        if todo:
            return todo.popleft()
        size = _worker.batch_size(len(jobs) - cursor, workers, MAX_SPAN)
        cursor += size
        return (cursor - size, cursor)

    def start_worker() -> None:
        parent_end, child_end = context.Pipe()
        inherited = [w.connection for w in live] + [parent_end]
        process = context.Process(target=_serve, args=(child_end, inherited, settings), daemon=True)
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

    def gone(w: _Worker) -> None:
        """A worker has exited; its process is not yet reaped, so its PID
        (in its temporary names) cannot belong to anyone else yet."""
        _remove_temps(w, settings)
        live.remove(w)
        w.process.join()
        w.connection.close()
        if not w.spans:
            return
        start, end = w.spans.popleft()
        todo.extendleft(reversed(w.spans))  # not started
        w.spans.clear()
        # The range it was converting: finished logs count as they are, a
        # failed one is simply tried again (its message died with the
        # worker), and so is every finished one when the run keeps a
        # manifest, whose entries died too (an output is replaced whole).
        index = start
        while index < end and _done[index] != _OPEN:
            state = _done[index]
            if state == _FAILED or settings.manifest:
                todo.appendleft((index, index + 1))
            else:
                record(CONVERTED if state == _CONVERTED else SKIPPED)
            index += 1
        if index == end:
            return
        if index + 1 < end:
            todo.appendleft((index + 1, end))
        deaths[index] = deaths.get(index, 0) + 1
        if deaths[index] >= DEATHS_TO_BLAME:
            record((jobs[index][0], WORKER_DIED, _death_note(w.process.exitcode)))
        else:
            todo.appendleft((index, index + 1))  # alone, in a fresh worker

    try:
        balance()
        while live:
            ready = set(wait([w.connection for w in live] + [w.process.sentinel for w in live]))
            for w in list(live):
                died = w.process.sentinel in ready
                if w.connection in ready and not w.spans:
                    died = True  # nothing owed, so this is the end of the pipe: it is exiting
                answers = []
                try:
                    while w.spans and w.connection.poll():
                        answers.append(w.connection.recv())
                        w.spans.popleft()
                except (EOFError, OSError):  # of the pipe only: the worker is gone
                    died = True
                for outcome in (o for answer in answers for o in answer):
                    record(outcome)
                if died:
                    # It closed its pipe, so it is exiting (or stuck: then it is killed).
                    if not wait([w.process.sentinel], STOP_SECONDS):
                        w.process.kill()
                        wait([w.process.sentinel])
                    gone(w)
            balance()
    except BaseException:
        _stop(live, settings)
        converted_when_stopped = _done[:].count(_CONVERTED)
        raise
    finally:
        _jobs = ()
        _done.close()
        _done = None
