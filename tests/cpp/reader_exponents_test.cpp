// Numbers whose exponent (or exponent and digit count together) lies beyond
// 32 bits follow the same rule as every other number: too small for the
// double range reads as a zero of the written sign, too large is refused.
// Each is compared with a number of ordinary exponent of the same class, in
// every place a number can stand.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "reader_test_docs.hpp"

namespace {

using namespace reader_test;
using ripaion::model::JsonValue;
using ripaion::tenhou::parse_raw_log;

struct Number {
    std::string text;       // exponent beyond 32 bits
    std::string reference;  // same class, ordinary exponent
};

const std::vector<Number> kNumbers = {
    {"0e2147483648", "0e400"},
    {"-0e2147483648", "-0e400"},
    {"0.000e99999999999999999999", "0e400"},
    {"1e-2147483648", "1e-400"},
    {"-1e-2147483648", "-1e-400"},
    {"0.5E-99999999999999999999", "0.5e-400"},
    {"0.0000000000000000000001e-2147483647", "1e-400"},  // fraction digits push the sum past 32 bits
    {"1e99999999999", "1e400"},
    {"-1E+99999999999", "-1e400"},
    {"12345678901234567890123e2147483647", "1e400"},  // integer digits push the sum past 32 bits
    {"1e00000000000000000005", "1e5"},                // long only by its leading zeros
};

struct Place {
    std::string name;
    std::function<std::string(const std::string&)> doc;
};
void PrintTo(const Place& p, std::ostream* os) { *os << p.name; }

std::string in_rule(const std::string& members) {
    return R"({"log":[],"name":["a","b","c","d"],"rule":{)" + members + "}}";
}

const std::vector<Place> kPlaces = {
    {"Document", [](const std::string& n) { return n; }},
    {"SkippedMember", [](const std::string& n) { return doc("[]", R"(,"x":)" + n); }},
    {"SkippedNested", [](const std::string& n) { return doc("[]", R"(,"x":[{"y":[)" + n + "]}]"); }},
    {"SkippedInRule", [](const std::string& n) { return in_rule(R"("x":)" + n); }},
    {"RuleAka", [](const std::string& n) { return in_rule(R"("aka":)" + n); }},
    {"RuleDisp", [](const std::string& n) { return in_rule(R"("disp":)" + n); }},
    {"RuleArrayElement", [](const std::string& n) { return R"({"log":[],"name":["a","b","c","d"],"rule":[")" "x\"," + n + "]}"; }},
    {"Ratingc", [](const std::string& n) { return doc("[]", R"(,"ratingc":)" + n); }},
    {"Lobby", [](const std::string& n) { return doc("[]", R"(,"lobby":)" + n); }},
    {"Dan", [](const std::string& n) { return doc("[]", R"(,"dan":[)" + n + "]"); }},
    {"Rate", [](const std::string& n) { return doc("[]", R"(,"rate":[1,)" + n + "]"); }},
    {"RateArrayForm",
     [](const std::string& n) { return R"([[],["a","b","c","d"],{},null,null,null,[)" + n + "],null]"; }},
    {"Name", [](const std::string& n) { return R"({"log":[],"name":["a",)" + n + R"(,"c","d"],"rule":{}})"; }},
    {"LogElement", [](const std::string& n) { return doc(in_array(n)); }},
    {"HandElement", [](const std::string& n) { return doc_with_hand(hand_with(3, n)); }},
    {"Meta", [](const std::string& n) { return doc_with_hand(hand_with(0, "[0," + n + ",0]")); }},
    {"Scores", [](const std::string& n) { return doc_with_hand(hand_with(1, "[25000," + n + ",25000,25000]")); }},
    {"Dora", [](const std::string& n) { return doc_with_hand(hand_with(2, "[11," + n + "]")); }},
    {"Haipai", [](const std::string& n) { return doc_with_hand(hand_with(4, "[" + n + ",12,13,14,15,16,17,18,19,21,22,23,24]")); }},
    {"Takes", [](const std::string& n) { return doc_with_hand(hand_with(5, "[11," + n + "]")); }},
    {"Discards", [](const std::string& n) { return doc_with_hand(hand_with(15, "[" + n + "]")); }},
    {"ResultEntry", [](const std::string& n) { return doc_with_hand(hand_with(16, "[" + n + "]")); }},
    {"Deltas", [](const std::string& n) { return doc_with_hand(hand_with(16, "[[0," + n + ",0,0]]")); }},
    {"Details", [](const std::string& n) { return doc_with_hand(hand_with(16, R"([[1,2,"x",)" + n + "]]")); }},
    {"DetailsNested",
     [](const std::string& n) { return doc_with_hand(hand_with(16, R"([[1,[{"a":[)" + n + "]}]]]")); }},
    {"ActionEntryArray", [](const std::string& n) { return doc_with_hand(hand_with(6, "[[" + n + "]]")); }},
};

