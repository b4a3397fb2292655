"""convert_for_manifest: the command's manifest members written by the
extension must be byte for byte what json.dumps writes for the same values
of convert_with_info's dict, and its bytes and refusals convert_to_bytes's."""

import json
import re
from pathlib import Path

import pytest
from hypothesis import given, settings
from hypothesis import strategies as st
from test_game_facts import DAMAGE, SOUND_JSON

from ripaion_rs import _ripaion, convert_to_bytes, convert_with_info
from ripaion_rs._job import Job, Settings
from ripaion_rs._storage import Storage
from ripaion_rs._worker import convert_log, manifest_entry

DATA = Path(__file__).resolve().parent.parent / "data"
LOGS = sorted(p for p in (DATA / "logs").iterdir() if p.suffix == ".json") + sorted(
    p for p in (DATA / "mjlog").iterdir() if p.suffix in (".xml", ".mjlog"))


def outcome(call, data, **kwargs):
    try:
        return call(data, **kwargs)
    except Exception as exc:
        return (type(exc), str(exc))


def agrees(data, gzip=None):
    """convert_for_manifest against convert_to_bytes and json.dumps of convert_with_info's values."""
    result = outcome(_ripaion.convert_for_manifest, data, gzip=gzip)
    expected = outcome(convert_to_bytes, data, gzip=gzip)
    if isinstance(expected, tuple):
        assert result == expected
        return
    out, members, ref = result
    info = convert_with_info(data)[1]
    assert out == expected
    assert members == json.dumps({key: info[key] for key in _ripaion.MANIFEST_KEYS})[1:-1]
    assert ref == info["ref"]


@pytest.mark.parametrize("gzip", [None, 6])
@pytest.mark.parametrize("path", LOGS, ids=lambda p: p.name)
def test_members_of_every_test_log(path, gzip):
    agrees(path.read_bytes(), gzip)


@pytest.mark.parametrize("text, pattern, replacement, reached", DAMAGE, ids=[d[2] or d[1] for d in DAMAGE])
def test_members_of_damaged_facts(text, pattern, replacement, reached):
    agrees(re.sub(pattern, replacement, text).encode("utf-8"))


def replaced(key, value):
    return re.sub('"%s":\\[[^]]*\\]' % key, lambda m: '"%s":%s' % (key, json.dumps(value)), SOUND_JSON, count=1)


@settings(max_examples=300, deadline=None)
@given(st.lists(st.floats(allow_nan=False, allow_infinity=False), min_size=4, max_size=4))
def test_any_rating_is_written_as_repr(rates):
    agrees(replaced("rate", rates).encode("utf-8"))


@settings(max_examples=300, deadline=None)
@given(st.sampled_from(["name", "dan", "sx"]), st.lists(st.text(max_size=12), min_size=4, max_size=4))
def test_any_text_is_written_as_json_escapes_it(key, texts):
    agrees(replaced(key, texts).encode("utf-8", "surrogatepass"))


@pytest.mark.parametrize("rate", [0.0, -0.0, 1e16, 1e15 + 0.5, 9999999999999998.0, 1e-4, 1e-5, 0.1, 5e-324,
                                  1.7976931348623157e308, 123456789012345678.0, -2.5e-7, 1e22, 2074.7])
def test_ratings_at_the_edges_of_repr_forms(rate):
    agrees(replaced("rate", [rate, 1.0, 2.0, 3.0]).encode("utf-8"))


@pytest.mark.parametrize("source", ["games.db#2019021004gm-00a9-0000-e2f6516d", "/logs/名前 with \"quotes\".json",
                                    "/logs/no-id.json"])
def test_a_whole_line_is_json_dumps_of_its_entry(tmp_path, source):
    data = (DATA / "logs" / "2019021004gm-00a9-0000-e2f6516d.json").read_bytes()
    job = Job(source, str(tmp_path / "out.mjson.gz"), content=data)
    out, line = convert_log(job, Settings(gzip_level=6, manifest=True), Storage())
    entry = dict(manifest_entry(job.source, job.destination, convert_with_info(data)[1]), bytes=len(out))
    assert line == json.dumps(entry)
    assert entry["game_id"] == "2019021004gm-00a9-0000-e2f6516d"  # from the name, else from the log's ref
