"""Faults inside a call become Python exceptions; the interpreter survives
and the module keeps working."""

import os
import subprocess
import sys

import pytest

# Runs in a child: a log far larger than the address space allowed, so that
# reading it whole cannot allocate.
CHILD = """
import resource, sys
import ripaion_rs
huge, small = sys.argv[1], sys.argv[2]
with open("/proc/self/status") as f:
    vm = next(int(l.split()[1]) * 1024 for l in f if l.startswith("VmSize:"))
soft, hard = resource.getrlimit(resource.RLIMIT_AS)
resource.setrlimit(resource.RLIMIT_AS, (vm + 256 * 1024 * 1024, hard))
try:
    ripaion_rs.tenhou_to_mjai(huge)
    print("no error")
except MemoryError:
    print("MemoryError")
resource.setrlimit(resource.RLIMIT_AS, (soft, hard))
print(len(ripaion_rs.tenhou_to_mjai(small)))
"""


@pytest.mark.skipif(os.environ.get("RIPAION_SANITIZED") == "1", reason="the sanitizers need the address space")
def test_allocation_failure_is_a_memory_error(tmp_path):
    huge = tmp_path / "huge.json"
    with open(huge, "wb") as f:
        f.truncate(4 * 1024**3)  # sparse: takes no disk space
    small = tmp_path / "small.json"
    small.write_text('{"log":[],"name":["a","b","c","d"],"rule":{}}')
    result = subprocess.run(
        [sys.executable, "-c", CHILD, str(huge), str(small)], capture_output=True, text=True, timeout=120
    )
    assert result.returncode == 0, result.stderr
    assert result.stdout.split() == ["MemoryError", "2"]
