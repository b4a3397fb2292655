#include <gtest/gtest.h>

#include <initializer_list>

#include "test_support.hpp"
#include "ripaion/conv/hand_results.hpp"

using namespace support;
using model::JsonValue;
using model::ResultItem;

namespace {

const char* const kWin = "\xE5\x92\x8C\xE4\xBA\x86";
const char* const kDraw = "\xE6\xB5\x81\xE5\xB1\x80";

ResultItem label(const char* text) {
    ResultItem r;
    r.kind = ResultItem::Kind::Label;
    r.label = text;
    return r;
}

ResultItem deltas(int a, int b, int c, int d) {
    ResultItem r;
    r.kind = ResultItem::Kind::Deltas;
    r.deltas = {a, b, c, d};
    return r;
}

JsonValue uint_value(std::uint64_t v) {
    JsonValue j;
    j.kind = JsonValue::Kind::UInt;
    j.uint = v;
    return j;
}
JsonValue int_value(std::int64_t v) {
    JsonValue j;
    j.kind = JsonValue::Kind::Int;
    j.sint = v;
    return j;
}
JsonValue double_value(double v) {
    JsonValue j;
    j.kind = JsonValue::Kind::Double;
    j.real = v;
    return j;
}
JsonValue string_value(const char* s) {
    JsonValue j;
    j.kind = JsonValue::Kind::String;
    j.string = s;
    return j;
}

ResultItem details(std::initializer_list<JsonValue> values) {
    ResultItem r;
    r.kind = ResultItem::Kind::Details;
    r.details = values;
    return r;
}

// Win details as Tenhou writes them: winner, from, pao seat, then texts.
ResultItem win(std::uint64_t actor, std::uint64_t target) {
    return details({uint_value(actor), uint_value(target), uint_value(actor), string_value("30fu")});
}

// The closing events as text, or "invalid" for malformed win details.
std::string closing(const std::vector<ResultItem>& results, const char* ura = "29") {
    auto outcome = conv::derive_outcome(results);
    if (!outcome) return "invalid";
    std::vector<Event> out;
    const auto ura_tiles = tiles(ura);
    conv::append_results(out, outcome.value(), ura_tiles);
    EXPECT_EQ(out.size(), conv::result_event_count(outcome.value()));
    return show(out);
}

struct Case {
    const char* what;
    std::vector<ResultItem> results;
    const char* expected;
};

}  // namespace

