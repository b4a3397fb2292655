"""How the command stops on Ctrl-C or SIGTERM.

The first of them raises KeyboardInterrupt or Terminated wherever the run
is, so that the workers stop and unfinished files go; later ones are
ignored, so that they cannot cut that clean-up short. Inside a held section
(an outcome being recorded: counted, its manifest line written, marked as
reported) the exception waits for the section's end, so that no output is
ever marked as reported without its line."""

from __future__ import annotations

import signal
from types import FrameType, TracebackType
from typing import Optional, Type


class Terminated(BaseException):
    """SIGTERM, turned into an exception so that it stops the workers and
    removes unfinished files on the way out, like Ctrl-C."""


def ignore(signum: int, frame: Optional[FrameType]) -> None:
    """A handler that does nothing. (Not SIG_IGN: a signal that arrived just
    before SIG_IGN was set would raise "ignored due to race condition".)"""


_held = 0  # depth of held sections
_pending: Optional[int] = None  # the stop that came inside one


def stop_the_run(signum: int, frame: Optional[FrameType]) -> None:
    """SIGINT and SIGTERM: the first stops the run (at the end of a held
    section, if one is running); later ones are ignored."""
    global _pending
    for other in (signal.SIGINT, signal.SIGTERM):
        signal.signal(other, ignore)
    if _held:
        _pending = signum
        return
    _raise(signum)


def _raise(signum: int) -> None:
    if signum == signal.SIGINT:
        raise KeyboardInterrupt
    raise Terminated()


class _Held:
    """`with held:` a section that a stop does not cut; a plain class, as
    it is entered once per log."""

    def __enter__(self) -> None:
        global _held
        _held += 1

    def __exit__(self, kind: Optional[Type[BaseException]], value: Optional[BaseException],
                 traceback: Optional[TracebackType]) -> None:
        global _held, _pending
        _held -= 1
        if not _held and _pending is not None:
            signum, _pending = _pending, None
            if kind is None:
                _raise(signum)


held = _Held()
