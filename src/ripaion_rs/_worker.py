"""One job, start to end: read the log, convert it, write its output and say
how it went. The same step in the command's process, its worker processes
and a cluster's workers; what differs between them is only the storage."""

from __future__ import annotations

import json
import os
from typing import TYPE_CHECKING, Any, Dict, Optional, Tuple

from ._check import check
from ._content import unpack
from ._gunzip import gunzip
from ._job import CONVERTED, SKIPPED, Job, Kind, Outcome, OutputOutsideFolder, Settings, failed, stays_below, with_entry
from ._layout import find_game, find_game_id, game_date
from ._ripaion import MANIFEST_KEYS, convert_for_manifest, convert_to_bytes, convert_with_info

if TYPE_CHECKING:
    from ._storage import Storage

Manifest = Dict[str, Any]


def is_internal_fault(exc: BaseException) -> bool:
    """The extension's exception for a broken invariant, which derives from
    BaseException so that `except Exception` in user code passes it on."""
    kind = type(exc)
    return kind.__name__ == "InternalFault" and kind.__module__ == "ripaion_rs"


def failure(source: str, exc: BaseException) -> Outcome:
    """A failed log's outcome: the exception's type and, for an error of the
    system, its errno text alone (the path is already in the report)."""
    if isinstance(exc, OSError) and exc.errno is not None and exc.strerror:
        return failed(source, type(exc).__name__, exc.strerror)
    return failed(source, type(exc).__name__, str(exc))


def game_id(path: str) -> Optional[str]:
    """The Tenhou game id in a log's name (a file's, or a database row's `games.db#<id>`)."""
    return find_game_id(os.path.basename(path))


def _head(source: str, destination: str, ref: Any) -> Manifest:
    """A manifest line's first members: the log, its output, and the game id
    and date in the log's name, else in the JSON log's `ref`."""
    gid, date = find_game(os.path.basename(source))
    if gid is None and isinstance(ref, str):
        gid, date = find_game(ref)
    return {"input": source, "output": destination, "game_id": gid, "date": date}


def manifest_entry(source: str, destination: str, info: Dict[str, Any]) -> Manifest:
    """What the manifest says of a converted log, from what its conversion
    told of it (convert_with_info's dict): after the head, the members
    MANIFEST_KEYS names, in that order; a key `info` lacks is null."""
    entry = _head(source, destination, info.get("ref"))
    for key in MANIFEST_KEYS:
        entry[key] = info.get(key)
    return entry


def manifest_line(source: str, destination: str, members: str, ref: Optional[str], size: int) -> str:
    """The JSON text of manifest_entry(...) with "bytes": `size` after it,
    with the members as the extension wrote them (convert_for_manifest)."""
    return '%s, %s, "bytes": %d}' % (json.dumps(_head(source, destination, ref))[:-1], members, size)


def described_output(text: bytes, facts: Optional[Dict[str, Any]]) -> Dict[str, Any]:
    """What an output written earlier says of its game: names and rule flags
    from its start_game line, hands and events from `facts` (its log's
    conversion now) or else counted in the text, and the rest of `facts`."""
    end = text.find(b"\n")
    first = text[:end] if end >= 0 else text
    start = json.loads(first) if first else {}
    if not isinstance(start, dict):
        start = {}
    described: Dict[str, Any] = dict(facts) if facts is not None else {
        # Line starts: no JSON string holds an unescaped quote.
        "hands": text.count(b'\n{"type":"start_kyoku"'),
        "events": text.count(b"\n"),
    }
    described["names"] = start.get("names")
    described["aka"] = start.get("aka_flag")
    described["east_only"] = start.get("kyoku_first") == 4
    return described


def skipped_entry(source: str, destination: str, size: Optional[int]) -> Manifest:
    """A skipped log's entry when its output is not an mjai stream: what is
    known without converting it."""
    gid = game_id(source)
    return {"input": source, "output": destination, "game_id": gid, "date": game_date(gid), "skipped": True,
            "bytes": size}


# How much of an output is read to make its manifest line, in multiples of
# the size cap of a log (an mjai text is some twice its log's size).
OUTPUT_READ_FACTOR = 4


