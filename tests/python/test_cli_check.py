"""`ripaion check` over stream files, and the converter's `--manifest`, run as
`python -m ripaion_rs` in a subprocess."""

import gzip
import json
import os
import shutil
import time
import zlib

import pytest

from cli_support import GOOD, run_cli
from game_facts import KEYS, from_json
from ripaion_rs import _batch, tenhou_to_mjai
from ripaion_rs._gunzip import gunzip


def stream_text(log, damage=None):
    lines = tenhou_to_mjai(log)
    if damage is not None:
        damage(lines)
    return "".join(line + "\n" for line in lines).encode("utf-8")


def _tsumogiri_of_another_tile(lines):
    for i, line in enumerate(lines):
        if '"tsumogiri":false' in line and lines[i - 1].startswith('{"type":"tsumo"') \
                and json.loads(lines[i - 1])["pai"] != json.loads(line)["pai"]:
            lines[i] = line.replace('"tsumogiri":false', '"tsumogiri":true')
            return i + 1


@pytest.fixture
def streams(tmp_path):
    """Valid streams in every accepted form, two invalid ones and a file that
    is not taken; returns (directory, {invalid path: (line, kind)})."""
    src = tmp_path / "streams"
    (src / "deep").mkdir(parents=True)
    (src / "a.mjson").write_bytes(stream_text(GOOD[0]))
    (src / "deep" / "b.jsonl.gz").write_bytes(gzip.compress(stream_text(GOOD[1])))
    (src / "c.json").write_bytes(stream_text(GOOD[2]))
    lines = tenhou_to_mjai(GOOD[2])
    bad_line = _tsumogiri_of_another_tile(lines)
    (src / "deep" / "bad.mjson.gz").write_bytes(gzip.compress("".join(line + "\n" for line in lines).encode()))
    (src / "cut.jsonl").write_bytes(stream_text(GOOD[0])[:-5])  # ends inside end_game's line
    (src / "notes.txt").write_text("not a stream", encoding="utf-8")
    invalid = {str(src / "deep" / "bad.mjson.gz"): (bad_line, "tsumogiri"),
               str(src / "cut.jsonl"): (len(tenhou_to_mjai(GOOD[0])), "json")}
    return src, invalid


@pytest.mark.parametrize("jobs", ["1", "2"])
def test_invalid_streams_are_reported_with_line_and_kind(tmp_path, streams, jobs):
    src, invalid = streams
    report = tmp_path / "report.jsonl"
    result = run_cli("check", "-j", jobs, "--report", report, src, cwd=tmp_path)
    assert result.returncode == 1, result.stderr
    lines = [json.loads(line) for line in report.read_text(encoding="utf-8").splitlines()]
    assert {line["path"]: (line["line"], line["kind"]) for line in lines} == invalid
    assert all(line["message"] for line in lines)
    assert "5 streams: 3 valid, 2 invalid" in result.stderr.decode()


def test_valid_streams_exit_zero(tmp_path, streams):
    src, _ = streams
    result = run_cli("check", "-q", src / "a.mjson", str(src / "deep" / "*.jsonl.gz"), src / "c.json", cwd=tmp_path)
    assert (result.returncode, result.stderr) == (0, b"")


def test_invalid_stream_shown_without_report(tmp_path, streams):
    src, invalid = streams
    result = run_cli("check", src / "cut.jsonl", cwd=tmp_path)
    assert result.returncode == 1
    line, kind = invalid[str(src / "cut.jsonl")]
    assert "%s:%d: %s: " % (src / "cut.jsonl", line, kind) in result.stderr.decode()


def test_every_gzip_member_is_checked(tmp_path):
    """A stream compressed as several members (cat a.gz b.gz) is read whole,
    as zcat reads it: a problem in a later member is found."""
    lines = tenhou_to_mjai(GOOD[0])
    text = "".join(line + "\n" for line in lines).encode()
    cut = len("".join(line + "\n" for line in lines[:5]).encode())
    (tmp_path / "ok.mjson.gz").write_bytes(gzip.compress(text[:cut]) + gzip.compress(text[cut:]))
    broken = text[:cut] + text[cut:].replace(b'"type":"dahai"', b'"type":"bogus"', 1)
    (tmp_path / "bad.mjson.gz").write_bytes(gzip.compress(broken[:cut]) + gzip.compress(broken[cut:]))
    assert run_cli("check", "ok.mjson.gz", cwd=tmp_path).returncode == 0
    result = run_cli("check", "bad.mjson.gz", cwd=tmp_path)
    assert result.returncode == 1
    assert "unknown event type" in result.stderr.decode()


def test_unreadable_stream_fails(tmp_path):
    good = gzip.compress(stream_text(GOOD[0]))
    cases = {"x.mjson.gz": (b"not gzip", "BadGzipFile"),
             "cut.mjson.gz": (good[:-4], "EOFError"),
             "junk.mjson.gz": (good + b"junk", "BadGzipFile"),
             "empty.mjson.gz": (b"", "EOFError")}
    for name, (data, _) in cases.items():
        (tmp_path / name).write_bytes(data)
    result = run_cli("check", "--report", "r.jsonl", *cases, cwd=tmp_path)
    assert result.returncode == 1
    report = [json.loads(line) for line in (tmp_path / "r.jsonl").read_text(encoding="utf-8").splitlines()]
    assert {line["path"]: line["type"] for line in report} == {name: kind for name, (_, kind) in cases.items()}
    assert {line["path"]: line["message"] for line in report}["x.mjson.gz"] == "not a gzip file"


