"""Converting one log and writing its mjai file; runs in each worker process,
or in the command's own process with one job."""

from __future__ import annotations

import gzip
import os
import signal
from types import FrameType
from typing import Callable, Optional, Tuple, Union

from . import _output
from ._ripaion import tenhou_to_mjai

# gzip level for --gzip. On 1,529 real logs (bench/gzip_levels.py) the mjai
# text shrinks to 12.4% of its size at level 1, 8.3% at level 6 and 7.5% at
# level 9, for 0.18, 0.67 and 2.0 ms of processor time per log (a conversion
# takes about 0.3 ms). Level 6 stores a third less than level 1 for half a
# millisecond per log, paid once, while the files are kept, copied and read
# back for every training epoch; level 9 takes three times as long again for
# another tenth. Level 6 is also what gzip and zlib give by default.
GZIP_LEVEL = 6

Job = Tuple[str, str]  # (log path, output path; "-" for standard output)
# What one job reports back. Kept tiny because it crosses the process boundary
# once per log: CONVERTED or SKIPPED, or (log path, exception class name, message).
CONVERTED = 0
SKIPPED = 1
Failure = Tuple[str, str, str]
Outcome = Union[int, Failure]

_compress = False
_skip_existing = False


def configure(compress: bool, skip_existing: bool) -> None:
    global _compress, _skip_existing
    _compress = compress
    _skip_existing = skip_existing


def init_worker(compress: bool, skip_existing: bool) -> None:
    """Pool initializer. Ctrl-C reaches the whole process group; the parent alone
    decides what it means and then terminates the pool with SIGTERM, which a
    worker answers by removing the file it was writing and exiting at once."""
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    signal.signal(signal.SIGTERM, _on_terminate)
    # The parent blocks both while it forks the pool; take them from here on.
    signal.pthread_sigmask(signal.SIG_UNBLOCK, {signal.SIGINT, signal.SIGTERM})
    configure(compress, skip_existing)


def _on_terminate(signum: int, frame: Optional[FrameType]) -> None:
    temp = _output.pending_temp
    if temp is not None:
        _output.remove_quietly(temp)
    os._exit(128 + signum)


def mjai_bytes(lines: list[str], compress: bool) -> bytes:
    """Every line followed by a line feed, as UTF-8 (gzip-compressed if asked)."""
    if not lines:
        return b""
    # Player names, the only text outside ASCII, are all in the first line
    # (start_game). Joined apart from it, the rest stays one-byte text, whose
    # join and encoding are plain copies: a third of the time of the whole.
    lines.append("")  # the last line's feed
    data = lines[0].encode("utf-8") + b"\n" + "\n".join(lines[1:]).encode("utf-8")
    if compress:
        # mtime=0: the same log always gives the same bytes.
        data = gzip.compress(data, GZIP_LEVEL, mtime=0)
    return data


def _convert(source: str, destination: str, write: Callable[[str, bytes], None]) -> Outcome:
    try:
        write(destination, mjai_bytes(tenhou_to_mjai(source), _compress))
    except (KeyboardInterrupt, SystemExit, BrokenPipeError):
        raise
    except BaseException as exc:  # includes the module's internal-fault type
        return (source, type(exc).__name__, str(exc))
    return CONVERTED


def convert_one(job: Job) -> Outcome:
    """One log of a batch; the parent has made the output directories."""
    source, destination = job
    if _skip_existing and os.path.exists(destination):
        return SKIPPED
    return _convert(source, destination, _output.publish)


def convert_single(job: Job) -> Outcome:
    """The one log of `LOG [OUT]`, where OUT may also be "-", a device or a link.
    A closed standard output (BrokenPipeError) is the caller's to handle."""
    source, destination = job
    if _skip_existing and not _output.is_stdout_path(destination) and os.path.exists(destination):
        return SKIPPED
    return _convert(source, destination, _output.write_output)
