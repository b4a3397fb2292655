"""Convert Tenhou JSON game logs (format 6) into mjai event streams."""

from ._ripaion import (
    JsonParsingError,
    JsonSerializationError,
    TenhouLogParsingError,
    TenhouToMjaiError,
    __version__,
    tenhou_to_mjai,
)

__all__ = [
    "tenhou_to_mjai",
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
    "__version__",
]
