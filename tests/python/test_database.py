"""Reading Tenhou log databases: layouts, row kinds, the user's condition,
read-only access, and the content's decompression."""

import bz2
import gzip
import hashlib
import os
import signal
import sqlite3
import time
from collections import Counter

import pytest
from log_databases import build_h, build_p, records, standard_rows

from ripaion_rs import convert_to_bytes, read_log_database
from ripaion_rs._content import ContentError, unpack
from ripaion_rs._database import DatabaseError, LogTooLarge, Selection, is_database

BUILDERS = {"P": build_p, "H": build_h}


def digest(path):
    return hashlib.sha256(path.read_bytes()).hexdigest()


@pytest.fixture(params=["P", "H"])
def database(request, tmp_path):
    rows = standard_rows("bzip2" if request.param == "P" else "gzip")
    return BUILDERS[request.param](tmp_path / ("games-%s.db" % request.param), rows), rows


def test_rows_to_convert_come_decompressed_and_skipped_ones_unread(database):
    path, rows = database
    with Selection(str(path)) as selection:
        read = [row for batch in selection.batches(1 << 20) for row in batch]
        assert selection.total == len(rows)
        expected_counts = Counter(None if r.expect in ("converted", "failed") else r.expect for r in rows)
        assert selection.counts == expected_counts
    assert sorted(r.log_id for r in read) == sorted(r.log_id for r in rows)  # in the table's order
    expectations = {r.log_id: r for r in rows}
    for row in read:
        expected = expectations[row.log_id]
        if expected.expect in ("converted", "failed"):
            assert row.skipped is None and row.content == expected.content
        else:
            assert (row.skipped, row.content) == (expected.expect, None)
    taken = dict(read_log_database(path))
    assert sorted(taken) == sorted(r.log_id for r in rows if r.expect in ("converted", "failed"))
    for row in rows:
        if row.expect == "converted":
            assert taken[row.log_id] == row.source
            assert convert_to_bytes(taken[row.log_id]) == convert_to_bytes(row.source)
    # Content that cannot be decompressed comes as stored, for convert() to refuse.
    broken = "2099123123gm-00a9-0000-00000006"
    assert taken[broken] == b"BZh91AY&SYbroken"
    with pytest.raises(ValueError):
        convert_to_bytes(taken[broken])


@pytest.mark.parametrize("name", ["a?b.db", "a#b.db", "100%.db", "a%3Fb.db", "sp ace.db", "日本.db", "x\udcff.db"])
def test_a_database_is_found_under_a_name_a_uri_would_misread(tmp_path, name):
    rows = standard_rows("bzip2")
    path = build_p(tmp_path / name, rows)
    (tmp_path / "a").write_bytes(b"not this")  # where a name cut at '?' or '#' would lead
    assert sorted(dict(read_log_database(path))) == sorted(
        r.log_id for r in rows if r.expect in ("converted", "failed"))


def test_batches_are_bounded_by_bytes_and_rows(tmp_path):
    xml = records()[0][1]
    path = tmp_path / "many.db"
    with sqlite3.connect(str(path)) as db:
        db.execute("CREATE TABLE logs (log_id TEXT PRIMARY KEY, is_sanma INT, is_processed INT, "
                   "was_error INT, log_content BLOB)")
        db.executemany("INSERT INTO logs VALUES (?, 0, 1, 0, ?)",
                       [("g%04d" % i, bz2.compress(xml)) for i in range(300)])
    db.close()
    size = len(bz2.compress(xml))
    with Selection(str(path)) as selection:
        batches = list(selection.batches(size * 10))
    assert [len(b) for b in batches] == [10] * 30
    with Selection(str(path)) as selection:
        assert [len(b) for b in selection.batches(1 << 30, max_rows=128)] == [128, 128, 44]


@pytest.mark.parametrize("where, limit, expected", [
    (None, 3, 3),
    (None, 0, 0),
    ("log_id LIKE '2019%'", None, 5 + 2),  # with the trailing blank, and in capitals
    ("date >= '2020-01-01' AND date < '2099-01-01'", None, 4),
    ("log_id IN (SELECT log_id FROM logs WHERE is_sanma = 1)", None, 1),
    ("-- a comment\n is_processed = 0", None, 2),
    ("1 /* ) ; */", 5, 5),
    ("log_id = 'it''s'", None, 0),
])
def test_condition_and_limit_select_rows(tmp_path, where, limit, expected):
    path = build_p(tmp_path / "g.db", standard_rows())
    with Selection(str(path), where, limit) as selection:
        assert selection.total == expected
        assert sum(len(b) for b in selection.batches(1 << 20)) == expected


