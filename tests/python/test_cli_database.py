"""The `ripaion` command with Tenhou log databases as input."""

import bz2
import gzip
import hashlib
import json
import os
import shutil
import signal
import sqlite3
import time

import pytest
from log_databases import build_h, build_p, records, standard_rows

from ripaion_rs import convert_to_bytes
from ripaion_rs._layout import row_output

from cli_support import GOOD, group_members, hidden_files, run_cli, start_cli
from cli_support import LOGS as LOGS_DIR

BUILDERS = {"P": build_p, "H": build_h}


def expected_of(rows):
    """{output path below DIR: bytes} of the rows that convert, and the ids
    that fail; a row's expectation is checked against the extension itself."""
    outputs, failing = {}, set()
    for row in rows:
        if row.expect not in ("converted", "failed"):
            continue
        try:
            data = convert_to_bytes(row.source) if row.source is not None else None
        except ValueError:
            data = None
        if data is None:
            failing.add(row.log_id)
        else:
            outputs[row_output(row.log_id, "date", ".mjson", False)] = data
    return outputs, failing


def tree_of(out, decompress=False):
    files = {}
    for path in out.rglob("*"):
        if path.is_file():
            data = path.read_bytes()
            files[str(path.relative_to(out))] = gzip.decompress(data) if decompress else data
    return files


@pytest.fixture(params=["P", "H"])
def database(request, tmp_path):
    rows = standard_rows("bzip2" if request.param == "P" else "gzip")
    return BUILDERS[request.param](tmp_path / "games.db", rows), rows


@pytest.mark.parametrize("jobs", ["1", "2"])
def test_a_database_converts_row_by_row(tmp_path, database, jobs):
    path, rows = database
    out, report, manifest = tmp_path / "out", tmp_path / "report.jsonl", tmp_path / "manifest.jsonl"
    before = hashlib.sha256(path.read_bytes()).hexdigest()
    result = run_cli("-o", out, "-j", jobs, "--report", report, "--manifest", manifest, "games.db", cwd=tmp_path)
    assert result.returncode == 1, result.stderr  # some rows fail
    assert hashlib.sha256(path.read_bytes()).hexdigest() == before
    outputs, failing = expected_of(rows)
    assert tree_of(out) == outputs
    assert all(name.startswith(("2009/", "2010/", "2014/", "2015/", "2016/", "2019/", "2020/", "2022/",
                                "2023/", "other/")) for name in outputs)
    failures = [json.loads(line) for line in report.read_text().splitlines()]
    assert sorted(f["path"] for f in failures) == sorted("games.db#" + i for i in failing)
    assert all(f["type"] and f["message"] for f in failures)
    lines = [json.loads(line) for line in manifest.read_text().splitlines()]
    skipped = {line["input"]: line["skipped"] for line in lines if line.get("skipped")}
    assert skipped == {"games.db#" + r.log_id: r.expect for r in rows
                       if r.expect not in ("converted", "failed")}
    converted = [line for line in lines if not line.get("skipped")]
    assert sorted(line["output"] for line in converted) == sorted(str(out / name) for name in outputs)
    game = next(line for line in converted if line["input"] == "games.db#2019021004gm-00a9-0000-e2f6516d")
    assert game["date"] == "2019-02-10T04" and game["hands"] > 0
    stderr = result.stderr.decode()
    counts = "%d converted, 5 skipped (3 not downloaded, 1 error, 1 three-player), %d failed" % (
        len(outputs), len(failing))
    assert counts in stderr, stderr


def test_the_same_outputs_with_two_jobs_gzip_and_the_local_cluster(tmp_path):
    pytest.importorskip("distributed")
    path = build_p(tmp_path / "games.db", standard_rows())
    trees = []
    for name, options in (("one", ["-j", "1"]), ("two", ["-j", "2"]), ("dask", ["--dask", "local:2"])):
        result = run_cli("-q", "--gzip", "-o", tmp_path / name, *options, path, cwd=tmp_path, timeout=300)
        assert result.returncode == 1, result.stderr
        trees.append(tree_of(tmp_path / name))
    assert trees[0] == trees[1] == trees[2]
    assert len(trees[0]) > 10


