"""mjai streams to tenhou.net/6 JSON: the round trip over the test logs, the
notations, results and point texts against the logs' own, the scored texts
and the payment check (with the scoring extra), and `ripaion tenhou6`."""

import gzip
import json
import re
import urllib.parse
import warnings
from pathlib import Path

import pytest

from cli_support import run_cli
from ripaion_rs import ScoreMismatch, ScoreWarning, check, convert, mjai_to_tenhou
from ripaion_rs._tenhou6 import _convert
from ripaion_rs._tenhou6 import _notation as nt

DATA = Path(__file__).resolve().parent.parent / "data"
JSON_LOGS = sorted((DATA / "logs").glob("*.json")) + sorted((DATA / "mjlog").glob("*.json"))
RECORDS = sorted((DATA / "mjlog").glob("*.xml")) + sorted((DATA / "mjlog").glob("*.mjlog"))
# Logs whose results are Tenhou's own texts (its exports, and records converted as Tenhou exports them).
TENHOU_TEXTS = sorted((DATA / "logs").glob("20*.json")) + sorted((DATA / "mjlog").glob("*.json")) \
    + [DATA / "logs" / "dnovikoff-pao.json"]

try:
    import mahjong  # noqa: F401
    HAS_SCORER = True
except ImportError:
    HAS_SCORER = False
needs_scorer = pytest.mark.skipif(not HAS_SCORER, reason="the scoring extra (mahjong) is not installed")


def lines_of(path):
    return convert(path.read_bytes())


def written(lines, **options):
    with warnings.catch_warnings():
        warnings.simplefilter("error", ScoreWarning)
        return mjai_to_tenhou(lines, **options)


@pytest.fixture
def unscored(monkeypatch):
    monkeypatch.setattr(_convert, "_scorer", lambda: None)


@pytest.mark.parametrize("path", JSON_LOGS + RECORDS, ids=lambda p: p.name)
@pytest.mark.parametrize("scored", [False, True], ids=["unscored", "scored"])
def test_round_trip_gives_the_same_stream(path, scored, monkeypatch):
    if scored and not HAS_SCORER:
        pytest.skip("the scoring extra is not installed")
    if not scored:
        monkeypatch.setattr(_convert, "_scorer", lambda: None)
    lines = lines_of(path)
    game = written(lines)
    assert convert(json.dumps(game, ensure_ascii=False)) == lines


def test_every_form_of_the_stream_gives_one_game(tmp_path):
    lines = lines_of(JSON_LOGS[0])
    text = "".join(line + "\n" for line in lines)
    plain = tmp_path / "game.mjson"
    plain.write_text(text, encoding="utf-8")
    packed = tmp_path / "game.mjson.gz"
    packed.write_bytes(gzip.compress(text.encode()))
    expected = written(lines)
    for form in (text, text.encode(), bytearray(gzip.compress(text.encode())), [line.encode() for line in lines],
                 tuple(lines), plain, str(plain), packed):
        assert written(form) == expected
    assert expected["name"] == json.loads(lines[0])["names"]
    assert expected["rule"] == {"disp": "般南喰赤", "aka53": 1, "aka52": 1, "aka51": 1}


@pytest.mark.parametrize("call, text", [
    (lambda: nt.chi("7p", ["5pr", "6p"]), "c275226"),
    (lambda: nt.pon(2, 0, "2m", ["2m", "2m"]), "12p1212"),
    (lambda: nt.pon(2, 3, "2m", ["2m", "2m"]), "1212p12"),
    (lambda: nt.pon(2, 1, "2m", ["2m", "2m"]), "p121212"),
    (lambda: nt.daiminkan(0, 3, "9s", ["9s", "9s", "9s"]), "m39393939"),
    (lambda: nt.daiminkan(0, 1, "9s", ["9s", "9s", "9s"]), "393939m39"),
    (lambda: nt.daiminkan(0, 2, "9s", ["9s", "9s", "9s"]), "39m393939"),
    (lambda: nt.kakan(3, "7s", ["7s", "7s", "7s"]), "k37373737"),
    (lambda: nt.kakan(2, "5sr", ["5s", "5s", "5s"]), "35k533535"),
    (lambda: nt.kakan(1, "7s", ["7s", "7s", "7s"]), "3737k3737"),
    (lambda: nt.ankan(["C", "C", "C", "C"]), "474747a47"),
    (lambda: nt.riichi("3p", False), "r23"),
    (lambda: nt.riichi("3p", True), "r60"),
])
def test_notations_are_those_the_reader_takes(call, text):
    assert call() == text


