"""The batch machinery without processes: the pool's schedule driven through
whole runs with workers that die, the tally's exit status, and one job's
step with its log given in memory."""

import collections
import io
import json

import pytest

from ripaion_rs import _ripaion, convert_to_bytes
from ripaion_rs._batch import OwnOutputError, Tally
from ripaion_rs._job import (CONVERTED, EXIT_BROKEN_PIPE, EXIT_FAILED, EXIT_INTERRUPTED, EXIT_OK,
                             EXIT_TERMINATED, EXIT_USAGE, MAX_GZIP_LEVEL, MIN_GZIP_LEVEL, SKIPPED,
                             Job, Kind, Settings, failed)
from ripaion_rs._manifest import Manifest
from ripaion_rs._pool import DONE_CONVERTED, DONE_FAILED, OPEN, Schedule
from ripaion_rs._storage import Storage
from ripaion_rs._worker import run_job
from support import MINIMAL_LOG, MINIMAL_OUTPUT, SOUND_LOG


def drive(total, workers, kills, redo_finished=False, fails=()):
    """A run of `total` logs under `schedule`, one worker at a time taking
    two ranges as a real one keeps in flight. `kills[i]`: how many times log
    i kills the worker converting it; logs in `fails` fail. A range's
    outcomes count when it is finished (its answer reached the parent); the
    finished logs of the range a worker dies in count as the schedule says.
    Gives how often each log was counted, how often tried, and the blamed."""
    schedule = Schedule(total, workers, max_span=4, redo_finished=redo_finished)
    state = [OPEN] * total
    counted = collections.Counter()
    tried = collections.Counter()
    blamed = []
    kills = dict(kills)
    while schedule.more():
        spans = [schedule.next_span()]
        if schedule.more():
            spans.append(schedule.next_span())
        for k, (start, end) in enumerate(spans):
            for i in range(start, end):
                tried[i] += 1
                if kills.get(i, 0) > 0:
                    kills[i] -= 1
                    break
                state[i] = DONE_FAILED if i in fails else DONE_CONVERTED
            else:
                counted.update(range(start, end))
                continue
            finished, blame = schedule.died(spans[k:], state.__getitem__)
            counted.update(i for i, _ in finished)
            blamed += [] if blame is None else [blame]
            break
    return counted, tried, blamed


@pytest.mark.parametrize("total, workers, kills, redo, fails, blamed", [
    (50, 2, {}, False, (), []),
    (50, 2, {7: 9}, False, (), [7]),  # kills every worker: blamed at its second death
    (50, 2, {7: 1}, False, (), []),  # one death, then converted alone
    (50, 2, {0: 9, 5: 9, 49: 9}, False, (), [0, 5, 49]),
    (50, 3, {6: 9}, True, (), [6]),  # with a manifest, the finished logs of the range are done again
    (50, 2, {6: 9}, False, (5,), [6]),  # a failed log beside the culprit is tried again for its message
    (1, 1, {0: 9}, False, (), [0]),
])
def test_every_log_counts_once_and_only_a_killer_is_blamed(total, workers, kills, redo, fails, blamed):
    counted, tried, found = drive(total, workers, kills, redo, fails)
    assert sorted(found) == blamed
    assert all(tried[i] == 2 for i in blamed)
    assert dict(counted) == {i: 1 for i in range(total) if i not in blamed}


def test_ranges_cover_the_jobs_and_shrink_towards_the_end():
    schedule = Schedule(1000, 4, max_span=32)
    spans = []
    while schedule.more():
        spans.append(schedule.next_span())
    assert [i for start, end in spans for i in range(start, end)] == list(range(1000))
    sizes = [end - start for start, end in spans]
    assert sizes[0] == 32 and sizes[-1] == 1 and sizes == sorted(sizes, reverse=True)


def test_a_death_hands_out_the_unstarted_ranges_first():
    schedule = Schedule(100, 2, max_span=4)
    first, second = schedule.next_span(), schedule.next_span()
    state = [OPEN] * 100
    state[first[0]] = DONE_CONVERTED
    finished, blame = schedule.died([first, second], state.__getitem__)
    assert finished == [(first[0], DONE_CONVERTED)] and blame is None
    culprit = first[0] + 1
    assert [schedule.next_span() for _ in range(3)] == [(culprit, culprit + 1), (culprit + 1, first[1]), second]


def outcome_of(kind):
    return {"converted": CONVERTED, "skipped": SKIPPED, "failed": failed("a.json", "JsonParsingError", "x")}[kind]


