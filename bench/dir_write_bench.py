"""How well a file system takes two processes writing files side by side.

    python bench/dir_write_bench.py [DIR] [--files N]

Writes N files of 56 kB (the size of a typical mjai file) the way `ripaion`
does (a temporary name, then a rename), with one process, with two processes
into one directory, and with two processes into two directories; prints
wall and processor time. Without the converter in the way it shows whether
the file system, rather than the command, limits what `-j 2` can gain.
"""

import argparse
import os
import resource
import shutil
import tempfile
import time
from multiprocessing import Pool

DATA = b"x" * 56_000


def write_files(task):
    directory, numbers = task
    for i in numbers:
        final = os.path.join(directory, "%08x.mjson" % i)
        temp = os.path.join(directory, ".%08x.mjson.%d.tmp" % (i, os.getpid()))
        fd = os.open(temp, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o666)
        os.write(fd, DATA)
        os.close(fd)
        os.replace(temp, final)


def measure(root, files, processes, directories):
    dirs = [os.path.join(root, "d%d" % k) for k in range(directories)]
    for d in dirs:
        os.makedirs(d)
    tasks = [(dirs[k % directories], range(k, files, processes)) for k in range(processes)]
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    with Pool(processes) as pool:
        pool.map(write_files, tasks, chunksize=1)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime + after.ru_stime) - (before.ru_utime + before.ru_stime)
    for d in dirs:
        shutil.rmtree(d)
    return wall, cpu


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("dir", nargs="?", default=None, help="where to write (default: the temp dir)")
    parser.add_argument("--files", type=int, default=1500)
    args = parser.parse_args()
    root = tempfile.mkdtemp(prefix="ripaion-dir-write-", dir=args.dir)
    try:
        for processes, directories in ((1, 1), (2, 1), (2, 2)):
            wall, cpu = measure(root, args.files, processes, directories)
            print("%d process(es), %d director%s: %.3f s, %.0f files/s (processor time %.3f s)"
                  % (processes, directories, "y" if directories == 1 else "ies", wall, args.files / wall, cpu))
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()
