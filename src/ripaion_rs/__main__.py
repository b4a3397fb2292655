"""python -m ripaion_rs: the `ripaion` command.

`python -m ripaion_rs LOG [OUT]` converts one log to standard output (or to
OUT); `python -m ripaion_rs -o DIR INPUT...` converts many. See `--help`.
"""

import os  # loaded by the interpreter's own start-up already


def _quit_quietly(signum, frame):  # type: ignore[no-untyped-def]
    # Ctrl-C or SIGTERM while the command is still being imported: nothing
    # has been written yet, so end at once, without a traceback.
    os._exit(128 + signum)


try:
    import signal

    for _signum in (signal.SIGINT, signal.SIGTERM):
        signal.signal(_signum, _quit_quietly)
except KeyboardInterrupt:  # before the handler was in place
    os._exit(130)

from .cli import run  # noqa: E402  (after the handlers, on purpose)

if __name__ == "__main__":
    run()
