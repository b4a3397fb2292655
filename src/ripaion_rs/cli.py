"""The `ripaion` command: convert one Tenhou log, or a whole tree of them, to mjai."""

from __future__ import annotations

import argparse
import contextlib
import glob
import os
import signal
import sys
import time
from types import FrameType
from typing import IO, Iterator, List, Optional, Sequence

from . import _batch, _worker
from ._discover import InputError, find_logs, make_directories, plan_jobs
from ._progress import ProgressBar
from ._worker import Job, Outcome

EXIT_OK = 0
EXIT_FAILED = 1
EXIT_USAGE = 2
EXIT_INTERRUPTED = 128 + signal.SIGINT  # what a shell reports for Ctrl-C
EXIT_TERMINATED = 128 + signal.SIGTERM

DESCRIPTION = """\
Convert Tenhou JSON logs (format 6) into mjai event streams, one event per line.

  ripaion LOG                  write LOG's mjai lines to standard output
  ripaion LOG OUT              write them to the file OUT
  ripaion -o DIR INPUT...      write DIR/<name>.mjson for every log; a directory
                               INPUT is searched for *.json and its tree mirrored
"""


class Terminated(BaseException):
    """SIGTERM, turned into an exception so that it stops the workers and
    removes unfinished files on the way out, like Ctrl-C."""


def _raise_terminated(signum: int, frame: Optional[FrameType]) -> None:
    raise Terminated()


def _positive(text: str) -> int:
    try:
        value = int(text)
    except ValueError:
        value = 0
    if value < 1:
        raise argparse.ArgumentTypeError("expected a positive whole number, got %r" % text)
    return value


def usable_cpus() -> int:
    try:
        return len(os.sched_getaffinity(0))
    except AttributeError:  # not Linux
        return os.cpu_count() or 1


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog="ripaion", description=DESCRIPTION, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("inputs", nargs="+", metavar="INPUT",
                        help="log file, directory (searched recursively for *.json) or glob pattern")
    parser.add_argument("-o", "--output", metavar="DIR",
                        help="write one mjai file per log below DIR, mirroring the input tree")
    parser.add_argument("-j", "--jobs", type=_positive, default=None, metavar="N",
                        help="worker processes (default: the usable CPUs, %d here)" % usable_cpus())
    parser.add_argument("--gzip", action="store_true",
                        help="compress every output with gzip (<name>.mjson.gz)")
    parser.add_argument("--skip-existing", action="store_true",
                        help="leave logs whose output file exists alone (resume a stopped run)")
    parser.add_argument("--report", metavar="FILE",
                        help="write one JSON line per failed log: path, type, message")
    parser.add_argument("-q", "--quiet", action="store_true",
                        help="no progress bar, and no summary unless a log failed")
    return parser


def _open_report(parser: argparse.ArgumentParser, path: Optional[str]) -> Optional[IO[str]]:
    if path is None:
        return None
    try:
        return open(path, "w", encoding="utf-8")
    except OSError as exc:
        parser.error("cannot write the report %s: %s" % (path, exc.strerror or exc))


def _single_job(parser: argparse.ArgumentParser, inputs: List[str]) -> Job:
    """Without -o: `LOG` writes to standard output, `LOG OUT` to the file OUT."""
    if len(inputs) == 1:
        log = inputs[0]
        if os.path.isdir(log) or (glob.has_magic(log) and not os.path.lexists(log)):
            parser.error("converting a directory or a pattern needs -o/--output DIR")
        return (log, "-")
    if len(inputs) == 2 and os.path.isfile(inputs[0]):
        return (inputs[0], inputs[1])
    parser.error("converting several logs needs -o/--output DIR")


def _convert_single(parser: argparse.ArgumentParser, args: argparse.Namespace) -> int:
    job = _single_job(parser, args.inputs)
    report = _open_report(parser, args.report)
    tally = _batch.Tally(1, report, time.monotonic())
    _worker.configure(args.gzip, args.skip_existing)
    try:
        tally.add(_worker.convert_single(job))
    except BrokenPipeError:
        # The reader of standard output went away (e.g. `| head`); say nothing
        # more and keep the interpreter from complaining at exit.
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        return EXIT_FAILED
    finally:
        if report is not None:
            report.close()
    for path, kind, message in tally.examples:
        print("ripaion: %s: %s: %s" % (path, kind, message), file=sys.stderr)
    return EXIT_FAILED if tally.failed else EXIT_OK


def _convert_batch(parser: argparse.ArgumentParser, args: argparse.Namespace, started: float) -> int:
    try:
        jobs = plan_jobs(find_logs(args.inputs), args.output, args.gzip)
        make_directories(args.output, jobs)
    except InputError as exc:
        parser.error(str(exc))
    except OSError as exc:
        parser.error("cannot create the output directory %s: %s" % (exc.filename or args.output, exc.strerror or exc))
    workers = args.jobs if args.jobs is not None else usable_cpus()
    show_bar = not args.quiet and sys.stderr.isatty()
    bar = ProgressBar(len(jobs), sys.stderr if show_bar else None)
    report = _open_report(parser, args.report)
    tally = _batch.Tally(len(jobs), report, started)

    def record(outcome: Outcome) -> None:
        tally.add(outcome)
        bar.update(tally.done, tally.failed)

    status = EXIT_OK
    try:
        _batch.run(jobs, workers, args.gzip, args.skip_existing, record)
    except KeyboardInterrupt:
        status = EXIT_INTERRUPTED
    except Terminated:
        status = EXIT_TERMINATED
    finally:
        bar.close()
        if report is not None:
            report.close()
    if status == EXIT_OK and tally.failed:
        status = EXIT_FAILED
    if status != EXIT_OK or not args.quiet:
        print(tally.summary(interrupted=status > EXIT_FAILED), file=sys.stderr)
    return status


@contextlib.contextmanager
def _sigterm_raises() -> Iterator[None]:
    try:
        previous = signal.signal(signal.SIGTERM, _raise_terminated)
    except ValueError:  # main() called from a thread other than the main one
        previous = None
    try:
        yield
    finally:
        if previous is not None:
            signal.signal(signal.SIGTERM, previous)


def main(argv: Optional[Sequence[str]] = None) -> int:
    started = time.monotonic()
    parser = build_parser()
    args = parser.parse_args(argv)
    with _sigterm_raises():
        try:
            if args.output is None:
                return _convert_single(parser, args)
            return _convert_batch(parser, args, started)
        except KeyboardInterrupt:  # while looking for logs, or in the single-log form
            print("ripaion: interrupted", file=sys.stderr)
            return EXIT_INTERRUPTED
        except Terminated:
            return EXIT_TERMINATED


if __name__ == "__main__":
    sys.exit(main())
