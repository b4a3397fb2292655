"""Tenhou log databases of both layouts, built at test time from the
repository's mjlog records (never committed), with rows of every kind: to
convert (bzip2, gzip, plain XML, plain JSON), not downloaded, errors,
three-player, corrupt content, and ids that look alike."""

import bz2
import gzip
import sqlite3
from pathlib import Path

DATA = Path(__file__).resolve().parents[1] / "data"
MJLOG = DATA / "mjlog"

SCHEMA_P = """CREATE TABLE logs (log_id TEXT PRIMARY KEY, date TEXT, is_tonpusen INT, is_sanma INT,
    is_processed INT, was_error INT, log_content TEXT, log_hash TEXT)"""
SCHEMA_H = """CREATE TABLE logs (id TEXT PRIMARY KEY, date TEXT, num_players INTEGER, is_tonpu INTEGER,
    is_processed INTEGER, was_error INTEGER, log BLOB) WITHOUT ROWID"""


def records():
    """(name, XML bytes) of every mjlog record of the tests, decompressed."""
    found = []
    for path in sorted(MJLOG.iterdir()):
        if path.suffix == ".xml":
            found.append((path.stem, path.read_bytes()))
        elif path.suffix == ".mjlog":
            found.append((path.stem, gzip.decompress(path.read_bytes())))
    return found


def date_of(log_id):
    if len(log_id) >= 10 and log_id[:10].isdigit():
        return "%s-%s-%s %s:00" % (log_id[:4], log_id[4:6], log_id[6:8], log_id[8:10])
    return None


class Row:
    """One row: its id, its stored content, its flags, and what a run should make of it."""

    def __init__(self, log_id, content, expect, source=None, processed=1, error=0, players=4):
        self.log_id = log_id
        self.content = content
        self.expect = expect  # "converted", "failed" or a skip reason
        self.source = source  # the XML (or JSON) bytes it should convert like
        self.processed = processed
        self.error = error
        self.players = players


def standard_rows(compress="bzip2"):
    """Every kind of row. `compress`: how the records are mostly stored."""
    packs = {"bzip2": bz2.compress, "gzip": lambda b: gzip.compress(b, mtime=0)}
    rows = []
    logs = records()
    for k, (name, xml) in enumerate(logs):
        kind = ("plain", "gzip" if compress == "bzip2" else "bzip2")[k % 2] if k < 2 else compress
        stored = xml if kind == "plain" else packs[kind](xml)
        rows.append(Row(name, stored, "converted", xml))
    game_id, xml = next((n, x) for n, x in logs if n.startswith("2019"))
    json_log = (DATA / "logs" / (game_id + ".json")).read_bytes()
    rows += [
        # The same game under ids that only look like its own.
        Row(game_id + " ", bz2.compress(xml), "converted", xml),
        Row(game_id.upper(), bz2.compress(xml), "converted", xml),
        Row("../" + game_id, bz2.compress(json_log), "converted", json_log),
        Row("2099123123gm-00a9-0000-00000001", b"", "not downloaded", processed=0),
        Row("2099123123gm-00a9-0000-00000002", bz2.compress(xml), "not downloaded", processed=0),
        Row("2099123123gm-00a9-0000-00000003", None, "not downloaded"),
        # Content that would fail to decompress proves it is never read.
        Row("2099123123gm-00a9-0000-00000004", b"BZh9broken", "error", error=1),
        Row("2099123123gm-00a9-0000-00000005", b"BZh9broken", "three-player", players=3),
        Row("2099123123gm-00a9-0000-00000006", b"BZh91AY&SYbroken", "failed"),
        Row("2099123123gm-00a9-0000-00000007", gzip.compress(xml)[:-30], "failed"),
        Row("2099123123gm-00a9-0000-00000008", b"\x00\x01not a log", "failed"),
        Row("2099123123gm-00a9-0000-00000009", bz2.compress(b"<mjloggm ver=\"2.3\"><SHUFFLE"), "failed"),
    ]
    return rows


def build_p(path, rows):
    """Layout P: bzip2 content in a TEXT column, '' until downloaded."""
    with sqlite3.connect(str(path)) as db:
        db.execute(SCHEMA_P)
        db.executemany("INSERT INTO logs VALUES (?, ?, 0, ?, ?, ?, ?, NULL)", [
            (r.log_id, date_of(r.log_id), int(r.players == 3), r.processed, r.error,
             r.content if r.content is not None else None) for r in rows])
    db.close()
    return path


def build_h(path, rows):
    """Layout H: content in a BLOB column, NULL until downloaded."""
    with sqlite3.connect(str(path)) as db:
        db.execute(SCHEMA_H)
        db.executemany("INSERT INTO logs VALUES (?, ?, ?, 0, ?, ?, ?)", [
            (r.log_id, date_of(r.log_id), r.players, r.processed, r.error, r.content or None) for r in rows])
    db.close()
    return path
