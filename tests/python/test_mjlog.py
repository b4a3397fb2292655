"""mjlog_to_mjai: Tenhou's XML records give exactly the lines of the JSON log
made from them (the copies in tests/data/mjlog, and the whole shared corpus
when it is beside the repository); refused and malformed records raise their
exceptions; the argument and output contract is tenhou_to_mjai's."""

import gzip
import re
from pathlib import Path

import pytest

from ripaion_rs import (
    MjlogParsingError,
    TenhouLogParsingError,
    mjlog_to_mjai,
    tenhou_to_mjai,
)

DATA = Path(__file__).resolve().parent.parent / "data"
RECORDS = sorted(p for p in (DATA / "mjlog").iterdir() if p.suffix in (".xml", ".mjlog"))


def json_of(record):
    beside = record.with_suffix(".json")
    return beside if beside.exists() else DATA / "logs" / (record.stem + ".json")


def shared_corpus():
    for parent in Path(__file__).resolve().parents:
        corpus = parent / "shared" / "corpus"
        if (corpus / "mjlog").is_dir():
            return corpus
    return None


def corpus_pairs():
    corpus = shared_corpus()
    if corpus is None:
        return []
    pairs = []
    for record in sorted((corpus / "mjlog").glob("*/*")):
        if record.suffix not in (".xml", ".mjlog"):
            continue
        source = record.parent.name
        folder = "tenhou4" if source == "mjlog2json-data" else "tenhou4-xml"
        pairs.append((record, corpus / folder / source / (record.stem + ".json")))
    return pairs


def text_of(record):
    data = record.read_bytes()
    if data[:2] == b"\x1f\x8b":
        data = gzip.decompress(data)
    if data[:2] == b"\xff\xfe":
        return data.decode("utf-16")
    return data.decode("utf-8-sig")


@pytest.mark.parametrize("record", RECORDS, ids=[p.name for p in RECORDS])
def test_record_gives_the_lines_of_its_json(tmp_path, record):
    out = tmp_path / "out.mjson"
    lines = mjlog_to_mjai(record, out)
    assert lines == tenhou_to_mjai(json_of(record))
    assert out.read_bytes() == "".join(line + "\n" for line in lines).encode("utf-8")


def test_test_data_covers_the_forms_and_the_results():
    assert len(RECORDS) >= 20
    heads = {r.read_bytes()[:2] for r in RECORDS}
    assert b"\x1f\x8b" in heads and b"\xff\xfe" in heads and b"<m" in heads
    texts = "\n".join(text_of(r) for r in RECORDS)
    for draw in ("yao9", "reach4", "ron3", "kaze4", "nm"):
        assert f'type="{draw}"' in texts
    assert re.search(r"<AGARI[^>]*/>\s*<AGARI", texts), "a double ron"
    assert "paoWho" in texts
    draws = re.findall(r"<RYUUKYOKU ([^>]*)>", texts)
    untyped = [d for d in draws if "type=" not in d]
    assert any(all(f"hai{s}=" in d for s in range(4)) for d in untyped), "all tenpai"
    assert any(not re.search(r"hai\d=", d) for d in untyped), "all noten"
    # Every call kind, a red five in a call, and riichi.
    assert "<N " in texts and "<REACH" in texts


@pytest.mark.skipif(shared_corpus() is None, reason="no shared corpus beside the repository")
def test_every_corpus_record_gives_the_lines_of_its_json():
    pairs = corpus_pairs()
    assert len(pairs) > 1500
    different = [str(record) for record, json in pairs if mjlog_to_mjai(record) != tenhou_to_mjai(json)]
    assert different == []


@pytest.fixture
def plain_record():
    record = DATA / "mjlog" / "dnovikoff-bug1.xml"
    return record.read_text(encoding="utf-8")


def write(tmp_path, data, name="game.xml"):
    path = tmp_path / name
    path.write_bytes(data if isinstance(data, bytes) else data.encode("utf-8"))
    return path


def test_gzip_and_utf16_forms_give_the_same_lines(tmp_path, plain_record):
    want = mjlog_to_mjai(write(tmp_path, plain_record))
    assert mjlog_to_mjai(write(tmp_path, gzip.compress(plain_record.encode()), "g.mjlog")) == want
    assert mjlog_to_mjai(write(tmp_path, plain_record.encode("utf-16"), "u16.xml")) == want
    assert mjlog_to_mjai(write(tmp_path, plain_record.encode("utf-16-be").join([b"\xfe\xff", b""]))) == want
    assert mjlog_to_mjai(write(tmp_path, b"\xef\xbb\xbf" + plain_record.encode())) == want


