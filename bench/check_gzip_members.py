"""Times `ripaion check` on a gzip stream followed by many empty gzip
members (each 20 bytes) against `zcat` of the same file: the reading must
stay linear in the number of members.

    python bench/check_gzip_members.py [MEMBERS ...]   (default 50000 200000)

For each count it prints the file size, the best of three wall times of
`ripaion check -q -j 1 FILE` (interpreter start included) and of
`zcat FILE > /dev/null`, their ratio, and the time of decompressing the
file's bytes alone in this process. The machine's load moves every figure: compare the
ratios of one run.
"""

import gzip
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

from ripaion_rs import tenhou_to_mjai
from ripaion_rs._gunzip import gunzip

LOG = sorted((Path(__file__).resolve().parent.parent / "tests" / "data" / "logs").glob("2019*.json"))[0]


def best_of_three(run):
    times = []
    for _ in range(3):
        start = time.perf_counter()
        run()
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    counts = [int(a) for a in sys.argv[1:]] or [50_000, 200_000]
    stream = "".join(line + "\n" for line in tenhou_to_mjai(LOG)).encode()
    empty = gzip.compress(b"", mtime=0)
    print(f"load average before: {os.getloadavg()[0]:.2f}")
    print(f"{'members':>8} {'MB':>6} {'check s':>8} {'zcat s':>8} {'ratio':>6} {'read s':>8}")
    with tempfile.TemporaryDirectory(prefix="ripaion-members-") as tmp:
        path = os.path.join(tmp, "stream.mjson.gz")
        for count in counts:
            with open(path, "wb") as f:
                f.write(gzip.compress(stream, mtime=0) + empty * count)
            check = best_of_three(lambda: subprocess.run(
                [sys.executable, "-m", "ripaion_rs", "check", "-q", "-j", "1", path], check=True))
            zcat = best_of_three(lambda: subprocess.run(["zcat", path], stdout=subprocess.DEVNULL, check=True))
            with open(path, "rb") as f:
                data = f.read()
            read = best_of_three(lambda data=data: gunzip(data, 256 << 20))
            size = os.path.getsize(path) / (1 << 20)
            print(f"{count:>8} {size:6.2f} {check:8.3f} {zcat:8.3f} {check / zcat:6.2f} {read:8.3f}", flush=True)
    print(f"load average after: {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    main()