def test_an_invalid_stream_is_refused_with_its_first_problem():
    lines = lines_of(JSON_LOGS[0])
    lines[5] = lines[5].replace('"type":"dahai"', '"type":"dahia"') if '"dahai"' in lines[5] else '{"x":1}'
    with pytest.raises(ValueError, match=r"^not a valid mjai stream: line 6: "):
        mjai_to_tenhou(lines)
    with pytest.raises(TypeError):
        mjai_to_tenhou(12)


def _results(path, game):
    original = json.loads(path.read_bytes())
    assert len(game["log"]) == len(original["log"])
    return [(hand[16], theirs[16]) for hand, theirs in zip(game["log"], original["log"])]


@pytest.mark.parametrize("path", TENHOU_TEXTS, ids=lambda p: p.name)
def test_results_without_the_scorer_follow_the_payments(path, unscored):
    for mine, theirs in _results(path, written(lines_of(path))):
        assert mine[0] == theirs[0]  # the label, draws' included
        if mine[0] != "和了":
            assert mine == theirs
            continue
        for i in range(1, len(mine), 2):
            assert mine[i] == theirs[i]
            # The original's text less its han and fu, or its limit's name.
            assert mine[i + 1] == theirs[i + 1][:3] + [re.sub(r"^(\d+符\d+飜|[^\d]+(?=\d))", "", theirs[i + 1][3])]


@needs_scorer
@pytest.mark.parametrize("path", TENHOU_TEXTS, ids=lambda p: p.name)
def test_scored_results_are_tenhous_own(path):
    for mine, theirs in _results(path, written(lines_of(path))):
        assert mine == theirs


def _overpaid(lines):
    """The last win pays 1000 more (a hand later scores would show it)."""
    i = max(n for n, line in enumerate(lines) if line.startswith('{"type":"hora"'))
    event = json.loads(lines[i])
    deltas = event["deltas"]
    payer = deltas.index(min(deltas))
    deltas[event["actor"]] += 1000
    deltas[payer] -= 1000
    lines[i] = json.dumps(event, separators=(",", ":"))
    return i + 1


@needs_scorer
def test_a_changed_payment_is_caught():
    lines = lines_of(DATA / "logs" / "2019021004gm-00a9-0000-e2f6516d.json")
    assert check(lines, scores=True) == []
    number = _overpaid(lines)
    assert check(lines) == []  # the replay alone cannot tell
    [problem] = check(lines, scores=True)
    assert (problem.line, problem.kind) == (number, "payment")
    assert "the hand is worth" in problem.message and "the deltas are" in problem.message
    with pytest.warns(ScoreWarning, match="the hand is worth"):
        game = mjai_to_tenhou(lines)
    assert game["log"][-1][16][1] == json.loads(lines[number - 1])["deltas"]  # the stream's deltas kept
    with pytest.raises(ScoreMismatch):
        mjai_to_tenhou(lines, strict=True)


