"""The facts of every corpus game (what the manifest's index fields come
from), checked over the whole corpus:

    python bench/metadata_check.py [CORPUS]

1. Every mjlog record paired with a JSON export of the same game
   (`tenhou4-xml/<source>/<name>.json`, and Tenhou's own exports in
   `tenhou4/mjlog2json-data`): `convert_with_info` of the record and of the
   JSON give the facts the JSON export holds (lobby, room, dan, rate, sx,
   final scores, placements), and the standard library's reading of the
   record (tests/python/game_facts.py) agrees.
2. Reading the facts never changes a conversion: for every corpus log, and
   for copies of it with its dan/rate/sx/sc/lobby/rule text (JSON) or its
   UN/GO/owari attributes (XML) damaged in several ways, `convert_with_info`
   gives exactly `convert_to_bytes`'s bytes, or raises exactly its error;
   and the manifest members the extension writes for the command
   (`convert_for_manifest`) are exactly `json.dumps` of those facts.

Prints the counts and the first disagreements; exit status 1 if any.
"""

from __future__ import annotations

import json
import re
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent.parent / "tests" / "python"))

from game_facts import KEYS, agree, from_json, from_xml  # noqa: E402

from ripaion_rs import _ripaion, convert_to_bytes, convert_with_info  # noqa: E402

DEFAULT_CORPUS = Path(__file__).resolve().parent.parent.parent / "shared" / "corpus"

JSON_DAMAGE = [
    (r'"dan":\s*\[[^]]*\]', ['"dan":[1,2,3,4]', '"dan":["a"]', '"dan":"x"', '"dan":[null,{},[],"七段"]']),
    (r'"rate":\s*\[[^]]*\]', ['"rate":["x","y","z","w"]', '"rate":[1e999,-1e999,0,1]', '"rate":[1,2]']),
    (r'"sx":\s*\[[^]]*\]', ['"sx":[1,2,3,4]', '"sx":null']),
    (r'"sc":\s*\[[^]]*\]', ['"sc":[1,2,3]', '"sc":[1.5,0,2,0,3,0,4,0]', '"sc":["a",0,"b",0,"c",0,"d",0]',
                            '"sc":[99999999999999999999,0,1,0,2,0,3,0]', '"sc":[-2147483649,0,0,0,0,0,0,0]']),
    (r'"lobby":\s*-?\d+', ['"lobby":"x"', '"lobby":-1', '"lobby":1e3']),
    (r'"disp":\s*"[^"]*"', ['"disp":""', '"disp":7', '"disp":"\\u0000"']),
]
XML_DAMAGE = [
    (r'dan="[^"]*"', ['dan="16,16"', 'dan="99,-1,x,"', 'dan=""']),
    (r'rate="[^"]*"', ['rate="a,b,c,d"', 'rate="1e999,nan,inf,-0"', 'rate=",,,"']),
    (r'sx="[^"]*"', ['', 'sx="%ZZ,M,F"']),
    (r'owari="[^"]*"', ['owari="a,b,c,d,e,f,g,h"', 'owari="1,0,2"', 'owari="99999999999,0,1,0,2,0,3,0"',
                        'owari="-21474837,0,0,0,0,0,0,0"']),
    (r'<GO type="[^"]*"', ['<GO type="x"', '<GO type="-1"', '<GO type="99999999999"']),
    (r'lobby="[^"]*"', ['lobby="x"', 'lobby="-5"']),
]


class Raised(tuple):
    """An exception's type name and message: the refusal is part of what must not change."""


def outcome(call, data):
    try:
        return call(data)
    except Exception as exc:
        return Raised((type(exc).__name__, str(exc)))


def paired(corpus: Path):
    for record in sorted((corpus / "mjlog").rglob("*")):
        if record.suffix not in (".xml", ".mjlog"):
            continue
        log = corpus / "tenhou4-xml" / record.parent.name / (record.stem + ".json")
        if not log.exists():
            log = corpus / "tenhou4" / "mjlog2json-data" / (record.stem + ".json")
        if log.exists():
            yield record, log


