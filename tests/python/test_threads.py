"""Many Python threads converting different logs at once each get exactly
their own result, as the same calls made one after another do."""

import json
import os
import subprocess
import sys
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


SMALL_STACK_CHILD = r"""
import json, sys, threading
import ripaion_rs
stack, paths = int(sys.argv[1]), sys.argv[2:]
outcomes = []
def work():
    for path in paths:
        try:
            outcomes.append(["ok", len(ripaion_rs.tenhou_to_mjai(path))])
        except BaseException as e:
            outcomes.append([type(e).__name__])
threading.stack_size(stack)
t = threading.Thread(target=work)
t.start()
t.join()
print(json.dumps(outcomes))
"""


# A sanitised build's frames are many times larger, so every stack below is
# scaled for it; the release build is held to the sizes as written.
STACK_SCALE = 16 if os.environ.get("RIPAION_SANITIZED") == "1" else 1


def outcomes_on_stack(stack, paths):
    child = subprocess.run(
        [sys.executable, "-c", SMALL_STACK_CHILD, str(stack * STACK_SCALE), *paths],
        capture_output=True,
        text=True,
        timeout=300,
    )
    assert child.returncode == 0, (stack, child.returncode, child.stderr[-2000:])
    return json.loads(child.stdout)


def test_small_thread_stacks_never_crash(tmp_path):
    # The reader's nesting budget follows the free stack of the calling
    # thread: on a small stack deep documents are refused, never a crash.
    # Seat 0 draws and the hand ends: a hand that converts.
    seats = [[11] * 13, [12], []] + [[11] * 13, [], []] * 3
    hand = json.dumps([[0, 0, 0], [25000] * 4, [41], []] + seats + [["\u6d41\u5c40"]])
    minimal = '{"log":[%s],"name":["a","b","c","d"],"rule":{}%s}'
    docs = {
        "real.json": (LOG_DIR / "2019021004gm-00a9-0000-e2f6516d.json").read_text(encoding="utf-8"),
        "skipped_9000.json": minimal % ("", ',"x":' + "[" * 9000 + "]" * 9000),
        "skipped_1000000.json": minimal % ("", ',"x":' + "[" * 1_000_000 + "]" * 1_000_000),
        # Win details reaching the deepest level the reader takes, and one more.
        "details_127.json": minimal % (hand.replace('"]]', '", %s]]' % ("[" * 123 + "]" * 123)), ""),
        "details_128.json": minimal % (hand.replace('"]]', '", %s]]' % ("[" * 124 + "]" * 124)), ""),
    }
    paths = []
    for name, text in docs.items():
        (tmp_path / name).write_text(text, encoding="utf-8")
        paths.append(str(tmp_path / name))
    # The reference: a thread as large as a process's main stack.
    expected = outcomes_on_stack(8 * 1024 * 1024, paths)
    assert [e[0] for e in expected] == ["ok", "ok", "JsonParsingError", "ok", "JsonParsingError"]

    for stack in (32 * 1024, 64 * 1024, 256 * 1024, 1024 * 1024):
        got = outcomes_on_stack(stack, paths)
        for path, want, have in zip(paths, expected, got):
            assert have == want or have == ["JsonParsingError"], (stack, path, have)
        if stack >= 256 * 1024:
            assert got[0] == expected[0], stack  # a real log needs little depth


def test_threads_of_64_kib_convert_every_log_and_127_levels(tmp_path):
    # Every log converts, and a document whose values nest 127 levels (win
    # details or a skipped member) reads, on any thread of 64 KiB or more;
    # smaller stacks may refuse, but never crash.
    seats = [[11] * 13, [12], []] + [[11] * 13, [], []] * 3
    hand = json.dumps([[0, 0, 0], [25000] * 4, [41], []] + seats + [["\u6d41\u5c40"]])
    minimal = '{"log":[%s],"name":["a","b","c","d"],"rule":{}%s}'
    docs = {
        # Levels: document 1, log 2, hand 3, results 4, the entry 5, then 122 more.
        "details_127.json": minimal % (hand.replace('"]]', '", %s]]' % ("[" * 123 + "]" * 123)), ""),
        "skipped_127.json": minimal % ("", ',"x":' + "[" * 126 + "1e-99999" + "]" * 126),
    }
    paths = [str(p) for p in sorted(LOG_DIR.glob("*.json"))]
    for name, text in docs.items():
        (tmp_path / name).write_text(text, encoding="utf-8")
        paths.append(str(tmp_path / name))
    expected = [["ok", len(o[1])] if o[0] == "ok" else [o[1].__name__] for o in map(outcome, paths)]
    assert all(e[0] == "ok" for e in expected), expected

    for stack in (32 * 1024, 48 * 1024, 56 * 1024, 64 * 1024, 72 * 1024, 96 * 1024):
        got = outcomes_on_stack(stack, paths)
        if stack >= 64 * 1024:
            assert got == expected, stack
        else:
            for path, want, have in zip(paths, expected, got):
                assert have == want or have == ["JsonParsingError"], (stack, path, have)
