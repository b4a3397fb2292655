"""Where outputs go below the output folder, and the date of a game id."""

import os

import pytest
from hypothesis import given
from hypothesis import strategies as st

from ripaion_rs._layout import file_output, find_game_id, game_date, row_output, safe_name

GAME = "2019021004gm-00a9-0000-e2f6516d"


@pytest.mark.parametrize("text, date", [
    (GAME, "2019-02-10T04"),
    ("2009090100gm-00a9-0000-6920f1ac", "2009-09-01T00"),
    ("2019021024gm-00a9-0000-e2f6516d", None),  # no hour 24
    ("2019130104gm-00a9-0000-e2f6516d", None),  # no month 13
    ("2019021004gm-00A9-0000-E2F6516D", None),
    (GAME + " ", None),
    ("x" + GAME, None),
    ("", None),
    (None, None),
])
def test_game_date(text, date):
    assert game_date(text) == date


@pytest.mark.parametrize("text, found", [
    ("https://tenhou.net/0/?log=%s&tw=2" % GAME, GAME),
    ("a/%s.mjlog" % GAME, GAME),
    ("game.json", None),
])
def test_game_id_inside_a_name(text, found):
    assert find_game_id(text) == found


@pytest.mark.parametrize("log_id, layout, compress, path", [
    (GAME, "date", False, "2019/02/%s.mjson" % GAME),
    (GAME, "date", True, "2019/02/%s.mjson.gz" % GAME),
    (GAME, "flat", False, "%s.mjson" % GAME),
    (GAME, "mirror", False, "%s.mjson" % GAME),
    (GAME + " ", "date", False, "other/%s .mjson" % GAME),
    ("../x", "date", False, "other/%2E.%2Fx.mjson"),
    ("a/b", "flat", False, "a%2Fb.mjson"),
    ("", "flat", False, "%.mjson"),
])
def test_row_output(log_id, layout, compress, path):
    assert row_output(log_id, layout, ".mjson", compress) == path


@pytest.mark.parametrize("relative, layout, path", [
    ("a/b/%s.json" % GAME, "mirror", "a/b/%s.json" % GAME),
    ("a/b/%s.json" % GAME, "flat", "%s.json" % GAME),
    ("a/b/%s&tw=1.mjlog" % GAME, "date", "2019/02/%s&tw=1.mjlog" % GAME),
    ("a/b/game.json", "date", "other/a/b/game.json"),
])
def test_file_output(relative, layout, path):
    assert file_output(relative, layout) == path


ids = st.text(st.characters(blacklist_categories=("Cs",)), max_size=300) | st.sampled_from(
    ["", ".", "..", "%", "%2F", "/", GAME, GAME + "/", "." + GAME])


@given(ids, ids)
def test_names_are_file_names_and_never_shared(a, b):
    name = safe_name(a)
    assert "/" not in name and "\0" not in name and not name.startswith(".")
    assert 0 < len(os.fsencode(name)) <= 180
    if a != b:
        assert safe_name(b) != name
