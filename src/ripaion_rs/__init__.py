"""Convert Tenhou game logs (JSON format 6, or Tenhou's mjlog XML records) into mjai event streams."""

import importlib
from typing import TYPE_CHECKING, Any

from ._ripaion import (
    JsonParsingError,
    JsonSerializationError,
    MjlogParsingError,
    Problem,
    TenhouLogParsingError,
    TenhouToMjaiError,
    __version__,
    convert,
    convert_to_bytes,
    convert_with_info,
    mjlog_to_mjai,
    tenhou_to_mjai,
)

if TYPE_CHECKING:
    from ._check import check
    from ._database import read_log_database
    from ._tenhou6 import ScoreMismatch, ScoreWarning, mjai_to_tenhou

__all__ = [
    "tenhou_to_mjai",
    "mjlog_to_mjai",
    "convert",
    "convert_to_bytes",
    "convert_with_info",
    "check",
    "read_log_database",
    "mjai_to_tenhou",
    "ScoreWarning",
    "ScoreMismatch",
    "Problem",
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
    "MjlogParsingError",
    "__version__",
]

# Python modules loaded on first use: importing the package loads the
# extension alone (SQLite, for one, costs every command its time, and there
# is nothing else to interrupt at start-up).
_LAZY = {"check": "._check", "read_log_database": "._database", "mjai_to_tenhou": "._tenhou6",
         "ScoreWarning": "._tenhou6", "ScoreMismatch": "._tenhou6"}


def __getattr__(name: str) -> Any:
    module = _LAZY.get(name)
    if module is None:
        raise AttributeError("module %r has no attribute %r" % (__name__, name))
    value = getattr(importlib.import_module(module, __name__), name)
    globals()[name] = value
    return value
