"""Opening and reading the log file: the exception class and exact message
of every failure, the quoted path in the open failure, and no descriptor
left behind."""

import os
import stat

import pytest

import ripaion_rs
from ripaion_rs import tenhou_to_mjai

from support import OPEN_FAILED, PARSE_FAILED
from support import MINIMAL_LOG as MINIMAL_TEXT

MINIMAL_LOG = MINIMAL_TEXT.encode()


def expect(exc_type, message, filename):
    with pytest.raises(BaseException) as caught:
        tenhou_to_mjai(filename)
    assert type(caught.value) is exc_type
    assert caught.value.args == (message,)
    assert caught.value.__cause__ is None
    if isinstance(caught.value, OSError):
        assert caught.value.errno is None and caught.value.filename is None


def write(tmp_path, content, name="log.json"):
    path = tmp_path / name
    path.write_bytes(content)
    return str(path)


# The quoted form, checked by hand: backslash escapes for \ " ' and \0 \t \r
# \n; \u{...} (lowercase hex) for invisible characters and combining marks;
# \xHH (uppercase) for each byte that is not UTF-8; the rest unchanged.
QUOTED_CASES = [
    ("plain", "logs/a.json", '"logs/a.json"'),
    ("space kept", "a b", '"a b"'),
    ("controls", "a\tb\rc\nd", '"a\\tb\\rc\\nd"'),
    ("nul", "a\x00b", '"a\\0b"'),
    ("quotes and backslash", "a\"b'c\\d", '"a\\"b\\\'c\\\\d"'),
    ("other control", "a\x1bb\x7f", '"a\\u{1b}b\\u{7f}"'),
    ("no-break space", "a\u00a0b", '"a\\u{a0}b"'),
    ("zero width space", "a\u200bb", '"a\\u{200b}b"'),
    ("combining acute", "e\u0301", '"e\\u{301}"'),
    ("halfwidth voiced mark", "\uff76\uff9e", '"\uff76\\u{ff9e}"'),
    ("private use", "\ue000", '"\\u{e000}"'),
    ("unassigned", "\U000e0080", '"\\u{e0080}"'),
    ("japanese", "牌譜/東風戦.json", '"牌譜/東風戦.json"'),
    ("astral printable", "\U0001f004", '"\U0001f004"'),
    ("invalid byte", "a\udcffb", '"a\\xFFb"'),
    ("truncated sequence", "\udce2\udc82", '"\\xE2\\x82"'),
    ("latin-1 byte", "\udce9t\udce9", '"\\xE9t\\xE9"'),
]


@pytest.mark.parametrize("case, name, quoted", QUOTED_CASES, ids=[c[0] for c in QUOTED_CASES])
def test_missing_log_names_the_quoted_path(tmp_path, case, name, quoted):
    directory = str(tmp_path)
    expected_dir = directory.replace("\\", "\\\\").replace('"', '\\"')
    expect(FileNotFoundError, OPEN_FAILED + '"' + expected_dir + "/" + quoted[1:], directory + "/" + name)


def test_empty_filename():
    expect(FileNotFoundError, OPEN_FAILED + '""', "")


def test_nul_byte_does_not_open_the_shorter_path(tmp_path):
    real = write(tmp_path, MINIMAL_LOG)
    # Without the check the system would see only the part before the NUL.
    expect(FileNotFoundError, OPEN_FAILED + '"' + real + '\\0.bak"', real + "\x00.bak")


@pytest.mark.skipif(os.geteuid() == 0, reason="root reads files whatever their mode")
def test_unreadable_log_is_reported_as_not_found(tmp_path):
    path = write(tmp_path, MINIMAL_LOG)
    os.chmod(path, 0)
    expect(FileNotFoundError, OPEN_FAILED + '"' + path + '"', path)


def test_directory_fails_while_reading(tmp_path):
    expect(OSError, os.strerror(21) + " (os error 21)", str(tmp_path))


