"""Where each game's mjai file goes below the output folder, and the date a
Tenhou game id holds.

- `date`: `YYYY/MM/<name>`, year and month read from the game id, so that a
  year of games is spread over twelve folders instead of filling one; a log
  whose id is not a Tenhou game id goes to `other/`. The default for the
  rows of a database.
- `flat`: `<name>` directly in the output folder.
- `mirror`: the input tree below the output folder (a folder's relative
  paths). The default for files; a database's rows have no tree, so there
  it is `flat`.
"""

from __future__ import annotations

import re
from typing import Optional, Tuple

LAYOUTS = ("date", "flat", "mirror")
OTHER_FOLDER = "other"

# A Tenhou game id: date and hour, "gm", the lobby's rule bits, the lobby, a hash.
GAME_ID = re.compile(r"(\d{4})(\d{2})(\d{2})(\d{2})gm-[0-9a-f]{4}-\d{4,5}-[0-9a-f]{8}")

# File names are at most 255 bytes; room is left for the suffix and for the
# temporary name written beside the output (`.NAME.PID.TOKEN.tmp`).
_LONGEST_NAME = 180
# Bytes that cannot, or should not, stand in a file name; a leading dot would
# hide the file (and "." and ".." name folders).
_UNSAFE = re.compile(r"[%/\\\x00-\x1f\x7f]|\A\.")


def _dated(match: "Optional[re.Match[str]]") -> Optional[str]:
    if match is None:
        return None
    year, month, day, hour = match.groups()  # four digits, then two each
    if not (1 <= int(month) <= 12 and 1 <= int(day) <= 31 and int(hour) <= 23):
        return None
    return "%s-%s-%sT%s" % (year, month, day, hour)


def game_date(game_id: Optional[str]) -> Optional[str]:
    """`YYYY-MM-DDTHH` of a Tenhou game id (the hour the game was played, in
    Japan's time, as Tenhou names games); None for anything else."""
    if game_id is None:
        return None
    return _dated(GAME_ID.fullmatch(game_id))


def find_game_id(text: str) -> Optional[str]:
    """The Tenhou game id inside a name or a `ref` (`...&tw=2`, `game.mjlog`), if any."""
    return find_game(text)[0]


def find_game(text: str) -> Tuple[Optional[str], Optional[str]]:
    """The Tenhou game id inside a name or a `ref`, and its date (as
    game_date gives it); (None, None) when there is none."""
    match = GAME_ID.search(text)
    date = _dated(match)
    if match is None or date is None:
        return None, None
    return match.group(0), date


def safe_name(log_id: str) -> str:
    """A file name for a row's id: the id itself when it can be one, else
    with the unsafe characters written as %XX (so two ids never share a
    name), and a long one cut, with a hash of the whole to keep it apart."""
    name = _UNSAFE.sub(lambda m: "".join("%%%02X" % b for b in m.group(0).encode("utf-8")), log_id)
    if not name:
        return "%"  # the empty id; "%" alone is never the encoding of another id
    encoded = name.encode("utf-8")
    if len(encoded) > _LONGEST_NAME:
        import hashlib  # only for such ids: its import is a good part of the command's start

        digest = hashlib.sha256(log_id.encode("utf-8", "surrogatepass")).hexdigest()[:16]
        head = encoded[:_LONGEST_NAME - 17].decode("utf-8", "ignore")
        name = "%s~%s" % (head, digest)
    return name


def row_output(log_id: str, layout: str, suffix: str, compress: bool) -> str:
    """The path of a database row's output below the output folder."""
    name = safe_name(log_id) + suffix + (".gz" if compress else "")
    if layout != "date":
        return name
    match = GAME_ID.fullmatch(log_id)
    if match is None or _dated(match) is None:
        return OTHER_FOLDER + "/" + name
    return "%s/%s/%s" % (match.group(1), match.group(2), name)


def file_output(relative: str, layout: str) -> str:
    """The path of a file's output below the output folder, before its
    suffix changes: `relative` is its path below the folder searched (or its
    name, when it was named itself), with '/' between folders."""
    if layout == "mirror":
        return relative
    name = relative.rsplit("/", 1)[-1]
    if layout == "flat":
        return name
    found = GAME_ID.search(name)
    if found is None or _dated(found) is None:
        return OTHER_FOLDER + "/" + relative
    return "%s/%s/%s" % (found.group(1), found.group(2), name)
