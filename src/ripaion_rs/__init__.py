"""Convert Tenhou JSON game logs (format 6) into mjai event streams."""

from ._ripaion import (
    JsonParsingError,
    JsonSerializationError,
    Problem,
    TenhouLogParsingError,
    TenhouToMjaiError,
    __version__,
    check,
    tenhou_to_mjai,
)

__all__ = [
    "tenhou_to_mjai",
    "check",
    "Problem",
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
    "__version__",
]
