"""A one-line progress bar on a terminal: count, rate, time left, failures."""

from __future__ import annotations

import os
import time
from typing import Optional, TextIO

REDRAW_SECONDS = 0.1


def format_duration(seconds: float) -> str:
    seconds = int(seconds + 0.5)
    hours, rest = divmod(seconds, 3600)
    minutes, seconds = divmod(rest, 60)
    if hours:
        return "%d:%02d:%02d" % (hours, minutes, seconds)
    return "%d:%02d" % (minutes, seconds)


def render(done: int, total: int, failed: int, elapsed: float, width: int) -> str:
    """The bar line for `width` columns, e.g.
    ` 812/1529  53% |#########        | 612 logs/s  ETA 0:01  failed 2`."""
    rate = done / elapsed if elapsed > 0 else 0.0
    eta = format_duration((total - done) / rate) if rate > 0 else "?"
    count = "%*d/%d %3d%%" % (len(str(total)), done, total, 100 * done // total if total else 100)
    tail = " %.0f logs/s  ETA %s  failed %d" % (rate, eta, failed)
    room = width - len(count) - len(tail) - 4
    if room < 10:
        return (count + tail)[: max(width - 1, 0)]
    filled = room * done // total if total else room
    return "%s |%s%s|%s" % (count, "#" * filled, " " * (room - filled), tail)


def columns(stream: TextIO) -> int:
    """The width of the terminal behind `stream` (not standard output's, which
    may well be redirected while the bar goes to standard error)."""
    try:
        return os.get_terminal_size(stream.fileno()).columns or 80
    except (AttributeError, ValueError, OSError):
        return 80


class ProgressBar:
    """Redraws at most ten times a second; `None` stream means no bar at all."""

    def __init__(self, total: int, stream: Optional[TextIO]) -> None:
        self.total = total
        self.stream = stream
        self.start = time.monotonic()
        self.last_draw = 0.0
        self.drawn = False

    def update(self, done: int, failed: int, force: bool = False) -> None:
        if self.stream is None:
            return
        now = time.monotonic()
        if not force and done < self.total and now - self.last_draw < REDRAW_SECONDS:
            return
        self.last_draw = now
        width = columns(self.stream)
        line = render(done, self.total, failed, now - self.start, width)
        self.stream.write("\r" + line.ljust(width - 1))
        self.stream.flush()
        self.drawn = True

    def close(self) -> None:
        """Clear the bar so that the summary starts on a clean line."""
        if self.stream is not None and self.drawn:
            width = columns(self.stream)
            self.stream.write("\r" + " " * (width - 1) + "\r")
            self.stream.flush()
