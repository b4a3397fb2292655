// The event kind table, the fixed line table and the lines of a converted
// game: every line is the encoder's line for its event, whichever way it
// was made.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ripaion/conv/convert.hpp"
#include "ripaion/conv/game_lines.hpp"
#include "ripaion/mjai/event.hpp"
#include "ripaion/tenhou/reader.hpp"
#include "test_support.hpp"

namespace {

using namespace support;
using conv::GameEvent;

GameEvent record(GameEvent::Kind kind, mjai::Seat actor = 0, Tile pai = Tile{0}, bool tsumogiri = false) {
    GameEvent e;
    e.kind = kind;
    e.actor = actor;
    e.pai = pai;
    e.tsumogiri = tsumogiri;
    return e;
}

TEST(EventKinds, NamesAreTheEncodersTypes) {
    std::set<std::string_view> names;
    for (const auto& row : mjai::kEventKinds) names.insert(row.name);
    EXPECT_EQ(names.size(), mjai::kEventKindCount);
    EXPECT_EQ(event_line(mjai::Dora{Tile{3}}), R"({"type":"dora","dora_marker":"4m"})");
    EXPECT_EQ(event_line(mjai::ReachAccepted{2}), R"({"type":"reach_accepted","actor":2})");
    EXPECT_EQ(event_line(mjai::None{}), R"({"type":"none"})");
}

// Each draw, discard, riichi, acceptance and reveal that the table covers,
// written out as the full event and as the record the conversion makes.
struct TableEvent {
    Event full;
    GameEvent compact;
};

std::vector<TableEvent> table_events() {
    std::vector<TableEvent> out;
    for (mjai::Seat s = 0; s < 4; ++s) {
        for (int t = 0; t < mjai::kTileCount; ++t) {
            const Tile tile{static_cast<std::uint8_t>(t)};
            out.push_back({mjai::Tsumo{s, tile}, record(GameEvent::Tsumo, s, tile)});
            out.push_back({mjai::Dahai{s, tile, false}, record(GameEvent::Dahai, s, tile, false)});
            out.push_back({mjai::Dahai{s, tile, true}, record(GameEvent::Dahai, s, tile, true)});
        }
        out.push_back({mjai::Reach{s}, record(GameEvent::Reach, s)});
        out.push_back({mjai::ReachAccepted{s}, record(GameEvent::ReachAccepted, s)});
    }
    for (int t = 0; t < mjai::kTileCount; ++t) {
        const Tile tile{static_cast<std::uint8_t>(t)};
        out.push_back({mjai::Dora{tile}, record(GameEvent::Dora, 0, tile)});
    }
    out.push_back({mjai::EndKyoku{}, record(GameEvent::EndKyoku)});
    out.push_back({mjai::EndGame{}, record(GameEvent::EndGame)});
    return out;
}

TEST(FixedLines, EachTableEventHasItsOwnLineTheEncodersLine) {
    const auto events = table_events();
    ASSERT_EQ(events.size(), conv::kFixedLineCount);
    std::set<std::size_t> ids;
    for (const auto& e : events) {
        ASSERT_TRUE(oracle::is_table_event(e.full));
        const std::size_t id = conv::fixed_line_of(e.compact);
        ASSERT_LT(id, conv::kFixedLineCount) << event_line(e.full);
        const std::string line = event_line(e.full);
        EXPECT_EQ(conv::fixed_line(static_cast<conv::FixedLineId>(id)), line);
        EXPECT_EQ(conv::fixed_line_with_feed(static_cast<conv::FixedLineId>(id)), line + "\n");
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), conv::kFixedLineCount);
    EXPECT_EQ(conv::fixed_line(static_cast<conv::FixedLineId>(conv::kFixedLineCount)), "");
}