@pytest.mark.parametrize("options, count", [
    (["--where", "log_id LIKE '2019%' AND is_sanma = 0"], 7),
    (["--limit", "3"], 3),
    (["--where", "log_id >= '2019'", "--limit", "2"], 2),
])
def test_where_and_limit_choose_the_rows(tmp_path, options, count):
    path = build_p(tmp_path / "games.db", standard_rows())
    out = tmp_path / "out"
    result = run_cli("-o", out, *options, path, cwd=tmp_path)
    assert result.returncode in (0, 1), result.stderr
    assert len(tree_of(out)) + result.stderr.decode().count("games.db#") <= count
    assert ("%d logs:" % count).encode() in result.stderr


def test_a_condition_no_row_meets(tmp_path):
    path = build_p(tmp_path / "games.db", standard_rows())
    result = run_cli("-o", tmp_path / "out", "--where", "log_id = 'none'", path, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    assert b"no row of the databases selected" in result.stderr
    assert list((tmp_path / "out").rglob("*.mjson")) == []


@pytest.mark.parametrize("make_args, message", [
    (lambda db, out: ["-o", out, "--where", "no_such = 1", db], "--where: no such column: no_such"),
    (lambda db, out: ["-o", out, "--where", "is_sanma =", db], "--where: "),
    (lambda db, out: ["-o", out, "--where", "1; DELETE FROM logs", db], "one condition only"),
    (lambda db, out: ["-o", out, "--where", "1) OR (1", db], "unbalanced"),
    (lambda db, out: ["-o", out, "--limit", "-1", db], "--limit"),
    (lambda db, out: ["-o", out, "--layout", "tree", db], "--layout"),
    (lambda db, out: [db], "-o"),
    (lambda db, out: ["-o", out, db, db.parent / "copy.db"], "would both be written to"),
    (lambda db, out: ["-o", out, "--layout", "flat", db, db.parent / "flat"], "would both be written to"),
])
def test_refusals_come_before_anything_is_written(tmp_path, make_args, message):
    db = build_p(tmp_path / "games.db", standard_rows())
    shutil.copy(db, tmp_path / "copy.db")
    flat = tmp_path / "flat"
    flat.mkdir()
    shutil.copy(GOOD[0], flat / "2099123123gm-00a9-0000-00000006.json")  # the same name as a row's, flat
    before = hashlib.sha256(db.read_bytes()).hexdigest()
    out = tmp_path / "out"
    result = run_cli(*make_args(db, out), cwd=tmp_path)
    assert result.returncode == 2, result.stderr
    assert message in result.stderr.decode()
    assert not out.exists()
    assert hashlib.sha256(db.read_bytes()).hexdigest() == before


def test_a_file_that_is_not_a_log_database(tmp_path):
    path = tmp_path / "other.db"
    with sqlite3.connect(str(path)) as db:
        db.execute("CREATE TABLE games (id TEXT, blob BLOB)")
    db.close()
    result = run_cli("-o", tmp_path / "out", path, cwd=tmp_path)
    assert result.returncode == 2
    assert b"not a Tenhou log database" in result.stderr and b"games(id, blob)" in result.stderr


def test_layouts_and_files_beside_a_database(tmp_path):
    path = build_p(tmp_path / "games.db", standard_rows()[:3])
    folder = tmp_path / "files"
    folder.mkdir()
    shutil.copy(GOOD[0], folder / GOOD[0].name)
    for layout, expected in (("flat", {GOOD[0].stem + ".mjson"}), ("mirror", {GOOD[0].stem + ".mjson"}),
                             ("date", {"2019/02/" + GOOD[0].stem + ".mjson"})):
        out = tmp_path / layout
        result = run_cli("-q", "-o", out, "--layout", layout, path, folder, cwd=tmp_path)
        assert result.returncode == 0, result.stderr
        files = set(tree_of(out))
        assert expected <= files and len(files) == 4
        if layout != "date":
            assert all("/" not in name for name in files)
    # Without --layout: rows by date, files mirrored.
    result = run_cli("-q", "-o", tmp_path / "default", path, folder, cwd=tmp_path)
    assert result.returncode == 0
    files = set(tree_of(tmp_path / "default"))
    assert GOOD[0].stem + ".mjson" in files and sum("/" in f for f in files) == 3


def test_skip_existing_resumes_a_database(tmp_path):
    path = build_p(tmp_path / "games.db", standard_rows())
    out = tmp_path / "out"
    first = run_cli("-q", "-o", out, path, cwd=tmp_path)
    assert first.returncode == 1
    made = tree_of(out)
    second = run_cli("-o", out, "--skip-existing", path, cwd=tmp_path)
    stderr = second.stderr.decode()
    assert "0 converted, %d skipped" % (len(made) + 5) in stderr, stderr
    assert tree_of(out) == made


def big_database(path, count):
    xml = records()[0][1]
    blob = bz2.compress(xml)
    with sqlite3.connect(str(path)) as db:
        db.execute("CREATE TABLE logs (log_id TEXT PRIMARY KEY, is_sanma INT, is_processed INT, "
                   "was_error INT, log_content BLOB)")
        db.executemany("INSERT INTO logs VALUES (?, 0, 1, 0, ?)",
                       [("2020010100gm-00a9-0000-%08x" % i, blob) for i in range(count)])
    db.close()
    return path


@pytest.mark.parametrize("jobs, sig, status", [("2", signal.SIGINT, 130), ("1", signal.SIGTERM, 143)])
def test_stopping_a_database_run_leaves_only_complete_files(tmp_path, jobs, sig, status):
    path = big_database(tmp_path / "big.db", 3000)
    out = tmp_path / "out"
    process = start_cli("-o", out, "-j", jobs, path, cwd=tmp_path)
    try:
        deadline = time.monotonic() + 60
        while len(list(out.rglob("*.mjson"))) < 50 and time.monotonic() < deadline:
            time.sleep(0.05)
        os.killpg(process.pid, sig) if sig == signal.SIGINT else os.kill(process.pid, sig)
        _, stderr = process.communicate(timeout=15)
    finally:
        for member in group_members(process.pid):
            os.kill(member, signal.SIGKILL)
        process.wait()
    assert process.returncode == status, stderr
    assert b"interrupted after" in stderr and b"Traceback" not in stderr
    assert hidden_files(out) == []
    expected = convert_to_bytes(records()[0][1])
    written = list(out.rglob("*.mjson"))
    assert 50 <= len(written) < 3000 and all(p.read_bytes() == expected for p in written)


def test_the_manifest_indexes_the_games(tmp_path):
    from game_facts import KEYS, agree, from_json

    build_p(tmp_path / "games.db", standard_rows())
    indexes = []
    for name, options in (("plain", []), ("gzip", ["--gzip"])):
        manifest = tmp_path / (name + ".jsonl")
        result = run_cli("-q", "-o", tmp_path / name, "--manifest", manifest, *options, "games.db", cwd=tmp_path)
        assert result.returncode == 1, result.stderr
        lines = [json.loads(line) for line in manifest.read_text(encoding="utf-8").splitlines()]
        indexes.append({line["input"]: line for line in lines})
    plain, packed = indexes
    assert plain.keys() == packed.keys()
    for source, line in plain.items():
        other = dict(packed[source], output=line["output"])
        if "bytes" in line:
            other["bytes"] = line["bytes"]
        assert other == line  # the same index whether the outputs are compressed or not
    game_id = "2019021004gm-00a9-0000-e2f6516d"
    line = plain["games.db#" + game_id]
    export = from_json((LOGS_DIR / (game_id + ".json")).read_text(encoding="utf-8"))
    assert set(KEYS) <= set(line) and agree(line, export)
    assert line["room"] == "phoenix" and line["placements"] == [4, 3, 2, 1]
    assert line["date"] == "2019-02-10T04" and line["hands"] > 0 and line["events"] > line["hands"]
    skipped = plain["games.db#2099123123gm-00a9-0000-00000005"]
    assert skipped == {"input": "games.db#2099123123gm-00a9-0000-00000005", "output": None,
                       "game_id": "2099123123gm-00a9-0000-00000005", "date": "2099-12-31T23",
                       "skipped": "three-player"}
