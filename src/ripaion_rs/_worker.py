"""Converting one log and writing its mjai file; runs in each worker process,
or in the command's own process with one job."""

from __future__ import annotations

import gzip
import os
import re
import signal
import zlib
from types import FrameType
from typing import Any, Callable, Dict, NamedTuple, Optional, Tuple, Union

from . import _output
from ._input import DEFAULT_MAX_LOG_SIZE, read_log, readable_log, too_large
from ._ripaion import check, mjlog_to_mjai, tenhou_to_mjai

# gzip level for --gzip. On 1,529 real logs (bench/gzip_levels.py) the mjai
# text shrinks to 12.4% of its size at level 1, 8.3% at level 6 and 7.5% at
# level 9, for 0.18, 0.67 and 2.0 ms of processor time per log (a conversion
# takes about 0.3 ms). Level 6 stores a third less than level 1 for half a
# millisecond per log, paid once, while the files are kept, copied and read
# back for every training epoch; level 9 takes three times as long again for
# another tenth. Level 6 is also what gzip and zlib give by default.
GZIP_LEVEL = 6

# (log path, output path, found by a search): "-" as output path means
# standard output; a log found by a folder search or a pattern must be a
# regular file, one named on the command line may be a pipe or a device.
Job = Tuple[str, str, bool]
# What one job reports back. Kept tiny because it crosses the process boundary
# once per log: CONVERTED or SKIPPED, or (log path, exception class name,
# message) or, for a stream that `check` finds wrong, (path, problem kind,
# message, line number); with a manifest, the log's manifest entry instead of
# CONVERTED or SKIPPED.
CONVERTED = 0
SKIPPED = 1
Failure = Union[Tuple[str, str, str], Tuple[str, str, str, int]]
Manifest = Dict[str, Any]
Outcome = Union[int, Failure, Manifest]
Write = Callable[[str, bytes, str], None]


class Settings(NamedTuple):
    """What every log of a run is converted with; the same in every worker."""

    compress: bool = False
    skip_existing: bool = False
    max_log_size: int = DEFAULT_MAX_LOG_SIZE
    token: str = ""  # of the run's temporary names (see _output)
    manifest: bool = False  # report a manifest entry per converted or skipped log
    check: bool = False  # the jobs are streams to check, not logs to convert


_settings = Settings()


def configure(settings: Settings) -> None:
    global _settings
    _settings = settings


def init_worker(settings: Settings) -> None:
    """Worker set-up. Ctrl-C reaches the whole process group; the parent alone
    decides what it means and then terminates the workers with SIGTERM, which a
    worker answers by removing the file it was writing and exiting at once."""
    signal.signal(signal.SIGINT, signal.SIG_IGN)
    signal.signal(signal.SIGTERM, _on_terminate)
    # The parent blocks both while it starts a worker; take them from here on.
    signal.pthread_sigmask(signal.SIG_UNBLOCK, {signal.SIGINT, signal.SIGTERM})
    configure(settings)


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


def is_internal_fault(exc: BaseException) -> bool:
    """The extension's exception for a broken invariant, which derives from
    BaseException so that `except Exception` in user code passes it on."""
    kind = type(exc)
    return kind.__name__ == "InternalFault" and kind.__module__ == "ripaion_rs"


def failure(source: str, exc: BaseException) -> Failure:
    """A failed log's report: the exception's type and, for an error of the
    system, its errno text alone (the path is already in the report)."""
    if isinstance(exc, OSError) and exc.errno is not None and exc.strerror:
        return (source, type(exc).__name__, exc.strerror)
    return (source, type(exc).__name__, str(exc))


def is_mjlog(head: bytes) -> bool:
    """Whether a log's first bytes are those of an mjlog record: gzip, UTF-16
    with a byte-order mark, or XML (a tag first, after an optional UTF-8
    byte-order mark and blanks). Anything else is read as a JSON log."""
    if head[:2] in (b"\x1f\x8b", b"\xff\xfe", b"\xfe\xff"):
        return True
    if head.startswith(b"\xef\xbb\xbf"):
        head = head[3:]
    return head.lstrip()[:1] == b"<"


