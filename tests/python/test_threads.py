"""Many Python threads converting different logs at once each get exactly
their own result, as the same calls made one after another do."""

import json
import threading
from pathlib import Path

import ripaion_rs
from ripaion_rs import _ripaion

LOG_DIR = Path(__file__).resolve().parent.parent / "data" / "logs"
THREADS = 8
ROUNDS = 25

# Logs that fail, one per failure kind, next to the real logs that convert.
FAILING_LOGS = {
    "not_json.json": b'{"log": [',
    "not_utf8.json": b'{"name": "\xff"}',
    "three_player.json": json.dumps(
        {"log": [], "name": ["a", "b", "c", ""], "rule": {"disp": "\u4e09\u9cf3\u5357\u55b0"}}
    ).encode(),
    "no_dora.json": json.dumps(
        {
            "log": [[[0, 0, 0], [25000] * 4, [], []] + [[11] * 13, [12], []] * 4 + [["\u6d41\u5c40"]]],
            "name": ["a", "b", "c", "d"],
            "rule": {},
        }
    ).encode(),
}


def outcome(filename, mjai_out=None):
    try:
        return ("ok", ripaion_rs.tenhou_to_mjai(filename, mjai_out))
    except (ValueError, OSError) as e:
        return ("err", type(e), e.args)


def test_threads_get_their_own_results(tmp_path):
    paths = [str(p) for p in sorted(LOG_DIR.glob("*.json"))]
    for name, data in FAILING_LOGS.items():
        (tmp_path / name).write_bytes(data)
        paths.append(str(tmp_path / name))
    expected = {p: outcome(p) for p in paths}
    kinds = {e[0] if e[0] == "ok" else e[1] for e in expected.values()}
    assert kinds == {
        "ok", _ripaion.JsonParsingError, OSError, _ripaion.TenhouLogParsingError, _ripaion.TenhouToMjaiError,
    }

    barrier = threading.Barrier(THREADS)
    mismatches = []

    def worker(index):
        # Each thread walks the logs from its own starting point, so that at
        # any moment the threads are on different logs; half also write files.
        out = str(tmp_path / f"out{index}.jsonl") if index % 2 else None
        barrier.wait()
        for round_ in range(ROUNDS):
            for k in range(len(paths)):
                path = paths[(index + k) % len(paths)]
                got = outcome(path, out)
                if got != expected[path]:
                    mismatches.append((index, round_, path, got[:2]))
                elif out and got[0] == "ok":
                    text = Path(out).read_text(encoding="utf-8")
                    if text != "".join(line + "\n" for line in got[1]):
                        mismatches.append((index, round_, path, "file"))

    threads = [threading.Thread(target=worker, args=(i,)) for i in range(THREADS)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert mismatches == []
