"""Draw, discard, riichi and dora lines are shared str objects kept by the
module for the whole process; callers must see nothing of it but equal
text, however many results are made, kept and dropped."""

import gc
from pathlib import Path

from ripaion_rs import tenhou_to_mjai

LOGS = sorted((Path(__file__).resolve().parent.parent / "data" / "logs").glob("*.json"))


def test_lines_stay_intact_across_many_calls():
    first = {log: tenhou_to_mjai(log) for log in LOGS}
    copies = {log: [line.encode() for line in lines] for log, lines in first.items()}
    for _ in range(20):
        for log in LOGS:
            tenhou_to_mjai(log)  # dropped at once
    kept = [tenhou_to_mjai(log) for log in LOGS for _ in range(3)]
    del kept
    gc.collect()
    for log, lines in first.items():
        assert [line.encode() for line in lines] == copies[log]
        assert tenhou_to_mjai(log) == lines


def test_dropping_every_reference_keeps_later_results_right():
    log = LOGS[0]
    expected = [line.encode() for line in tenhou_to_mjai(log)]
    for _ in range(50):
        result = tenhou_to_mjai(log)
        result.clear()  # the list's references go first, then the list
        del result
    assert [line.encode() for line in tenhou_to_mjai(log)] == expected
