"""The facts convert_with_info returns beside a conversion: checked against
Tenhou's own JSON exports of the same games and against the standard
library's reading of the records, and never changing the conversion."""

import gzip
import json
import re
from pathlib import Path

import pytest
from game_facts import KEYS, agree, from_json, from_xml

from ripaion_rs import convert_to_bytes, convert_with_info

DATA = Path(__file__).resolve().parents[1] / "data"


def pairs():
    """(mjlog record, JSON log of the same game) of the test data."""
    found = []
    for record in sorted((DATA / "mjlog").iterdir()):
        if record.suffix in (".xml", ".mjlog"):
            for log in (record.with_suffix(".json"), DATA / "logs" / (record.stem + ".json")):
                if log.exists():
                    found.append((record, log))
                    break
    return found


PAIRS = pairs()


def outcome(call, data):
    try:
        return call(data)
    except Exception as exc:
        return (type(exc), str(exc))


@pytest.mark.parametrize("record, log", PAIRS, ids=[r.name for r, _ in PAIRS])
def test_facts_of_a_record_and_of_its_json_export(record, log):
    xml, doc = record.read_bytes(), log.read_bytes()
    for data, expected in ((xml, from_xml(xml)), (doc, from_json(doc))):
        out, facts = convert_with_info(data)
        assert out == convert_to_bytes(data)
        assert set(KEYS) <= set(facts)
        assert {k: facts[k] for k in KEYS if k != "rate"} == {k: expected[k] for k in KEYS if k != "rate"}
        assert agree(facts, expected)
        assert facts["hands"] == out.count(b'"type":"start_kyoku"')
        assert facts["events"] == out.count(b"\n")
    # And the two forms of one game tell the same facts.
    assert agree(convert_with_info(xml)[1], convert_with_info(doc)[1])
    gz_out, gz_facts = convert_with_info(xml, gzip=6)
    assert gzip.decompress(gz_out) == convert_to_bytes(xml)
    assert gz_facts == convert_with_info(xml)[1]


SOUND_JSON = (DATA / "logs" / "2019021004gm-00a9-0000-e2f6516d.json").read_text(encoding="utf-8")
SOUND_XML = (DATA / "mjlog" / "2019021004gm-00a9-0000-e2f6516d.xml").read_text(encoding="utf-8")

# (pattern, replacement, the facts the damage reaches).
JSON_DAMAGE = [
    ('"dan":\\[[^]]*\\]', '"dan":[1,2,3,4]', {"dan"}),
    ('"dan":\\[[^]]*\\]', '"dan":["a","b","c"]', {"dan"}),
    ('"dan":\\[[^]]*\\]', '"dan":"七段"', {"dan"}),
    ('"rate":\\[[^]]*\\]', '"rate":["x","y","z","w"]', {"rate"}),
    ('"rate":\\[[^]]*\\]', '"rate":[1e999,1,2,3]', {"rate"}),
    ('"rate":\\[[^]]*\\]', '"rate":null', {"rate"}),
    ('"sx":\\[[^]]*\\]', '"sx":[{},[],1,null]', {"sx"}),
    ('"sc":\\[[^]]*\\]', '"sc":[1,2,3]', {"final_scores", "placements"}),
    ('"sc":\\[[^]]*\\]', '"sc":[1.5,0,2,0,3,0,4,0]', {"final_scores", "placements"}),
    ('"sc":\\[[^]]*\\]', '"sc":[99999999999999999999,0,1,0,2,0,3,0]', {"final_scores", "placements"}),
    ('"sc":\\[[^]]*\\]', '"sc":{"a":1}', {"final_scores", "placements"}),
    ('"lobby":0', '"lobby":"x"', {"lobby"}),
    ('"lobby":0', '"lobby":-1', {"lobby"}),
    ('"disp":"鳳南喰赤"', '"disp":""', {"room"}),
    ('"disp":"鳳南喰赤"', '"disp":7', {"room"}),
]
XML_DAMAGE = [
    ('dan="[^"]*"', 'dan="16,16,16"', {"dan"}),
    ('dan="[^"]*"', 'dan="99,16,-1,x"', {"dan"}),
    ('rate="[^"]*"', 'rate="a,b,c,d"', {"rate"}),
    ('rate="[^"]*"', 'rate="1e999,nan,1,2"', {"rate"}),
    ('sx="[^"]*"', '', {"sx"}),
    ('owari="[^"]*"', 'owari="a,b,c,d,e,f,g,h"', {"final_scores", "placements"}),
    ('owari="[^"]*"', 'owari="1,0,2"', {"final_scores", "placements"}),
    ('owari="[^"]*"', 'owari="99999999999,0,1,0,2,0,3,0"', {"final_scores", "placements"}),
    ('<GO type="[^"]*"', '<GO type="x"', {"room"}),
    ('lobby="[^"]*"', 'lobby="-5"', {"lobby"}),
]
DAMAGE = [(SOUND_JSON, *d) for d in JSON_DAMAGE] + [(SOUND_XML, *d) for d in XML_DAMAGE]


@pytest.mark.parametrize("text, pattern, replacement, reached", DAMAGE, ids=[d[2] or d[1] for d in DAMAGE])
def test_damaged_facts_never_change_the_conversion(text, pattern, replacement, reached):
    damaged, count = re.subn(pattern, replacement, text)
    assert count >= 1
    data = damaged.encode("utf-8")
    result = outcome(convert_with_info, data)
    expected = outcome(convert_to_bytes, data)
    if isinstance(expected, tuple):  # refused: refused alike
        assert result == expected
        return
    out, facts = result
    assert out == expected
    # What the damage reached cannot be read (None), or is read as it now
    # stands; the rest is still read.
    sound = convert_with_info(text.encode("utf-8"))[1]
    for key in KEYS:
        if key in reached:
            assert facts[key] is None or facts[key] != sound[key] or key == "placements"
        else:
            assert facts[key] == sound[key], key


def test_logs_without_facts():
    minimal = '{"log":[],"name":["a","b","c","d"],"rule":{}}'
    out, facts = convert_with_info(minimal)
    assert out == convert_to_bytes(minimal)
    assert {k: facts[k] for k in KEYS} == dict.fromkeys(KEYS)
    assert facts["ref"] is None and facts["hands"] == 0 and facts["events"] == 2
    json_facts = convert_with_info(SOUND_JSON)[1]
    assert json_facts["ref"] == json.loads(SOUND_JSON)["ref"]
    assert convert_with_info(SOUND_XML)[1]["ref"] is None
