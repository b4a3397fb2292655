"""Builds worst-case inputs in a temporary directory and times one call on
each: large logs, a hand that drives the search for call placements to its
bound, huge names, deep nesting, a file of whitespace. Each call runs in its
own child process, so a crash shows as a crash and the run goes on.

    python bench/hostile.py

Columns: input size, time of the call alone (best of three for quick
cases), time per MB of input, peak resident memory of the child process,
and the outcome.
"""

import json
import os
import subprocess
import sys
import tempfile
import time
from pathlib import Path

LOG_DIR = Path(__file__).resolve().parent.parent / "tests" / "data" / "logs"
MB = 1 << 20
NAMES = ["a", "b", "c", "d"]
HAIPAI = [11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22, 23, 24]


def dump(doc):
    return json.dumps(doc, ensure_ascii=False, separators=(",", ":"))


def minimal_log(**extra):
    return {"log": [], "name": NAMES, "rule": {"disp": "\u56db\u5357\u55b0\u8d64"}, **extra}


def real_hands():
    hands = []
    for path in sorted(LOG_DIR.glob("*.json")):
        hands += json.loads(path.read_bytes())["log"]
    return hands


def hands_of_size(size):
    """A log of real hands repeated until the document reaches `size` bytes."""
    hands = real_hands()
    per_round = len(dump(hands))
    doc = minimal_log()
    doc["log"] = hands * max(1, size // per_round)
    return dump(doc)


def hand(seats, dora=(41,)):
    """A hand record from four (takes, discards) pairs; dealer seat 0."""
    record = [[0, 0, 0], [25000] * 4, list(dora), []]
    for takes, discards in seats:
        record += [HAIPAI, takes, discards]
    record.append(["\u6d41\u5c40", [0, 0, 0, 0]])
    return record


def padded(seats, turns):
    """Every seat first draws and discards the green dragon `turns` times, in
    seat order; no call waits on that tile, so the walk only grows longer."""
    return [([47] * turns + takes, [47] * turns + discards) for takes, discards in seats]


# A hand whose ambiguous calls run through 81 distinct combinations of
# choices before they are empty again (found by searching small hands), so
# the search for call placements stops only at its bound: 64 walks, each of
# which fails. Tiles 2m to 5m; every call is a pon, written for the caller's
# position.
CHOICE_CYCLE = [
    ([12, "1212p12", "1414p14"], [14, 14, 15]),
    ([13, "p141414", "15p1515", "p141414"], [12, 13, 14, 14, 13, 12]),
    ([], []),
    (["13p1313"], [15, 15]),
]
# The same length of walk, failing in its first walk with no choice made:
# after the padding seat 0 has nothing left to draw, while seat 2 still has.
ONE_WALK = [([], []), ([], []), ([47], []), ([], [])]
# One call waiting on a tile its target discards again and again: the
# choices go absent, take, wait, absent, and the repeated state ends it.
SAME_TILE = [
    ([47] * 2000, [11] * 2000),
    ([47] * 2000, [47] * 2000),
    (["11p1111"], [47]),
    ([47] * 2000, [47] * 2000),
]


def deep(levels):
    return "[" * levels + "]" * levels


def build_cases():
    """(label, document text or bytes)."""
    yield "real hands, 1 MB", hands_of_size(1 * MB)
    yield "real hands, 10 MB", hands_of_size(10 * MB)
    yield "real hands, 50 MB", hands_of_size(50 * MB)
    yield "call choices: 81-state hand", dump(minimal_log(log=[hand(CHOICE_CYCLE)]))
    for turns in (1_000, 10_000):
        yield f"call choices: 81-state hand after {turns} turns/seat", dump(
            minimal_log(log=[hand(padded(CHOICE_CYCLE, turns))]))
        yield f"  control: {turns} turns/seat, fails in walk 1", dump(
            minimal_log(log=[hand(padded(ONE_WALK, turns))]))
    yield "call choices: one tile cycling", dump(minimal_log(log=[hand(SAME_TILE)]))
    yield "call choices: 81-state hand x 1000 hands", dump(
        minimal_log(log=[hand(padded(CHOICE_CYCLE, 10))] * 1000))
    yield "names 4 x 1 MB, ASCII", dump(minimal_log(name=["n" * MB] * 4))
    yield "names 4 x 1 MB, escaped (\\u6771)", (
        '{"log":[],"rule":{},"name":[' + ",".join(['"' + "\\u6771" * (MB // 6) + '"'] * 4) + "]}")
    yield "names 4 x 1 MB, UTF-8 east wind", dump(minimal_log(name=["\u6771" * (MB // 3)] * 4))
    yield "names 4 x 1 MB, quotes and controls", dump(minimal_log(name=['"\\\x01\t' * (MB // 4)] * 4))
    for levels in (9_000, 1_000_000):
        yield f"skipped key nested {levels} levels", dump(minimal_log())[:-1] + ',"x":' + deep(levels) + "}"
    yield "win details nested 1000000 levels", (
        dump(minimal_log(log=[hand(ONE_WALK)]))[:-1].replace('[0,0,0,0]]]', '[0,0,0,0],' + deep(1_000_000) + "]]]", 1)
        + "}")
    yield "1000000 unclosed '['", "[" * 1_000_000
    yield "50 MB whitespace only", " \n\t\r" * (50 * MB // 4)
    yield "50 MB whitespace around a log", " " * (25 * MB) + dump(minimal_log()) + "\n" * (25 * MB)
    yield "skipped string of 50 MB", dump(minimal_log(x="s" * (50 * MB)))


def run_one(path):
    """Child process: one call, timed; prints a JSON report."""
    import ripaion_rs

    # Quick cases are timed three times and the best is kept, so that the
    # first call's page faults do not hide the work itself.
    times = []
    while len(times) < 3 and sum(times) < 0.5:
        start = time.perf_counter()
        try:
            lines = ripaion_rs.tenhou_to_mjai(path)
            outcome = f"ok, {len(lines)} lines"
            del lines
        except BaseException as e:  # report whatever comes out, it is the point
            outcome = f"{type(e).__name__}: {e}"
        times.append(time.perf_counter() - start)
    seconds = min(times)
    with open("/proc/self/status") as status:
        peak = next(int(line.split()[1]) for line in status if line.startswith("VmHWM:"))
    print(json.dumps({"seconds": seconds, "outcome": outcome, "peak_kib": peak}))


def main():
    print(f"{'case':<52} {'size MB':>8} {'time s':>9} {'ms/MB':>8} {'peak MB':>8}  outcome")
    with tempfile.TemporaryDirectory(prefix="ripaion-hostile-") as tmp:
        path = os.path.join(tmp, "log.json")
        for label, doc in build_cases():
            data = doc.encode("utf-8") if isinstance(doc, str) else doc
            with open(path, "wb") as f:
                f.write(data)
            del doc, data
            size = os.path.getsize(path) / MB
            child = subprocess.run([sys.executable, __file__, "--one", path], capture_output=True, text=True)
            if child.returncode != 0:
                print(f"{label:<52} {size:8.2f} {'':>9} {'':>8} {'':>8}  CRASHED (exit {child.returncode}) "
                      f"{child.stderr.strip()[-200:]}")
                continue
            report = json.loads(child.stdout)
            seconds = report["seconds"]
            print(f"{label:<52} {size:8.2f} {seconds:9.4f} {seconds * 1000 / size:8.1f} "
                  f"{report['peak_kib'] / 1024:8.0f}  {report['outcome'][:60]}", flush=True)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--one":
        run_one(sys.argv[2])
    else:
        main()
