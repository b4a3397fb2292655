"""python -m ripaion_rs: the `ripaion` command.

`python -m ripaion_rs LOG [OUT]` converts one log to standard output (or to
OUT); `python -m ripaion_rs -o DIR INPUT...` converts many. See `--help`.
"""

import sys

from .cli import main

if __name__ == "__main__":
    sys.exit(main())