@pytest.mark.parametrize("where, message", [
    ("is_tonpusen = ", "syntax error"),
    ("no_such_column = 1", "--where: no such column: no_such_column"),
    ("1; DROP TABLE logs", "one condition only"),
    ("1) OR (1", "unbalanced ')'"),
    ("1) UNION SELECT log_id, 1, 1 FROM logs --", "unbalanced ')'"),
    ("(1", "unbalanced '('"),
    ("log_id = 'x", "unterminated string"),
    ("1 /* open", "unterminated comment"),
    ("   ", "the condition is empty"),
    ("load_extension('x') IS NULL", "not authorized"),
    ("log_id IN (SELECT name FROM pragma_table_info('logs'))", "not authorized"),
])
def test_a_bad_condition_is_refused_and_writes_nothing(tmp_path, where, message):
    path = build_p(tmp_path / "g.db", standard_rows())
    before = digest(path)
    with pytest.raises(DatabaseError, match="--where") as caught:
        Selection(str(path), where)
    assert message in str(caught.value)
    with pytest.raises(ValueError):
        read_log_database(path, where=where)
    assert digest(path) == before
    assert sorted(p.name for p in tmp_path.iterdir()) == ["g.db"]


def test_other_shapes_name_the_tables_and_columns_found(tmp_path):
    path = tmp_path / "other.db"
    with sqlite3.connect(str(path)) as db:
        db.execute("CREATE TABLE games (id TEXT, body BLOB)")
        db.execute("CREATE TABLE logs (log_id TEXT, log_content BLOB)")
    db.close()
    with pytest.raises(DatabaseError) as caught:
        read_log_database(path)
    text = str(caught.value)
    assert "not a Tenhou log database" in text
    assert "games(id, body)" in text and "logs(log_id, log_content)" in text
    assert "logs(id, log, num_players, is_processed, was_error)" in text


def test_files_that_are_not_databases(tmp_path):
    text = tmp_path / "games.db"
    text.write_bytes(b"SQLite format 2\x00" + bytes(100))
    assert not is_database(str(text))
    with pytest.raises(ValueError, match="not an SQLite database"):
        read_log_database(text)
    with pytest.raises(FileNotFoundError):
        read_log_database(tmp_path / "missing.db")
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    assert not is_database(str(fifo))  # not opened for reading: this would block otherwise
    assert is_database(str(build_h(tmp_path / "h.db", [])))
    with pytest.raises(ValueError, match="limit"):
        read_log_database(tmp_path / "h.db", limit=-1)


def test_read_only_file_and_a_database_being_written_in_wal_mode(tmp_path):
    path = build_p(tmp_path / "g.db", standard_rows())
    os.chmod(path, 0o444)
    expected = dict(read_log_database(path))
    os.chmod(path, 0o644)
    writer = sqlite3.connect(str(path), isolation_level=None)
    try:
        writer.execute("PRAGMA journal_mode=WAL")
        writer.execute("BEGIN IMMEDIATE")
        writer.execute("INSERT INTO logs (log_id, is_sanma, is_processed, was_error, log_content) "
                       "VALUES ('new', 0, 1, 0, 'x')")
        assert dict(read_log_database(path)) == expected  # the uncommitted row is not seen
        writer.execute("COMMIT")
        assert list(read_log_database(path, where="log_id = 'new'")) == [("new", b"x")]
    finally:
        writer.close()


def test_a_long_query_stops_at_ctrl_c(tmp_path):
    path = build_p(tmp_path / "g.db", standard_rows())
    slow = ("(WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 100000000) "
            "SELECT count(*) FROM c) > 0")
    signal.setitimer(signal.ITIMER_REAL, 0.3)
    previous = signal.signal(signal.SIGALRM, lambda *a: os.kill(os.getpid(), signal.SIGINT))
    start = time.monotonic()
    try:
        with pytest.raises(KeyboardInterrupt):
            Selection(str(path), slow)
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert time.monotonic() - start < 5
    assert signal.getsignal(signal.SIGINT) is signal.default_int_handler


XML = records()[0][1]


@pytest.mark.parametrize("stored, expected", [
    (bz2.compress(XML), XML),
    (bz2.compress(XML[:100]) + bz2.compress(XML[100:]), XML),
    (gzip.compress(XML), XML),
    (gzip.compress(XML[:100]) + gzip.compress(XML[100:]) + b"\0\0", XML),
    (XML, XML),
    (XML.decode("utf-8"), XML),
    (b'{"log":[]}', b'{"log":[]}'),
])
def test_content_is_told_by_its_first_bytes(stored, expected):
    assert unpack(stored) == expected


@pytest.mark.parametrize("stored, error", [
    (b"BZh9" + b"x" * 40, ContentError),
    (bz2.compress(XML)[:-10], ContentError),
    (gzip.compress(XML)[:-10], ContentError),
    (b"\x1f\x8b\x08\x00garbage", ContentError),
    (bz2.compress(bytes(len(XML) + 1)), LogTooLarge),
    (gzip.compress(bytes(len(XML) + 1)), LogTooLarge),
    (bytes(len(XML) + 1), LogTooLarge),
])
def test_content_that_cannot_be_read(stored, error):
    with pytest.raises(error):
        unpack(stored, cap=len(XML))