TEST(HandResults, OutcomeDerivation) {
    const Case cases[] = {
        {"one win", {label(kWin), deltas(-1000, 1000, 0, 0), details({uint_value(0), uint_value(0)})},
         "hora 0 from 0 [-1000 1000 0 0] ura [9p], end_kyoku"},
        {"two wins on one discard, in log order",
         {label(kWin), deltas(-8000, 8000, 0, 0), win(1, 0), deltas(-3900, 0, 0, 3900), win(3, 0)},
         "hora 1 from 0 [-8000 8000 0 0] ura [9p], hora 3 from 0 [-3900 0 0 3900] ura [9p], end_kyoku"},
        {"win label without details", {label(kWin), deltas(1, 2, 3, 4)}, "end_kyoku"},
        {"unpaired last entry ignored", {label(kWin), deltas(1, 2, 3, 4), win(2, 2), deltas(5, 6, 7, 8)},
         "hora 2 from 2 [1 2 3 4] ura [9p], end_kyoku"},
        {"three numbers are details, not deltas: pair skipped",
         {label(kWin), details({uint_value(1), uint_value(2), uint_value(3)}), win(0, 1)}, "end_kyoku"},
        {"details read as deltas: pair skipped", {label(kWin), deltas(1, 2, 3, 4), deltas(0, 0, 0, 0)}, "end_kyoku"},
        {"a label in place of deltas: pair skipped", {label(kWin), label("x"), win(0, 1)}, "end_kyoku"},
        {"skipped pair before a good one",
         {label(kWin), label("x"), label("y"), deltas(1, 2, 3, 4), win(1, 1)},
         "hora 1 from 1 [1 2 3 4] ura [9p], end_kyoku"},
        {"actor 300 wraps to 44", {label(kWin), deltas(1, 2, 3, 4), details({uint_value(300), uint_value(257)})},
         "hora 44 from 1 [1 2 3 4] ura [9p], end_kyoku"},
        {"negative actor gives 0", {label(kWin), deltas(1, 2, 3, 4), details({int_value(-1), uint_value(3)})},
         "hora 0 from 3 [1 2 3 4] ura [9p], end_kyoku"},
        {"fractional actor gives 0", {label(kWin), deltas(1, 2, 3, 4), details({double_value(1.0), double_value(2.5)})},
         "hora 0 from 0 [1 2 3 4] ura [9p], end_kyoku"},
        {"draw with deltas", {label(kDraw), deltas(1500, -1500, 1500, -1500)}, "ryukyoku [1500 -1500 1500 -1500], end_kyoku"},
        {"any other label is a draw", {label("x"), deltas(1, 2, 3, 4), win(0, 0)}, "ryukyoku [1 2 3 4], end_kyoku"},
        {"a label close to the win label is a draw", {label("\xE5\x92\x8C"), deltas(1, 2, 3, 4)},
         "ryukyoku [1 2 3 4], end_kyoku"},
        {"draw without deltas", {label(kDraw)}, "ryukyoku [0 0 0 0], end_kyoku"},
        {"draw with details second", {label(kDraw), details({}), deltas(1, 2, 3, 4)}, "ryukyoku [0 0 0 0], end_kyoku"},
        {"empty results", {}, "ryukyoku [0 0 0 0], end_kyoku"},
        {"deltas first", {deltas(1, 2, 3, 4)}, "ryukyoku [0 0 0 0], end_kyoku"},
        {"details first", {details({}), label(kWin)}, "ryukyoku [0 0 0 0], end_kyoku"},
        // malformed details of a used pair
        {"empty details", {label(kWin), deltas(1, 2, 3, 4), details({})}, "invalid"},
        {"one value", {label(kWin), deltas(1, 2, 3, 4), details({uint_value(2)})}, "invalid"},
        {"text first", {label(kWin), deltas(1, 2, 3, 4), details({string_value("0"), uint_value(0)})}, "invalid"},
        {"text second", {label(kWin), deltas(1, 2, 3, 4), details({uint_value(0), string_value("0")})}, "invalid"},
        {"null first", {label(kWin), deltas(1, 2, 3, 4), details({JsonValue{}, uint_value(0)})}, "invalid"},
        {"bad second win after a good one", {label(kWin), deltas(1, 2, 3, 4), win(0, 0), deltas(1, 2, 3, 4), details({})},
         "invalid"},
        // not a used pair: no check
        {"bad details in a skipped pair", {label(kWin), label("x"), details({})}, "end_kyoku"},
        {"bad details of a draw", {label(kDraw), deltas(1, 2, 3, 4), details({})}, "ryukyoku [1 2 3 4], end_kyoku"},
    };
    for (const auto& c : cases) EXPECT_EQ(closing(c.results), c.expected) << c.what;
}

TEST(HandResults, EveryWinnerGetsTheWholeUraList) {
    const std::vector<ResultItem> r = {label(kWin), deltas(1, 2, 3, 4), win(1, 0), deltas(5, 6, 7, 8), win(2, 0)};
    EXPECT_EQ(closing(r, "29 53"),
              "hora 1 from 0 [1 2 3 4] ura [9p 5sr], hora 2 from 0 [5 6 7 8] ura [9p 5sr], end_kyoku");
    EXPECT_EQ(closing(r, ""), "hora 1 from 0 [1 2 3 4] ura [], hora 2 from 0 [5 6 7 8] ura [], end_kyoku");
}