@pytest.mark.parametrize(
    "content",
    [
        b'{"log":[],"name":["\xff","b","c","d"],"rule":{}}',
        b'{"log":[],"name":["\xed\xa0\x80","b","c","d"],"rule":{}}',  # encoded surrogate
        b'{"log":[],"name":["\xc0\xaf","b","c","d"],"rule":{}}',  # overlong
        MINIMAL_LOG[:-1] + b"\xe6\x9d",  # cut inside a character
    ],
    ids=["stray byte", "surrogate", "overlong", "truncated"],
)
def test_not_utf8(tmp_path, content):
    expect(OSError, "stream did not contain valid UTF-8", write(tmp_path, content))


@pytest.mark.parametrize(
    "content, accepted",
    [
        (MINIMAL_LOG, True),
        (b" \t\r\n" + MINIMAL_LOG + b" \n", True),
        (b"\xef\xbb\xbf" + MINIMAL_LOG, False),
        (MINIMAL_LOG + b" x", False),
        (MINIMAL_LOG + b"\n{}", False),
        (MINIMAL_LOG + b"\x0c", False),
        (b"", False),
        (b"[]", False),
    ],
    ids=["bare", "surrounding whitespace", "byte-order mark", "trailing word", "second document",
         "trailing form feed", "empty", "array"],
)
def test_document_boundaries(tmp_path, content, accepted):
    path = write(tmp_path, content)
    if accepted:
        assert len(tenhou_to_mjai(path)) == 2
    else:
        expect(ripaion_rs.JsonParsingError, PARSE_FAILED, path)


# Exponents of any length follow the number rule: too small for a double
# reads as zero, too large is refused.
LONG_EXPONENTS = [
    ("0e2147483648", True),
    ("-1e-2147483648", True),
    ("5E-99999999999999999999", True),
    ("1e99999999999", False),
    ("-1e+2147483648", False),
]


@pytest.mark.parametrize("number, accepted", LONG_EXPONENTS, ids=[n for n, _ in LONG_EXPONENTS])
@pytest.mark.parametrize("member", ['"rate":[%s]', '"skipped":{"x":[%s]}'], ids=["rate", "skipped"])
def test_long_exponents(tmp_path, number, accepted, member):
    path = write(tmp_path, MINIMAL_LOG[:-1] + b"," + (member % number).encode() + b"}")
    if accepted:
        assert len(tenhou_to_mjai(path)) == 2
    else:
        expect(ripaion_rs.JsonParsingError, PARSE_FAILED, path)


def test_log_from_a_pipe(tmp_path):
    # A pipe reports no size: the reader must not trust the status for the length.
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    pid = os.fork()
    if pid == 0:  # pragma: no cover - child
        try:
            with open(fifo, "wb") as f:
                for i in range(0, len(MINIMAL_LOG), 7):
                    f.write(MINIMAL_LOG[i:i + 7])
                    f.flush()
        finally:
            os._exit(0)
    try:
        assert len(tenhou_to_mjai(str(fifo))) == 2
    finally:
        os.waitpid(pid, 0)
    assert stat.S_ISFIFO(os.stat(fifo).st_mode)


def test_large_log_is_read_whole(tmp_path):
    # Far larger than any first read, padded with whitespace the reader skips.
    path = write(tmp_path, MINIMAL_LOG + b" " * (5 * 1024 * 1024) + b"\n")
    assert len(tenhou_to_mjai(path)) == 2


def open_descriptors():
    return sorted(os.listdir("/proc/self/fd"))


def test_no_descriptor_left_open(tmp_path):
    three_player = b'{"log":[],"name":["a","b","c","d"],"rule":{"disp":"\xe4\xb8\x89\xe9\xb3\xb3"}}'
    calls = [
        (str(tmp_path / "missing.json"), None),
        (str(tmp_path), None),
        (write(tmp_path, b"\xff", "bad.json"), None),
        (write(tmp_path, b"{", "short.json"), None),
        (write(tmp_path, three_player, "three.json"), None),
        (write(tmp_path, MINIMAL_LOG), str(tmp_path / "missing" / "out")),
        (write(tmp_path, MINIMAL_LOG), "/dev/full"),
        (write(tmp_path, MINIMAL_LOG), str(tmp_path / "out.mjson")),
    ]
    before = open_descriptors()
    for filename, mjai_out in calls:
        try:
            tenhou_to_mjai(filename, mjai_out)
        except (ValueError, OSError):
            pass
    assert open_descriptors() == before
