"""The `ripaion` command: convert one Tenhou log, or a whole tree of them, to mjai."""

from __future__ import annotations

import argparse
import contextlib
import errno
import os
import re
import signal
import stat
import sys
import time
from typing import IO, TYPE_CHECKING, Callable, Iterator, List, NoReturn, Optional, Sequence, Set, Tuple

from . import _batch, _output
from ._batch import OwnOutputError, Tally
from ._discover import (
    LOG_SUFFIXES,
    STREAM_SUFFIXES,
    Discovery,
    Found,
    InputError,
    find_logs,
    has_magic,
    make_directories,
    plan_jobs,
)
from ._input import is_database
from ._job import (
    DEFAULT_MAX_LOG_SIZE,
    DEFAULT_SUFFIX,
    EXIT_BROKEN_PIPE,
    EXIT_FAILED,
    EXIT_INTERRUPTED,
    EXIT_OK,
    EXIT_TERMINATED,
    EXIT_USAGE,
    GZIP_LEVEL,
    MAX_GZIP_LEVEL,
    MIN_GZIP_LEVEL,
    STDOUT,
    Job,
    Outcome,
    RunStopped,
    Settings,
    names_standard_output,
)
from ._layout import LAYOUTS
from ._manifest import Manifest
from ._progress import ProgressBar
from ._ripaion import __version__, detect_format
from ._stopping import Terminated, ignore, stop_the_run
from ._storage import StandardOutputFailed, Storage, is_url, local_path
from ._worker import run_job

if TYPE_CHECKING:
    from ._rows import DatabaseInput

# Converts the jobs, passing each outcome on, and on a stop the jobs whose outcomes were lost.
Run = Callable[[Sequence[Job], Callable[[Outcome], None], Callable[[Sequence[Job]], None]], None]

DESCRIPTION = """\
Convert Tenhou logs (JSON format 6, or mjlog XML records, plain or gzip) into
mjai event streams, one event per line. Each file's kind is told by its content.

  ripaion LOG                  write LOG's mjai lines to standard output
  ripaion LOG OUT              write them to the file OUT
  ripaion -o DIR INPUT...      write DIR/<name>.mjson for every log; a directory
                               INPUT is searched for *.json, *.mjlog and *.xml
                               and its tree mirrored
  ripaion -o DIR games.db      every game of a Tenhou log database (SQLite) to
                               DIR/YYYY/MM/<id>.mjson
  ripaion check PATH...        replay mjai streams and report the invalid ones
                               (see ripaion check --help)
  ripaion tenhou6 STREAM...    write mjai streams as tenhou.net/6 JSON logs
                               (see ripaion tenhou6 --help)

Exit status: 0 when every log converted (or was skipped), 1 when one failed,
2 for usage errors, 130 after Ctrl-C, 143 after SIGTERM, 141 when the reader of
standard output went away.
"""

CHECK_DESCRIPTION = """\
Replay mjai streams (one JSON event per line) and report every stream that is
not a legal game, with the line and kind of its first problem.

PATH is a stream file (.mjson, .json, .jsonl, each optionally .gz), a directory
(searched recursively for those) or a glob pattern.

Exit status: 0 when every stream is valid, 1 when one is not (or cannot be
read), 2 for usage errors, 130 after Ctrl-C, 143 after SIGTERM.
"""

# The start of a Tenhou JSON log: an object whose first key is not mjai's
# "type", after an optional byte-order mark and blanks.
_JSON_LOG_START = re.compile(rb'\A(?:\xef\xbb\xbf)?\s*\{(?!\s*"type")\s*(?:"|\})')
_GZIP_MAGIC = b"\x1f\x8b"


def _positive(text: str) -> int:
    try:
        value = int(text)
    except ValueError:
        value = 0
    if value < 1:
        raise argparse.ArgumentTypeError("expected a positive whole number, got %r" % text)
    return value


def _gzip_level(text: str) -> int:
    try:
        value = int(text)
    except ValueError:
        value = -1
    if not MIN_GZIP_LEVEL <= value <= MAX_GZIP_LEVEL:
        raise argparse.ArgumentTypeError("expected a level from %d to %d, got %r"
                                         % (MIN_GZIP_LEVEL, MAX_GZIP_LEVEL, text))
    return value