def _head(path: str) -> bytes:
    with open(path, "rb") as file:
        return file.read(512)


# A Tenhou game id in a file name, e.g. 2019021004gm-00a9-0000-e2f6516d.
_GAME_ID = re.compile(r"\d{10}gm-[0-9a-f]{4}-\d{4,5}-[0-9a-f]{8}")


def game_id(path: str) -> Optional[str]:
    match = _GAME_ID.search(os.path.basename(path))
    return match.group(0) if match else None


def manifest_entry(source: str, destination: str, lines: list[str]) -> Manifest:
    """What the manifest says of a converted log, from its lines (before they
    are joined): the start_game line holds the names and the rule flags."""
    import json

    start = json.loads(lines[0]) if lines else {}
    return {
        "input": source,
        "output": destination,
        "game_id": game_id(source),
        "names": start.get("names"),
        "aka": start.get("aka_flag"),
        "east_only": start.get("kyoku_first") == 4,
        "hands": sum(1 for line in lines if line.startswith('{"type":"start_kyoku"')),
        "events": len(lines),
    }


def skipped_entry(source: str, destination: str) -> Manifest:
    """A skipped log's entry: what is known without converting it."""
    try:
        size: Optional[int] = os.path.getsize(destination)
    except OSError:
        size = None
    return {"input": source, "output": destination, "game_id": game_id(source), "skipped": True, "bytes": size}


def convert_log(source: str, regular_only: bool, destination: str = "") -> Tuple[bytes, Optional[Manifest]]:
    """One log's conversion without its output: read it (at most the size
    cap), convert it as what its content is, and return the bytes of its
    mjai file, with its manifest entry when the run keeps a manifest."""
    with readable_log(source, _settings.max_log_size, regular_only) as readable:
        convert = mjlog_to_mjai if is_mjlog(_head(readable)) else tenhou_to_mjai
        lines = convert(readable)
    entry = manifest_entry(source, destination, lines) if _settings.manifest else None
    data = mjai_bytes(lines, _settings.compress)
    if entry is not None:
        entry["bytes"] = len(data)
    return data, entry


def read_stream(source: str, regular_only: bool) -> bytes:
    """An mjai stream's bytes, gunzipped when its name ends with .gz; at most
    the size cap, also once decompressed."""
    cap = _settings.max_log_size
    data = read_log(source, cap, regular_only)
    if not source.endswith(".gz"):
        return data
    inflater = zlib.decompressobj(wbits=31)  # gzip framing
    text = inflater.decompress(data, cap + 1)
    if len(text) > cap:
        raise too_large(cap)
    if not inflater.eof:
        raise EOFError("compressed file ended before the end-of-stream marker was reached")
    return text


def check_stream(source: str, regular_only: bool) -> Outcome:
    """One stream's check: CONVERTED (the word for a job done) when it is a
    legal game, else its first problem."""
    problems = check(read_stream(source, regular_only))
    if not problems:
        return CONVERTED
    line, kind, message = problems[0]
    return (source, kind, message, line)


def run_job(job: Job, write: Write = _output.publish) -> Outcome:
    """One log from its path to its output file (`write` it), and the outcome.

    Only what converting and writing can raise becomes a failed log; the
    command's own exceptions (Ctrl-C, SIGTERM, an error writing standard
    output) pass on and stop the run."""
    source, destination, searched = job
    try:
        if _settings.check:
            return check_stream(source, searched)
        if _settings.skip_existing and os.path.exists(destination):
            return skipped_entry(source, destination) if _settings.manifest else SKIPPED
        data, entry = convert_log(source, searched, destination)
        write(destination, data, _settings.token)
    except Exception as exc:
        return failure(source, exc)
    except BaseException as exc:
        if not is_internal_fault(exc):
            raise
        return failure(source, exc)
    return CONVERTED if entry is None else entry