def corpus_logs(corpus: Path):
    files = []
    for sub in ("tenhou4", "tenhou3", "tenhou4-xml"):
        files += (corpus / sub).rglob("*.json")
    files += [p for p in (corpus / "mjlog").rglob("*") if p.suffix in (".xml", ".mjlog")]
    return sorted(p for p in files if p.is_file())


def damaged(data: bytes):
    """Copies of a log with its facts damaged, each way in turn."""
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError:
        return
    for pattern, replacements in (XML_DAMAGE if text.lstrip("\ufeff \r\n\t").startswith("<") else JSON_DAMAGE):
        for replacement in replacements:
            out, count = re.subn(pattern, replacement.replace("\\", "\\\\"), text)
            if count:
                yield out.encode("utf-8")


def members_agree(data: bytes, info) -> bool:
    """convert_for_manifest (the command's manifest lines) against json.dumps
    of convert_with_info's values: the same text, or the same refusal."""
    members = outcome(_ripaion.convert_for_manifest, data)
    if isinstance(info, Raised) or isinstance(members, Raised):
        return members == info
    facts = info[1]
    return members[1] == json.dumps({k: facts[k] for k in _ripaion.MANIFEST_KEYS})[1:-1] and members[2] == facts["ref"]


def main() -> int:
    corpus = Path(sys.argv[1]) if len(sys.argv) > 1 else DEFAULT_CORPUS
    problems = []
    pairs = field_counts = 0
    for record, log in paired(corpus):
        pairs += 1
        xml, doc = record.read_bytes(), log.read_bytes()
        export = from_json(doc)
        for name, data, oracle in ((record, xml, from_xml(xml)), (log, doc, export)):
            result = outcome(convert_with_info, data)
            if isinstance(result, Raised):
                if outcome(convert_to_bytes, data) != result:
                    problems.append("%s: raises %s, unlike convert_to_bytes" % (name, tuple(result)))
                continue
            facts = result[1]
            field_counts += sum(facts.get(k) is not None for k in KEYS)
            if not agree(facts, export) or not agree(facts, oracle):
                problems.append("%s: facts %s; the JSON export says %s"
                                % (name, {k: facts.get(k) for k in KEYS}, export))
            missing = [k for k in KEYS if facts.get(k) is None and export.get(k) is not None]
            if missing and name == record:
                problems.append("%s: %s not read, though the JSON export has them" % (name, missing))
    print("%d record/JSON pairs: %d facts read, compared with the JSON exports and the plain reading"
          % (pairs, field_counts))
    logs = corpus_logs(corpus)
    variants = same = 0
    for path in logs:
        data = path.read_bytes()
        for variant in [data, *damaged(data)]:
            variants += 1
            info = outcome(convert_with_info, variant)
            plain = outcome(convert_to_bytes, variant)
            got = info if isinstance(info, Raised) else info[0]
            if got != plain:
                problems.append("%s: convert_with_info differs from convert_to_bytes (variant %d)"
                                % (path, variants))
            if not members_agree(variant, info):
                problems.append("%s: the manifest members differ from json.dumps of the facts (variant %d)"
                                % (path, variants))
            elif variant is not data and plain == outcome(convert_to_bytes, data):
                same += 1
    print("%d corpus logs, %d variants with damaged facts: convert_with_info == convert_to_bytes for all but %d; "
          "%d damaged variants convert exactly as their sound log; the manifest members written by the extension "
          "differ from json.dumps of the facts for %d"
          % (len(logs), variants - len(logs), len([p for p in problems if "convert_with_info differs" in p]), same,
             len([p for p in problems if "members differ" in p])))
    for problem in problems[:20]:
        print("  " + problem)
    if len(problems) > 20:
        print("  ... and %d more" % (len(problems) - 20))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