def test_zero_padding_after_gzip_is_ignored(tmp_path):
    """Zero bytes after the last member (as some tools pad files) read as
    zcat reads them."""
    (tmp_path / "padded.mjson.gz").write_bytes(gzip.compress(stream_text(GOOD[0])) + bytes(1000))
    result = run_cli("check", "padded.mjson.gz", cwd=tmp_path)
    assert result.returncode == 0, result.stderr


def test_many_gzip_members_are_read_in_linear_work(tmp_path, monkeypatch):
    """A valid stream followed by thousands of empty members: the bytes handed
    to the decompressor stay within a small multiple of the file, instead of
    the rest of the file after every member."""
    path = tmp_path / "members.mjson.gz"
    data = gzip.compress(stream_text(GOOD[0])) + gzip.compress(b"") * 5000
    path.write_bytes(data)
    fed = []
    real = zlib.decompressobj

    class Counting:
        def __init__(self, *args, **kwargs):
            self.inner = real(*args, **kwargs)

        def decompress(self, piece, *args):
            fed.append(len(piece))
            return self.inner.decompress(piece, *args)

        def __getattr__(self, name):
            return getattr(self.inner, name)

    monkeypatch.setattr(zlib, "decompressobj", Counting)
    assert gunzip(path.read_bytes(), 1 << 30) == stream_text(GOOD[0])
    assert sum(fed) < 20 * len(data)


def test_interrupted_check_summary_counts_streams():
    tally = _batch.Tally(3, None, time.monotonic(), checking=True)
    tally.stop_status = 130
    summary = tally.summary()
    assert "interrupted after 0 of 3 streams" in summary and "logs" not in summary


@pytest.mark.parametrize("args", [[], ["missing.mjson"], ["--bogus", "."], ["-j", "0", "."]])
def test_usage_errors_exit_two(tmp_path, args):
    result = run_cli("check", *args, cwd=tmp_path)
    assert result.returncode == 2
    assert b"ripaion check: error:" in result.stderr


def date_of(game_id):
    """2019021004gm-... -> 2019-02-10T04: the hour Tenhou names the game by."""
    return "%s-%s-%sT%s" % (game_id[:4], game_id[4:6], game_id[6:8], game_id[8:10])


def test_manifest_of_a_mixed_run(tmp_path):
    src, out, manifest = tmp_path / "in", tmp_path / "out", tmp_path / "manifest.jsonl"
    src.mkdir()
    for log in GOOD:
        shutil.copy(log, src / log.name)
    (src / "bad.json").write_text('{"log": [', encoding="utf-8")
    first, *rest = GOOD
    # The first log's output exists already: --skip-existing leaves it alone.
    out.mkdir()
    (out / (first.stem + ".mjson")).write_bytes(b"kept")
    result = run_cli("-o", out, "--skip-existing", "--manifest", manifest, "-j", "2", src, cwd=tmp_path)
    assert result.returncode == 1, result.stderr
    entries = {e["input"]: e for e in map(json.loads, manifest.read_text(encoding="utf-8").splitlines())}
    assert sorted(entries) == sorted(str(src / log.name) for log in GOOD)  # not the failed log
    skipped = entries[str(src / first.name)]
    assert skipped == {"input": str(src / first.name), "output": str(out / (first.stem + ".mjson")),
                       "game_id": first.stem, "date": date_of(first.stem), "skipped": True, "bytes": 4}
    for log in rest:
        entry = entries[str(src / log.name)]
        lines = tenhou_to_mjai(log)
        start = json.loads(lines[0])
        document = json.loads(log.read_text(encoding="utf-8"))
        facts = from_json(document)  # the game's facts, read the plain way
        assert entry == {
            "input": str(src / log.name), "output": str(out / (log.stem + ".mjson")), "game_id": log.stem,
            "date": date_of(log.stem), "names": start["names"], "aka": start["aka_flag"],
            "east_only": start["kyoku_first"] == 4,
            "hands": len(document["log"]), "events": len(lines),
            **{key: facts[key] for key in KEYS},
            "bytes": os.path.getsize(out / (log.stem + ".mjson")),
        }


def test_manifest_of_one_log(tmp_path):
    log = GOOD[0]
    manifest = tmp_path / "m.jsonl"
    result = run_cli(log, tmp_path / "game.mjson", "--manifest", manifest, cwd=tmp_path)
    assert result.returncode == 0, result.stderr
    (entry,) = map(json.loads, manifest.read_text(encoding="utf-8").splitlines())
    assert (entry["input"], entry["bytes"]) == (str(log), os.path.getsize(tmp_path / "game.mjson"))
