"""A database's rows as the jobs of a run: read a batch at a time, held only
until their outcomes are recorded, skipped rows recorded as they are read."""

import bz2
import sqlite3

import pytest
from log_databases import build_p, records, standard_rows

from ripaion_rs import _batch, convert_to_bytes
from ripaion_rs._database import Selection
from ripaion_rs._job import Job, Kind, Settings
from ripaion_rs._pool import IN_FLIGHT, MAX_SPAN
from ripaion_rs._rows import DatabaseInput, StreamedJobs, shared_output


def uniform_database(path, count):
    xml = records()[0][1]
    with sqlite3.connect(str(path)) as db:
        db.execute("CREATE TABLE logs (log_id TEXT PRIMARY KEY, is_sanma INT, is_processed INT, "
                   "was_error INT, log_content BLOB)")
        db.executemany("INSERT INTO logs VALUES (?, ?, 1, 0, ?)",
                       [("2020010100gm-00a9-0000-%08x" % i, int(i % 10 == 9), bz2.compress(xml))
                        for i in range(count)])
    db.close()
    return path, convert_to_bytes(xml), len(bz2.compress(xml))


@pytest.mark.parametrize("workers", [1, 2])
def test_a_database_larger_than_the_batch_limit(tmp_path, workers):
    path, expected, blob = uniform_database(tmp_path / "g.db", 400)
    out = tmp_path / "out"
    outcomes, held = [], []
    with Selection(str(path)) as selection:
        jobs = StreamedJobs([], [DatabaseInput("g.db", str(path), selection)], str(out), "date", ".mjson",
                            False, manifest=True, batch_bytes=blob * 8)
        jobs.record_skipped = outcomes.append

        def record(outcome):
            outcomes.append(outcome)
            held.append(len(jobs._held))

        assert (len(jobs), jobs.rows_skipped) == (360, 40)
        _batch.run(jobs, workers, Settings(token="abcdefgh", manifest=True), record, lambda converted: None)
        jobs.finish()
    kinds = [o.kind for o in outcomes]
    assert kinds.count(Kind.CONVERTED) == 360 and kinds.count(Kind.SKIPPED) == 40
    assert {o.entry["skipped"] for o in outcomes if o.kind is Kind.SKIPPED} == {"three-player"}
    written = sorted(out.rglob("*.mjson"))
    assert len(written) == 360 and all(p.read_bytes() == expected for p in written)
    assert {str(p.parent.relative_to(out)) for p in written} == {"2020/01"}
    # Never more jobs in memory than the workers hold and one batch read ahead.
    assert max(held) <= workers * IN_FLIGHT * MAX_SPAN + 8


def test_only_skipped_rows_are_all_recorded(tmp_path):
    path = build_p(tmp_path / "g.db", standard_rows())
    skipped = []
    with Selection(str(path), "is_processed = 0 OR is_sanma = 1") as selection:
        jobs = StreamedJobs([], [DatabaseInput("g.db", str(path), selection)], str(tmp_path), "date",
                            ".mjson", False, manifest=False)
        jobs.record_skipped = skipped.append
        assert len(jobs) == 0
        _batch.run(jobs, 2, Settings(), lambda outcome: None, lambda converted: None)
        jobs.finish()
    assert sorted(o.error for o in skipped) == ["not downloaded", "not downloaded", "three-player"]
    assert all(o.entry is None and o.source.startswith("g.db#2099") for o in skipped)


def test_outputs_shared_between_inputs(tmp_path):
    one = build_p(tmp_path / "one.db", standard_rows()[:4])
    two = build_p(tmp_path / "two.db", standard_rows()[3:6])
    with Selection(str(one)) as a, Selection(str(two)) as b, Selection(str(two), "rowid > 1") as c:
        first = DatabaseInput("one.db", str(one), a)
        assert shared_output([], [first], "out", "date", ".mjson", False) is None
        clash = shared_output([], [first, DatabaseInput("two.db", str(two), b)], "out", "date", ".mjson", False)
        assert clash is not None and "one.db#" in clash and "two.db#" in clash
        assert shared_output([], [first, DatabaseInput("two.db", str(two), c)], "out", "date", ".mjson",
                             False) is None
        row = standard_rows()[0].log_id
        file_job = Job("files/%s.json" % row, "out/%s.mjson" % row)
        assert shared_output([file_job], [first], "out", "date", ".mjson", False) is None
        assert "files/" in shared_output([file_job], [first], "out", "flat", ".mjson", False)
