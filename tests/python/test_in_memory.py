"""convert and convert_to_bytes: the conversion of a log given in memory,
with the interpreter lock released, against tenhou_to_mjai of a file holding
the same bytes."""

import array
import gzip
import json
import threading
import time
import zlib
from pathlib import Path

import pytest

from ripaion_rs import _ripaion, convert, convert_to_bytes, tenhou_to_mjai

LOG_DIR = Path(__file__).resolve().parent.parent / "data" / "logs"
LOGS = sorted(LOG_DIR.glob("*.json"))
FOUR_PLAYER_RULE = {"disp": "\u56db\u5357\u55b0\u8d64"}


def outcome(call, *args, **kwargs):
    try:
        return ("ok", call(*args, **kwargs))
    except Exception as e:  # noqa: BLE001 - the type is compared
        return ("err", type(e), e.args)


def text_of(lines):
    return "".join(line + "\n" for line in lines).encode("utf-8")


def single_member(data):
    """The text of `data` when it is exactly one gzip member, else fails."""
    d = zlib.decompressobj(16 + zlib.MAX_WBITS)
    text = d.decompress(data) + d.flush()
    assert d.eof and d.unused_data == b"", "more than one member, or trailing bytes"
    return text


@pytest.mark.parametrize("path", LOGS, ids=lambda p: p.name)
def test_every_input_type_gives_what_the_file_gives(path):
    raw = path.read_bytes()
    expected = outcome(tenhou_to_mjai, str(path))
    inputs = [raw, bytearray(raw), memoryview(raw), memoryview(bytearray(raw)), array.array("B", raw)]
    try:
        inputs.append(raw.decode("utf-8"))
    except UnicodeDecodeError:
        pass
    for data in inputs:
        assert outcome(convert, data) == expected, type(data)
        as_bytes = outcome(convert_to_bytes, data)
        if expected[0] == "ok":
            assert as_bytes == ("ok", text_of(expected[1]))
        else:
            assert as_bytes == expected


@pytest.mark.parametrize("path", LOGS[:3], ids=lambda p: p.name)
def test_gzip_members_hold_the_text_at_every_level(path):
    text = convert_to_bytes(path.read_bytes())
    sizes = {}
    for level in range(13):
        data = convert_to_bytes(path.read_bytes(), gzip=level)
        assert data[:4] == b"\x1f\x8b\x08\x00" and data[4:8] == b"\0\0\0\0", "no name, modification time 0"
        assert single_member(data) == text
        assert gzip.decompress(data) == text
        assert convert_to_bytes(path.read_bytes(), gzip=level) == data, "the same bytes every time"
        sizes[level] = len(data)
    assert sizes[0] > len(text) > sizes[1] >= sizes[6] >= sizes[12]
    assert convert_to_bytes(path.read_bytes(), gzip=None) == text


def dump(doc):
    return json.dumps(doc, ensure_ascii=False).encode("utf-8")


def hand(dora):
    record = [[0, 0, 0], [25000] * 4, dora, []]
    record += [[11] * 13, [12], []] * 4
    return record + [["\u6d41\u5c40"]]


# Bytes that fail, one or more per stage.
BAD_INPUTS = {
    "empty": b"",
    "whitespace": b" \n",
    "truncated": b'{"log": [',
    "not json": b"log",
    "json array": b"[]",
    "json null": b"null",
    "byte-order mark": b"\xef\xbb\xbf{}",
    "not utf-8": b'{"name": "\xff"}',
    "not utf-8 and not json": b"\xff\xfe[",
    "lone surrogate escaped": b'{"name": ["\\ud800"]}',
    "three players": dump({"log": [], "name": ["a", "b", "c", ""], "rule": {"disp": "\u4e09\u9cf3\u5357\u55b0"}}),
    "hand without dora": dump({"log": [hand([])], "name": ["a", "b", "c", "d"], "rule": FOUR_PLAYER_RULE}),
    "nul byte": b'{"log": []}\0',
}


@pytest.mark.parametrize("name", BAD_INPUTS)
def test_failures_are_those_of_the_file(name, tmp_path):
    data = BAD_INPUTS[name]
    path = tmp_path / "log.json"
    path.write_bytes(data)
    expected = outcome(tenhou_to_mjai, str(path))
    assert expected[0] == "err"
    assert outcome(convert, data) == expected
    assert outcome(convert, bytearray(data)) == expected
    assert outcome(convert_to_bytes, data) == expected
    assert outcome(convert_to_bytes, data, gzip=6) == expected


def test_failure_table_covers_each_exception():
    kinds = {outcome(convert, data)[1] for data in BAD_INPUTS.values()}
    assert {OSError, _ripaion.JsonParsingError, _ripaion.TenhouLogParsingError, _ripaion.TenhouToMjaiError} <= kinds


GOOD = LOGS[0].read_bytes()