def with_game_type(record, type_value):
    return re.sub(r'<GO type="\d+"', f'<GO type="{type_value}"', record)


@pytest.mark.parametrize(
    "change",
    [
        pytest.param(lambda r: with_game_type(r, 169 | 0x10), id="three-player"),
        pytest.param(lambda r: with_game_type(r, 169 | 0x100), id="chip rule bit"),
        pytest.param(lambda r: with_game_type(r, 169 | 0x200), id="custom rule bit"),
        pytest.param(lambda r: re.sub(r' owari="[^"]*"', "", r), id="unfinished"),
        pytest.param(lambda r: r[: r.rindex("<INIT")] + "</mjloggm>", id="cut before a hand"),
    ],
)
def test_refused_games_raise_invalid_log(tmp_path, plain_record, change):
    path = write(tmp_path, change(plain_record))
    with pytest.raises(TenhouLogParsingError) as caught:
        mjlog_to_mjai(path)
    assert caught.value.args == ("invalid log",)


def first_tag(pattern, replacement):
    return lambda r: re.sub(pattern, replacement, r, count=1)


@pytest.mark.parametrize(
    "change, reason",
    [
        pytest.param(lambda r: r[: len(r) // 2], r"not well-formed XML: .* at byte \d+", id="cut in the middle"),
        pytest.param(lambda r: r.replace("</mjloggm>", ""), "not well-formed XML: ", id="root never closed"),
        pytest.param(lambda r: r.replace("<INIT", "<INIT <", 1), "not well-formed XML: ", id="bad tag"),
        pytest.param(lambda r: r.replace("mjloggm", "mjlog"), "root element is not mjloggm", id="another root"),
        pytest.param(lambda r: r.replace('hai0="', 'hai0="136,', 1),
                     r'<INIT seed="0,0,0,2,2,77" .*> \(tag 4\): a starting hand .* is missing or not 13 integers',
                     id="tile id 136"),
        pytest.param(lambda r: re.sub(r"<UN [^>]*>", "", r), "no UN tag", id="no names"),
        pytest.param(lambda r: "", "not well-formed XML: No document element found at byte 0", id="empty"),
        pytest.param(lambda r: '{"log": [], "name": ["a", "b", "c", "d"], "rule": {}}', "not well-formed XML: ",
                     id="a JSON log"),
        pytest.param(first_tag(r"<DORA hai=\"\d+\"", '<DORA hai="200"'),
                     r'<DORA hai="200"> \(tag \d+\): tile id out of range', id="dora id 200"),
        # A draw or discard letter followed by anything is a tile or refused,
        # never skipped as an unknown tag.
        pytest.param(first_tag(r"<F\d+/>", "<F65535/>"), r"<F65535> \(tag \d+\): tile id out of range", id="F65535"),
        pytest.param(first_tag(r"<D\d+/>", "<D12x/>"), r"<D12x> \(tag \d+\): tile id is not a number", id="D12x"),
        pytest.param(first_tag(r"<T\d+/>", "<T-1/>"), r"<T-1> \(tag \d+\): a draw or discard without a tile id",
                     id="T-1"),
        # m=24583 is a chi from the left (source 3); 24582 names the opposite seat.
        pytest.param(lambda r: r.replace('m="24583"', 'm="24582"'),
                     r"<N who=\"3\" m=\"24582\"> \(tag \d+\): chi from a seat other than the caller's left",
                     id="chi from the opposite seat"),
    ],
)
def test_malformed_records_say_why(tmp_path, plain_record, change, reason):
    path = write(tmp_path, change(plain_record))
    with pytest.raises(MjlogParsingError) as caught:
        mjlog_to_mjai(path)
    (message,) = caught.value.args
    assert message.startswith("failed to parse mjlog: ")
    assert re.match(reason, message[len("failed to parse mjlog: "):]), message
    assert isinstance(caught.value, ValueError)


def test_compressed_logs_are_told_once_decompressed(plain_record):
    """A gzip JSON log given as "auto" is read as a JSON log; zero padding
    after gzip (as some tools write) reads as zcat reads it."""
    from ripaion_rs import JsonParsingError, convert

    json_log = (DATA / "logs" / "dnovikoff-bug1.json").read_bytes()
    want = convert(json_log)
    for plain in (json_log, plain_record.encode()):
        assert convert(gzip.compress(plain)) == want
        assert convert(gzip.compress(plain) + bytes(1000)) == want
    with pytest.raises(JsonParsingError, match=r"^failed to parse tenhou\.net/6 log$"):
        convert(gzip.compress(b"{\"log\": ["))
    with pytest.raises(MjlogParsingError, match=r"^failed to parse mjlog: corrupt or truncated gzip stream$"):
        convert(gzip.compress(json_log) + b"\0\0junk")


def test_attributes_are_bounded_before_the_tree_is_built():
    """A small gzip file of one tag with millions of attributes is refused
    from its text (the tree would take some 40 bytes an attribute)."""
    from ripaion_rs import convert

    bomb = gzip.compress(b"<mjloggm><GO" + b' a=""' * (12 << 20) + b"/></mjloggm>", compresslevel=9)
    assert len(bomb) < 200_000
    with pytest.raises(MjlogParsingError,
                       match="^failed to parse mjlog: more attributes on one tag than a record holds$"):
        convert(bomb)


def test_the_command_reports_why(tmp_path, plain_record):
    import json

    from cli_support import run_cli

    write(tmp_path, plain_record.replace('m="24583"', 'm="24582"'), "bad.xml")
    result = run_cli("-o", tmp_path / "out", "--report", tmp_path / "r.jsonl", tmp_path / "bad.xml", cwd=tmp_path)
    assert result.returncode == 1
    (entry,) = [json.loads(line) for line in (tmp_path / "r.jsonl").read_text(encoding="utf-8").splitlines()]
    assert entry["type"] == "MjlogParsingError"
    assert entry["message"].startswith('failed to parse mjlog: <N who="3" m="24582"> (tag ')
    assert entry["message"].endswith("): chi from a seat other than the caller's left")


def test_truncated_gzip_raises_mjlog_parsing_error(tmp_path, plain_record):
    packed = gzip.compress(plain_record.encode())
    for cut in (len(packed) - 1, len(packed) - 8, len(packed) // 2, 10):
        with pytest.raises(MjlogParsingError):
            mjlog_to_mjai(write(tmp_path, packed[:cut], "cut.mjlog"))


def test_gzip_bomb_is_refused_without_expanding_it(tmp_path):
    # 100 MB of spaces inside the root, about 100 kB on disk: beyond the
    # 64 MB bound, so it is refused as a malformed record.
    body = b"<mjloggm>" + b" " * (100 << 20) + b"</mjloggm>"
    bomb = write(tmp_path, gzip.compress(body, compresslevel=1), "bomb.mjlog")
    del body
    assert bomb.stat().st_size < 1 << 20
    with pytest.raises(MjlogParsingError):
        mjlog_to_mjai(bomb)


def test_output_to_stdout_and_argument_contract(tmp_path, capfd, plain_record):
    path = write(tmp_path, plain_record)
    lines = mjlog_to_mjai(str(path), "-")
    assert capfd.readouterr().out == "".join(line + "\n" for line in lines)
    assert mjlog_to_mjai(filename=path) == lines
    with pytest.raises(TypeError):
        mjlog_to_mjai()
    with pytest.raises(TypeError):
        mjlog_to_mjai(path, None, None)
    with pytest.raises(FileNotFoundError):
        mjlog_to_mjai(tmp_path / "missing.mjlog")


def test_in_memory_functions_take_records_by_format(plain_record):
    from ripaion_rs import JsonParsingError, convert, convert_to_bytes

    want = mjlog_to_mjai(DATA / "mjlog" / "dnovikoff-bug1.xml")
    json_log = (DATA / "logs" / "dnovikoff-bug1.json").read_bytes()
    packed = gzip.compress(plain_record.encode())
    for data in (plain_record, plain_record.encode(), bytearray(packed), plain_record.encode("utf-16")):
        assert convert(data) == want
        assert convert(data, format="mjlog") == want
        assert convert_to_bytes(data, format="auto") == "".join(line + "\n" for line in want).encode()
    assert gzip.decompress(convert_to_bytes(packed, gzip=6)) == "".join(line + "\n" for line in want).encode()
    # The same game from its JSON log, told apart by the bytes.
    assert convert(json_log) == want == convert(json_log, format="tenhou6")
    with pytest.raises(MjlogParsingError):
        convert(json_log, format="mjlog")
    with pytest.raises(JsonParsingError):
        convert(plain_record, format="tenhou6")
    with pytest.raises(MjlogParsingError):
        convert(b"  <mjloggm>")
    with pytest.raises(ValueError, match="'auto', 'tenhou6' or 'mjlog'"):
        convert(json_log, format="json")
    with pytest.raises(TypeError):
        convert_to_bytes(json_log, format=None)
    with pytest.raises(TypeError):
        convert(json_log, "mjlog")
