import os

__all__ = [
    "TenhouLogParsingError",
    "TenhouToMjaiError",
    "JsonSerializationError",
    "JsonParsingError",
    "tenhou_to_mjai",
    "__version__",
    "VERSION",
]

__version__: str
VERSION: str

class TenhouLogParsingError(ValueError): ...
class TenhouToMjaiError(ValueError): ...
class JsonSerializationError(ValueError): ...
class JsonParsingError(ValueError): ...

def tenhou_to_mjai(
    filename: str | os.PathLike[str], mjai_out: str | os.PathLike[str] | None = None
) -> list[str]:
    """Convert the Tenhou log `filename` into mjai event lines, one JSON object each.

    When `mjai_out` is given, the lines are also written there, each followed by a
    line feed; "-" means standard output. Raises JsonParsingError,
    TenhouLogParsingError, TenhouToMjaiError or JsonSerializationError (all
    ValueError), an OSError for file problems, TypeError for bad arguments.
    """