@pytest.mark.parametrize(
    "call, args, kwargs, error, message",
    [
        (convert, (), {}, TypeError, "convert() missing 1 required positional argument: 'data'"),
        (convert, (GOOD, GOOD), {}, TypeError, "convert() takes 1 positional argument but 2 were given"),
        (convert, (GOOD,), {"data": GOOD}, TypeError, "convert() got multiple values for argument 'data'"),
        (convert, (GOOD,), {"gzip": 6}, TypeError, "convert() got an unexpected keyword argument 'gzip'"),
        (convert, (None,), {}, TypeError, "convert() argument 'data' must be bytes, str or a bytes-like object, "
         "not 'NoneType'"),
        (convert, (str(LOGS[0]).encode().split(b"/"),), {}, TypeError, None),
        (convert, (LOGS[0],), {}, TypeError, "convert() argument 'data' must be bytes, str or a bytes-like "
         "object, not 'PosixPath'"),
        (convert, ("\ud800",), {}, UnicodeEncodeError, None),
        (convert_to_bytes, (GOOD, 6), {}, TypeError, "convert_to_bytes() takes 1 positional argument but 2 were given"),
        (convert_to_bytes, (1,), {}, TypeError, None),
        (convert_to_bytes, (GOOD,), {"gzip": "6"}, TypeError, "convert_to_bytes() argument 'gzip' must be an int "
         "level or None, not 'str'"),
        (convert_to_bytes, (GOOD,), {"gzip": True}, TypeError, None),
        (convert_to_bytes, (GOOD,), {"gzip": 6.0}, TypeError, None),
        (convert_to_bytes, (GOOD,), {"gzip": -1}, ValueError, "convert_to_bytes() argument 'gzip' must be a level "
         "from 0 to 12, not -1"),
        (convert_to_bytes, (GOOD,), {"gzip": 13}, ValueError, None),
        (convert_to_bytes, (GOOD,), {"gzip": 2**80}, ValueError, None),
        (convert_to_bytes, (), {"gzip": 6}, TypeError, "convert_to_bytes() missing 1 required positional "
         "argument: 'data'"),
        (convert_to_bytes, (GOOD,), {"level": 6}, TypeError, None),
    ],
)
def test_bad_arguments(call, args, kwargs, error, message):
    with pytest.raises(error) as caught:
        call(*args, **kwargs)
    assert type(caught.value) is error
    if message is not None:
        assert str(caught.value) == message


def test_data_by_keyword_and_strided_buffers():
    expected = convert(GOOD)
    assert convert(data=GOOD) == expected
    assert convert_to_bytes(data=GOOD, gzip=None) == text_of(expected)
    spread = bytearray(2 * len(GOOD))
    spread[::2] = GOOD
    assert convert(memoryview(spread)[::2]) == expected
    assert convert(memoryview(GOOD).cast("B", (len(GOOD),))) == expected


def big_log(size):
    """Real hands repeated until the document reaches `size` bytes."""
    hands = []
    for path in LOGS:
        try:
            tenhou_to_mjai(str(path))
        except ValueError:
            continue
        hands += json.loads(path.read_bytes())["log"]
    per_round = len(dump(hands))
    doc = {"log": hands * max(1, size // per_round), "name": ["a", "b", "c", "d"], "rule": FOUR_PLAYER_RULE}
    return dump(doc)


def test_other_threads_run_while_a_large_log_converts():
    data = big_log(20 << 20)
    span = {}

    def work():
        span["start"] = time.monotonic()
        span["size"] = len(convert_to_bytes(data))
        span["end"] = time.monotonic()

    ticks = []
    worker = threading.Thread(target=work)
    worker.start()
    while worker.is_alive():
        ticks.append(time.monotonic())
        time.sleep(0.001)
    worker.join()
    assert span["size"] > len(data)
    start, end = span["start"], span["end"]
    middle = [t for t in ticks if start + (end - start) / 4 < t < end - (end - start) / 4]
    # Holding the lock for the whole call would leave no tick in its middle
    # (as tenhou_to_mjai, which holds it, does).
    assert len(middle) > 20, (end - start, len(ticks))


def two_logs():
    first = LOGS[0].read_bytes()
    second = next(p.read_bytes() for p in LOGS[1:] if outcome(convert, p.read_bytes())[0] == "ok")
    assert len(first) != len(second)
    return first, second


def convert_while_changed(target, states, change, rounds=300):
    """Converts `target` over and over while another thread runs `change`;
    the wrong results and the changing thread's errors."""
    allowed_lines = [convert(s) for s in states]
    allowed_bytes = [text_of(lines) for lines in allowed_lines]
    stop = threading.Event()
    errors = []

    def keep_changing():
        try:
            while not stop.is_set():
                change()
        except Exception as e:  # noqa: BLE001
            errors.append(e)

    thread = threading.Thread(target=keep_changing)
    thread.start()
    wrong = []
    try:
        for i in range(rounds):
            if i % 2:
                got = outcome(convert, target)
                ok = got[0] == "ok" and got[1] in allowed_lines
            else:
                got = outcome(convert_to_bytes, target, gzip=1 if i % 4 else None)
                if got[0] == "ok" and i % 4:
                    got = ("ok", gzip.decompress(got[1]))
                ok = got[0] == "ok" and got[1] in allowed_bytes
            if not ok:
                wrong.append((i, got[:2]))
    finally:
        stop.set()
        thread.join()
    return wrong, errors


def test_a_bytearray_resized_by_another_thread_converts_as_one_of_its_states():
    first, second = two_logs()
    buffer = bytearray(first)

    def swap():
        # Swaps that resize the buffer: a conversion still holding the buffer
        # would make them fail, one reading it without the lock would see
        # part of each.
        buffer[:] = second
        buffer[:] = first

    assert convert_while_changed(buffer, [first, second], swap) == ([], [])


def test_a_writable_view_changed_in_place_converts_as_one_of_its_states():
    first, second = two_logs()
    size = max(len(first), len(second))
    first, second = first.ljust(size), second.ljust(size)  # trailing whitespace
    view = memoryview(bytearray(first))

    def swap():
        view[:] = second
        view[:] = first

    assert convert_while_changed(view, [first, second], swap) == ([], [])
    assert convert_while_changed(view.toreadonly(), [first, second], swap, rounds=100) == ([], [])
