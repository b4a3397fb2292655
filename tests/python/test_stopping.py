"""The command's stop on Ctrl-C or SIGTERM: at once, except inside a held
section (an outcome being recorded with its manifest line), which ends first."""

import os
import signal

import pytest

from ripaion_rs._stopping import Terminated, held, stop_the_run


@pytest.fixture
def stop_handlers():
    previous = {s: signal.signal(s, stop_the_run) for s in (signal.SIGINT, signal.SIGTERM)}
    yield
    for signum, handler in previous.items():
        signal.signal(signum, handler)


@pytest.mark.parametrize("signum, raised", [(signal.SIGINT, KeyboardInterrupt), (signal.SIGTERM, Terminated)])
def test_a_stop_waits_for_the_held_section_and_later_ones_are_ignored(stop_handlers, signum, raised):
    steps = []
    with pytest.raises(raised):
        with held:
            os.kill(os.getpid(), signum)
            steps.append("after the signal")
            with held:  # nested: the stop waits for the outer end
                steps.append("inner")
            steps.append("outer end")
    assert steps == ["after the signal", "inner", "outer end"]
    os.kill(os.getpid(), signal.SIGINT)  # the second: ignored
    os.kill(os.getpid(), signal.SIGTERM)
    with held:
        pass


def test_outside_a_held_section_the_stop_is_at_once(stop_handlers):
    steps = []
    with pytest.raises(KeyboardInterrupt):
        os.kill(os.getpid(), signal.SIGINT)
        steps.append("not reached")
    assert steps == []


def test_a_section_that_fails_passes_its_own_exception_on(stop_handlers):
    with pytest.raises(OSError):
        with held:
            os.kill(os.getpid(), signal.SIGTERM)
            raise OSError("the manifest's disk is full")
    with held:  # the stop was taken by that failure, not left for a later section
        pass
