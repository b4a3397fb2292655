"""Argument binding and path conversion of tenhou_to_mjai: every failure is
a TypeError with the exact message, raised before any file is touched."""

import os
import pathlib

import pytest

from ripaion_rs import mjlog_to_mjai, tenhou_to_mjai
from support import MINIMAL_LINES, MINIMAL_LOG


@pytest.fixture
def log(tmp_path):
    path = tmp_path / "log.json"
    path.write_text(MINIMAL_LOG)
    return str(path)


class BytesPath:
    def __fspath__(self):
        return b"log.json"


class StrPath:
    def __init__(self, path):
        self.path = path

    def __fspath__(self):
        return self.path


class IntPath:
    def __fspath__(self):
        return 7


class CausedError:
    def __fspath__(self):
        raise TypeError("no path here") from KeyError("the cause")


class FailingPath:
    def __fspath__(self):
        raise RuntimeError("not a TypeError")


BINDING_CASES = [
    ("three positionals", lambda log: ((log, None, None), {}),
     "tenhou_to_mjai() takes from 1 to 2 positional arguments but 3 were given"),
    ("four positionals", lambda log: ((log, None, None, None), {}),
     "tenhou_to_mjai() takes from 1 to 2 positional arguments but 4 were given"),
    ("unknown keyword", lambda log: ((), {"filename": log, "file": log}),
     "tenhou_to_mjai() got an unexpected keyword argument 'file'"),
    ("keyword differing in case", lambda log: ((log,), {"MJAI_OUT": None}),
     "tenhou_to_mjai() got an unexpected keyword argument 'MJAI_OUT'"),
    ("filename twice", lambda log: ((log,), {"filename": log}),
     "tenhou_to_mjai() got multiple values for argument 'filename'"),
    ("mjai_out twice", lambda log: ((log, None), {"mjai_out": None}),
     "tenhou_to_mjai() got multiple values for argument 'mjai_out'"),
    ("nothing", lambda log: ((), {}),
     "tenhou_to_mjai() missing 1 required positional argument: 'filename'"),
    ("only mjai_out", lambda log: ((), {"mjai_out": None}),
     "tenhou_to_mjai() missing 1 required positional argument: 'filename'"),
    # The count is checked before the keywords, the keywords before presence.
    ("count before keywords", lambda log: ((log, None, None), {"file": 1}),
     "tenhou_to_mjai() takes from 1 to 2 positional arguments but 3 were given"),
    ("keywords before presence", lambda log: ((), {"file": 1}),
     "tenhou_to_mjai() got an unexpected keyword argument 'file'"),
]


@pytest.mark.parametrize("function", [tenhou_to_mjai, mjlog_to_mjai], ids=lambda f: f.__name__)
@pytest.mark.parametrize("case, make, message", BINDING_CASES, ids=[c[0] for c in BINDING_CASES])
def test_binding_errors(log, case, make, message, function):
    # mjlog_to_mjai has the same signature, and its messages name it.
    args, kwargs = make(log)
    with pytest.raises(TypeError) as caught:
        function(*args, **kwargs)
    assert type(caught.value) is TypeError
    assert caught.value.args == (message.replace("tenhou_to_mjai()", function.__name__ + "()"),)


@pytest.mark.parametrize(
    "args, kwargs",
    [
        (("LOG",), {}),
        ((), {"filename": "LOG"}),
        (("LOG", None), {}),
        (("LOG",), {"mjai_out": None}),
        ((), {"mjai_out": None, "filename": "LOG"}),
    ],
)
def test_accepted_bindings(log, args, kwargs):
    args = tuple(log if a == "LOG" else a for a in args)
    kwargs = {k: (log if v == "LOG" else v) for k, v in kwargs.items()}
    assert tenhou_to_mjai(*args, **kwargs) == MINIMAL_LINES


PATH_CASES = [
    ("filename bytes", lambda log: (log.encode(),), "filename",
     "'bytes' object cannot be converted to 'PyString'"),
    ("mjai_out bytes", lambda log: (log, b"out"), "mjai_out",
     "'bytes' object cannot be converted to 'PyString'"),
    ("PathLike giving bytes", lambda log: (BytesPath(),), "filename",
     "'bytes' object cannot be converted to 'PyString'"),
    ("int", lambda log: (3,), "filename", "expected str, bytes or os.PathLike object, not int"),
    ("mjai_out list", lambda log: (log, []), "mjai_out", "expected str, bytes or os.PathLike object, not list"),
    ("fspath giving int", lambda log: (IntPath(),), "filename",
     "expected IntPath.__fspath__() to return str or bytes, not int"),
]


@pytest.mark.parametrize("case, make, name, text", PATH_CASES, ids=[c[0] for c in PATH_CASES])
def test_path_conversion_errors(log, case, make, name, text):
    with pytest.raises(TypeError) as caught:
        tenhou_to_mjai(*make(log))
    assert type(caught.value) is TypeError
    assert caught.value.args == (f"argument '{name}': {text}",)
    assert caught.value.__cause__ is None


def test_path_conversion_keeps_the_cause():
    with pytest.raises(TypeError) as caught:
        tenhou_to_mjai(CausedError())
    assert caught.value.args == ("argument 'filename': no path here",)
    assert isinstance(caught.value.__cause__, KeyError)
    assert caught.value.__cause__.args == ("the cause",)


def test_other_conversion_errors_pass_unchanged():
    with pytest.raises(RuntimeError, match="^not a TypeError$"):
        tenhou_to_mjai(FailingPath())


@pytest.mark.parametrize("text", ["\ud800", "a\udbffb"])
def test_unencodable_path_fails_with_a_python_exception(text):
    # Lone surrogates outside the surrogate-escape range have no file-system bytes.
    with pytest.raises(UnicodeEncodeError):
        tenhou_to_mjai(text)


def test_mjai_out_is_converted_even_though_the_log_is_missing(tmp_path):
    # Both paths are converted before the log is opened.
    with pytest.raises(TypeError):
        tenhou_to_mjai(str(tmp_path / "missing.json"), b"out")


@pytest.mark.parametrize("wrap", [pathlib.Path, StrPath, str], ids=["pathlib", "fspath str", "str"])
def test_path_like_arguments(tmp_path, log, wrap):
    out = tmp_path / "out.mjson"
    assert tenhou_to_mjai(wrap(log), wrap(str(out))) == MINIMAL_LINES
    assert out.read_text() == "".join(line + "\n" for line in MINIMAL_LINES)


def test_surrogate_escaped_path_names_the_raw_bytes(tmp_path):
    raw = os.fsencode(str(tmp_path)) + b"/log\xff.json"
    with open(raw, "w") as f:
        f.write(MINIMAL_LOG)
    assert tenhou_to_mjai(os.fsdecode(raw)) == MINIMAL_LINES