def _suffix(text: str) -> str:
    if "/" in text or "\0" in text:
        raise argparse.ArgumentTypeError("a suffix is part of a file name (no '/'), got %r" % text)
    return text


_SIZE_UNITS = {"": 1, "k": 1 << 10, "m": 1 << 20, "g": 1 << 30}


def _size(text: str) -> int:
    """A byte count: `1000000`, `512k`, `256M`, `2G` (binary units)."""
    match = re.fullmatch(r"\s*([0-9]+)\s*([kKmMgG]?)i?[bB]?\s*", text)
    if match is None or int(match.group(1)) < 1:
        raise argparse.ArgumentTypeError("expected a size such as 1000000, 512k, 256M or 2G, got %r" % text)
    return int(match.group(1)) * _SIZE_UNITS[match.group(2).lower()]


def usable_cpus() -> int:
    try:
        return len(os.sched_getaffinity(0))
    except AttributeError:  # not Linux
        return os.cpu_count() or 1


def _add_version_option(parser: argparse.ArgumentParser) -> None:
    parser.add_argument("--version", action="version", version="%(prog)s " + __version__)


def _add_jobs_option(parser: argparse.ArgumentParser) -> None:
    parser.add_argument("-j", "--jobs", type=_positive, default=None, metavar="N",
                        help="worker processes (default: the usable CPUs, %d here)" % usable_cpus())


def _add_run_options(parser: argparse.ArgumentParser, item: str, reported: str, bad_run: str) -> None:
    """The options a conversion and a check share, in the words of what they
    go through: `item` names one input, `reported` what a report line holds,
    `bad_run` when the summary is printed anyway."""
    parser.add_argument("--report", metavar="FILE", help="write one JSON line per " + reported)
    parser.add_argument("--max-log-size", type=_size, default=DEFAULT_MAX_LOG_SIZE, metavar="SIZE",
                        help="report a %s larger than SIZE bytes as failed "
                             "(default 256M; k, M, G: binary units)" % item)
    parser.add_argument("-q", "--quiet", action="store_true",
                        help="no progress bar, and no summary unless " + bad_run)


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="ripaion", description=DESCRIPTION, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("inputs", nargs="+", metavar="INPUT",
                        help="log file, directory (searched recursively for *.json, *.mjlog, *.xml) or glob pattern")
    _add_version_option(parser)
    parser.add_argument("-o", "--output", metavar="DIR",
                        help="write one mjai file per log below DIR, mirroring the input tree")
    _add_jobs_option(parser)
    parser.add_argument("--gzip", action="store_true",
                        help="compress every output with gzip, one member per file (<name>.mjson.gz), "
                             "level %d" % GZIP_LEVEL)
    parser.add_argument("--gzip-level", type=_gzip_level, default=None, metavar="N",
                        help="gzip level from %d (stored) to %d (smallest, slowest); implies --gzip "
                             "(default %d, about the size of zlib's level 6)"
                             % (MIN_GZIP_LEVEL, MAX_GZIP_LEVEL, GZIP_LEVEL))
    parser.add_argument("--suffix", type=_suffix, default=DEFAULT_SUFFIX, metavar="S",
                        help="with -o: a log's output name is its name without .json (.mjlog, .xml), then S, then .gz "
                             "with --gzip (default %s; --suffix .json --gzip gives game.json.gz)"
                             % DEFAULT_SUFFIX)
    parser.add_argument("--skip-existing", action="store_true",
                        help="leave logs whose output file exists alone (resume a stopped run)")
    _add_run_options(parser, "log", "failed log: path, type, message", "a log failed")
    parser.add_argument("--manifest", metavar="FILE",
                        help="write one JSON line per converted (or skipped) log: input, output, game id, "
                             "date, names, rule flags, hands, events, bytes")
    parser.add_argument("--layout", choices=LAYOUTS, default=None,
                        help="with -o: where outputs go below DIR: date (YYYY/MM/ from the game id, other/ "
                             "for names without one; the default for a database's rows), flat (DIR itself) "
                             "or mirror (a folder's tree; the default for files)")
    rows = parser.add_argument_group(
        "Tenhou log databases (an INPUT that is an SQLite file, opened read-only)",
        "Rows not downloaded, with an error or of three-player games are skipped unread.")
    rows.add_argument("--where", metavar="SQL",
                      help="only the rows for which this condition on the table's columns holds, "
                           "e.g. \"date >= '2021-01-01' AND is_tonpusen = 0\"")
    rows.add_argument("--limit", type=_positive, metavar="N", help="at most N rows of each database")
    cluster = parser.add_argument_group(
        "on a Dask cluster (needs the dask extra: pip install 'ripaion_rs[dask]')",
        "INPUTs and -o may then also be fsspec URLs (s3://bucket/logs, ...); every worker reads, "
        "converts and writes its logs itself.")
    where = cluster.add_mutually_exclusive_group()
    where.add_argument("--scheduler", metavar="ADDRESS",
                       help="run on the Dask cluster whose scheduler is at ADDRESS (tcp://host:8786)")
    where.add_argument("--dask", type=_local_cluster, metavar="local:N",
                       help="run on a cluster of N worker processes started on this machine for the run")
    cluster.add_argument("--cluster-timeout", type=_seconds, default=None, metavar="SECONDS",
                         help="end the run (status 1) when the cluster has had no worker for SECONDS "
                              "(default 300; also how long the first worker may take to answer, default 60)")
    return parser


