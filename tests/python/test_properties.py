"""Property tests: whatever the log file holds, a call either returns a list
of event lines or raises one of the documented exceptions, and the output
file is written completely or not at all; and a returned game passes the
stream checker, which may only find the log's own damage in it.

Three sources of input: logs generated from simulated hands (mostly sound,
with hostile entries mixed in), byte-level mutations of the real logs, and
structural mutations of the real logs (one entry of a real hand replaced).
The example count comes from the Hypothesis profile (see conftest.py).
"""

import json
import re
import tempfile
from pathlib import Path

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

import ripaion_rs
from ripaion_rs import _ripaion

LOG_DIR = Path(__file__).resolve().parent.parent / "data" / "logs"
REAL_LOGS = sorted(LOG_DIR.glob("*.json"))
REAL_LOG_BYTES = [p.read_bytes() for p in REAL_LOGS]

MODULE_ERRORS = (
    _ripaion.TenhouLogParsingError,
    _ripaion.TenhouToMjaiError,
    _ripaion.JsonSerializationError,
    _ripaion.JsonParsingError,
)
# The one fixed message of each module exception type.
MODULE_MESSAGES = {
    _ripaion.TenhouLogParsingError: "invalid log",
    _ripaion.TenhouToMjaiError: "failed to convert tenhou.net/6 log to mjai",
    _ripaion.JsonSerializationError: "failed to serialize",
    _ripaion.JsonParsingError: "failed to parse tenhou.net/6 log",
}
# What reading a log file may say; the system texts end in "(os error N)".
READ_ERROR_MESSAGE = re.compile(r"stream did not contain valid UTF-8|.* \(os error \d+\)")

# ---------------------------------------------------------------------------
# Checking one call


def _outcome(filename, mjai_out=None):
    """("ok", lines) or ("err", type, args); anything undocumented fails."""
    try:
        lines = ripaion_rs.tenhou_to_mjai(filename, mjai_out)
    except MODULE_ERRORS as e:
        assert e.args == (MODULE_MESSAGES[type(e)],), repr(e)
        assert e.__cause__ is None
        return ("err", type(e), e.args)
    except OSError as e:
        # The log files here always exist, so only reading can fail.
        assert len(e.args) == 1 and READ_ERROR_MESSAGE.fullmatch(e.args[0]), repr(e)
        assert e.errno is None and e.__cause__ is None
        return ("err", type(e), e.args)
    except (KeyboardInterrupt, SystemExit):
        raise
    except BaseException as e:  # noqa: B036 - an internal fault lands here
        pytest.fail(f"undocumented failure {type(e).__module__}.{type(e).__qualname__}: {e!r}")
    return ("ok", lines)


def _check_lines(lines):
    assert type(lines) is list
    assert len(lines) >= 2
    for line in lines:
        assert type(line) is str
        assert "\n" not in line and "\r" not in line
        line.encode("utf-8")  # no lone surrogates
        event = json.loads(line)
        assert type(event) is dict
        assert next(iter(event)) == "type"
    assert json.loads(lines[0])["type"] == "start_game"
    assert lines[-1] == '{"type":"end_game"}'
    kinds = [json.loads(line)["type"] for line in lines]
    assert kinds.count("start_kyoku") == kinds.count("end_kyoku")


def tile_name(code):
    if code == 0:
        return "?"
    if code >= 51:
        return "5" + "mps"[code - 51] + "r"
    suit, rank = divmod(code, 10)
    return "ESWNPFC"[rank - 1] if suit == 4 else f"{rank}{'mps'[suit - 1]}"