@pytest.mark.parametrize("outcomes, stop, own_error, checking, converted_by_workers, status", [
    ([], None, False, False, 0, EXIT_OK),
    (["converted", "skipped"], None, False, False, 0, EXIT_OK),
    (["converted", "failed"], None, False, False, 0, EXIT_FAILED),
    (["converted", "failed"], EXIT_INTERRUPTED, False, False, 0, EXIT_INTERRUPTED),
    (["converted"], EXIT_TERMINATED, False, False, 0, EXIT_TERMINATED),
    ([], EXIT_BROKEN_PIPE, False, False, 0, EXIT_BROKEN_PIPE),
    (["converted"], None, True, False, 0, EXIT_FAILED),  # the report failed after some work
    (["failed"], None, True, False, 0, EXIT_USAGE),  # ... before any log was converted
    (["failed"], None, True, False, 3, EXIT_FAILED),  # ... but workers had converted some
    (["failed"], EXIT_INTERRUPTED, True, False, 0, EXIT_USAGE),  # the own output's failure comes first
    (["failed"], None, True, True, 0, EXIT_FAILED),  # a check never says usage for it
])
def test_the_tally_decides_the_exit_status(outcomes, stop, own_error, checking, converted_by_workers, status):
    tally = Tally(len(outcomes), None, 0.0, checking=checking)
    for kind in outcomes:
        tally.add(outcome_of(kind))
    tally.stop_status = stop
    if own_error:
        tally.own_error = OwnOutputError("the report", OSError(28, "No space left on device"))
    tally.stopped(converted_by_workers, [], 0)
    assert tally.exit_status() == status


def test_the_tally_writes_failures_to_the_report_and_entries_to_the_manifest(tmp_path):
    report, manifest = io.StringIO(), Manifest(str(tmp_path / "m.jsonl"), resume=False)
    tally = Tally(4, report, 0.0, manifest)
    tally.add(failed("a.mjson", "dahai_not_in_hand", "message", 12))
    tally.add(failed("b.json", "JsonParsingError", "failed"))
    tally.add(run_job(Job("db#1", "", content=MINIMAL_LOG.encode()), Settings(manifest=True), NoFiles()))
    assert [json.loads(line) for line in report.getvalue().splitlines()] == [
        {"path": "a.mjson", "line": 12, "kind": "dahai_not_in_hand", "message": "message"},
        {"path": "b.json", "type": "JsonParsingError", "message": "failed"}]
    assert json.loads((tmp_path / "m.jsonl").read_text())["input"] == "db#1"
    assert (tally.converted, tally.failed, dict(tally.failed_by_type)) == (
        1, 2, {"dahai_not_in_hand": 1, "JsonParsingError": 1})


class NoFiles(Storage):
    """A storage that must not be read: in-memory jobs carry their bytes."""

    def __init__(self):
        super().__init__()
        self.written = {}

    def read(self, location, limit, searched):
        raise AssertionError("read %s" % location)

    def write(self, location, data, token):
        self.written[location] = data


@pytest.mark.parametrize("settings, content, expected", [
    (Settings(), SOUND_LOG.read_bytes(), convert_to_bytes(SOUND_LOG.read_bytes())),
    (Settings(gzip_level=6), MINIMAL_LOG.encode(), convert_to_bytes(MINIMAL_LOG, gzip=6)),
    (Settings(max_log_size=10), MINIMAL_LOG.encode(), "LogTooLarge"),
    (Settings(), b"{", "JsonParsingError"),
    (Settings(check=True), MINIMAL_OUTPUT, None),
])
def test_a_job_whose_log_is_in_memory(settings, content, expected):
    storage = NoFiles()
    outcome = run_job(Job("games.db#17", "out/17.mjson", content=content), settings, storage)
    if isinstance(expected, str):
        assert (outcome.kind, outcome.source, outcome.error) == (Kind.FAILED, "games.db#17", expected)
        assert storage.written == {}
    else:
        assert outcome is CONVERTED
        assert storage.written == ({} if expected is None else {"out/17.mjson": expected})


def test_the_extension_tells_the_facts_the_command_uses():
    for level in (MIN_GZIP_LEVEL, MAX_GZIP_LEVEL):
        convert_to_bytes(MINIMAL_LOG, gzip=level)
    for level in (MIN_GZIP_LEVEL - 1, MAX_GZIP_LEVEL + 1):
        with pytest.raises(ValueError):
            convert_to_bytes(MINIMAL_LOG, gzip=level)
    for head, expected in [(b"\x1f\x8b\x08", "gzip"), (b"\xef\xbb\xbf \n<mjloggm", "mjlog"),
                           (b"\xff\xfe<\x00", "mjlog"), (b'{"log":[]', "tenhou6"), (b"", "tenhou6")]:
        assert _ripaion.detect_format(head) == expected


@pytest.mark.parametrize("destination, root, below", [
    ("out/a.mjson", "out", True),
    ("out/sub/a.mjson", "out/", True),
    ("memory://out/sub/a..b.mjson", "memory://out", True),
    ("out/..a.mjson", "out", True),
    ("out/sub/../../escape.mjson", "out", False),
    ("memory://out/sub/../../escape.mjson", "memory://out", False),
    ("out/..", "out", False),
    ("outside/a.mjson", "out", False),
    ("out2/a.mjson", "out", False),
])
def test_an_output_must_stay_below_the_output_folder(destination, root, below):
    storage = NoFiles()
    outcome = run_job(Job("log.json", destination, content=MINIMAL_LOG.encode()), Settings(output_root=root), storage)
    assert (outcome.kind is Kind.CONVERTED) is below
    assert list(storage.written) == ([destination] if below else [])
    if not below:
        assert outcome.error == "OutputOutsideFolder" and root in outcome.message
