"""Runs many conversions in one process, converting and failing, with and
without an output file, and prints the resident memory and the number of
open file descriptors after a warm-up and at the end: both should stay flat.

    python bench/resources.py [CALLS]      (default 100000)
"""

import gc
import json
import os
import sys
import tempfile
import time
from collections import Counter
from pathlib import Path

import ripaion_rs

LOG_DIR = Path(__file__).resolve().parent.parent / "tests" / "data" / "logs"
WARM_UP = 1_000


def vm_rss_kib():
    with open("/proc/self/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    raise RuntimeError("no VmRSS in /proc/self/status")


def open_fds():
    return len(os.listdir("/proc/self/fd"))


def failing_logs(root: Path):
    """One input for every way a call can fail before writing."""
    sound = json.loads((LOG_DIR / "2019021004gm-00a9-0000-e2f6516d.json").read_bytes())
    no_dora = json.loads(json.dumps(sound))
    no_dora["log"][-1][2] = []
    three_player = json.loads(json.dumps(sound))
    three_player["rule"]["disp"] = "\u4e09\u9cf3\u5357\u55b0\u8d64"
    bad_details = json.loads(json.dumps(sound))
    bad_details["log"][0][16] = ["\u548c\u4e86", [0, 0, 0, 0], []]
    bad_call = json.loads(json.dumps(sound))
    bad_call["log"][0][8][-1] = "x375336"
    files = {
        "truncated.json": (LOG_DIR / "2019021004gm-00a9-0000-e2f6516d.json").read_bytes()[:-100],
        "not_utf8.json": b'{"log":[],"name":["\xff","","",""],"rule":{}}',
        "no_dora.json": json.dumps(no_dora).encode(),
        "three_player.json": json.dumps(three_player).encode(),
        "bad_details.json": json.dumps(bad_details).encode(),
        "bad_call.json": json.dumps(bad_call).encode(),
    }
    paths = []
    for name, data in files.items():
        (root / name).write_bytes(data)
        paths.append(str(root / name))
    return paths + [str(root / "missing.json"), str(root)]  # a missing file, a directory


def call(filename, mjai_out):
    try:
        ripaion_rs.tenhou_to_mjai(filename, mjai_out)
        return "ok"
    except (ValueError, OSError) as e:
        return type(e).__name__


def main():
    total = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
    with tempfile.TemporaryDirectory(prefix="ripaion-resources-") as tmp:
        root = Path(tmp)
        (root / "outdir").mkdir()
        inputs = [str(p) for p in sorted(LOG_DIR.glob("*.json"))] + failing_logs(root)
        outputs = [None, str(root / "out.jsonl"), str(root / "outdir")]  # none, a file, uncreatable
        plan = [(f, o) for f in inputs for o in outputs]

        for i in range(WARM_UP):
            call(*plan[i % len(plan)])
        gc.collect()
        rss0, fds0 = vm_rss_kib(), open_fds()
        print(f"{len(plan)} (log, output) pairs: {len(inputs)} logs x {len(outputs)} outputs")
        print(f"after {WARM_UP} warm-up calls: VmRSS {rss0} KiB, open fds {fds0}")

        outcomes = Counter()
        start = time.perf_counter()
        for i in range(total):
            outcomes[call(*plan[i % len(plan)])] += 1
            if (i + 1) % (total // 10 or 1) == 0:
                print(f"  {i + 1:>7} calls: VmRSS {vm_rss_kib()} KiB, open fds {open_fds()}")
        elapsed = time.perf_counter() - start
        gc.collect()
        rss1, fds1 = vm_rss_kib(), open_fds()

    print(f"after {total} more calls: VmRSS {rss1} KiB, open fds {fds1}")
    print(f"change: VmRSS {rss1 - rss0:+d} KiB, open fds {fds1 - fds0:+d}")
    print(f"{elapsed:.1f} s, {elapsed / total * 1e6:.0f} us per call; outcomes: {dict(sorted(outcomes.items()))}")


if __name__ == "__main__":
    main()