def _seconds(text: str) -> float:
    try:
        value = float(text)
    except ValueError:
        value = 0.0
    if not 0 < value < float("inf"):
        raise argparse.ArgumentTypeError("expected a positive number of seconds, got %r" % text)
    return value


def _local_cluster(text: str) -> int:
    kind, _, count = text.partition(":")
    if kind != "local":
        raise argparse.ArgumentTypeError("expected local:N (N worker processes), got %r" % text)
    return _positive(count)


def _on_cluster(args: argparse.Namespace) -> bool:
    return getattr(args, "scheduler", None) is not None or getattr(args, "dask", None) is not None


def _silence(fd: int) -> None:
    """Point `fd` at /dev/null: what is still buffered for a stream that has
    failed (a closed pipe, a vanished terminal) then goes nowhere quietly,
    instead of failing again when the interpreter exits."""
    try:
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, fd)
        os.close(devnull)
    except OSError:
        pass


def _say(text: str) -> None:
    """A message on standard error, if it can still be written."""
    try:
        print(text, file=sys.stderr, flush=True)
    except (OSError, ValueError, AttributeError):
        _silence(2)


# ---------------------------------------------------------------- checks

def looks_like_log(path: str) -> bool:
    """An existing file that is a log itself, by its name or its first bytes;
    only a regular file is read (a FIFO is never opened here)."""
    if path.lower().endswith(LOG_SUFFIXES):
        return True
    try:
        fd = os.open(path, os.O_RDONLY | os.O_NONBLOCK | os.O_CLOEXEC)
    except OSError:
        return False
    try:
        if not stat.S_ISREG(os.fstat(fd).st_mode):
            return False
        head = os.read(fd, 512)
    except OSError:
        return False
    finally:
        os.close(fd)
    if head.startswith(_GZIP_MAGIC):
        return False  # an mjlog record by its name only: a compressed output starts so too
    return detect_format(head) == "mjlog" or _JSON_LOG_START.match(head) is not None


def _same_file(a: str, b: str) -> bool:
    try:
        return os.path.samefile(a, b)
    except OSError:
        return False


def _single_job(parser: argparse.ArgumentParser, inputs: List[str]) -> Job:
    """Without -o: `LOG` writes to standard output, `LOG OUT` to the file OUT.
    LOG may be any file but a directory: a pipe or /dev/stdin is one log."""
    log = inputs[0]
    if os.path.isdir(log) or (has_magic(log) and not os.path.lexists(log)):
        parser.error("converting a directory or a pattern needs -o/--output DIR")
    if is_database(log):
        parser.error("converting a log database needs -o/--output DIR")
    if len(inputs) == 1:
        return Job(log, STDOUT)
    if len(inputs) > 2 or not os.path.exists(log):
        parser.error("converting several logs needs -o/--output DIR")
    out = inputs[1]
    if not names_standard_output(out):
        if os.path.isdir(out):
            parser.error("%s is a directory: converting several logs needs -o/--output DIR" % out)
        if _same_file(log, out):
            parser.error("the output %s is the log itself" % out)
        if os.path.exists(out) and looks_like_log(out):
            parser.error("%s is a log, not an output file: to convert several logs use -o DIR; "
                         "nothing was written" % out)
    return Job(log, out)


