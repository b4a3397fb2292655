// The document and its records: keys, presence, duplicates, the array forms,
// fixed lengths, integer ranges and tile codes.
#include <gtest/gtest.h>

#include <string>

#include "reader_test_docs.hpp"
#include "ripaion/mjai/tile.hpp"

namespace {

using namespace reader_test;
using ripaion::tenhou::parse_raw_log;

struct Case {
    std::string name;
    std::string text;
    std::string expected;  // failure text, or "ok"
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class Outcome : public ::testing::TestWithParam<Case> {};

TEST_P(Outcome, MatchesExpectedDiagnostic) {
    EXPECT_EQ(outcome(GetParam().text), GetParam().expected) << GetParam().text;
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

const std::string kEmptyRule = R"(,"rule":{})";
const std::string kLog = "[]";
const std::string kName = R"(,"name":["a","b","c","d"])";

INSTANTIATE_TEST_SUITE_P(
    DocumentKeys, Outcome,
    ::testing::Values(
        Case{"MinimalObject", R"({"log":[],"name":["a","b","c","d"],"rule":{}})", "ok"},
        Case{"MissingLogReportedFirst", "{}", "missing field `log`"},
        Case{"MissingLogWithOthers", R"({"rule":{},"name":["a","b","c","d"]})", "missing field `log`"},
        Case{"MissingNameBeforeRule", R"({"log":[]})", "missing field `name`"},
        Case{"MissingRule", R"({"log":[])" + kName + "}", "missing field `rule`"},
        Case{"KeysAreCaseSensitive", R"({"Log":[])" + kName + kEmptyRule + "}", "missing field `log`"},
        Case{"EscapedKeyNamesField", R"({"\u006cog":[])" + kName + kEmptyRule + "}", "ok"},
        Case{"EscapedKeyIsDuplicate", R"({"log":[],"\u006cog":[])" + kName + kEmptyRule + "}",
             "duplicate field `log`"},
        Case{"UnknownKeysRepeat", R"({"x":1,"x":[2],"log":[],"x":{})" + kName + kEmptyRule + "}", "ok"},
        Case{"DuplicateRequired", R"({"log":[],"log":[])" + kName + kEmptyRule + "}", "duplicate field `log`"},
        // The check comes before the second value is read: a bad second value is not reached.
        Case{"DuplicateBeforeSecondValue", R"({"log":[],"log":"bad")" + kName + kEmptyRule + "}",
             "duplicate field `log`"},
        Case{"DuplicateNullOptional", R"({"log":[],"sx":null,"sx":null)" + kName + kEmptyRule + "}",
             "duplicate field `sx`"},
        Case{"DuplicateOptionalBeforeMissing", R"({"lobby":1,"lobby":2})", "duplicate field `lobby`"},
        Case{"DuplicateRuleField", R"({"log":[])" + kName + R"(,"rule":{"aka":1,"aka":1}})",
             "duplicate field `aka`"},
        Case{"DuplicateDefaultedDisp", R"({"log":[])" + kName + R"(,"rule":{"disp":"","disp":""}})",
             "duplicate field `disp`"},
        Case{"RootString", R"("x")", "invalid type: string \"x\", expected struct RawLog"},
        Case{"RootNumber", "1", "invalid type: integer `1`, expected struct RawLog"},
        Case{"RootNull", "null", "invalid type: null, expected struct RawLog"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    DocumentFieldKinds, Outcome,
    ::testing::Values(
        Case{"LogNull", R"({"log":null})", "invalid type: null, expected a sequence"},
        Case{"LogObject", R"({"log":{}})", "invalid type: map, expected a sequence"},
        Case{"NameNull", R"({"log":[],"name":null})", "invalid type: null, expected an array of length 4"},
        Case{"NameThree", R"({"log":[],"name":["a","b","c"]})", "invalid length 3, expected an array of length 4"},
        Case{"NameFive", R"({"log":[],"name":["a","b","c","d","e"]})",
             "invalid length: more than 4 elements, expected an array of length 4"},
        Case{"NameNumber", R"({"log":[],"name":["a","b","c",4]})",
             "invalid type: integer `4`, expected a string"},
        Case{"RuleNull", R"({"log":[])" + kName + R"(,"rule":null})", "invalid type: null, expected struct Rule"},
        Case{"RuleString", R"({"log":[])" + kName + R"(,"rule":"x"})",
             "invalid type: string \"x\", expected struct Rule"},
        Case{"RuleFieldNull", R"({"log":[])" + kName + R"(,"rule":{"aka":null}})",
             "invalid type: null, expected u8"},
        Case{"RuleDispNull", R"({"log":[])" + kName + R"(,"rule":{"disp":null}})",
             "invalid type: null, expected a string"},
        Case{"RuleAkaTooLarge", R"({"log":[])" + kName + R"(,"rule":{"aka51":256}})",
             "invalid value: integer `256`, expected u8"},
        Case{"RuleAkaNegative", R"({"log":[])" + kName + R"(,"rule":{"aka52":-1}})",
             "invalid value: integer `-1`, expected u8"},
        Case{"RuleAkaWholeFloat", R"({"log":[])" + kName + R"(,"rule":{"aka53":1.0}})",
             "invalid type: floating point `1.0`, expected u8"},
        Case{"RuleArraySixth", R"({"log":[])" + kName + R"(,"rule":["",0,0,0,0,0]})",
             "invalid length: more than 5 elements, expected struct Rule with at most 5 elements"},
        Case{"LobbyNullIsAbsent", doc("[]", R"(,"lobby":null)"), "ok"},
        Case{"LobbyWholeFloat", doc("[]", R"(,"lobby":1.0)"), "invalid type: floating point `1.0`, expected i32"},
        Case{"LobbyExponent", doc("[]", R"(,"lobby":1e1)"), "invalid type: floating point `10.0`, expected i32"},
        Case{"LobbyString", doc("[]", R"(,"lobby":"1")"), "invalid type: string \"1\", expected i32"},
        Case{"LobbyTooLarge", doc("[]", R"(,"lobby":2147483648)"),
             "invalid value: integer `2147483648`, expected i32"},
        Case{"RatingcNumber", doc("[]", R"(,"ratingc":1)"), "invalid type: integer `1`, expected a string"},
        Case{"DanString", doc("[]", R"(,"dan":"x")"), "invalid type: string \"x\", expected a sequence"},
        Case{"DanElementNull", doc("[]", R"(,"dan":["a",null])"), "invalid type: null, expected a string"},
        Case{"RateElementString", doc("[]", R"(,"rate":[1,"2"])"), "invalid type: string \"2\", expected f64"},
        Case{"RateElementBool", doc("[]", R"(,"rate":[true])"), "invalid type: boolean `true`, expected f64"},
        Case{"SxObject", doc("[]", R"(,"sx":{})"), "invalid type: map, expected a sequence"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    DocumentArrayForm, Outcome,
    ::testing::Values(
        Case{"EightElements", R"([[],["a","b","c","d"],{},"r",1,["x"],[1.5],["M"]])", "ok"},
        Case{"OptionalsNull", R"([[],["a","b","c","d"],[],null,null,null,null,null])", "ok"},
        Case{"SevenElements", R"([[],["a","b","c","d"],{},null,null,null,null])",
             "invalid length 7, expected struct RawLog with 8 elements"},
        Case{"Empty", "[]", "invalid length 0, expected struct RawLog with 8 elements"},
        Case{"NineElements", R"([[],["a","b","c","d"],{},null,null,null,null,null,null])",
             "invalid length: more than 8 elements, expected struct RawLog with 8 elements"},
        Case{"ElementsChecked", R"([[],["a","b","c","d"],{},null,"1",null,null,null])",
             "invalid type: string \"1\", expected i32"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    HandShapes, Outcome,
    ::testing::Values(
        Case{"SoundHand", doc(), "ok"},
        Case{"EmptyLog", doc("[]"), "ok"},
        Case{"HandNull", doc("[null]"), "invalid type: null, expected tuple struct Inner"},
        Case{"HandObject", doc("[{}]"), "invalid type: map, expected tuple struct Inner"},
        Case{"HandSixteen", doc_with_hand(hand().substr(0, hand().size() - 4) + "]"),
             "invalid length 16, expected tuple struct Inner with 17 elements"},
        Case{"HandEighteen", doc_with_hand(hand_with(16, "[],[]")),
             "invalid length: more than 17 elements, expected tuple struct Inner with 17 elements"},
        Case{"MetaTwo", doc_with_hand(hand_with(0, "[0,0]")),
             "invalid length 2, expected tuple struct Inner with 3 elements"},
        Case{"MetaFour", doc_with_hand(hand_with(0, "[0,0,0,0]")),
             "invalid length: more than 3 elements, expected tuple struct Inner with 3 elements"},
        Case{"MetaString", doc_with_hand(hand_with(0, R"("x")")),
             "invalid type: string \"x\", expected tuple struct Inner"},
        Case{"MetaValueRange", doc_with_hand(hand_with(0, "[0,256,0]")),
             "invalid value: integer `256`, expected u8"},
        Case{"ScoresThree", doc_with_hand(hand_with(1, "[1,2,3]")),
             "invalid length 3, expected an array of length 4"},
        Case{"ScoresFive", doc_with_hand(hand_with(1, "[1,2,3,4,5]")),
             "invalid length: more than 4 elements, expected an array of length 4"},
        Case{"ScoresI32Bounds", doc_with_hand(hand_with(1, "[-2147483648,2147483647,0,-1]")), "ok"},
        Case{"ScoresAboveI32", doc_with_hand(hand_with(1, "[2147483648,0,0,0]")),
             "invalid value: integer `2147483648`, expected i32"},
        Case{"ScoresBelowI32", doc_with_hand(hand_with(1, "[-2147483649,0,0,0]")),
             "invalid value: integer `-2147483649`, expected i32"},
        Case{"ScoresFloat", doc_with_hand(hand_with(1, "[0.5,0,0,0]")),
             "invalid type: floating point `0.5`, expected i32"},
        Case{"ScoresNegativeZero", doc_with_hand(hand_with(1, "[-0,0,0,0]")),
             "invalid type: floating point `-0.0`, expected i32"},
        Case{"ScoresBeyond64Bits", doc_with_hand(hand_with(1, "[18446744073709551616,0,0,0]")),
             "invalid type: floating point `18446744073709551616.0`, expected i32"},
        Case{"HaipaiTwelve", doc_with_hand(hand_with(4, "[11,12,13,14,15,16,17,18,19,21,22,23]")),
             "invalid length 12, expected an array of size 13"},
        Case{"HaipaiFourteen", doc_with_hand(hand_with(13, "[11,12,13,14,15,16,17,18,19,21,22,23,24,25]")),
             "invalid length: more than 13 elements, expected an array of size 13"},
        Case{"HaipaiNull", doc_with_hand(hand_with(7, "null")), "invalid type: null, expected an array of size 13"},
        Case{"DoraNotList", doc_with_hand(hand_with(2, "11")), "invalid type: integer `11`, expected a sequence"},
        Case{"TakesNotList", doc_with_hand(hand_with(5, R"("x")")),
             "invalid type: string \"x\", expected a sequence"},
        Case{"ResultsNotList", doc_with_hand(hand_with(16, "{}")), "invalid type: map, expected a sequence"}),
    case_name);

std::string bad_code(int code) {
    return "invalid value: " + std::to_string(code) + ", expected one of: " + tile_code_list();
}

INSTANTIATE_TEST_SUITE_P(
    TileCodes, Outcome,
    ::testing::Values(
        Case{"Code10", doc_with_hand(hand_with(2, "[10]")), bad_code(10)},
        Case{"Code20", doc_with_hand(hand_with(3, "[20]")), bad_code(20)},
        Case{"Code30", doc_with_hand(hand_with(2, "[11,30]")), bad_code(30)},
        Case{"Code40", doc_with_hand(hand_with(4, "[40,12,13,14,15,16,17,18,19,21,22,23,24]")), bad_code(40)},
        Case{"Code48", doc_with_hand(hand_with(2, "[48]")), bad_code(48)},
        Case{"Code50", doc_with_hand(hand_with(2, "[50]")), bad_code(50)},
        Case{"Code54", doc_with_hand(hand_with(2, "[54]")), bad_code(54)},
        Case{"Code1", doc_with_hand(hand_with(2, "[1]")), bad_code(1)},
        Case{"Code255", doc_with_hand(hand_with(2, "[255]")), bad_code(255)},
        Case{"Code256IsU8Failure", doc_with_hand(hand_with(2, "[256]")), "invalid value: integer `256`, expected u8"},
        Case{"CodeNegative", doc_with_hand(hand_with(2, "[-1]")), "invalid value: integer `-1`, expected u8"},
        Case{"CodeWholeFloat", doc_with_hand(hand_with(2, "[11.0]")),
             "invalid type: floating point `11.0`, expected u8"},
        Case{"CodeString", doc_with_hand(hand_with(2, R"(["11"])")), "invalid type: string \"11\", expected u8"},
        Case{"CodeArray", doc_with_hand(hand_with(2, "[[11]]")), "invalid type: sequence, expected u8"},
        Case{"AllValidCodes",
             doc_with_hand(hand_with(2, "[0,11,12,13,14,15,16,17,18,19,21,22,23,24,25,26,27,28,29,31,32,33,34,35,"
                                        "36,37,38,39,41,42,43,44,45,46,47,51,52,53]")),
             "ok"}),
    case_name);

// Accepted documents: the values that land in the model.

TEST(ReaderRecords, MinimalDocumentHasDefaultsAndAbsentOptionals) {
    auto r = parse_raw_log(R"({"log":[],"name":["a","b","c","d"],"rule":{}})");
    ASSERT_TRUE(r.ok()) << r.error().message;
    const auto& log = r.value();
    EXPECT_TRUE(log.log.empty());
    EXPECT_EQ(log.name[3], "d");
    EXPECT_EQ(log.rule.disp, "");
    EXPECT_EQ(log.rule.aka + log.rule.aka51 + log.rule.aka52 + log.rule.aka53, 0);
    EXPECT_FALSE(log.ratingc || log.lobby || log.dan || log.rate || log.sx);
}

TEST(ReaderRecords, OptionalFieldsPresentAndNull) {
    auto r = parse_raw_log(doc("[]", R"(,"ratingc":"PF4","lobby":-5,"dan":[],"rate":[1,2.5,-3],"sx":null)"));
    ASSERT_TRUE(r.ok()) << r.error().message;
    const auto& log = r.value();
    EXPECT_EQ(log.ratingc, "PF4");
    EXPECT_EQ(log.lobby, -5);
    ASSERT_TRUE(log.dan);
    EXPECT_TRUE(log.dan->empty());
    ASSERT_TRUE(log.rate);
    EXPECT_EQ(*log.rate, (std::vector<double>{1.0, 2.5, -3.0}));
    EXPECT_FALSE(log.sx);
}

TEST(ReaderRecords, RuleFromObjectAndArrays) {
    auto obj = parse_raw_log(R"({"log":[],"name":["a","b","c","d"],"rule":{"aka53":1,"disp":"x","aka":255}})");
    ASSERT_TRUE(obj.ok()) << obj.error().message;
    EXPECT_EQ(obj.value().rule.disp, "x");
    EXPECT_EQ(obj.value().rule.aka, 255);
    EXPECT_EQ(obj.value().rule.aka53, 1);
    EXPECT_EQ(obj.value().rule.aka51, 0);

    auto two = parse_raw_log(R"({"log":[],"name":["a","b","c","d"],"rule":["東南",1]})");
    ASSERT_TRUE(two.ok()) << two.error().message;
    EXPECT_EQ(two.value().rule.disp, "東南");
    EXPECT_EQ(two.value().rule.aka, 1);
    EXPECT_EQ(two.value().rule.aka51 + two.value().rule.aka52 + two.value().rule.aka53, 0);

    auto full = parse_raw_log(R"({"log":[],"name":["a","b","c","d"],"rule":["",1,2,3,4]})");
    ASSERT_TRUE(full.ok()) << full.error().message;
    EXPECT_EQ(full.value().rule.aka53, 4);

    auto empty = parse_raw_log(R"({"log":[],"name":["a","b","c","d"],"rule":[]})");
    ASSERT_TRUE(empty.ok()) << empty.error().message;
    EXPECT_EQ(empty.value().rule.disp, "");
}

TEST(ReaderRecords, ArrayFormFillsFieldsInOrder) {
    auto r = parse_raw_log(R"([[],["p","q","r","s"],["d",1],"c",7,["x","y"],[1.5],["M"]])");
    ASSERT_TRUE(r.ok()) << r.error().message;
    const auto& log = r.value();
    EXPECT_EQ(log.name[0], "p");
    EXPECT_EQ(log.rule.disp, "d");
    EXPECT_EQ(log.rule.aka, 1);
    EXPECT_EQ(log.ratingc, "c");
    EXPECT_EQ(log.lobby, 7);
    EXPECT_EQ(*log.dan, (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(*log.rate, std::vector<double>{1.5});
    EXPECT_EQ(*log.sx, std::vector<std::string>{"M"});
}

TEST(ReaderRecords, HandElementsLandInTheirFields) {
    const std::string h = hand({{0, "[5,2,1]"},
                                {1, "[-2147483648,100,0,2147483647]"},
                                {2, "[0,51]"},
                                {3, "[52,53]"},
                                {7, "[41,42,43,44,45,46,47,19,29,39,11,21,31]"},
                                {9, "[60]"}});
    auto r = parse_raw_log(doc_with_hand(h));
    ASSERT_TRUE(r.ok()) << r.error().message;
    const auto& hr = r.value().log.at(0);
    EXPECT_EQ(hr.meta.kyoku_num, 5);
    EXPECT_EQ(hr.meta.honba, 2);
    EXPECT_EQ(hr.meta.kyotaku, 1);
    EXPECT_EQ(hr.scores, (std::array<std::int32_t, 4>{-2147483647 - 1, 100, 0, 2147483647}));
    using ripaion::mjai::tile_name;
    ASSERT_EQ(hr.dora.size(), 2u);
    EXPECT_EQ(tile_name(hr.dora[0]), "?");
    EXPECT_EQ(tile_name(hr.dora[1]), "5mr");
    EXPECT_EQ(tile_name(hr.ura[0]), "5pr");
    EXPECT_EQ(tile_name(hr.ura[1]), "5sr");
    const auto& seat1 = hr.seats[1];
    const char* expected[13] = {"E", "S", "W", "N", "P", "F", "C", "9m", "9p", "9s", "1m", "1p", "1s"};
    for (int k = 0; k < 13; ++k) EXPECT_EQ(tile_name(seat1.haipai[k]), expected[k]) << k;
    ASSERT_EQ(seat1.discards.size(), 1u);
    EXPECT_EQ(seat1.discards[0].kind, ripaion::model::ActionItem::Kind::Number);
    EXPECT_TRUE(hr.seats[2].takes.empty());
}

}  // namespace
