// mjlog records into the log model: play tags, results, the game type, and
// what is refused or not well-formed (XML, gzip, UTF-16).
#include <gtest/gtest.h>

#include <libdeflate.h>

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
    EXPECT_EQ(failure_of(game("", "425")), "refused");        // 0x100 and 169
    EXPECT_EQ(failure_of(game("", "169", "")), "refused");    // no owari
    EXPECT_EQ(failure_of(game("", "169", R"(<AGARI who="0" fromWho="1" sc="250,80,240,-80,260,0,250,0"/>)")),
              "refused");
}

TEST(MjlogRecord, MalformedRecords) {
    const std::string ok = game("<T60/><D60/>");
    ASSERT_TRUE(mjlog::read_mjlog(ok).ok());
    const std::string bad[] = {
        ok.substr(0, ok.size() - 3),                 // cut inside the closing tag
        ok.substr(0, ok.size() - 10),                // root never closed
        ok + "<x/>",                                 // a second top-level element
        "<mjlog>" + ok.substr(9, ok.size() - 19) + "</mjlog>",  // another root name
        game("<T136/>"),                             // tile id out of range
        game("<T60/><D6x/>").replace(0, 0, ""),      // unknown tag is skipped, so
        game(R"(<N who="4" m="6250"/>)"),            // seat out of range
        game(R"(<N who="0" m="32"/>)"),              // north tile set aside
        game(R"(<REACH step="1"/>)"),
        game(R"(<DORA hai="-1"/>)"),
        game("", "169", R"(<RYUUKYOKU type="bogus" sc="250,0,240,0,260,0,250,0" owari="1"/>)"),
        game("", "169", R"(<RYUUKYOKU sc="250,0,240,0,260" owari="1"/>)"),
        game("", "x"),
        std::string(ok).replace(ok.find("%E3%81%82"), 9, "%E3%81"),  // a name that is not UTF-8
        std::string(ok).replace(ok.find("hai3=\""), 6, "hai4=\""),   // a seat without a starting hand
        "",
        "not xml",
        // Scores of 18 digits: refused, never multiplied out of range.
        std::string(ok).replace(ok.find("ten=\"250,"), 9, "ten=\"100000000000000000,"),
        game("", "169", R"(<RYUUKYOKU sc="250,-99999999999999999,240,0,260,0,250,0" owari="1"/>)"),
        // More tags than any game: refused before the tree is built.
        game(repeat_text("<BYE who=\"0\"/>", 100'000)),
    };
    int i = 0;
    for (const std::string& b : bad) {
        ++i;
        if (i == 6) {  // D6x is neither a discard nor a known tag: ignored
            EXPECT_TRUE(mjlog::read_mjlog(b).ok());
            continue;
        }
        EXPECT_EQ(failure_of(b), "malformed") << i;
    }
}

std::string gzip_of(const std::string& text) {
    libdeflate_compressor* c = libdeflate_alloc_compressor(1);
    std::string out(libdeflate_gzip_compress_bound(c, text.size()), '\0');
    out.resize(libdeflate_gzip_compress(c, text.data(), text.size(), out.data(), out.size()));
    libdeflate_free_compressor(c);
    return out;
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