def _check_own_file(parser: argparse.ArgumentParser, what: str, path: Optional[str], logs: Sequence[Found],
                    outputs: Set[str]) -> None:
    """Refuse a file of the command's own (`what`: the report, the manifest)
    that cannot be created, or that would overwrite a log or an output,
    before anything is created or truncated."""
    if path is None:
        return
    if os.path.abspath(path) in outputs:
        parser.error("%s %s is one of the output files" % (what, path))
    try:
        inode = os.stat(path).st_ino
    except OSError:
        inode = -1  # it does not exist yet, so it is no log
    for log in logs:
        if inode >= 0 and log.inode in (inode, 0) and _same_file(log.path, path):
            parser.error("%s %s is one of the logs" % (what, path))
    if os.path.isdir(path):
        parser.error("cannot write %s %s: it is a directory" % (what, path))
    parent = os.path.dirname(path) or os.curdir
    if not os.path.isdir(parent):
        parser.error("cannot write %s %s: %s is not a directory" % (what, path, parent))
    if not os.access(path if inode >= 0 else parent, os.W_OK):
        parser.error("cannot write %s %s: %s" % (what, path, os.strerror(errno.EACCES)))


def _check_own_files(parser: argparse.ArgumentParser, args: argparse.Namespace, logs: Sequence[Found],
                     outputs: Set[str]) -> None:
    _check_own_file(parser, "the report", args.report, logs, outputs)
    manifest = getattr(args, "manifest", None)
    _check_own_file(parser, "the manifest", manifest, logs, outputs)
    if manifest is not None and args.report is not None and (
            os.path.abspath(manifest) == os.path.abspath(args.report) or _same_file(manifest, args.report)):
        parser.error("the manifest and the report are the same file %s" % manifest)


def _open_own_file(parser: argparse.ArgumentParser, what: str, path: Optional[str]) -> Optional[IO[str]]:
    if path is None:
        return None
    try:
        return open(path, "w", encoding="utf-8")
    except OSError as exc:
        parser.error("cannot write %s %s: %s" % (what, path, exc.strerror or exc))


def _close_own_file(what: str, stream: Optional[IO[str]]) -> Optional[OwnOutputError]:
    if stream is None:
        return None
    try:
        stream.close()
    except OSError as exc:
        return OwnOutputError(what, exc)
    return None


def _open_manifest(parser: argparse.ArgumentParser, path: Optional[str], resume: bool) -> Optional[Manifest]:
    if path is None:
        return None
    try:
        return Manifest(path, resume)
    except OSError as exc:
        parser.error("cannot write the manifest %s: %s" % (path, exc.strerror or exc))


def _close_own_files(report: Optional[IO[str]], manifest: Optional[Manifest]) -> Optional[OwnOutputError]:
    first = _close_own_file("the report", report)
    if manifest is not None:
        try:
            manifest.close()
        except OSError as exc:
            return OwnOutputError("the manifest", exc)
    return first


# ---------------------------------------------------------------- the two forms

def _convert_single(parser: argparse.ArgumentParser, args: argparse.Namespace, settings: Settings) -> int:
    job = _single_job(parser, args.inputs)
    to_stdout = names_standard_output(job.destination)
    outputs = set() if to_stdout else {os.path.abspath(job.destination)}
    _check_own_files(parser, args, [Found(job.source, job.source, False, 0)], outputs)
    report = _open_own_file(parser, "the report", args.report)
    manifest = _open_manifest(parser, args.manifest, settings.skip_existing)
    tally = Tally(1, report, time.monotonic(), manifest)
    tally.nothing_done_is_usage = False
    try:
        tally.add(run_job(job, settings, Storage(user_named=True)))
    except StandardOutputFailed as failed:
        if failed.error.errno == errno.EPIPE:
            # The reader went away (`| head`): quietly, with the status of a broken pipe.
            _silence(1)
            tally.stop_status = EXIT_BROKEN_PIPE
        else:
            _say("ripaion: cannot write to standard output: %s" % (failed.error.strerror or failed.error))
            tally.stop_status = EXIT_FAILED
    except OwnOutputError as exc:
        tally.own_error = exc
    finally:
        closing = _close_own_files(report, manifest)
        if tally.stop_status is None:
            tally.own_error = tally.own_error or closing
    if tally.own_error is not None:
        _say("ripaion: %s" % tally.own_error)
    elif tally.stop_status is None:
        for failure in tally.examples:
            _say("ripaion: %s" % failure.describe())
    return tally.exit_status()


