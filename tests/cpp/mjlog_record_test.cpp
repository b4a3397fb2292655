// mjlog records into the log model: play tags, results, the game type, and
// what is refused or not well-formed (XML, gzip, UTF-16).
#include <gtest/gtest.h>

#include "mjlog_test_support.hpp"
#include "ripaion/mjlog/attr_values.hpp"
#include "ripaion/gzip/gunzip.hpp"

using namespace mjlogtest;
using ripaion::mjlog::MjlogError;
using model::ActionItem;
using model::ResultItem;

namespace {

constexpr const char* kNames = R"(<UN n0="%41" n1="%E3%81%82" n2="c" n3="d"/>)";
// Seat 0 holds 1m..9m (ids 0, 4, .., 32), 1p..4p; the others their own tiles.
constexpr const char* kInit =
    R"(<INIT seed="1,2,3,0,0,124" ten="250,240,260,250" oya="1" )"
    R"(hai0="0,4,8,12,16,20,24,28,32,36,40,44,48" hai1="1,5,9,13,17,21,25,29,33,37,41,45,49" )"
    R"(hai2="2,6,10,14,18,22,26,30,34,38,42,46,50" hai3="3,7,11,15,19,23,27,31,35,39,43,47,51"/>)";
constexpr const char* kOwariDraw = R"(<RYUUKYOKU ba="0,0" sc="250,0,240,0,260,0,250,0" owari="250,0,240,0,260,0,250,0"/>)";

std::string repeat_text(const std::string& text, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += text;
    return out;
}

std::string game(const std::string& body, const std::string& type = "169", const std::string& end = kOwariDraw) {
    return R"(<mjloggm ver="2.3"><SHUFFLE seed="x"/><GO type=")" + type + R"(" lobby="0"/>)" + kNames +
           R"(<TAIKYOKU oya="0"/>)" + kInit + body + end + "</mjloggm>";
}

model::RawLog read_ok(const std::string& xml) {
    auto log = mjlog::read_mjlog(xml);
    EXPECT_TRUE(log.ok()) << (log.ok() ? "" : log.error().message);
    return log.ok() ? std::move(log).value() : model::RawLog{};
}

std::string show(const ActionItem& a) {
    switch (a.kind) {
        case ActionItem::Kind::Tile: return std::string(mjai::tile_name(a.tile));
        case ActionItem::Kind::Number: return std::to_string(a.number);
        case ActionItem::Kind::Notation: return std::string(a.notation.view());
    }
    return {};
}
std::string show(const std::vector<ActionItem>& items) {
    std::string out;
    for (const auto& a : items) {
        if (!out.empty()) out += ' ';
        out += show(a);
    }
    return out;
}

TEST(MjlogRecord, StartOfHandAndGame) {
    const auto log = read_ok(game(""));
    EXPECT_EQ(log.name[0], "A");
    EXPECT_EQ(log.name[1], "\xE3\x81\x82");
    EXPECT_EQ(log.rule.room, model::Room::Phoenix);  // 169: 0x80, 0x20, south, red fives
    EXPECT_FALSE(log.rule.east_only);
    EXPECT_TRUE(log.rule.red_fives);
    EXPECT_FALSE(log.rule.three_player);
    ASSERT_EQ(log.log.size(), 1u);
    const auto& hand = log.log[0];
    EXPECT_EQ(hand.meta.kyoku_num, 1);
    EXPECT_EQ(hand.meta.honba, 2);
    EXPECT_EQ(hand.meta.kyotaku, 3);
    EXPECT_EQ(hand.scores, (std::array<std::int32_t, 4>{25000, 24000, 26000, 25000}));
    ASSERT_EQ(hand.dora.size(), 1u);
    EXPECT_EQ(mjai::tile_name(hand.dora[0]), "P");
    // Sorted by kind, the red five after the plain ones (seat 0 has the red).
    EXPECT_EQ(mjai::tile_name(hand.seats[0].haipai[4]), "5mr");
    EXPECT_EQ(mjai::tile_name(hand.seats[1].haipai[4]), "5m");
}

TEST(MjlogRecord, GameTypeBits) {
    struct Case {
        const char* type;
        model::Room room;
        bool east_only, red_fives;
    };
    // The JSON exports of these games write 般東喰赤, 上南喰赤, 特東喰赤速,
    // 鳳南喰 and 鳳南赤.
    const Case cases[] = {
        {"1", model::Room::General, true, true},
        {"137", model::Room::Upper, false, true},
        {"97", model::Room::Special, true, true},
        {"171", model::Room::Phoenix, false, false},
        {"173", model::Room::Phoenix, false, true},
    };
    for (const Case& c : cases) {
        const auto log = read_ok(game("", c.type));
        EXPECT_EQ(log.rule.room, c.room) << c.type;
        EXPECT_EQ(log.rule.east_only, c.east_only) << c.type;
        EXPECT_EQ(log.rule.red_fives, c.red_fives) << c.type;
        EXPECT_FALSE(log.rule.three_player) << c.type;
        EXPECT_TRUE(log.rule.disp.empty()) << c.type;
    }
    // Without red fives id 16 is a plain five.
    EXPECT_EQ(mjai::tile_name(read_ok(game("", "171")).log[0].seats[0].haipai[4]), "5m");
}

TEST(MjlogRecord, TsumogiriRiichiAndCalls) {
    // Seat 1 discards its draw (60), a held tile, declares riichi on a
    // drawn tile ("r60"); seat 0 pons, then discards the tile it drew before
    // the call (not a tsumogiri), declares a closed kan, discards the
    // replacement tile (60), calls an open kan (an unknown tile in its
    // discards); seat 3 declares riichi on a held tile.
    const auto log = read_ok(game(
        "<U24/><E24/><U28/><E1/><U32/><REACH who=\"1\" step=\"1\"/><E32/><REACH who=\"1\" step=\"2\"/>"
        "<T36/><D0/><U40/><E40/><N who=\"0\" m=\"15465\"/><D36/>"
        "<T44/><N who=\"0\" m=\"11264\"/><T48/><D48/><DORA hai=\"88\"/>"
        "<V92/><F92/><N who=\"0\" m=\"23554\"/><T52/><D44/>"
        "<W100/><REACH who=\"3\" step=\"1\"/><G3/>"));
    const auto& h = log.log[0];
    EXPECT_EQ(show(h.seats[1].takes), "7m 8m 9m 2p");
    EXPECT_EQ(show(h.seats[1].discards), "60 1m r60 60");
    EXPECT_EQ(show(h.seats[0].takes), "1p 2222p22 3p 4p 36m363636 5pr");
    EXPECT_EQ(show(h.seats[0].discards), "1m 1p 232323a23 60 ? 3p");
    EXPECT_EQ(show(h.seats[2].discards), "60");
    EXPECT_EQ(show(h.seats[3].discards), "r11");
    ASSERT_EQ(h.dora.size(), 2u);
    EXPECT_EQ(mjai::tile_name(h.dora[1]), "5sr");
}

std::string results_of(const model::HandRecord& h) {
    std::string out;
    for (const auto& r : h.results) {
        if (!out.empty()) out += " | ";
        if (r.kind == ResultItem::Kind::Label) out += r.label;
        if (r.kind == ResultItem::Kind::Deltas)
            for (int i = 0; i < 4; ++i) {
                if (i) out += ',';
                out += std::to_string(r.deltas[i]);
            }
        if (r.kind == ResultItem::Kind::Details)
            for (std::size_t i = 0; i < r.details.size(); ++i) {
                if (i) out += ',';
                out += std::to_string(r.details[i].uint);
            }
    }
    return out;
}

TEST(MjlogRecord, DoubleRonWithPaoAndUraFromTheFirstWin) {
    const auto log = read_ok(game("<U60/><E60/>",
                                  "169",
                                  R"(<AGARI who="0" fromWho="1" sc="250,80,240,-160,260,0,250,0" doraHaiUra="4"/>)"
                                  R"(<AGARI who="2" fromWho="1" paoWho="3" sc="330,0,80,-20,260,20,250,0" )"
                                  R"(doraHaiUra="8" owari="1"/>)"));
    const auto& h = log.log[0];
    EXPECT_EQ(results_of(h), "\xE5\x92\x8C\xE4\xBA\x86 | 8000,-16000,0,0 | 0,1,0 | 0,-2000,2000,0 | 2,1,3");
    ASSERT_EQ(h.ura.size(), 1u);
    EXPECT_EQ(mjai::tile_name(h.ura[0]), "2m");
}

TEST(MjlogRecord, EveryDrawType) {
    struct Case {
        const char* attrs;
        const char* results;
    };
    const Case cases[] = {
        {R"(type="yao9" sc="250,0,240,0,260,0,250,0")", "九種九牌"},
        {R"(type="reach4" sc="250,0,240,0,260,0,250,0")", "四家立直"},
        {R"(type="ron3" sc="250,0,240,0,260,0,250,0")", "三家和了"},
        {R"(type="kan4" sc="250,0,240,0,260,0,250,0")", "四槓散了"},
        {R"(type="kaze4" sc="250,0,240,0,260,0,250,0")", "四風連打"},
        {R"(type="nm" sc="250,120,240,-40,260,-40,250,-40")", "流し満貫 | 12000,-4000,-4000,-4000"},
        {R"(sc="250,0,240,0,260,0,250,0" hai0="1" hai1="2" hai2="3" hai3="4")", "全員聴牌"},
        {R"(sc="250,0,240,0,260,0,250,0")", "全員不聴"},
        {R"(sc="250,15,240,-15,260,15,250,-15" hai0="1" hai2="3")", "流局 | 1500,-1500,1500,-1500"},
    };
    for (const Case& c : cases) {
        const auto log = read_ok(game("", "169", std::string("<RYUUKYOKU ") + c.attrs + " owari=\"1\"/>"));
        EXPECT_EQ(results_of(log.log[0]), c.results) << c.attrs;
    }
}

// The kind of failure, or "read" when the record is read.
std::string failure_of(std::string bytes) {
    auto log = mjlog::read_mjlog(std::move(bytes));
    if (log.ok()) return "read";
    return log.error().kind == MjlogError::Kind::Refused ? "refused" : "malformed";
}

TEST(MjlogRecord, ThreePlayerRecordsAreReadNoFurtherThanTheRule) {
    // Their hands have three starting hands, which would not read as a
    // four-player game's; the conversion refuses them from the rule.
    for (const char* type : {"185", "441"}) {  // 0x10 and 169, then with 0x100 too
        const auto log = read_ok(game("<T136/>", type, ""));
        EXPECT_TRUE(log.rule.three_player) << type;
        EXPECT_TRUE(log.log.empty()) << type;
    }
    // What comes before the rule is read as in any record.
    EXPECT_EQ(failure_of(R"(<mjloggm ver="2.3"><T0/><GO type="185"/></mjloggm>)"), "malformed");
}

TEST(MjlogRecord, RefusedGames) {
    // Refused games are read: no reason is shown for them.
    EXPECT_EQ(failure_of(game("", "425")), "refused");        // 0x100 and 169
    EXPECT_EQ(failure_of(game("", "169", "")), "refused");    // no owari
    EXPECT_EQ(failure_of(game("", "169", R"(<AGARI who="0" fromWho="1" sc="250,80,240,-80,260,0,250,0"/>)")),
              "refused");
}

// The reason of a record that is not well-formed, "read" or "refused".
std::string reason_of(std::string bytes) {
    auto log = mjlog::read_mjlog(std::move(bytes));
    if (log.ok()) return "read";
    return log.error().kind == MjlogError::Kind::Refused ? "refused" : log.error().message;
}

TEST(MjlogRecord, MalformedRecordsSayWhy) {
    const std::string ok = game("<T60/><D60/>");
    ASSERT_TRUE(mjlog::read_mjlog(ok).ok());
    // The body's first tag is the record's sixth.
    const std::pair<std::string, std::string> cases[] = {
        {ok.substr(0, ok.size() - 3), "not well-formed XML: Start-end tags mismatch at byte "},
        {ok.substr(0, ok.size() - 10), "not well-formed XML: Start-end tags mismatch at byte "},
        {ok + "<x/>", "a second top-level element"},
        {"<mjlog>" + ok.substr(9, ok.size() - 19) + "</mjlog>", "root element is not mjloggm"},
        {game(R"(<DORA hai="200"/>)"), R"(<DORA hai="200"> (tag 6): tile id out of range)"},
        {game(R"(<DORA hai="-1"/>)"), R"(<DORA hai="-1"> (tag 6): tile id out of range)"},
        {game(R"(<DORA/>)"), R"(<DORA> (tag 6): hai is missing or not a number)"},
        {game(R"(<N who="4" m="6250"/>)"), R"(<N who="4" m="6250"> (tag 6): who or m is missing or out of range)"},
        {game(R"(<N who="0" m="32"/>)"), R"(<N who="0" m="32"> (tag 6): the north tile set aside, a three-player call)"},
        {game(R"(<REACH step="1"/>)"), R"(<REACH step="1"> (tag 6): who or step is missing or out of range)"},
        {game("", "169", R"(<RYUUKYOKU type="bogus" sc="250,0,240,0,260,0,250,0" owari="1"/>)"),
         R"(<RYUUKYOKU type="bogus" sc="250,0,240,0,260,0,250,0" owari="1"> (tag 6): unknown draw type)"},
        {game("", "169", R"(<RYUUKYOKU sc="250,0,240,0,260" owari="1"/>)"),
         R"(<RYUUKYOKU sc="250,0,240,0,260" owari="1"> (tag 6): sc is not eight integers in range)"},
        {game("", "x"), R"(<GO type="x" lobby="0"> (tag 2): the game type is missing or not a number)"},
        {std::string(ok).replace(ok.find("%E3%81%82"), 9, "%E3%81"),
         R"(<UN n0="%41" n1="%E3%81" n2="c" n3="d"> (tag 3): player name is not percent-encoded UTF-8)"},
        {std::string(ok).replace(ok.find("hai3=\""), 6, "hai4=\""),
         "(tag 5): a starting hand (hai0 to hai3) is missing or not 13 integers"},
        {"", "not well-formed XML: No document element found at byte 0"},
        {"not xml", "not well-formed XML: No document element found at byte 6"},
        // Scores of 18 digits: refused, never multiplied out of range.
        {std::string(ok).replace(ok.find("ten=\"250,"), 9, "ten=\"100000000000000000,"),
         "(tag 5): ten: score out of range"},
        {game("", "169", R"(<RYUUKYOKU sc="250,-99999999999999999,240,0,260,0,250,0" owari="1"/>)"),
         "(tag 6): sc is not eight integers in range"},
        {game("", "169", ""), "refused"},  // no owari: a game the conversion does not take
        {std::string(ok).replace(ok.find("<RYUUKYOKU"), 0, "<INIT/>"), "(tag 8): INIT before the result of the hand before it"},
        // Long values and many attributes are cut short in the message.
        {game("<DORA " + repeat_text("a=\"1\" ", 9) + "/>"),
         R"(<DORA a="1" a="1" a="1" a="1" a="1" a="1" a="1" a="1" ...> (tag 6): hai is missing or not a number)"},
        {game(R"(<DORA hai=")" + std::string(100, '7') + R"("/>)"), "<DORA hai=\"" + std::string(48, '7') + "...\">"},
    };
    for (const auto& [bytes, reason] : cases) {
        EXPECT_NE(reason_of(bytes).find(reason), std::string::npos) << reason_of(bytes) << "\nwanted: " << reason;
    }
}

TEST(MjlogRecord, DrawAndDiscardTagsAreReadOrRefused) {
    // A draw or discard letter followed by anything is never skipped as a
    // tag of another kind: it is a tile, or the record is refused.
    const std::pair<std::string, std::string> cases[] = {
        {"<T136/>", "<T136> (tag 6): tile id out of range"},
        {"<U60/><F65535/>", "<F65535> (tag 7): tile id out of range"},
        {"<T1360/>", "<T1360> (tag 6): tile id out of range"},
        {"<T60/><D12x/>", "<D12x> (tag 7): tile id is not a number"},
        {"<T-1/>", "<T-1> (tag 6): a draw or discard without a tile id"},
        {"<T60/><D/>", "<D> (tag 7): a draw or discard without a tile id"},
        {"<Wx/>", "<Wx> (tag 6): a draw or discard without a tile id"},
        {"<Gone/>", "<Gone> (tag 6): a draw or discard without a tile id"},
        {"<T0060/><D60/>", "read"},  // leading zeros are still the id
        {"<TAIKYOKU/><BYE who=\"1\"/><SOMETHING/>", "read"},  // other tags are skipped
    };
    for (const auto& [body, reason] : cases) EXPECT_EQ(reason_of(game(body)), reason) << body;
}

TEST(MjlogRecord, ChiOnlyFromTheLeftSeat) {
    // 1031 is 1m2m3m with 2m called from the left (source 3); the same bits
    // naming the opposite or right seat, or the caller, are refused.
    EXPECT_EQ(reason_of(game(R"(<U60/><E4/><N who="1" m="1031"/>)")), "read");
    for (const char* m : {"1030", "1029", "1028"}) {
        EXPECT_EQ(reason_of(game(std::string(R"(<U60/><E4/><N who="1" m=")") + m + "\"/>")),
                  std::string("<N who=\"1\" m=\"") + m + "\"> (tag 8): chi from a seat other than the caller's left");
    }
}

TEST(MjlogRecord, TagsAndAttributesAreBoundedBeforeTheTree) {
    EXPECT_EQ(reason_of(game(repeat_text("<BYE who=\"0\"/>", 100'000))), "more tags than a game holds");
    EXPECT_EQ(reason_of(game("<BYE " + repeat_text("a=\"\" ", 65) + "/>")),
              "more attributes on one tag than a record holds");
    EXPECT_EQ(reason_of(game("<BYE " + repeat_text("a=\"\" ", 64) + "/>")), "read");
    EXPECT_EQ(reason_of(game(repeat_text("<BYE a=\"\" b=\"\" c=\"\"/>", 70'000))),
              "more attributes than a game holds");
    // A small compressed file of one tag with millions of attributes.
    const std::string bomb = gzip_of("<mjloggm><GO " + repeat_text(" a=\"\"", 10'000'000) + "/></mjloggm>");
    EXPECT_LT(bomb.size(), 200'000u);
    EXPECT_EQ(reason_of(bomb), "more attributes on one tag than a record holds");
}

std::string utf16_of(const std::string& ascii, bool little_endian) {
    std::string out = little_endian ? "\xFF\xFE" : "\xFE\xFF";
    for (char ch : ascii) {
        out += little_endian ? ch : '\0';
        out += little_endian ? '\0' : ch;
    }
    return out;
}

TEST(MjlogRecord, EncodingsAndCompression) {
    const std::string xml = game("<U60/><E60/>");
    const auto want = mjlog_lines(xml).lines;
    ASSERT_EQ(mjlog_lines(xml).failure, "");
    EXPECT_EQ(mjlog_lines(gzip_of(xml)).lines, want);
    EXPECT_EQ(mjlog_lines(gzip_of(xml.substr(0, 100)) + gzip_of(xml.substr(100))).lines, want);  // two members
    EXPECT_EQ(mjlog_lines("\xEF\xBB\xBF" + xml).lines, want);
    EXPECT_EQ(mjlog_lines(utf16_of(xml, true)).lines, want);
    EXPECT_EQ(mjlog_lines(utf16_of(xml, false)).lines, want);

    const std::string gz = gzip_of(xml);
    EXPECT_EQ(failure_of(gz.substr(0, gz.size() - 1)), "malformed");  // truncated
    EXPECT_EQ(failure_of(gz.substr(0, gz.size() / 2)), "malformed");
    EXPECT_EQ(failure_of(gz + "junk"), "malformed");
    EXPECT_EQ(failure_of(gz + std::string(8, '\0') + "junk"), "malformed");
    EXPECT_EQ(mjlog_lines(gz + std::string(4096, '\0')).lines, want);  // zero padding, as zcat reads it
    EXPECT_EQ(failure_of(utf16_of(xml, true) + "\x3D"), "malformed");   // odd length
    EXPECT_EQ(failure_of(utf16_of(xml, true) + std::string("\x00\xD8", 2)), "malformed");  // lone surrogate
}

TEST(MjlogRecord, DecompressedSizeIsBounded) {
    const std::string text(1000, 'x');
    EXPECT_EQ(gzip::gunzip(gzip_of(text), 1000).value(), text);
    EXPECT_EQ(gzip::gunzip(gzip_of(text + "x"), 1000).error(), gzip::GunzipError::TooLarge);
    // A trailer that understates the size only costs a larger buffer.
    std::string lying = gzip_of(text);
    lying[lying.size() - 4] = 1;
    lying[lying.size() - 3] = 0;
    EXPECT_FALSE(gzip::gunzip(lying, 1000).ok());  // the trailer's size check fails
    // One that claims 4 GiB is not believed for the first buffer either:
    // the output is sized by what DEFLATE can expand to, then grown.
    std::string inflated_claim = gzip_of(text);
    for (int i = 1; i <= 4; ++i) inflated_claim[inflated_claim.size() - i] = '\xFF';
    EXPECT_EQ(gzip::gunzip(inflated_claim).error(), gzip::GunzipError::Corrupt);
    // A bomb: 80 MB of spaces inside the root, about 80 kB compressed.
    const std::string bomb = gzip_of("<mjloggm>" + std::string(80u << 20, ' ') + "</mjloggm>");
    EXPECT_LT(bomb.size(), 1u << 20);
    EXPECT_EQ(failure_of(bomb), "malformed");
}

TEST(MjlogRecord, AttributeNumbers) {
    std::array<std::int64_t, 3> out{};
    EXPECT_EQ(mjlog::parse_int_list("1,-2,3", out), 3u);
    EXPECT_EQ(out[1], -2);
    EXPECT_FALSE(mjlog::parse_int_list("1,2,3,4", out));
    EXPECT_FALSE(mjlog::parse_int_list("1,,3", out));
    EXPECT_FALSE(mjlog::parse_int_list("1,+2", out));
    EXPECT_FALSE(mjlog::parse_int_list("", out));
    EXPECT_FALSE(mjlog::parse_int("99999999999999999999"));
    EXPECT_EQ(mjlog::percent_decode_utf8("a%20b%e3%81%82"), "a b\xE3\x81\x82");
    EXPECT_FALSE(mjlog::percent_decode_utf8("%4"));
    EXPECT_FALSE(mjlog::percent_decode_utf8("%G0"));
}

}  // namespace
