"""The extension module as the interpreter sees it: attributes, exception
types, the function object, re-import and sub-interpreters."""

import builtins
import importlib
import shutil
import subprocess
import sys

import pytest

import ripaion_rs
from ripaion_rs import _ripaion

EXCEPTION_NAMES = [
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
    "MjlogParsingError",
]
# The public functions and types, in the order the module adds them.
PUBLIC_NAMES = ["tenhou_to_mjai", "mjlog_to_mjai", "convert", "convert_to_bytes", "convert_with_info", "check",
                "Problem"]
BUILTIN_EXCEPTIONS = [
    obj for obj in vars(builtins).values() if isinstance(obj, type) and issubclass(obj, BaseException)
]


def test_all_lists_the_attributes_in_the_order_they_are_added():
    assert _ripaion.__all__ == EXCEPTION_NAMES + PUBLIC_NAMES + ["__version__", "VERSION"]
    for name in _ripaion.__all__:
        assert hasattr(_ripaion, name)


@pytest.mark.parametrize(
    "attribute, expected",
    [
        ("__doc__", ""),
        ("__name__", "ripaion_rs._ripaion"),
    ],
)
def test_module_attribute_values(attribute, expected):
    value = getattr(_ripaion, attribute)
    assert type(value) is str and value == expected


def test_version_is_the_installed_distributions():
    from importlib.metadata import version

    # Separate objects with the same text, the text CMake read from pyproject.toml.
    assert _ripaion.__version__ is not _ripaion.VERSION
    assert type(_ripaion.VERSION) is str
    assert ripaion_rs.__version__ == _ripaion.__version__ == _ripaion.VERSION == version("ripaion_rs")


@pytest.mark.parametrize("name", EXCEPTION_NAMES)
def test_exception_type_shape(name):
    cls = getattr(_ripaion, name)
    assert cls.__bases__ == (ValueError,)
    assert cls.__module__ == "_ripaion"
    assert cls.__name__ == cls.__qualname__ == name
    assert cls.__doc__ is None
    # A ValueError and no other built-in exception besides its ancestors.
    related = {b for b in BUILTIN_EXCEPTIONS if issubclass(cls, b)}
    assert related == {ValueError, Exception, BaseException}
    assert getattr(ripaion_rs, name) is cls
    assert not set(vars(cls)) - {"__module__", "__doc__", "__weakref__", "__dict__"}


def test_exception_types_are_distinct():
    assert len({id(getattr(_ripaion, n)) for n in EXCEPTION_NAMES}) == len(EXCEPTION_NAMES)


FUNCTION_NAMES = ["tenhou_to_mjai", "mjlog_to_mjai"]


@pytest.mark.parametrize("name", FUNCTION_NAMES)
@pytest.mark.parametrize(
    "attribute, expected",
    [
        ("__name__", "{name}"),
        ("__qualname__", "{name}"),
        ("__text_signature__", "(filename, mjai_out=None)"),
        ("__doc__", None),
        ("__module__", "ripaion_rs._ripaion"),
    ],
)
def test_function_object(name, attribute, expected):
    expected = expected.format(name=name) if isinstance(expected, str) else expected
    assert getattr(getattr(_ripaion, name), attribute) == expected


@pytest.mark.parametrize(
    "name, signature",
    [
        ("convert", "(data, *, format='auto')"),
        ("convert_to_bytes", "(data, *, gzip=None, format='auto')"),
        ("convert_with_info", "(data, *, gzip=None, format='auto')"),
    ],
)
def test_in_memory_function_objects(name, signature):
    import inspect

    fn = getattr(_ripaion, name)
    assert type(fn).__name__ == "builtin_function_or_method"
    assert fn.__name__ == fn.__qualname__ == name
    assert fn.__module__ == "ripaion_rs._ripaion"
    assert fn.__self__ is _ripaion
    assert str(inspect.signature(fn)) == signature


@pytest.mark.parametrize("name", FUNCTION_NAMES)
def test_function_is_builtin_bound_to_the_module(name):
    import inspect

    fn = getattr(_ripaion, name)
    assert type(fn).__name__ == "builtin_function_or_method"
    assert fn.__self__ is _ripaion
    assert str(inspect.signature(fn)) == "(filename, mjai_out=None)"
    assert getattr(ripaion_rs, name) is fn


def test_package_reexports():
    # The package adds the database reader, the writer of tenhou.net/6 JSON, and check's payment pass
    # around the extension's check.
    assert set(ripaion_rs.__all__) == set(EXCEPTION_NAMES + PUBLIC_NAMES + [
        "__version__", "read_log_database", "mjai_to_tenhou", "ScoreWarning", "ScoreMismatch"])
    for name in ("convert", "convert_to_bytes", "convert_with_info"):
        assert getattr(ripaion_rs, name) is getattr(_ripaion, name)


def test_second_import_returns_the_same_module_object():
    saved = sys.modules.pop("ripaion_rs._ripaion")
    try:
        again = importlib.import_module("ripaion_rs._ripaion")
        assert again is saved
        assert again.JsonParsingError is saved.JsonParsingError
    finally:
        sys.modules["ripaion_rs._ripaion"] = saved


def test_raised_exception_is_the_module_type(tmp_path):
    bad = tmp_path / "bad.json"
    bad.write_text("[")
    with pytest.raises(ValueError) as caught:
        _ripaion.tenhou_to_mjai(str(bad))
    assert type(caught.value) is _ripaion.JsonParsingError


# Runs inside the sub-interpreter; PATH is prepended.
SUBINTERPRETER_CODE = """
try:
    import ripaion_rs._ripaion
    outcome = "imported"
except ImportError as e:
    outcome = "ImportError: " + str(e)
with open(PATH, "w") as f:
    f.write(outcome)
"""

# Runs in a fresh process: import in the main interpreter first, then in a
# sub-interpreter, then check that the main interpreter's module still works.
MAIN_SCRIPT = """
import sys
import ripaion_rs
path, code = sys.argv[1], "PATH = %r\\n" % sys.argv[1] + sys.argv[2]
try:
    import _testcapi
    _testcapi.run_in_subinterp(code)
except ImportError:
    import _xxsubinterpreters as interpreters
    interp = interpreters.create()
    interpreters.run_string(interp, code)
    interpreters.destroy(interp)
print(open(path).read())
try:
    ripaion_rs.tenhou_to_mjai(path)
except ripaion_rs.JsonParsingError:
    print("main interpreter still converts")
"""


def test_sub_interpreter_import_is_refused(tmp_path):
    result = subprocess.run(
        [sys.executable, "-c", MAIN_SCRIPT, str(tmp_path / "outcome.txt"), SUBINTERPRETER_CODE],
        capture_output=True,
        text=True,
        timeout=60,
    )
    assert result.returncode == 0, result.stderr
    outcome, main_ok = result.stdout.splitlines()
    assert outcome.startswith("ImportError: ") and "sub-interpreter" in outcome
    assert main_ok == "main interpreter still converts"


@pytest.mark.skipif(shutil.which("nm") is None, reason="needs nm")
def test_only_the_init_function_is_exported():
    out = subprocess.run(
        ["nm", "-D", "--defined-only", _ripaion.__file__], capture_output=True, text=True, check=True
    ).stdout
    assert [line.split()[-1] for line in out.splitlines() if line.strip()] == ["PyInit__ripaion"]
