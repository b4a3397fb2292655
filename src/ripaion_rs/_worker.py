"""Converting one log and writing its mjai file; runs in each worker process,
or in the command's own process with one job."""

from __future__ import annotations

import os
import re
import signal
import zlib
from types import FrameType
from typing import Any, Callable, Dict, NamedTuple, Optional, Tuple, Union

from . import _output
from ._gunzip import gunzip
from ._input import DEFAULT_MAX_LOG_SIZE, read_log
from ._ripaion import check, convert_to_bytes

# gzip level of --gzip, and the range of --gzip-level: libdeflate's scale,
# made in the extension. At 6 the files of 1,529 real logs are 0.8% smaller
# than zlib's level 6 gives, for less than half of its time
# (bench/deflate_bench.cpp); level 5 would be 12% larger. The files are
# kept and read back for every training epoch, so size is worth the time.
GZIP_LEVEL = 6
MIN_GZIP_LEVEL = 0
MAX_GZIP_LEVEL = 12

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
Write = Callable[[str, bytes, str], None]  # (output path, data, run token)
Read = Callable[[str, int, bool], bytes]  # (log path, size cap, found by a search) -> its bytes


# The failure type of a log whose worker process died on it every time.
WORKER_DIED = "WorkerDied"


def batch_size(remaining: int, workers: int, largest: int, smallest: int = 1) -> int:
    """How many logs the next batch of a run gets: at most `largest`, and
    fewer towards the end (a quarter of each worker's share of what
    remains), so that the workers finish together; never below `smallest`."""
    return max(min(smallest, largest), min(largest, remaining // (workers * 4)))


class Settings(NamedTuple):
    """What every log of a run is converted with; the same in every worker."""

    gzip_level: Optional[int] = None  # None: no compression
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


# A Tenhou game id in a file name, e.g. 2019021004gm-00a9-0000-e2f6516d.
_GAME_ID = re.compile(r"\d{10}gm-[0-9a-f]{4}-\d{4,5}-[0-9a-f]{8}")


def game_id(path: str) -> Optional[str]:
    match = _GAME_ID.search(os.path.basename(path))
    return match.group(0) if match else None


def manifest_entry(source: str, destination: str, text: bytes) -> Manifest:
    """What the manifest says of a converted log, from its mjai text: the
    start_game line holds the names and the rule flags."""
    import json

    first = text[: text.find(b"\n")] if text else b""
    start = json.loads(first) if first else {}
    return {
        "input": source,
        "output": destination,
        "game_id": game_id(source),
        "names": start.get("names"),
        "aka": start.get("aka_flag"),
        "east_only": start.get("kyoku_first") == 4,
        # Line starts: no JSON string holds an unescaped quote.
        "hands": text.count(b'\n{"type":"start_kyoku"'),
        "events": text.count(b"\n"),
    }


def skipped_entry(source: str, destination: str) -> Manifest:
    """A skipped log's entry: what is known without converting it."""
    try:
        size: Optional[int] = os.path.getsize(destination)
    except OSError:
        size = None
    return {"input": source, "output": destination, "game_id": game_id(source), "skipped": True, "bytes": size}


def convert_log(source: str, regular_only: bool, destination: str = "",
                read: Read = read_log, settings: Optional[Settings] = None) -> Tuple[bytes, Optional[Manifest]]:
    """One log's conversion without its output: read its bytes (at most the
    size cap) and make those of its mjai file, with its manifest entry when
    the run keeps a manifest. The file is made whole in the extension,
    compressed there too, without a list of lines in between; the log's
    bytes say whether it is a JSON log or an mjlog record."""
    settings = settings or _settings
    level = settings.gzip_level
    data = read(source, settings.max_log_size, regular_only)
    # format="auto": an mjlog record or a JSON log, told by the bytes.
    out = convert_to_bytes(data, gzip=level)
    text = out if level is None or not settings.manifest else zlib.decompress(out, wbits=31)
    entry = manifest_entry(source, destination, text) if settings.manifest else None
    if entry is not None:
        entry["bytes"] = len(out)
    return out, entry


def read_stream(source: str, regular_only: bool, cap: int) -> bytes:
    """An mjai stream's bytes, gunzipped when its name ends with .gz (every
    member of it, as gzip and zcat read it); at most `cap` bytes, also once
    decompressed."""
    data = read_log(source, cap, regular_only)
    return gunzip(data, cap) if source.endswith(".gz") else data


def check_stream(source: str, regular_only: bool, settings: Settings) -> Outcome:
    """One stream's check: CONVERTED (the word for a job done) when it is a
    legal game, else its first problem."""
    problems = check(read_stream(source, regular_only, settings.max_log_size))
    if not problems:
        return CONVERTED
    line, kind, message = problems[0]
    return (source, kind, message, line)


def run_job(job: Job, write: Write = _output.publish, exists: Callable[[str], bool] = os.path.exists,
            read: Read = read_log, settings: Optional[Settings] = None) -> Outcome:
    """One log from its path to its output file (`write` it), and the outcome.
    (A cluster's workers pass their storage's `write`, `exists` and `read`,
    for logs and outputs that may be URLs, and the run's `settings`, since
    a worker's threads may serve several runs at once; the command's own
    processes use the settings `configure` set.)

    Only what converting and writing can raise becomes a failed log; the
    command's own exceptions (Ctrl-C, SIGTERM, an error writing standard
    output) pass on and stop the run."""
    source, destination, searched = job
    settings = settings or _settings
    try:
        if settings.check:
            return check_stream(source, searched, settings)
        if settings.skip_existing and exists(destination):
            return skipped_entry(source, destination) if settings.manifest else SKIPPED
        data, entry = convert_log(source, searched, destination, read, settings)
        write(destination, data, settings.token)
    except Exception as exc:
        return failure(source, exc)
    except BaseException as exc:
        if not is_internal_fault(exc):
            raise
        return failure(source, exc)
    return CONVERTED if entry is None else entry
