"""Convert Tenhou game logs (JSON format 6, or Tenhou's mjlog XML records) into mjai event streams."""

from typing import TYPE_CHECKING, Any

from ._ripaion import (
    JsonParsingError,
    JsonSerializationError,
    MjlogParsingError,
    Problem,
    TenhouLogParsingError,
    TenhouToMjaiError,
    __version__,
    check,
    convert,
    convert_to_bytes,
    mjlog_to_mjai,
    tenhou_to_mjai,
)

if TYPE_CHECKING:
    from ._database import read_log_database

__all__ = [
    "tenhou_to_mjai",
    "mjlog_to_mjai",
    "convert",
    "convert_to_bytes",
    "check",
    "read_log_database",
    "Problem",
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
    "MjlogParsingError",
    "__version__",
]


def __getattr__(name: str) -> Any:
    # read_log_database on first use: importing SQLite costs every command its time.
    if name == "read_log_database":
        from ._database import read_log_database

        return read_log_database
    raise AttributeError("module %r has no attribute %r" % (__name__, name))