def _check_frame(lines, data):
    """The game and hand frames of a converted log say what its document
    says: names (escapes decoded), rule flags, each hand's counters, scores,
    first dora indicator and starting hands."""
    doc = json.loads(data)
    if isinstance(doc, list):
        doc = dict(zip(["log", "name", "rule"], doc))
    rule = doc["rule"]
    if isinstance(rule, list):
        rule = dict(zip(["disp", "aka", "aka51", "aka52", "aka53"], rule))
    disp = rule.get("disp", "")
    assert "\u4e09" not in disp and "3-Player" not in disp
    events = [json.loads(line) for line in lines]
    assert events[0] == {
        "type": "start_game",
        "names": doc["name"],
        "kyoku_first": 4 if ("\u6771" in disp or "East" in disp) else 0,
        "aka_flag": any(rule.get(k, 0) for k in ("aka", "aka51", "aka52", "aka53")),
    }
    starts = [e for e in events if e["type"] == "start_kyoku"]
    assert len(starts) == len(doc["log"])
    for start, hand in zip(starts, doc["log"]):
        kyoku_num, honba, kyotaku = hand[0]
        assert start == {
            "type": "start_kyoku",
            "bakaze": "ESWN"[min(kyoku_num // 4, 3)],
            "dora_marker": tile_name(hand[2][0]),
            "kyoku": kyoku_num % 4 + 1,
            "honba": honba,
            "kyotaku": kyotaku,
            "oya": kyoku_num % 4,
            "scores": hand[1],
            "tehais": [[tile_name(c) for c in hand[4 + 3 * s]] for s in range(4)],
        }


# The checker's kinds that a conversion decides alone: it writes every line
# and the frame itself. The others (a fifth tile, scores that do not follow,
# a discard of a tile not held, ...) report the log's own damage in the game
# it transcribes.
STREAM_KINDS = {"json", "type", "field", "frame"}


def _check_replay(lines, data):
    """The checker finds nothing in the conversion that the conversion
    decides, except a hand closed without its result where the log's result
    is a win that lists no usable win (the conversion writes end_kyoku alone),
    and a win's seats beyond 0 to 3 where the log's win details give them."""
    problems = ripaion_rs.check(lines)
    assert len(problems) <= 1
    if not problems or problems[0].kind not in STREAM_KINDS:
        return
    problem = problems[0]
    line = lines[problem.line - 1]
    if problem.kind == "field":
        # A win's seats come from the log's win details as they are.
        event = json.loads(line)
        assert event["type"] == "hora" and max(event["actor"], event["target"]) > 3, problem
        return
    assert problem.kind == "frame" and line == '{"type":"end_kyoku"}', problem
    hand = sum(1 for line in lines[: problem.line] if line.startswith('{"type":"start_kyoku"')) - 1
    doc = json.loads(data)
    log = doc["log"] if isinstance(doc, dict) else doc[0]
    results = log[hand][16]
    assert results and results[0] == "\u548c\u4e86", (problem, results)


def check_log(workdir: Path, data: bytes, out_state, hands=None):
    """Run one log through the call twice, without and with `mjai_out`.

    out_state: None (no pre-existing output file) or the bytes it holds.
    hands: the number of hands of the log when known.
    """
    log = workdir / "log.json"
    out = workdir / "out.jsonl"
    log.write_bytes(data)
    if out.exists():
        out.unlink()
    if out_state is not None:
        out.write_bytes(out_state)

    plain = _outcome(str(log))
    written = _outcome(str(log), str(out))
    assert plain == written, "the output path changed the outcome"
    assert log.read_bytes() == data
    assert sorted(p.name for p in workdir.iterdir()) == sorted(
        ["log.json"] + (["out.jsonl"] if out_state is not None or plain[0] == "ok" else [])
    )
    if plain[0] == "ok":
        lines = plain[1]
        _check_lines(lines)
        _check_frame(lines, data)
        _check_replay(lines, data)
        if hands is not None:
            assert sum(1 for line in lines if line.startswith('{"type":"start_kyoku"')) == hands
        assert out.read_bytes() == "".join(line + "\n" for line in lines).encode("utf-8")
    elif out_state is not None:
        assert out.read_bytes() == out_state
    return plain


@pytest.fixture(scope="module")
def workdir():
    with tempfile.TemporaryDirectory(prefix="ripaion-props-") as d:
        yield Path(d)


# ---------------------------------------------------------------------------
# Writing JSON by hand, so that hostile fragments (escapes, -0, 1e1, duplicate
# keys, deep nesting) can be placed anywhere.


class Raw(str):
    """A JSON fragment written as is."""


class Obj(list):
    """A JSON object as a list of (key, value) pairs; keys may repeat."""


def dump(value, sep=","):
    if isinstance(value, Raw):
        return str(value)
    if value is None:
        return "null"
    if value is True:
        return "true"
    if value is False:
        return "false"
    if isinstance(value, (int, float)):
        return json.dumps(value)
    if isinstance(value, str):
        return json.dumps(value, ensure_ascii=False)
    if isinstance(value, Obj):
        return "{" + sep.join(dump(k) + ":" + dump(v, sep) for k, v in value) + "}"
    if isinstance(value, dict):
        return dump(Obj(value.items()), sep)
    return "[" + sep.join(dump(v, sep) for v in value) + "]"


# ---------------------------------------------------------------------------
# Strategies

TILE_CODES = [0, *range(11, 20), *range(21, 30), *range(31, 40), *range(41, 48), 51, 52, 53]
NOT_TILE_CODES = [1, 9, 10, 20, 30, 40, 48, 49, 50, 54, 59, 60, 61, 99, 255]
HOSTILE_SCALARS = [
    256, -1, 2**31, -(2**31) - 1, 2**64, -(2**63) - 1, 10**30,
    Raw("11.0"), Raw("1e1"), Raw("-0"), Raw("0.5"), Raw("1E+400"), Raw("-1e-400"),
    None, True, False, "", Raw("[]"), Raw("{}"), Raw("[[[]]]"), Raw('{"a":[1]}'),
]


def rare(one_in):
    """True about once in `one_in` draws. The trigger is a middle value, since
    Hypothesis favours the ends of a range; shrinking leads away from it."""
    return st.integers(0, one_in - 1).map(lambda k: k == one_in // 2)


def mostly(good, bad, one_in=20):
    """`good`, except about once in `one_in` draws `bad`."""
    return rare(one_in).flatmap(lambda r: bad if r else good)


real_tile = st.sampled_from([c for c in TILE_CODES if c != 0])
any_tile = st.one_of(real_tile, st.just(0))


def code2(code):
    return f"{code:02d}"


# Two-character code texts inside a notation: mostly tile codes, sometimes not.
code_text = st.one_of(
    st.sampled_from(TILE_CODES).map(code2),
    st.sampled_from(["60", "5z", "+0", "-1", "1", "", "100", "\u6771", "ab", "0x"]),
    st.text(alphabet="0123456789+-ckpmar ", min_size=2, max_size=2),
)


@st.composite
def notation(draw):
    """A notation text: a call, kan or riichi form with its marker at a legal
    or illegal position, or a short random text over the notation alphabet."""
    kind = draw(st.integers(0, 3))
    if kind == 0:
        letter = draw(st.sampled_from("cpmka"))
        codes = draw(st.lists(code_text, min_size=2, max_size=5))
        pos = draw(st.integers(0, len(codes)))
        return "".join(codes[:pos]) + letter + "".join(codes[pos:])
    if kind == 1:
        return draw(st.sampled_from("rx+k a")) + draw(code_text)
    if kind == 2:
        return draw(st.text(alphabet="0123456789cpmkar", max_size=11))
    return draw(st.text(max_size=10))


# One entry of a draw or discard list, of any kind the reader may meet.
action_item = st.one_of(
    real_tile,
    st.just(60),
    st.sampled_from(TILE_CODES + NOT_TILE_CODES),
    notation(),
    st.sampled_from(HOSTILE_SCALARS),
)

i32 = st.integers(-(2**31), 2**31 - 1)
deltas = st.lists(st.integers(-48000, 48000), min_size=4, max_size=4)
json_leaf = st.one_of(
    st.none(), st.booleans(), st.integers(-(2**70), 2**70),
    st.floats(allow_nan=False, allow_infinity=False), st.text(max_size=8),
    mostly(
        st.sampled_from([Raw("-0"), Raw("11.0"), Raw("1e-400"), Raw("1" + "0" * 30)]),
        st.sampled_from([Raw("1e400"), Raw("-" + "9" * 400)]),  # beyond f64: refused
    ),
)
json_tree = st.recursive(
    json_leaf,
    lambda inner: st.one_of(
        st.lists(inner, max_size=4),
        st.dictionaries(st.text(max_size=4), inner, max_size=3),
    ),
    max_leaves=12,
)
result_item = st.one_of(
    st.sampled_from(["\u548c\u4e86", "\u6d41\u5c40", "\u4e5d\u7a2e\u4e5d\u724c", "", "\u548c"]),
    deltas,
    st.lists(i32, min_size=3, max_size=5),
    st.lists(json_tree, max_size=5),
    st.sampled_from(HOSTILE_SCALARS),
)


@st.composite
def results(draw):
    shape = draw(st.sampled_from([0] * 5 + [1] * 4 + [2, 3]))
    if shape == 0:  # one or two wins on a discard, or a self-draw
        out = ["\u548c\u4e86"]
        for _ in range(draw(st.integers(1, 2))):
            who = draw(st.lists(st.integers(0, 3), min_size=2, max_size=2))
            extra = draw(st.lists(st.text(max_size=6), max_size=3))
            out += [draw(deltas), who + extra]
        return out
    if shape == 1:
        return [draw(st.sampled_from(["\u6d41\u5c40", "\u4e5d\u7a2e\u4e5d\u724c"])), draw(deltas)]
    if shape == 2:  # win details that are too short or not numbers
        return ["\u548c\u4e86", draw(deltas), draw(st.lists(json_leaf, max_size=2))]
    return draw(st.lists(result_item, max_size=6))


# Pieces of a JSON string body: plain characters (raw or escaped), the escapes
# JSON knows, surrogate pairs and lone surrogates; and, rarely, an invalid
# escape or a raw control character.
string_piece = st.one_of(
    st.characters(codec="utf-8").map(lambda ch: json.dumps(ch, ensure_ascii=False)[1:-1]),
    st.characters(codec="utf-8").map(lambda ch: json.dumps(ch)[1:-1]),
    st.sampled_from([
        r"\n", r"\t", r"\"", r"\\", r"\/", r"\b", r"\f", r"\r", r"\u0000", r"\u001F",
        r"\ud83c\udc04", r"\uDBFF\uDFFF", r"\uFFFF", "\u6771", "\u4e09", "3-Player", "East",
    ]),
)
bad_string_piece = st.sampled_from([
    r"\ud800", r"\udc00", r"\ud800\u0041", r"\x41", r"\u12", r"\a", "\x01", "\x1f", "\\",
])


@st.composite
def json_string(draw):
    pieces = draw(st.lists(string_piece, max_size=12))
    if draw(rare(50)):
        pieces.insert(draw(st.integers(0, len(pieces))), draw(bad_string_piece))
    return Raw('"' + "".join(pieces) + '"')


disp = st.one_of(
    st.sampled_from([
        "", "\u9cf3\u5357\u55b0\u8d64", "\u9cf3\u6771\u55b0\u8d64", "\u56db\u5357\u55b0\u8d64",
        "\u4e09\u9cf3\u5357\u55b0\u8d64", "3-Player South", "3-player East", "East", "Eastern",
        "South", "\u6771\u4e09",
    ]),
    json_string(),
)
aka_value = mostly(st.sampled_from([0, 1, 128, 255]), st.sampled_from(HOSTILE_SCALARS))


@st.composite
def rule(draw):
    fields = [("disp", draw(disp))]
    for key in ("aka", "aka51", "aka52", "aka53"):
        if draw(st.booleans()):
            fields.append((key, draw(aka_value)))
    if draw(rare(30)):
        fields.append(draw(st.sampled_from(fields)))  # a repeated key
    if draw(rare(20)):
        return [v for _, v in fields][: draw(st.integers(0, 6))]
    return Obj(draw(st.permutations(fields)))


@st.composite
def simulated_hand(draw):
    """A hand played out turn by turn: draws, discards (tile, 60, riichi),
    calls on the last discard written in the notation of the caller's
    position, and kans with their replacement draw and dora indicator."""
    kyoku_num = draw(st.one_of(st.integers(0, 11), st.integers(0, 255)))
    actor = kyoku_num % 4
    takes = [[] for _ in range(4)]
    discards = [[] for _ in range(4)]
    kans = 0
    last = None  # (discarder, tile code) of the most recent discard
    for _ in range(draw(st.integers(0, 24))):
        call = draw(st.sampled_from([None] * 5 + ["chi", "pon", "kan"])) if last else None
        drawn = None
        if call:
            discarder, code = last
            c, o = code2(code), code2(code if call != "chi" else draw(real_tile))
            if call == "chi":
                actor = (discarder + 1) % 4
                takes[actor].append("c" + c + o + code2(draw(real_tile)))
            else:
                actor = draw(st.sampled_from([s for s in range(4) if s != discarder]))
                where = (discarder - actor) % 4  # 3 left, 2 opposite, 1 right
                if call == "pon":
                    takes[actor].append({3: "p" + c + o + o, 2: o + "p" + c + o, 1: o + o + "p" + c}[where])
                else:
                    takes[actor].append({3: "m" + c + o * 3, 2: o + "m" + c + o * 2, 1: o * 3 + "m" + c}[where])
                    kans += 1
                    drawn = draw(real_tile)
                    takes[actor].append(drawn)
        else:
            drawn = draw(real_tile)
            takes[actor].append(drawn)
            if draw(rare(13)):  # concealed or added kan, then a replacement draw
                k = code2(drawn)
                kan_notations = [k * 3 + "a" + k, "k" + k * 4, k + "k" + k * 3, k * 2 + "k" + k * 2]
                discards[actor].append(draw(st.sampled_from(kan_notations)))
                kans += 1
                drawn = draw(real_tile)
                takes[actor].append(drawn)
        choice = draw(st.integers(0, 5))
        if choice == 0 and drawn is not None:
            discards[actor].append(60)
            code = drawn
        elif choice == 1:
            code = draw(real_tile)
            riichi = "r60" if drawn is not None and draw(st.booleans()) else "r" + code2(code)
            code = drawn if riichi == "r60" else code
            discards[actor].append(riichi)
        else:
            code = draw(real_tile)
            discards[actor].append(code)
        last = (actor, code)
        actor = (actor + 1) % 4
    takes[actor].append(draw(real_tile))  # the hand ends with a draw and no discard

    def haipai():
        n = draw(mostly(st.just(13), st.sampled_from([0, 12, 14]), one_in=100))
        return draw(st.lists(any_tile, min_size=n, max_size=n))

    dora = draw(st.lists(real_tile, min_size=1 + kans, max_size=2 + kans))
    if draw(rare(40)):
        dora = []
    hand = [
        [kyoku_num, draw(st.integers(0, 8)), draw(st.integers(0, 4))],
        draw(st.lists(st.integers(-20000, 80000), min_size=4, max_size=4)),
        dora,
        draw(st.lists(real_tile, max_size=2)),
    ]
    for s in range(4):
        hand += [haipai(), takes[s], discards[s]]
    hand.append(draw(results()))

    # Hostile edits: replace, insert or delete entries of the draw and discard lists.
    for _ in range(draw(st.sampled_from([0] * 6 + [1, 2, 4]))):
        lst = hand[draw(st.sampled_from([5, 6, 8, 9, 11, 12, 14, 15]))]
        i = draw(st.integers(0, len(lst)))
        op = draw(st.integers(0, 2))
        if op == 0 and i < len(lst):
            lst[i] = draw(action_item)
        elif op == 1:
            lst.insert(i, draw(action_item))
        elif i < len(lst):
            del lst[i]
    if draw(rare(100)):  # a hand of the wrong length
        hand = hand[:16] if draw(st.booleans()) else hand + [[]]
    return hand


@st.composite
def generated_log(draw):
    """(document bytes, number of hands) for a log of simulated hands."""
    hands = draw(st.lists(simulated_hand(), max_size=3))
    names = draw(st.lists(st.one_of(json_string(), st.text(max_size=12)), min_size=4, max_size=4))
    if draw(rare(50)):
        names = names[: draw(st.sampled_from([3, 5]))] + (["x"] if len(names) < 5 else [])
    fields = [("log", hands), ("name", names), ("rule", draw(rule()))]
    optional = {
        "ratingc": mostly(st.sampled_from(["PF4", None]), st.just(4)),
        "lobby": mostly(st.sampled_from([0, None, -1, 2**31 - 1]), st.sampled_from([1.5, "0", 2**31])),
        "dan": st.lists(st.text(max_size=4), max_size=4),
        "rate": st.lists(st.one_of(st.integers(0, 3000), st.floats(0, 3000)), max_size=4),
        "sx": st.lists(st.sampled_from(["M", "F", "C"]), max_size=4),
        "ver": st.just(2.3),
        "ref": st.text(max_size=20),
        "sc": st.lists(st.floats(-100, 100), max_size=8),
        "title": json_tree,
    }
    for key in draw(st.lists(st.sampled_from(sorted(optional)), unique=True, max_size=5)):
        fields.append((key, draw(optional[key])))
    if draw(rare(9)):  # a skipped key holding deep nesting
        depth = draw(st.sampled_from([50, 126, 127, 128, 300]))
        fields.append(("deep", Raw("[" * depth + "]" * depth)))
    if draw(rare(50)):
        fields.append(draw(st.sampled_from(fields)))  # a repeated key
    if draw(rare(50)):
        del fields[draw(st.integers(0, 2))]  # a missing required key
    sep = draw(st.sampled_from([",", ", ", ",\n\t", "\r\n,"]))
    if draw(rare(20)):
        by_key = dict(fields)
        order = ["log", "name", "rule", "ratingc", "lobby", "dan", "rate", "sx"]
        text = dump([by_key.get(k) for k in order][: draw(st.sampled_from([8, 8, 7, 9]))], sep)
    else:
        text = dump(Obj(draw(st.permutations(fields))), sep)
    tail = draw(mostly(st.sampled_from(["", "\n", " \r\n\t"]), st.just(" x")))
    text = draw(st.sampled_from(["", " ", "\n"])) + text + tail
    return text.encode("utf-8"), len(hands)


INTERESTING_BYTES = [
    b'"', b"[", b"]", b"{", b"}", b",", b":", b"\\", b"\xff", b"\xc3", b"\xe4\xb8\x89",
    b"\xed\xa0\x80", b"\xef\xbb\xbf", b"\x00", b"60", b'"r60"', b'"c1112"', b"null", b"-",
    b".5", b"e9", b"99999999999999999999", b"[[[[", b"]]]]",
]


@st.composite
def mutated_real_log(draw):
    data = bytearray(draw(st.sampled_from(REAL_LOG_BYTES)))
    for _ in range(draw(st.integers(1, 4))):
        i = draw(st.integers(0, len(data)))
        op = draw(st.integers(0, 4))
        if op == 0 and i < len(data):
            data[i] = draw(st.integers(0, 255))
        elif op == 1:
            del data[i : i + draw(st.integers(1, 64))]
        elif op == 2:
            data[i:i] = draw(st.one_of(st.sampled_from(INTERESTING_BYTES), st.binary(min_size=1, max_size=8)))
        elif op == 3:
            j = draw(st.integers(i, min(len(data), i + 200)))
            data[i:i] = data[i:j]
        else:
            del data[i:]
    return bytes(data)


@st.composite
def edited_real_log(draw):
    """A real log with a few entries of its hands replaced, inserted, moved or
    deleted, so that the failure paths run deep inside a real game."""
    doc = json.loads(draw(st.sampled_from(REAL_LOG_BYTES)))
    hands = doc["log"]
    for _ in range(draw(st.integers(1, 3))):
        hand = draw(st.sampled_from(hands))
        slot = draw(st.sampled_from([2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 16]))
        lst = hand[slot]
        i = draw(st.integers(0, len(lst)))
        op = draw(st.integers(0, 3))
        item = draw(result_item if slot == 16 else action_item if slot > 3 else any_tile)
        if op == 0 and i < len(lst):
            lst[i] = item
        elif op == 1:
            lst.insert(i, item)
        elif op == 2 and i < len(lst):
            lst.insert(draw(st.integers(0, len(lst))), lst.pop(i))
        elif i < len(lst):
            del lst[i]
    if draw(rare(6)):
        doc["rule"]["disp"] = draw(disp)
    return dump(doc).encode("utf-8"), len(hands)


out_state = st.one_of(st.none(), st.binary(max_size=64))
no_fixture_check = settings(suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large])


# ---------------------------------------------------------------------------
# Tests


@no_fixture_check
@given(log=generated_log(), out_state=out_state)
def test_generated_logs(workdir, log, out_state):
    data, hands = log
    check_log(workdir, data, out_state, hands)


@no_fixture_check
@given(data=mutated_real_log(), out_state=out_state)
def test_byte_mutations_of_real_logs(workdir, data, out_state):
    check_log(workdir, data, out_state)


@no_fixture_check
@given(log=edited_real_log(), out_state=out_state)
def test_edited_real_logs(workdir, log, out_state):
    data, hands = log
    check_log(workdir, data, out_state, hands)


@pytest.mark.parametrize("path", REAL_LOGS, ids=lambda p: p.name)
def test_real_logs_convert(workdir, path):
    # The unmutated logs are the baseline of the mutations: all of them convert.
    data = path.read_bytes()
    outcome = check_log(workdir, data, b"old", len(json.loads(data)["log"]))
    assert outcome[0] == "ok"
    # and each conversion is a legal game, hand by hand and line by line
    assert ripaion_rs.check(outcome[1]) == []
