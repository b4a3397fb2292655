// The fixed line table and the lines of a converted game: every line is the
// encoder's line for its event, whichever way it was made.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "ripaion/conv/convert.hpp"
#include "ripaion/conv/game_driver.hpp"
#include "ripaion/conv/game_lines.hpp"
#include "ripaion/mjai/encode.hpp"
#include "ripaion/mjai/fixed_lines.hpp"
#include "ripaion/tenhou/reader.hpp"

namespace {

namespace mjai = ripaion::mjai;
namespace conv = ripaion::conv;
using mjai::Event;
using mjai::Tile;

TEST(FixedLines, EveryLineIsTheEncodersLineOfItsEvent) {
    std::set<std::string> distinct;
    for (std::size_t i = 0; i < mjai::kFixedLineCount; ++i) {
        const auto id = static_cast<mjai::FixedLineId>(i);
        const Event e = mjai::fixed_line_event(id);
        const std::string line = mjai::event_line(e);
        EXPECT_EQ(mjai::fixed_line(id), line) << i;
        EXPECT_EQ(mjai::fixed_line_with_feed(id), line + "\n") << i;
        EXPECT_EQ(mjai::fixed_line_of(e), std::optional<mjai::FixedLineId>(id)) << line;
        distinct.insert(line);
    }
    EXPECT_EQ(distinct.size(), mjai::kFixedLineCount);
    EXPECT_EQ(mjai::fixed_line(static_cast<mjai::FixedLineId>(mjai::kFixedLineCount)), "");
}

TEST(FixedLines, CoverEveryDrawDiscardAndReveal) {
    for (mjai::Seat s = 0; s < 4; ++s) {
        for (int t = 0; t < mjai::kTileCount; ++t) {
            const Tile tile{static_cast<std::uint8_t>(t)};
            for (const Event& e : {Event{mjai::Tsumo{s, tile}}, Event{mjai::Dahai{s, tile, false}},
                                   Event{mjai::Dahai{s, tile, true}}, Event{mjai::Dora{tile}}, Event{mjai::Reach{s}},
                                   Event{mjai::ReachAccepted{s}}}) {
                const auto id = mjai::fixed_line_of(e);
                ASSERT_TRUE(id) << mjai::event_line(e);
                EXPECT_EQ(mjai::fixed_line(*id), mjai::event_line(e));
            }
        }
    }
}

TEST(FixedLines, OtherEventsAreEncodedEachTime) {
    const Tile m1{0};
    for (const Event& e : {Event{mjai::Tsumo{4, m1}}, Event{mjai::Dahai{255, m1, false}}, Event{mjai::Reach{4}},
                           Event{mjai::Tsumo{0, Tile{38}}}, Event{mjai::Ryukyoku{mjai::Deltas{0, 0, 0, 0}}},
                           Event{mjai::Hora{0, 1, std::nullopt, std::nullopt}},
                           Event{mjai::Pon{1, 0, m1, {m1, m1}}}, Event{mjai::StartGame{}}}) {
        EXPECT_FALSE(mjai::fixed_line_of(e)) << mjai::event_line(e);
    }
}

std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The compact game and its lines against the full events of the same log.
TEST(GameLines, RealLogsGiveTheEncodersLines) {
    int logs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(RIPAION_TEST_DATA_DIR) / "logs")) {
        if (entry.path().extension() != ".json") continue;
        const std::string text = read_file(entry.path());
        auto events = ripaion::conv::convert_log(ripaion::tenhou::parse_raw_log(text).value());
        auto game = conv::convert_game(ripaion::tenhou::parse_raw_log(text).value());
        ASSERT_EQ(events.ok(), game.ok()) << entry.path();
        if (!game) continue;
        auto lines = conv::encode_game(game.value());
        ASSERT_TRUE(lines);
        ASSERT_EQ(lines.value().count(), events.value().size());
        std::size_t fixed = 0;
        for (std::size_t i = 0; i < events.value().size(); ++i) {
            ASSERT_EQ(lines.value().line(i), mjai::event_line(events.value()[i])) << entry.path() << " line " << i;
            fixed += lines.value().slots[i].size == 0;
        }
        // Only the events of the table are looked up; the rest are encoded.
        std::size_t table_events = 0;
        for (const Event& e : events.value()) table_events += mjai::fixed_line_of(e).has_value();
        EXPECT_EQ(fixed, table_events) << entry.path();
        ++logs;
    }
    EXPECT_GE(logs, 10);
}

}  // namespace
