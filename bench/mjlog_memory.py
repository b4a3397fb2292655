"""Peak memory of reading hostile and huge mjlog records: each case is
converted with `convert_to_bytes` of the file's bytes in a child process,
which reports its peak resident memory (VmHWM) and the outcome.

    python bench/mjlog_memory.py

Columns: file size, the size once decompressed, the child's peak, the peak
above the interpreter with the module imported and the bytes read (what the
call itself took), that excess as a multiple of the record's text, and the
outcome.
"""

import gzip
import json
import os
import subprocess
import sys
import tempfile
from pathlib import Path

RECORD = Path(__file__).resolve().parent.parent / "tests" / "data" / "mjlog" / "dnovikoff-bug1.xml"
MB = 1 << 20


def padded_record(size):
    """The real record with a SHUFFLE seed long enough to make it `size` bytes."""
    text = RECORD.read_bytes()
    head = b"<mjloggm ver=\"2.3\">"
    pad = size - len(text) - len(b'<SHUFFLE seed=""/>')
    return head + b'<SHUFFLE seed="' + b"x" * pad + b'"/>' + text[len(head):]


def build_cases():
    """(label, file bytes, text size)."""
    attrs = b"<mjloggm><GO" + b' a=""' * (63 * MB // 5) + b"/></mjloggm>"
    yield "gzip of 63 MiB of a=\"\" on one tag", gzip.compress(attrs, compresslevel=9), len(attrs)
    del attrs
    attrs = b"<mjloggm><GO" + b' a=""' * (250 * MB // 5) + b"/></mjloggm>"
    yield "250 MB of a=\"\" on one tag, plain", attrs, len(attrs)
    del attrs
    tags = b"<mjloggm>" + b"<BYE/>" * (250 * MB // 6) + b"</mjloggm>"
    yield "250 MB of <BYE/>, plain", tags, len(tags)
    del tags
    spread = b"<mjloggm>" + b'<BYE a="" b="" c=""/>' * (250 * MB // 21) + b"</mjloggm>"
    yield "250 MB of 3-attribute tags, plain", spread, len(spread)
    del spread
    real = padded_record(250 * MB)
    yield "real record padded to 250 MB, plain", real, len(real)
    yield "real record padded to 60 MB, gzip", gzip.compress(padded_record(60 * MB), compresslevel=6), 60 * MB
    del real


def run_one(path):
    import ripaion_rs

    def hwm():
        with open("/proc/self/status") as status:
            return next(int(line.split()[1]) for line in status if line.startswith("VmHWM:"))

    data = Path(path).read_bytes()
    before = hwm()
    try:
        outcome = "ok, %d bytes" % len(ripaion_rs.convert_to_bytes(data))
    except Exception as e:  # the outcome is the point
        outcome = "%s: %s" % (type(e).__name__, e)
    print(json.dumps({"before_kib": before, "peak_kib": hwm(), "outcome": outcome}))


def main():
    print(f"{'case':<40} {'file MB':>8} {'text MB':>8} {'peak MB':>8} {'call MB':>8} {'x text':>7}  outcome")
    with tempfile.TemporaryDirectory(prefix="ripaion-mjlog-memory-") as tmp:
        path = os.path.join(tmp, "record.mjlog")
        for label, data, text_size in build_cases():
            with open(path, "wb") as f:
                f.write(data)
            size = len(data)
            del data
            child = subprocess.run([sys.executable, __file__, "--one", path], capture_output=True, text=True)
            if child.returncode != 0:
                print(f"{label:<40} CRASHED (exit {child.returncode}) {child.stderr.strip()[-200:]}")
                continue
            r = json.loads(child.stdout)
            call = (r["peak_kib"] - r["before_kib"]) / 1024
            print(f"{label:<40} {size / MB:8.2f} {text_size / MB:8.2f} {r['peak_kib'] / 1024:8.0f} {call:8.0f} "
                  f"{call * MB / text_size:7.2f}  {r['outcome'][:70]}", flush=True)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--one":
        run_one(sys.argv[2])
    else:
        main()
