"""python -m ripaion_rs LOG [OUT]: convert one Tenhou log to mjai lines.

The lines go to OUT, or to standard output when OUT is missing or "-".
Exit status: 0 on success, 1 when the conversion fails (one line on standard
error says why), 2 on a usage error.
"""

import sys

from . import tenhou_to_mjai

USAGE = "usage: python -m ripaion_rs LOG [OUT]"


def main(argv=None):
    args = sys.argv[1:] if argv is None else argv
    if len(args) not in (1, 2) or args[0] in ("-h", "--help"):
        print(USAGE, file=sys.stderr)
        return 2
    log = args[0]
    out = args[1] if len(args) == 2 else "-"
    # Anything already buffered in sys.stdout must come out before the lines,
    # which are written to the descriptor directly.
    sys.stdout.flush()
    try:
        tenhou_to_mjai(log, out)
    except (ValueError, OSError) as error:
        print(f"ripaion_rs: {log}: {type(error).__name__}: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