class LongExponent : public ::testing::TestWithParam<Place> {};

TEST_P(LongExponent, ReadsLikeAnOrdinaryNumberOfItsClass) {
    for (const Number& n : kNumbers) {
        const std::string want = outcome(GetParam().doc(n.reference));
        ASSERT_NE(want, "exponent overflow");
        EXPECT_EQ(outcome(GetParam().doc(n.text)), want) << n.text;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPlace, LongExponent, ::testing::ValuesIn(kPlaces),
                         [](const ::testing::TestParamInfo<Place>& info) { return info.param.name; });

TEST(LongExponent, ValuesAreZerosOfTheWrittenSignOrRefused) {
    auto r = parse_raw_log(doc(in_array(hand_with(16, "[[1e-2147483648,-1e-99999999999,0e2147483648]]")),
                               R"(,"rate":[-0e99999999999,5e-2147483648])"));
    ASSERT_TRUE(r.ok()) << r.error().message;
    const auto& rate = *r.value().rate;
    ASSERT_EQ(rate.size(), 2u);
    EXPECT_EQ(rate[0], 0.0);
    EXPECT_TRUE(std::signbit(rate[0]));
    EXPECT_EQ(rate[1], 0.0);
    EXPECT_FALSE(std::signbit(rate[1]));
    const auto& details = r.value().log.at(0).results.at(0).details;
    ASSERT_EQ(details.size(), 3u);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(details[k].kind, JsonValue::Kind::Double) << k;
        EXPECT_EQ(details[k].real, 0.0) << k;
        EXPECT_EQ(std::signbit(details[k].real), k == 1) << k;
    }

    EXPECT_EQ(outcome(doc("[]", R"(,"rate":[1e99999999999])")), "number out of range");
}

TEST(LongExponent, OtherFailuresKeepTheirTextAndPosition) {
    // A long exponent before a fault: the fault is what is reported, where it
    // is (the reference's exponent has as many digits but fits in 32 bits).
    const auto with_exponent = [](const std::string& e) { return doc("[]", ",\"x\":1e" + e + ",\n\"lobby\":\"no\""); };
    auto got = parse_raw_log(with_exponent("-9999999999999"));
    auto want = parse_raw_log(with_exponent("-0000000000400"));
    ASSERT_FALSE(got.ok());
    ASSERT_FALSE(want.ok());
    EXPECT_EQ(got.error().message, "invalid type: string \"no\", expected i32");
    EXPECT_EQ(got.error().message, want.error().message);
    EXPECT_EQ(got.error().offset, want.error().offset);
    EXPECT_EQ(got.error().line, 2u);
    EXPECT_EQ(got.error().column, want.error().column);
    // A syntax error after one, and a long exponent inside a text, which is no number.
    EXPECT_NE(outcome(doc("[]", R"(,"x":[1e99999999999,])")), "ok");
    EXPECT_EQ(outcome(doc("[]", R"(,"x":"1e99999999999","y":0e99999999999)")), "ok");
    EXPECT_NE(outcome(doc("[]", R"(,"x":1e99999999999x)")), "ok");
}

}  // namespace
