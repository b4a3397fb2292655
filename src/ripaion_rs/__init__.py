"""Convert Tenhou game logs (JSON format 6, or Tenhou's mjlog XML records) into mjai event streams."""

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