def test_the_command_writes_logs_and_viewer_urls(tmp_path):
    lines = lines_of(JSON_LOGS[0])
    stream = tmp_path / "one.mjson.gz"
    stream.write_bytes(gzip.compress("".join(line + "\n" for line in lines).encode()))
    bad = tmp_path / "bad.mjson"
    bad.write_text(lines[0] + "\n")
    done = run_cli("tenhou6", stream, "-o", tmp_path / "out", cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    game = json.loads((tmp_path / "out" / "one.json").read_text(encoding="utf-8"))
    assert convert(json.dumps(game)) == lines
    urls = run_cli("tenhou6", "--url", stream, cwd=tmp_path)
    assert urls.returncode == 0 and not (tmp_path / "one.json").exists()
    pages = urls.stdout.decode().split()
    assert len(pages) == len(game["log"])
    prefix = "https://tenhou.net/5/#json="
    assert all(p.startswith(prefix) for p in pages)
    one = json.loads(urllib.parse.unquote(pages[-1][len(prefix):]))
    assert one["log"] == [game["log"][-1]] and one["name"] == game["name"]
    failed = run_cli("tenhou6", bad, stream, "-o", tmp_path / "out", cwd=tmp_path)
    assert failed.returncode == 1 and b"bad.mjson" in failed.stderr


@needs_scorer
def test_check_scores_command_reports_a_payment(tmp_path):
    lines = lines_of(DATA / "logs" / "2019021004gm-00a9-0000-e2f6516d.json")
    _overpaid(lines)
    stream = tmp_path / "changed.mjson"
    stream.write_text("".join(line + "\n" for line in lines), encoding="utf-8")
    assert run_cli("check", stream, cwd=tmp_path).returncode == 0
    done = run_cli("check", "--scores", stream, cwd=tmp_path)
    assert done.returncode == 1 and b"payment" in done.stdout + done.stderr


def test_hidden_hands_are_written_and_not_valued():
    lines = lines_of(DATA / "logs" / "2019021004gm-00a9-0000-e2f6516d.json")
    events = [json.loads(line) for line in lines]
    for event in events:
        if event["type"] == "start_kyoku":
            event["tehais"][1] = ["?"] * 13
    hidden = [json.dumps(e, ensure_ascii=False, separators=(",", ":")) for e in events]
    assert check(hidden) == []
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        game = mjai_to_tenhou(hidden)
    assert convert(json.dumps(game, ensure_ascii=False)) == hidden
    assert game["log"][0][7] == [0] * 13
    if HAS_SCORER:  # seat 1's wins are written with the payments' text, and said to be unvalued
        assert any("hidden" in str(w.message) for w in caught if w.category is ScoreWarning)
        assert check(hidden, scores=True) == []
    first = next(i for i, e in enumerate(events) if e["type"] == "dahai" and e["actor"] == 1 and not e["tsumogiri"])
    events[first]["pai"] = "?"
    hidden[first] = json.dumps(events[first], separators=(",", ":"))
    with pytest.raises(ValueError, match="line %d: a discard of a hidden tile" % (first + 1)):
        mjai_to_tenhou(hidden)


@pytest.mark.parametrize("members, label", [
    ({}, "三家和了"),  # stopped after a discard, mid-wall, nothing else to tell
    ({"reason": "suuchariichi"}, "四家立直"),
    ({"reason": "kyushukyuhai"}, "九種九牌"),
    ({"reason": "fanpai"}, "三家和了"),  # an exhaustive draw's reason does not hold mid-wall
])
def test_a_draw_names_its_reason_where_the_producer_writes_one(members, label):
    lines = lines_of(DATA / "logs" / "2019021004gm-00a9-0000-e2f6516d.json")
    # The first hand, cut after its fourth discard and ended as a draw.
    fourth = [i for i, line in enumerate(lines) if line.startswith('{"type":"dahai"')][3]
    end = lines.index('{"type":"end_kyoku"}')
    cut = lines[:fourth + 1] + [json.dumps(dict({"type": "ryukyoku", "deltas": [0, 0, 0, 0]}, **members))] \
        + lines[end:end + 1] + ['{"type":"end_game"}']
    assert check(cut) == []
    assert written(cut)["log"][0][16] == [label]
