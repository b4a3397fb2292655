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
Which range goes where, and what a death means, is `Schedule`'s: plain
bookkeeping, tested without processes.

The job list reaches the workers by fork, not by pickling: a task is a
(start, end) range, an answer the list of that range's outcomes.
"""

from __future__ import annotations

import mmap
import multiprocessing
import os
import signal
import sys
import time
from collections import deque
from multiprocessing.connection import Connection, wait
from types import FrameType
from typing import Any, Callable, Deque, Dict, List, Optional, Sequence, Tuple

from . import _output
from ._job import CONVERTED, SKIPPED, WORKER_DIED, Job, Kind, Outcome, Settings, batch_size, failed
from ._stopping import held
from ._storage import Storage
from ._worker import run_job

Span = Tuple[int, int]  # jobs[start:end]
DEATHS_TO_BLAME = 2  # a log is blamed when it was being converted at two deaths
IN_FLIGHT = 2  # ranges queued per worker, so that it never waits for the parent
# Logs per range at most. A range costs its worker and the parent some 0.3 ms
# of messages, nothing against 32 conversions of about 0.3 ms each, written
# out. Towards the end ranges shrink, so that the workers finish together.
MAX_SPAN = 32
STOP_SECONDS = 2.0  # for workers to obey SIGTERM before they get SIGKILL

# A log's state in the shared page: not finished, or finished with an outcome.
OPEN, DONE_CONVERTED, DONE_SKIPPED, DONE_FAILED = 0, 1, 2, 3
_STATE = {Kind.CONVERTED: DONE_CONVERTED, Kind.SKIPPED: DONE_SKIPPED, Kind.FAILED: DONE_FAILED}


class Schedule:
    """Which range of the jobs goes out next, and what a worker's death means.

    Ranges are at most `max_span` long and shrink towards the end. When a
    worker dies, the ranges it had not started go out again; in the one it
    was converting, the logs it finished count as they are (`redo_finished`:
    are done again, since their manifest entries died with it), a failed one
    is done again (its message died too), and the log it was converting is
    retried alone in a fresh worker, and blamed at its second death."""

    def __init__(self, total: int, workers: int, max_span: int = MAX_SPAN, redo_finished: bool = False) -> None:
        self.total = total
        self.workers = workers
        self.max_span = max_span
        self.redo_finished = redo_finished
        self.todo: Deque[Span] = deque()  # ranges to do again after a worker died
        self.deaths: Dict[int, int] = {}  # job index -> deaths of workers converting it
        self.cursor = 0  # jobs[cursor:] have not been handed out yet

    def more(self) -> bool:
        return bool(self.todo) or self.cursor < self.total

    def next_span(self) -> Span:
        if self.todo:
            return self.todo.popleft()
        size = batch_size(self.total - self.cursor, self.workers, self.max_span)
        self.cursor += size
        return (self.cursor - size, self.cursor)

    def died(self, spans: Sequence[Span], state: Callable[[int], int]) -> Tuple[List[Tuple[int, int]], Optional[int]]:
        """A worker died holding `spans` (in order: the first is the one it
        was converting); `state(i)` is job i's state in the shared page.
        Gives the finished logs to count as (index, state), and the log to
        blame, if any."""
        if not spans:
            return [], None
        start, end = spans[0]
        self.todo.extendleft(reversed(spans[1:]))  # not started
        finished: List[Tuple[int, int]] = []
        index = start
        while index < end and state(index) != OPEN:
            if state(index) == DONE_FAILED or self.redo_finished:
                self.todo.appendleft((index, index + 1))
            else:
                finished.append((index, state(index)))
            index += 1
        if index == end:
            return finished, None
        if index + 1 < end:
            self.todo.appendleft((index + 1, end))
        self.deaths[index] = self.deaths.get(index, 0) + 1
        if self.deaths[index] >= DEATHS_TO_BLAME:
            return finished, index
        self.todo.appendleft((index, index + 1))  # alone, in a fresh worker
        return finished, None


def _on_terminate(signum: int, frame: Optional[FrameType]) -> None:
    temp = _output.pending_temp
    if temp is not None:
        _output.remove_quietly(temp)
    os._exit(128 + signum)


def init_worker() -> None:
    """Worker set-up. Ctrl-C reaches the whole process group; the parent alone
    decides what it means and then terminates the workers with SIGTERM, which a
    worker answers by removing the file it was writing and exiting at once."""
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    signal.signal(signal.SIGTERM, _on_terminate)
    # The parent blocks both while it starts a worker; take them from here on.
    signal.pthread_sigmask(signal.SIG_UNBLOCK, {signal.SIGINT, signal.SIGTERM})


def _serve(connection: Connection, inherited: List[Connection], jobs: Sequence[Job], done: Any,
           settings: Settings) -> None:
    """A worker's life: convert each range the parent sends until it sends
    None. A range comes with its jobs when the list was not forked whole
    (rows read from a database as the run goes)."""
    for other in inherited:  # the parent's ends of other workers' pipes
        other.close()
    init_worker()
    storage = Storage()
    while True:
        try:
            message = connection.recv()
        except EOFError:  # the parent is gone
            return
        if message is None:
            return
        start, end, given = message
        outcomes = []
        for i in range(start, end):
            outcome = run_job(jobs[i] if given is None else given[i - start], settings, storage)
            done[i] = _STATE[outcome.kind]
            outcomes.append(outcome)
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

    def send(self, message: Optional[Tuple[int, int, Optional[List[Job]]]]) -> None:
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


def run_workers(jobs: Sequence[Job], workers: int, settings: Settings, record: Callable[[Outcome], None],
                stopped: Callable[[int, Sequence[Job]], None]) -> None:
    """Convert `jobs` in `workers` processes, passing every outcome to
    `record`. Any exception here (Ctrl-C included, or one of `record`)
    stops the workers, which leaves no temporary file, tells `stopped` how
    many logs the workers converted (reported to the parent or not) and
    which jobs may have an output whose outcome never arrived, and passes
    on."""
    done = mmap.mmap(-1, max(1, len(jobs)))  # one byte per job, shared with the workers forked below
    reported = bytearray(len(jobs))  # 1 for each job whose outcome was recorded
    # Jobs read as the run goes (a database's rows) travel with their ranges,
    # and are released once their outcomes are recorded.
    streamed = getattr(jobs, "streamed", False)
    release: Callable[[int, int], None] = getattr(jobs, "release", lambda start, end: None)

    def record_at(index: int, outcome: Outcome) -> None:
        with held:  # reported only with its manifest line
            reported[index] = 1
            record(outcome)
        release(index, index + 1)

    context = multiprocessing.get_context("fork")
    schedule = Schedule(len(jobs), workers, redo_finished=settings.manifest)
    live: List[_Worker] = []

    def current(w: _Worker) -> Optional[int]:
        """The log a worker is converting: the first not done of its ranges.
        Not only of the first: the answer of a finished range may still be in
        the pipe while the worker converts the next one."""
        return next((i for span in w.spans for i in range(*span) if done[i] == OPEN), None)

    def remove_temps(w: _Worker) -> None:
        """The temporary file of a dead worker: one for the log it was converting."""
        converting = current(w)
        if converting is not None:
            _output.remove_temps_of(w.process.pid, settings.token, [jobs[converting].destination])

    def start_worker() -> None:
        parent_end, child_end = context.Pipe()
        inherited = [w.connection for w in live] + [parent_end]
        process = context.Process(target=_serve, args=(child_end, inherited, jobs, done, settings), daemon=True)
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
        while schedule.more() and sum(not w.stopping for w in live) < workers:
            start_worker()
        for w in live:
            while schedule.more() and not w.stopping and len(w.spans) < IN_FLIGHT:
                start, end = schedule.next_span()
                w.spans.append((start, end))
                w.send((start, end, [jobs[i] for i in range(start, end)] if streamed else None))
            if not schedule.more() and not w.spans and not w.stopping:
                w.stopping = True
                w.send(None)

    def gone(w: _Worker) -> None:
        """A worker has exited; its process is not yet reaped, so its PID
        (in its temporary names) cannot belong to anyone else yet."""
        remove_temps(w)
        live.remove(w)
        w.process.join()
        w.connection.close()
        finished, blamed = schedule.died(list(w.spans), done.__getitem__)
        w.spans.clear()
        for index, state in finished:
            record_at(index, CONVERTED if state == DONE_CONVERTED else SKIPPED)
        if blamed is not None:
            record_at(blamed, failed(jobs[blamed].source, WORKER_DIED, _death_note(w.process.exitcode)))

    def stop() -> None:
        """Stop every worker: SIGTERM (a worker removes its own temporary
        file), then SIGKILL for one that does not obey in time, whose files
        the parent removes. Nothing here waits without end."""
        for w in live:
            if w.process.exitcode is None:
                w.process.terminate()
        deadline = time.monotonic() + STOP_SECONDS
        for w in live:
            w.process.join(max(0.0, deadline - time.monotonic()))
        for w in live:
            if w.process.exitcode is None:
                w.process.kill()
                w.process.join()
                remove_temps(w)

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
                        answers.append((w.spans[0][0], w.connection.recv()))
                        w.spans.popleft()
                except (EOFError, OSError):  # of the pipe only: the worker is gone
                    died = True
                for start, outcomes in answers:
                    for index, outcome in enumerate(outcomes, start):
                        record_at(index, outcome)
                if died:
                    # It closed its pipe, so it is exiting (or stuck: then it is killed).
                    if not wait([w.process.sentinel], STOP_SECONDS):
                        w.process.kill()
                        wait([w.process.sentinel])
                    gone(w)
            balance()
    except BaseException:
        stop()
        # Finished logs whose outcomes died with the workers, and the log
        # each worker was converting (its output may be in place already).
        unreported = [jobs[i] for i in range(len(jobs))
                      if done[i] in (DONE_CONVERTED, DONE_SKIPPED) and not reported[i]]
        for w in live:
            converting = current(w)
            if converting is not None:
                unreported.append(jobs[converting])
        stopped(done[:].count(DONE_CONVERTED), unreported)
        raise
    finally:
        done.close()