TEST(FixedLines, EachLineNumberNamesItsRecord) {
    for (std::size_t i = 0; i < conv::kFixedLineCount; ++i) {
        const auto id = static_cast<conv::FixedLineId>(i);
        EXPECT_EQ(conv::fixed_line_of(conv::fixed_line_record(id)), i);
        EXPECT_TRUE(oracle::is_table_event(conv::fixed_line_event(id))) << i;
    }
}

TEST(FixedLines, OtherRecordsAreEncodedEachTime) {
    const GameEvent others[] = {
        record(GameEvent::Tsumo, 4),          record(GameEvent::Dahai, 255),
        record(GameEvent::Reach, 4),          record(GameEvent::Tsumo, 0, Tile{38}),
        record(GameEvent::Dora, 0, Tile{255}), record(GameEvent::Ryukyoku),
        record(GameEvent::Hora),              record(GameEvent::Pon),
        record(GameEvent::StartGame),         record(GameEvent::StartKyoku),
        record(GameEvent::Ankan),             record(GameEvent::None),
        record(static_cast<GameEvent::Kind>(mjai::kEventKindCount)),
    };
    for (const GameEvent& e : others) EXPECT_EQ(conv::fixed_line_of(e), conv::kNoFixedLine) << int(e.kind);
}

// The compact game and its lines against the oracle's full events.
TEST(GameLines, RealLogsGiveTheEncodersLines) {
    int logs = 0;
    for (const auto& path : test_logs()) {
        const std::string text = read_file(path);
        auto events = oracle::convert_log(tenhou::parse_raw_log(text).value());
        auto game = conv::convert_game(tenhou::parse_raw_log(text).value());
        ASSERT_EQ(events.ok(), game.ok()) << path;
        if (!game) continue;
        auto lines = conv::encode_game(game.value());
        ASSERT_TRUE(lines);
        ASSERT_EQ(lines.value().count(), events.value().size());
        std::size_t fixed = 0, table_events = 0;
        for (std::size_t i = 0; i < events.value().size(); ++i) {
            ASSERT_EQ(lines.value().line(i), event_line(events.value()[i])) << path << " line " << i;
            fixed += lines.value().slots[i].size == 0;
            table_events += oracle::is_table_event(events.value()[i]);
        }
        // Only the events of the table are looked up; the rest are encoded.
        EXPECT_EQ(fixed, table_events) << path;
        ++logs;
    }
    EXPECT_GE(logs, 10);
}

// The text written in one pass is the lines joined with their line feeds:
// for every test log, and for games whose encoded lines outgrow the room the
// text starts with (names of every escape, control bytes written as six).
TEST(GameLines, TextInOnePassIsTheJoinedLines) {
    int logs = 0;
    for (const auto& path : test_logs()) {
        const std::string text = read_file(path);
        for (const std::size_t name_size : {std::size_t{0}, std::size_t{100000}}) {
            auto log = tenhou::parse_raw_log(text);
            if (!log) continue;
            if (name_size) log.value().name[2] = std::string(name_size, '\x01') + "\"\\";
            auto game = conv::convert_game(std::move(log).value());
            if (!game) continue;
            auto lines = conv::encode_game(game.value());
            auto one_pass = conv::encode_game_text(game.value());
            ASSERT_TRUE(lines);
            ASSERT_TRUE(one_pass);
            std::string joined;
            for (std::size_t i = 0; i < lines.value().count(); ++i) joined.append(lines.value().line(i)).push_back('\n');
            ASSERT_EQ(one_pass.value().view(), joined) << path;
            if (name_size) {
                EXPECT_GT(one_pass.value().size, 6 * name_size) << path;
            }
            // Written into room of its bound only, and refused in less.
            const std::size_t bound = conv::game_text_bound(game.value());
            EXPECT_LE(joined.size(), bound) << path;
            std::string small(joined.size() - 1, '\0');
            EXPECT_FALSE(conv::write_game_text(game.value(), small.data(), small.size())) << path;
            ++logs;
        }
    }
    EXPECT_GE(logs, 20);
}

}  // namespace