def entry_of_output(job: Job, cap: int, storage: "Storage") -> Manifest:
    """The manifest line of an output written earlier, whose line was lost
    (its run was killed first): made from the output itself, as its
    conversion made it, with the game's facts from converting its log again
    (not written; none when the log cannot be read now); only its size when
    the output is not an mjai stream."""
    try:
        data = storage.read(job.destination, cap * OUTPUT_READ_FACTOR, False)
        text = gunzip(data, cap * OUTPUT_READ_FACTOR) if data[:2] == b"\x1f\x8b" else data
        entry = manifest_entry(job.source, job.destination, described_output(text, _facts_again(job, cap, storage)))
    except Exception:  # not an mjai stream of ours, or gone since
        return skipped_entry(job.source, job.destination, storage.size(job.destination))
    if entry["names"] is None:
        return skipped_entry(job.source, job.destination, len(data))
    entry["bytes"] = len(data)
    return entry


def _facts_again(job: Job, cap: int, storage: "Storage") -> Optional[Dict[str, Any]]:
    """The facts of the job's log, converted again; None if it cannot be."""
    try:
        log = storage.read(job.source, cap, job.searched) if job.content is None else unpack(job.content, cap)
        return convert_with_info(log)[1]
    except Exception:  # the log gone, changed or not given: the line keeps what the output says
        return None


def read_input(job: Job, settings: Settings, storage: "Storage") -> bytes:
    """The log's bytes, at most the size cap: given with the job, or read."""
    if job.content is None:
        return storage.read(job.source, settings.max_log_size, job.searched)
    return unpack(job.content, settings.max_log_size)  # a database row's: compressed, perhaps


def convert_log(job: Job, settings: Settings, storage: "Storage") -> Tuple[bytes, Optional[str]]:
    """One log's conversion without its output: the bytes of its mjai file,
    with its manifest line when the run keeps a manifest. The file is made
    whole in the extension, compressed there too, without a list of lines in
    between; the log's bytes say whether it is a JSON log or an mjlog record."""
    level = settings.gzip_level
    data = read_input(job, settings, storage)
    # format="auto": an mjlog record or a JSON log, told by the bytes.
    if not settings.manifest:
        return convert_to_bytes(data, gzip=level), None
    out, members, ref = convert_for_manifest(data, gzip=level)
    return out, manifest_line(job.source, job.destination, members, ref, len(out))


def read_stream(job: Job, settings: Settings, storage: "Storage") -> bytes:
    """An mjai stream's bytes, gunzipped when its name ends with .gz (every
    member of it, as gzip and zcat read it); at most the size cap, also once
    decompressed."""
    data = read_input(job, settings, storage)
    return gunzip(data, settings.max_log_size) if job.source.endswith(".gz") else data


def check_stream(job: Job, settings: Settings, storage: "Storage") -> Outcome:
    """One stream's check: CONVERTED (the word for a job done) when it is a
    legal game, else its first problem."""
    problems = check(read_stream(job, settings, storage), scores=settings.scores)
    if not problems:
        return CONVERTED
    line, kind, message = problems[0]
    return failed(job.source, kind, message, line)


def run_job(job: Job, settings: Settings, storage: "Storage") -> Outcome:
    """One job from its log to its output, and the outcome.

    Only what reading, converting and writing can raise becomes a failed log;
    the command's own exceptions (Ctrl-C, SIGTERM, an error writing standard
    output) pass on and stop the run."""
    try:
        if settings.check:
            return check_stream(job, settings, storage)
        if settings.output_root is not None and not stays_below(job.destination, settings.output_root):
            raise OutputOutsideFolder("its output %s would be outside the output folder %s"
                                      % (job.destination, settings.output_root))
        if settings.skip_existing and storage.exists(job.destination):
            if not settings.manifest:
                return SKIPPED
            return with_entry(Kind.SKIPPED, job.source, entry_of_output(job, settings.max_log_size, storage))
        data, entry = convert_log(job, settings, storage)
        storage.write(job.destination, data, settings.token)
    except Exception as exc:
        return failure(job.source, exc)
    except BaseException as exc:
        if not is_internal_fault(exc):
            raise
        return failure(job.source, exc)
    return CONVERTED if entry is None else with_entry(Kind.CONVERTED, job.source, entry)
