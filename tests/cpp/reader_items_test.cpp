// Entries of mixed kind: draws and discards (ActionItem), results
// (ResultItem) and the generic values of win details.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "reader_test_docs.hpp"
#include "ripaion/mjai/tile.hpp"

namespace {

using namespace reader_test;
using ripaion::model::ActionItem;
using ripaion::model::JsonValue;
using ripaion::tenhou::parse_raw_log;
using ripaion::model::ResultItem;

constexpr const char* kActionMismatch = "data did not match any variant of untagged enum ActionItem";
constexpr const char* kResultMismatch = "data did not match any variant of untagged enum ResultItem";

// Expected reading of one discard entry: "tile:NAME", "number:N", "notation:TEXT" or a failure text.
struct ActionCase {
    std::string entry;
    std::string expected;
};
// Named printers, so GoogleTest does not dump the structs' raw bytes.
void PrintTo(const ActionCase& c, std::ostream* os) { *os << c.entry; }

std::string describe(const ActionItem& a) {
    switch (a.kind) {
        case ActionItem::Kind::Tile: return "tile:" + std::string(ripaion::mjai::tile_name(a.tile));
        case ActionItem::Kind::Number: return "number:" + std::to_string(a.number);
        case ActionItem::Kind::Notation: return "notation:" + a.notation;
    }
    return "?";
}

class ActionEntry : public ::testing::TestWithParam<ActionCase> {};

TEST_P(ActionEntry, ReadsAsExpectedInTakesAndDiscards) {
    for (int element : {5, 15}) {  // seat 0 takes, seat 3 discards
        auto r = parse_raw_log(doc_with_hand(hand_with(element, "[" + GetParam().entry + "]")));
        std::string got;
        if (!r.ok()) {
            got = r.error().message;
        } else {
            const auto& seats = r.value().log[0].seats;
            got = describe(element == 5 ? seats[0].takes.at(0) : seats[3].discards.at(0));
        }
        EXPECT_EQ(got, GetParam().expected) << GetParam().entry << " at element " << element;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ActionEntry,
    ::testing::Values(ActionCase{"11", "tile:1m"}, ActionCase{"0", "tile:?"}, ActionCase{"53", "tile:5sr"},
                      ActionCase{"47", "tile:C"}, ActionCase{"60", "number:60"}, ActionCase{"10", "number:10"},
                      ActionCase{"1", "number:1"}, ActionCase{"50", "number:50"}, ActionCase{"255", "number:255"},
                      ActionCase{R"("c181719")", "notation:c181719"}, ActionCase{R"("")", "notation:"},
                      ActionCase{R"("60")", "notation:60"}, ActionCase{R"("r\u0033\"8")", "notation:r3\"8"},
                      ActionCase{"256", kActionMismatch}, ActionCase{"-1", kActionMismatch},
                      ActionCase{"11.0", kActionMismatch}, ActionCase{"60.0", kActionMismatch},
                      ActionCase{"1e1", kActionMismatch}, ActionCase{"-0", kActionMismatch},
                      ActionCase{"null", kActionMismatch}, ActionCase{"true", kActionMismatch},
                      ActionCase{"[]", kActionMismatch}, ActionCase{"[11]", kActionMismatch},
                      ActionCase{R"({"a":1})", kActionMismatch}));

TEST(ActionEntryOrder, ListKeepsDocumentOrder) {
    auto r = parse_raw_log(doc_with_hand(hand_with(6, R"([11,"r22",60,0,"f4444",53])")));
    ASSERT_TRUE(r.ok()) << r.error().message;
    std::string seen;
    for (const auto& a : r.value().log[0].seats[0].discards) seen += describe(a) + " ";
    EXPECT_EQ(seen, "tile:1m notation:r22 number:60 tile:? notation:f4444 tile:5sr ");
}

TEST(ActionEntryOrder, SyntaxInsideRefusedEntryIsReportedFirst) {
    // An array entry is read whole before it is refused, so a fault inside it wins.
    EXPECT_EQ(outcome(doc_with_hand(hand_with(5, "[[1e400]]"))), "number out of range");
    EXPECT_EQ(outcome(doc_with_hand(hand_with(5, "[[1,2,]]"))), "syntax error");
}

// Results: a label, four 32-bit integers (Deltas), any other array (Details).
struct ResultCase {
    std::string entry;
    std::string expected;  // "label:TEXT", "deltas:a,b,c,d", "details:N" (element count) or a failure text
};
void PrintTo(const ResultCase& c, std::ostream* os) { *os << c.entry; }

std::string describe(const ResultItem& item) {
    switch (item.kind) {
        case ResultItem::Kind::Label: return "label:" + item.label;
        case ResultItem::Kind::Deltas:
            return "deltas:" + std::to_string(item.deltas[0]) + "," + std::to_string(item.deltas[1]) + "," +
                   std::to_string(item.deltas[2]) + "," + std::to_string(item.deltas[3]);
        case ResultItem::Kind::Details: return "details:" + std::to_string(item.details.size());
    }
    return "?";
}

class ResultEntry : public ::testing::TestWithParam<ResultCase> {};

TEST_P(ResultEntry, ReadsAsExpected) {
    auto r = parse_raw_log(doc_with_hand(hand_with(16, "[" + GetParam().entry + "]")));
    const std::string got = r.ok() ? describe(r.value().log[0].results.at(0)) : r.error().message;
    EXPECT_EQ(got, GetParam().expected) << GetParam().entry;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ResultEntry,
    ::testing::Values(
        ResultCase{R"("和了")", "label:和了"}, ResultCase{R"("")", "label:"},
        ResultCase{"[-7700,0,8700,0]", "deltas:-7700,0,8700,0"},
        ResultCase{"[2147483647,-2147483648,0,0]", "deltas:2147483647,-2147483648,0,0"},
        ResultCase{"[1,2,3]", "details:3"}, ResultCase{"[1,2,3,4,5]", "details:5"},
        ResultCase{"[2147483648,0,0,0]", "details:4"}, ResultCase{"[-2147483649,0,0,0]", "details:4"},
        ResultCase{"[1.5,0,0,0]", "details:4"}, ResultCase{"[1.0,0,0,0]", "details:4"},
        ResultCase{"[-0,0,0,0]", "details:4"}, ResultCase{R"([0,0,0,"0"])", "details:4"},
        ResultCase{"[0,0,0,[0]]", "details:4"}, ResultCase{"[0,0,0,null]", "details:4"},
        ResultCase{"[]", "details:0"}, ResultCase{R"x([2,0,2,"30符4飜7700点","立直(1飜)"])x", "details:5"},
        ResultCase{"1", kResultMismatch}, ResultCase{"-1", kResultMismatch}, ResultCase{"1.5", kResultMismatch},
        ResultCase{"null", kResultMismatch}, ResultCase{"false", kResultMismatch},
        ResultCase{"{}", kResultMismatch}, ResultCase{R"({"a":[1,2]})", kResultMismatch}));

TEST(ResultDetails, KeepGenericValuesAsWritten) {
    const std::string entry =
        R"([1,-2,2.5,"s",null,true,{"k":[1,{"x":"y"}],"k":false},[[]],18446744073709551615,-9223372036854775808])";
    auto r = parse_raw_log(doc_with_hand(hand_with(16, "[" + entry + "]")));
    ASSERT_TRUE(r.ok()) << r.error().message;
    const auto& d = r.value().log[0].results.at(0).details;
    ASSERT_EQ(d.size(), 10u);
    EXPECT_EQ(d[0].kind, JsonValue::Kind::UInt);
    EXPECT_EQ(d[0].uint, 1u);
    EXPECT_EQ(d[1].kind, JsonValue::Kind::Int);
    EXPECT_EQ(d[1].sint, -2);
    EXPECT_EQ(d[2].kind, JsonValue::Kind::Double);
    EXPECT_EQ(d[2].real, 2.5);
    EXPECT_EQ(d[3].string, "s");
    EXPECT_EQ(d[4].kind, JsonValue::Kind::Null);
    EXPECT_EQ(d[5].kind, JsonValue::Kind::Bool);
    EXPECT_TRUE(d[5].boolean);
    // An object keeps its members as written, in order.
    ASSERT_EQ(d[6].kind, JsonValue::Kind::Object);
    ASSERT_EQ(d[6].object.size(), 2u);
    EXPECT_EQ(d[6].object[0].first, "k");
    const JsonValue& inner = d[6].object[0].second;
    ASSERT_EQ(inner.kind, JsonValue::Kind::Array);
    ASSERT_EQ(inner.array.size(), 2u);
    EXPECT_EQ(inner.array[1].object.at(0).first, "x");
    EXPECT_EQ(inner.array[1].object.at(0).second.string, "y");
    EXPECT_EQ(d[6].object[1].second.kind, JsonValue::Kind::Bool);
    ASSERT_EQ(d[7].kind, JsonValue::Kind::Array);
    ASSERT_EQ(d[7].array.size(), 1u);
    EXPECT_EQ(d[7].array[0].kind, JsonValue::Kind::Array);
    EXPECT_TRUE(d[7].array[0].array.empty());
    EXPECT_EQ(d[8].uint, 18446744073709551615u);
    EXPECT_EQ(d[9].kind, JsonValue::Kind::Int);
    EXPECT_EQ(d[9].sint, INT64_MIN);
}

// Number classification, observed through generic values.
struct NumberCase {
    std::string text;
    JsonValue::Kind kind;
    double value;  // compared as the kind's value
};
void PrintTo(const NumberCase& c, std::ostream* os) { *os << c.text; }

class NumberClass : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberClass, Classified) {
    auto r = parse_raw_log(doc_with_hand(hand_with(16, "[[" + GetParam().text + "]]")));
    ASSERT_TRUE(r.ok()) << GetParam().text << ": " << r.error().message;
    const JsonValue& v = r.value().log[0].results.at(0).details.at(0);
    ASSERT_EQ(v.kind, GetParam().kind) << GetParam().text;
    switch (v.kind) {
        case JsonValue::Kind::UInt: EXPECT_EQ(static_cast<double>(v.uint), GetParam().value); break;
        case JsonValue::Kind::Int: EXPECT_EQ(static_cast<double>(v.sint), GetParam().value); break;
        default:
            EXPECT_EQ(v.real, GetParam().value) << GetParam().text;
            EXPECT_EQ(std::signbit(v.real), std::signbit(GetParam().value)) << GetParam().text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Forms, NumberClass,
    ::testing::Values(NumberCase{"0", JsonValue::Kind::UInt, 0.0},
                      NumberCase{"9223372036854775807", JsonValue::Kind::UInt, 9223372036854775807.0},
                      NumberCase{"18446744073709551615", JsonValue::Kind::UInt, 18446744073709551615.0},
                      NumberCase{"18446744073709551616", JsonValue::Kind::Double, 18446744073709551616.0},
                      NumberCase{"-1", JsonValue::Kind::Int, -1.0},
                      NumberCase{"-9223372036854775808", JsonValue::Kind::Int, -9223372036854775808.0},
                      NumberCase{"-9223372036854775809", JsonValue::Kind::Double, -9223372036854775809.0},
                      NumberCase{"-0", JsonValue::Kind::Double, -0.0},
                      NumberCase{"-0.0", JsonValue::Kind::Double, -0.0},
                      NumberCase{"1.0", JsonValue::Kind::Double, 1.0},
                      NumberCase{"1E2", JsonValue::Kind::Double, 100.0},
                      NumberCase{"1e-400", JsonValue::Kind::Double, 0.0},
                      NumberCase{"-1e-400", JsonValue::Kind::Double, -0.0},
                      NumberCase{"4.9e-324", JsonValue::Kind::Double, 4.9e-324},
                      NumberCase{"1.7976931348623157e308", JsonValue::Kind::Double, 1.7976931348623157e308},
                      // Correctly rounded (checked against an independent decimal reader).
                      NumberCase{"0.669333006409900931384", JsonValue::Kind::Double, 0.6693330064099009}));

}  // namespace
