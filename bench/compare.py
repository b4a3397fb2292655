"""Side-by-side benchmark: converting a log against merely parsing it.

For every log of a corpus directory, interleaved so that drift of the
machine hits every contender alike:
  A  tenhou_to_mjai(path)                        the whole call, path to list[str]
  B  json.loads(Path(path).read_text())          stdlib parse of the input only
  C  orjson.loads(Path(path).read_bytes())       fastest Python parse, input only
  D  Path(out).read_text().splitlines()          loading the finished answer

    python bench/compare.py [DIR] [--repeats N] [--memory-calls N]
"""

from __future__ import annotations

import argparse
import gc
import json
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import orjson

from ripaion_rs import tenhou_to_mjai

DEFAULT_DIR = Path(__file__).resolve().parent.parent.parent / "shared" / "corpus" / "tenhou4"


def find_logs(root: Path) -> list[Path]:
    paths = sorted(p for p in root.rglob("*.json") if p.is_file())
    good = []
    for p in paths:
        try:
            tenhou_to_mjai(p)
        except (ValueError, OSError):
            continue  # three-player or broken logs are not part of the race
        good.append(p)
    return good


def timed(fn, arg) -> float:
    t0 = time.perf_counter_ns()
    fn(arg)
    return (time.perf_counter_ns() - t0) / 1000.0


def rss_kib() -> int:
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


def main() -> None:
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("dir", nargs="?", type=Path, default=DEFAULT_DIR)
    ap.add_argument("--repeats", type=int, default=25)
    ap.add_argument("--memory-calls", type=int, default=100_000)
    args = ap.parse_args()

    logs = find_logs(args.dir)
    if not logs:
        sys.exit(f"no convertible logs under {args.dir}")
    with tempfile.TemporaryDirectory() as tmp:
        answers = {}
        for i, p in enumerate(logs):
            out = Path(tmp) / f"{i}.mjson"
            tenhou_to_mjai(p, out)
            answers[p] = out

        contenders = {
            "A": lambda p: tenhou_to_mjai(p),
            "B": lambda p: json.loads(Path(p).read_text()),
            "C": lambda p: orjson.loads(Path(p).read_bytes()),
            "D": lambda p: answers[p].read_text().splitlines(),
        }
        per_log: dict[str, list[float]] = {k: [] for k in contenders}
        gc.disable()
        for p in logs:
            samples: dict[str, list[float]] = {k: [] for k in contenders}
            for _ in range(args.repeats):
                for k, fn in contenders.items():  # interleaved
                    samples[k].append(timed(fn, p))
            for k in contenders:
                per_log[k].append(statistics.median(samples[k]))
        gc.enable()

    size = sum(p.stat().st_size for p in logs)
    print(f"corpus: {args.dir} ({len(logs)} logs, {size / 1e6:.2f} MB), {args.repeats} runs per log")
    names = {"A": "tenhou_to_mjai", "B": "json.loads", "C": "orjson.loads", "D": "read answer"}
    for k in contenders:
        print(f"  {k} {names[k]:<15} median {statistics.median(per_log[k]):9.1f} us/log")
    for k in ("B", "C", "D"):
        ratios = [a / b for a, b in zip(per_log["A"], per_log[k])]
        print(f"  A/{k} = {statistics.median(ratios):.3f} (median of per-log ratios)")
    total_a = sum(per_log["A"]) / 1e6
    print(f"  rate: {len(logs) / total_a:,.0f} logs/s, {size / 1e6 / total_a:.1f} MB/s of input")

    # Peak extra memory of one call relative to the input, on the largest log.
    big = max(logs, key=lambda p: p.stat().st_size)
    # In a fresh process: reset the peak resident size (clear_refs 5), then
    # make one call and read how far the peak rose above the start.
    probe = (
        "import sys\n"
        "from ripaion_rs import tenhou_to_mjai\n"
        "def status(key):\n"
        "    for line in open('/proc/self/status'):\n"
        "        if line.startswith(key): return int(line.split()[1])\n"
        "open('/proc/self/clear_refs', 'w').write('5')\n"
        "before = status('VmRSS:')\n"
        "r = tenhou_to_mjai(sys.argv[1])\n"
        "print(before, status('VmHWM:'))\n"
    )
    out = subprocess.run([sys.executable, "-c", probe, str(big)], capture_output=True, text=True, check=True)
    before, peak = map(int, out.stdout.split())
    print(
        f"  peak memory of one call on the largest log ({big.stat().st_size / 1e3:.0f} kB): "
        f"+{peak - before} KiB resident ({(peak - before) * 1024 / big.stat().st_size:.1f}x the input, "
        f"first call of a fresh process: the returned list and one-time caches included)"
    )

    if args.memory_calls:
        start = None
        for i in range(args.memory_calls):
            tenhou_to_mjai(logs[i % len(logs)])
            if i == min(1000, args.memory_calls - 1):
                start = rss_kib()
        end = rss_kib()
        print(f"  resident memory over {args.memory_calls:,} calls: {start} KiB after warm-up, {end} KiB at the end")


if __name__ == "__main__":
    main()
