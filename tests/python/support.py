"""What the module's tests share: the test logs, the smallest log and its
lines, the messages of the file failures, and the check of a plain OSError."""

import os
from pathlib import Path

import pytest

from ripaion_rs import tenhou_to_mjai

LOG_DIR = Path(__file__).resolve().parent.parent / "data" / "logs"
SOUND_LOG = LOG_DIR / "2019021004gm-00a9-0000-e2f6516d.json"

# A game without hands: only its frame.
MINIMAL_LOG = '{"log":[],"name":["a","b","c","d"],"rule":{}}'
MINIMAL_LINES = [
    '{"type":"start_game","names":["a","b","c","d"],"kyoku_first":0,"aka_flag":false}',
    '{"type":"end_game"}',
]
MINIMAL_OUTPUT = "".join(line + "\n" for line in MINIMAL_LINES).encode()

OPEN_FAILED = "failed to open tenhou.net/6 log file "
PARSE_FAILED = "failed to parse tenhou.net/6 log"
CREATE_FAILED = "failed to create mjai out file "
WRITE_FAILED = "failed to write to mjai out file"


def expect_os_error(message, filename, mjai_out):
    """The call raises OSError itself (no subclass) with only the message."""
    with pytest.raises(OSError) as caught:
        tenhou_to_mjai(filename, mjai_out)
    assert type(caught.value) is OSError
    assert caught.value.args == (message,)
    assert caught.value.errno is None and caught.value.__cause__ is None


def require_cluster_mode():
    """Skip the calling test module when the cluster mode cannot be tested:
    under the sanitizers (clusters of instrumented processes would only make
    that run slower), or without the dask extra, unless CI requires it."""
    if os.environ.get("RIPAION_SANITIZED") == "1":
        pytest.skip("not under the sanitizers", allow_module_level=True)
    try:
        import distributed  # noqa: F401
    except ImportError:
        if os.environ.get("RIPAION_REQUIRE_DASK") == "1":
            raise
        pytest.skip("the dask extra is not installed", allow_module_level=True)
