// The checker's reader and forms against the encoder, kind by kind: the
// line the encoder writes reads back with exactly the kind's members and
// passes its form; without a member it must have, or with a list of another
// length, the form names that member.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "full_event_oracle.hpp"
#include "ripaion/check/event_form.hpp"
#include "ripaion/check/line_reader.hpp"
#include "ripaion/mjai/event.hpp"

using namespace ripaion;

namespace {

mjai::Tile T(unsigned code) { return *mjai::tile_from_tenhou_code(code); }

// One sound event of every kind but none, each optional member present.
std::vector<mjai::Event> one_of_each_kind() {
    mjai::StartKyoku sk{};
    sk.bakaze = T(41);
    sk.dora_marker = T(11);
    sk.kyoku = 1;
    sk.scores = {25000, 25000, 25000, 25000};
    for (auto& row : sk.tehais) row.fill(T(0));
    const mjai::Deltas deltas{1000, -1000, 0, 0};
    return {
        mjai::Tsumo{1, T(15)},
        mjai::Dahai{2, T(51), true},
        mjai::Chi{1, 0, T(13), {T(14), T(15)}},
        mjai::Pon{2, 0, T(41), {T(41), T(41)}},
        mjai::Daiminkan{3, 1, T(45), {T(45), T(45), T(45)}},
        mjai::Kakan{0, T(47), {T(47), T(47), T(47)}},
        mjai::Ankan{1, {T(44), T(44), T(44), T(44)}},
        mjai::Reach{2},
        mjai::Dora{T(27)},
        mjai::ReachAccepted{3},
        mjai::StartGame{{"a", "b", "c", "d"}, 0, true},
        sk,
        mjai::Hora{0, 1, deltas, std::vector<mjai::Tile>{T(29)}},
        mjai::Ryukyoku{deltas},
        mjai::EndKyoku{},
        mjai::EndGame{},
    };
}

struct Read {
    check::LineEvent event;
    std::optional<check::Finding> finding;
};

Read read(const std::string& line) {
    static check::LineReader reader;
    Read r;
    std::string error;
    EXPECT_TRUE(reader.read(line, r.event, error)) << line << ": " << error;
    r.finding = check::check_event_form(r.event);
    return r;
}

// The line with the member's name changed to one no kind has.
std::string without_member(std::string line, std::string_view name) {
    std::string key(1, '"');
    key.append(name).append("\":");
    const auto at = line.find(key);
    if (at != std::string::npos) line.insert(at + 1, "x_");
    return line;
}

TEST(CheckForms, EveryKindReadsBackWithItsMembers) {
    const auto events = one_of_each_kind();
    ASSERT_EQ(events.size() + 1, mjai::kEventKindCount);
    for (const mjai::Event& e : events) {
        const std::string line = oracle::event_line(e);
        const auto& row = mjai::event_kind_row(mjai::kind_of(e));
        std::uint32_t members = check::field_bit(check::Field::Type);
        for (const auto& use : row.members) members |= check::field_bit(use.member);
        const Read r = read(line);
        EXPECT_EQ(r.event.type, row.kind) << line;
        EXPECT_EQ(r.event.present, members) << line;
        EXPECT_EQ(r.event.malformed | r.event.out_of_range | r.event.duplicate, 0u) << line;
        EXPECT_FALSE(r.finding) << line << ": " << r.finding->message;
    }
}

TEST(CheckForms, EachMemberLeftOutIsMissingUnlessItMayBe) {
    for (const mjai::Event& e : one_of_each_kind()) {
        const auto& row = mjai::event_kind_row(mjai::kind_of(e));
        for (const auto& use : row.members) {
            const std::string name(mjai::member_row(use.member).name);
            const std::string line = without_member(oracle::event_line(e), name);
            const Read r = read(line);
            if (mjai::always_read(use.presence)) {
                ASSERT_TRUE(r.finding) << line;
                EXPECT_EQ(r.finding->message, std::string(row.name) + "'s " + name + " is missing");
            } else {
                EXPECT_FALSE(r.finding) << line;
            }
        }
    }
}

// Lists of fixed length one element short, one too many, and with an
// element of the wrong form; values out of their kind's range.
TEST(CheckForms, WrongLengthsFormsAndRangesNameTheMember) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {R"({"type":"chi","actor":1,"target":0,"pai":"3m","consumed":["4m"]})",
         "chi's consumed is not a list of two tiles"},
        {R"({"type":"ankan","actor":1,"consumed":["N","N","N","N","N"]})",
         "ankan's consumed is not a list of tile names"},
        {R"({"type":"pon","actor":1,"target":0,"pai":"3m","consumed":["3m",3]})",
         "pon's consumed is not a list of tile names"},
        {R"({"type":"ryukyoku","deltas":[0,0,0]})", "ryukyoku's deltas is not a list of four points"},
        {R"({"type":"ryukyoku","deltas":[0,0,0,2147483648]})", "ryukyoku's deltas is not a list of four points"},
        {R"({"type":"start_game","names":["a","b","c"]})", "start_game's names is not a list of four texts"},
        {R"({"type":"start_game","names":["a","b","c","d","e"]})", "start_game's names is not a list of four texts"},
        {R"({"type":"start_game","names":["a","b","c","d"],"kyoku_first":256})",
         "start_game's kyoku_first is not a count 0 to 255"},
        {R"({"type":"start_game","names":["a","b","c","d"],"aka_flag":1})",
         "start_game's aka_flag is not true or false"},
        {R"({"type":"tsumo","actor":4,"pai":"1m"})", "tsumo's actor is not a seat 0 to 3"},
        {R"({"type":"tsumo","actor":"1","pai":"1m"})", "tsumo's actor is not an integer"},
        {R"({"type":"tsumo","actor":1,"pai":"1z"})", "tsumo's pai is not a tile name"},
        {R"({"type":"tsumo","actor":1,"actor":1,"pai":"1m"})", "tsumo's actor appears twice"},
        {R"({"type":"hora","actor":0,"target":1,"ura_markers":["1m","1m","1m","1m","1m","1m","1m","1m","1m"]})",
         "hora's ura_markers is not a list of tile names"},
    };
    for (const auto& c : cases) {
        const Read r = read(c.line);
        ASSERT_TRUE(r.finding) << c.line;
        EXPECT_EQ(r.finding->message, c.message) << c.line;
    }
}

}  // namespace