def _stop(message: str) -> NoReturn:
    """A run that cannot start (the cluster, the storage): one line, status 2."""
    _say("ripaion: error: %s" % message)
    sys.exit(EXIT_USAGE)


def _find_logs(args: argparse.Namespace, inputs: List[str]) -> Discovery:
    if not inputs:
        return Discovery([], [])
    if not _on_cluster(args):
        return find_logs(inputs)
    from . import _storage

    try:
        return _storage.find_logs(inputs)
    except _storage.StorageError as exc:
        _stop(str(exc))


@contextlib.contextmanager
def _cluster(args: argparse.Namespace, settings: Settings, jobs: Sequence[Job]) -> Iterator[Run]:
    """The cluster that converts the jobs, connected and checked before
    anything is created; its run's temporary files removed at the end."""
    from . import _dask, _storage

    try:
        with _dask.command_run(args.scheduler, args.dask, jobs, args.output, settings, args.cluster_timeout) as run:
            yield run
    except (_dask.ClusterError, _storage.StorageError) as exc:
        _stop(str(exc))
    finally:
        _dask.remove_temporaries(jobs, settings.token)


def _convert_batch(parser: argparse.ArgumentParser, args: argparse.Namespace, settings: Settings,
                   started: float) -> int:
    if _on_cluster(args):
        if args.jobs is not None:
            parser.error("-j/--jobs does not apply on a Dask cluster: its workers convert the logs")
    elif args.cluster_timeout is not None:
        parser.error("--cluster-timeout needs a Dask cluster (--scheduler ADDRESS or --dask local:N)")
    elif any(is_url(location) for location in [args.output, *args.inputs]):
        parser.error("URLs as INPUT or -o need a Dask cluster (--scheduler ADDRESS or --dask local:N)")
    settings = settings._replace(output_root=args.output)
    # Every check comes before anything is created.
    with contextlib.ExitStack() as stack:
        others, databases = _open_databases(parser, args, stack)
        try:
            discovery = _find_logs(args, others)
            files = plan_jobs(discovery.logs, args.output, args.suffix, args.gzip, args.layout or "mirror")
        except InputError as exc:
            parser.error(str(exc))
        local_output = not is_url(args.output)
        if local_output and os.path.exists(args.output) and not os.path.isdir(args.output):
            parser.error("cannot create the output directory %s: %s" % (args.output, os.strerror(errno.ENOTDIR)))
        databases_as_logs = [Found(db.path, db.name, False, 0) for db in databases]
        _check_own_files(parser, args, discovery.logs + databases_as_logs,
                         {os.path.abspath(job.destination) for job in files})
        jobs: Sequence[Job] = files
        if databases:
            from ._rows import StreamedJobs, shared_output

            row_layout = args.layout or "date"
            collision = shared_output(files, databases, args.output, row_layout, args.suffix, args.gzip)
            if collision is not None:
                parser.error(collision)
            jobs = StreamedJobs(files, databases, args.output, row_layout, args.suffix, args.gzip, settings.manifest)
        run = stack.enter_context(_cluster(args, settings, jobs)) if _on_cluster(args) else None
        if local_output:
            try:
                directories = make_directories(args.output, files)
            except OSError as exc:
                parser.error("cannot create the output directory %s: %s"
                             % (exc.filename or args.output, exc.strerror or exc))
            for directory in directories:
                _output.remove_stale_temps(directory)
        try:
            return _run_batch(parser, args, settings, started, jobs, discovery.skipped, run=run)
        finally:
            if databases and local_output and run is None:
                # The rows' folders were only known as they were read: their
                # temporary files left by writers killed earlier go now.
                for directory in getattr(jobs, "directories", ()):
                    _output.remove_stale_temps(directory)


def _open_databases(parser: argparse.ArgumentParser, args: argparse.Namespace,
                    stack: contextlib.ExitStack) -> Tuple[List[str], List["DatabaseInput"]]:
    """The INPUTs that are log databases (an SQLite file named, not found by
    a search), opened with their rows chosen and counted, and the others.
    A database named twice is read once."""
    others: List[str] = []
    databases: List[DatabaseInput] = []
    for argument in args.inputs:
        path = local_path(argument)
        if path is None or not is_database(path):
            others.append(argument)
        elif not any(_same_file(path, db.path) for db in databases):
            from ._database import DatabaseError, Selection
            from ._rows import DatabaseInput

            try:
                selection = Selection(path, args.where, args.limit)
            except DatabaseError as exc:
                parser.error(str(exc))
            stack.callback(selection.close)
            databases.append(DatabaseInput(argument, path, selection))
    if not databases and (args.where is not None or args.limit is not None):
        parser.error("--where and --limit choose rows of a log database, and no INPUT is one")
    return others, databases


def _check_streams(argv: Sequence[str], started: float) -> int:
    """`ripaion check PATH...`: every stream replayed, in workers like a conversion."""
    parser = argparse.ArgumentParser(
        prog="ripaion check", description=CHECK_DESCRIPTION, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("inputs", nargs="+", metavar="PATH",
                        help="stream file, directory (searched recursively) or glob pattern")
    _add_version_option(parser)
    parser.add_argument("--scores", action="store_true",
                        help="also value every win under Tenhou's rules and report a win whose deltas differ "
                             "(problem kind payment; needs the scoring extra)")
    _add_jobs_option(parser)
    _add_run_options(parser, "stream (also once decompressed)",
                     "invalid stream: path, line, kind, message (path, type, message for one that cannot be read)",
                     "a stream is invalid")
    args = parser.parse_args(argv)
    try:
        discovery = find_logs(args.inputs, STREAM_SUFFIXES)
    except InputError as exc:
        parser.error(str(exc))
    _check_own_files(parser, args, discovery.logs, set())
    if args.scores:
        try:
            from ._tenhou6 import _scoring  # noqa: F401  (refused here, not once per stream)
        except ImportError:
            parser.error("--scores needs the scoring extra: pip install 'ripaion_rs[scoring]'")
    settings = Settings(max_log_size=args.max_log_size, check=True, scores=args.scores)
    seen: Set[str] = set()
    jobs: List[Job] = []
    for log in discovery.logs:  # a stream named twice is checked once
        key = os.path.abspath(log.path)
        if key not in seen:
            seen.add(key)
            jobs.append(Job(log.path, "", log.searched))
    return _run_batch(parser, args, settings, started, jobs, discovery.skipped, checking=True)


def _run_batch(parser: argparse.ArgumentParser, args: argparse.Namespace, settings: Settings, started: float,
               jobs: Sequence[Job], skipped: Sequence[Tuple[str, str]], checking: bool = False,
               run: Optional[Run] = None) -> int:
    """Run the jobs in workers (or on a cluster: `run`) with the progress
    bar, the report (and the manifest), and end with the summary; the exit
    status."""
    report = _open_own_file(parser, "the report", args.report)
    manifest = _open_manifest(parser, getattr(args, "manifest", None), settings.skip_existing)

    workers = args.jobs if args.jobs is not None else usable_cpus()
    show_bar = not args.quiet and sys.stderr.isatty()
    streamed = getattr(jobs, "streamed", False)  # rows of a database, read as the run goes
    rows_skipped = getattr(jobs, "rows_skipped", 0)  # a database's rows that will not be converted
    tally = Tally(len(jobs) + rows_skipped + len(skipped), report, started, manifest, checking)
    if streamed:
        tally.none_found = "no logs found (no row of the databases selected, and no file)"
        if manifest is not None and settings.skip_existing:
            jobs.listed = manifest.listed  # type: ignore[attr-defined]
    for path, why in skipped:
        tally.ignore(path, why)
    if manifest is not None and not streamed:
        # A resumed run: a log whose output exists and has its line is done.
        # (A database's rows are not all in memory to be sorted so: one whose
        # output exists goes by --skip-existing, and keeps its line.)
        listed = manifest.skipped_jobs(jobs)
        tally.skipped += sum(listed)
        jobs = [job for job, done in zip(jobs, listed) if not done]
    bar = ProgressBar(tally.total, sys.stderr if show_bar else None)

    def record(outcome: Outcome) -> None:
        tally.add(outcome)
        try:
            bar.update(tally.done, tally.failed)
        except OSError as exc:
            bar.stream = None  # the terminal is gone: nothing more can be shown there
            _silence(2)
            raise OwnOutputError("the progress bar", exc) from exc

    if streamed:
        jobs.record_skipped = record  # type: ignore[attr-defined]
    run_error: Optional[RunStopped] = None
    try:
        if run is None:
            _batch.run(jobs, workers, settings, record,
                       lambda converted, unreported: tally.stopped(converted, unreported, settings.max_log_size))
        else:
            run(jobs, record, lambda unreported: tally.stopped(0, unreported, settings.max_log_size))
        if streamed:
            jobs.finish()  # type: ignore[attr-defined]
    except RunStopped as exc:
        tally.stop_status = EXIT_FAILED
        run_error = exc
    except KeyboardInterrupt:
        tally.stop_status = EXIT_INTERRUPTED
    except Terminated:
        tally.stop_status = EXIT_TERMINATED
    except OwnOutputError as exc:
        tally.own_error = exc
    finally:
        try:
            bar.close()
        except OSError:
            _silence(2)
        tally.own_error = tally.own_error or _close_own_files(report, manifest)
    status = tally.exit_status()
    if run_error is not None and tally.own_error is None and status == EXIT_FAILED:
        _say("ripaion: error: %s; stopped after %d of %d logs" % (run_error, tally.done, tally.total))
    elif tally.own_error is not None:
        _say("ripaion: %s; stopped after %d of %d %s" % (tally.own_error, tally.done, tally.total,
                                                         "streams" if checking else "logs"))
    elif status != EXIT_OK or not args.quiet:
        _say(tally.summary())
    return status


def main(argv: Optional[Sequence[str]] = None) -> int:
    """The command, for callers that go on afterwards: the signal handlers
    are restored at the end."""
    with _signals_stop_the_run():
        return _run_command(argv)


@contextlib.contextmanager
def _signals_stop_the_run() -> Iterator[None]:
    try:
        previous = [(s, signal.signal(s, stop_the_run)) for s in (signal.SIGINT, signal.SIGTERM)]
    except ValueError:  # called from a thread other than the main one
        previous = []
    try:
        yield
    finally:
        for signum, handler in previous:
            signal.signal(signum, handler)


def _run_command(argv: Optional[Sequence[str]]) -> int:
    started = time.monotonic()
    try:
        arguments = sys.argv[1:] if argv is None else list(argv)
        if arguments[:1] == ["check"]:
            return _check_streams(arguments[1:], started)
        if arguments[:1] == ["tenhou6"]:
            from ._tenhou6_command import tenhou6_command
            return tenhou6_command(arguments[1:])
        parser = build_parser()
        args = parser.parse_args(arguments)
        if args.gzip_level is not None:
            args.gzip = True
        level = (GZIP_LEVEL if args.gzip_level is None else args.gzip_level) if args.gzip else None
        settings = Settings(level, args.skip_existing, args.max_log_size, _output.new_token(),
                            manifest=args.manifest is not None)
        if args.output is None:
            if _on_cluster(args):
                parser.error("--scheduler and --dask need -o DIR (one log is converted here)")
            return _convert_single(parser, args, settings)
        return _convert_batch(parser, args, settings, started)
    except KeyboardInterrupt:  # while looking for logs, or in the single-log form
        _say("ripaion: interrupted")
        return EXIT_INTERRUPTED
    except Terminated:
        return EXIT_TERMINATED


def run() -> NoReturn:
    """The `ripaion` program: the first Ctrl-C or SIGTERM ends it with 130 or
    143 wherever it comes, with no traceback; the handlers stay to the end."""
    status = EXIT_INTERRUPTED
    try:
        # Inside: a Ctrl-C just after the first handler is set stops here too.
        for signum in (signal.SIGINT, signal.SIGTERM):
            signal.signal(signum, stop_the_run)
        status = _run_command(None)
    except KeyboardInterrupt:
        status = EXIT_INTERRUPTED
    except Terminated:
        status = EXIT_TERMINATED
    try:
        _no_more_stops()
    except (KeyboardInterrupt, Terminated):  # one that came just as the run ended: its status stands
        _no_more_stops()
    sys.exit(status)


def _no_more_stops() -> None:
    for signum in (signal.SIGINT, signal.SIGTERM):
        signal.signal(signum, ignore)
    # Blocked for the rest of the process: the interpreter gives a signal
    # with a handler of its own back its default action while it exits, so
    # a second Ctrl-C then would kill the command instead of its 130.
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGINT, signal.SIGTERM})


if __name__ == "__main__":
    run()
