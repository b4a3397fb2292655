// JSON syntax, text decoding, number range and nesting depth.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "reader_test_docs.hpp"

namespace {

using namespace reader_test;
using ripaion::tenhou::parse_raw_log;

constexpr const char* kAnyFailure = "*";  // refused, with the JSON parser's own text

struct Case {
    std::string name;
    std::string text;
    std::string expected;  // "ok", a failure text, or kAnyFailure
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// parse_raw_log's outcome on a thread with a stack of `stack_kib`.
std::string outcome_on_stack(const std::string& text, std::size_t stack_kib) {
    std::string result;
    if (!run_on_stack(stack_kib, [&] { result = outcome(text); })) return "thread not started";
    return result;
}

// The depth a document may reach depends on the stack it is read on, and a
// sanitised build's frames are several times larger: the cases state their
// stack rather than take the shell's.
constexpr std::size_t kCaseStackKib = 32 * 1024;

class Syntax : public ::testing::TestWithParam<Case> {};

TEST_P(Syntax, Outcome) {
    const std::string got = outcome_on_stack(GetParam().text, kCaseStackKib);
    if (GetParam().expected == kAnyFailure) {
        EXPECT_NE(got, "ok");
        EXPECT_FALSE(got.empty());
    } else {
        EXPECT_EQ(got, GetParam().expected);
    }
}

std::string case_name(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

// A sound document with a skipped member holding `value`.
std::string with_skipped(const std::string& value) { return doc("[]", R"(,"skip":)" + value); }
std::string with_name0(const std::string& literal) {
    return R"({"log":[],"name":[)" + literal + R"(,"b","c","d"],"rule":{}})";
}

const std::string kDoc = R"({"log":[],"name":["a","b","c","d"],"rule":{}})";

INSTANTIATE_TEST_SUITE_P(
    Strictness, Syntax,
    ::testing::Values(
        Case{"WhitespaceAround", " \t\r\n" + kDoc + " \t\r\n", "ok"},
        Case{"WhitespaceBetweenTokens", "{ \"log\" :\t[ ] ,\r\n\"name\":[\"a\" , \"b\",\"c\",\"d\"],\"rule\":{ }}", "ok"},
        Case{"ByteOrderMark", "\xEF\xBB\xBF" + kDoc, kAnyFailure},
        Case{"FormFeedIsNotWhitespace", "\f" + kDoc, kAnyFailure},
        Case{"VerticalTabIsNotWhitespace", kDoc + "\v", "trailing characters"},
        Case{"TrailingGarbage", kDoc + " x", "trailing characters"},
        Case{"SecondDocument", kDoc + kDoc, "trailing characters"},
        Case{"TrailingNul", kDoc + std::string(1, '\0'), "trailing characters"},
        Case{"LineComment", "// c\n" + kDoc, kAnyFailure},
        Case{"BlockComment", R"({"log":[]/**/,"name":["a","b","c","d"],"rule":{}})", kAnyFailure},
        Case{"TrailingCommaArray", R"({"log":[],"name":["a","b","c","d",],"rule":{}})", kAnyFailure},
        Case{"TrailingCommaObject", R"({"log":[],"name":["a","b","c","d"],"rule":{},})", kAnyFailure},
        Case{"TrailingCommaInSkipped", with_skipped("[1,]"), kAnyFailure},
        Case{"Empty", "", kAnyFailure},
        Case{"OnlyWhitespace", "  \n", kAnyFailure},
        Case{"Truncated", kDoc.substr(0, kDoc.size() - 1), kAnyFailure},
        Case{"SingleQuotes", R"({'log':[]})", kAnyFailure},
        Case{"UnquotedKey", R"({log:[]})", kAnyFailure},
        Case{"NaN", with_skipped("NaN"), kAnyFailure},
        Case{"LeadingZero", with_skipped("01"), kAnyFailure},
        Case{"LeadingPlus", with_skipped("+1"), kAnyFailure},
        Case{"BareFraction", with_skipped(".5"), kAnyFailure},
        Case{"EmptyExponent", with_skipped("1e"), kAnyFailure},
        Case{"CapitalTrue", with_skipped("True"), kAnyFailure},
        Case{"BadEscape", with_skipped(R"("\x")"), kAnyFailure},
        Case{"RawControlInString", with_skipped("\"a\x01\""), kAnyFailure},
        Case{"RawTabInString", with_name0("\"a\tb\""), kAnyFailure},
        Case{"NonStringKey", R"({1:2})", kAnyFailure}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    TextDecoding, Syntax,
    ::testing::Values(
        Case{"LoneHighSurrogateInName", with_name0(R"("\ud800")"), kAnyFailure},
        Case{"LoneLowSurrogateInName", with_name0(R"("\udc00")"), kAnyFailure},
        Case{"LoneHighSurrogateSkipped", with_skipped(R"("\ud800")"), kAnyFailure},
        Case{"LoneLowSurrogateSkipped", with_skipped(R"("\udc00x")"), kAnyFailure},
        Case{"HighThenPlainEscape", with_skipped(R"("\ud800\u0041")"), kAnyFailure},
        Case{"TwoHighSurrogates", with_skipped(R"("\ud800\ud800")"), kAnyFailure},
        Case{"LoneSurrogateInSkippedKey", doc("[]", R"(,"\udc00":1)"), kAnyFailure},
        Case{"LoneSurrogateInDetails", doc_with_hand(hand_with(16, R"([["\ud800"]])")), kAnyFailure},
        Case{"LoneSurrogateInNotation", doc_with_hand(hand_with(5, R"(["\udc00"])")), kAnyFailure},
        Case{"InvalidByteInName", with_name0("\"a\xFF\""), kAnyFailure},
        Case{"InvalidByteSkipped", with_skipped("\"\xFF\""), kAnyFailure},
        Case{"OverlongSkipped", with_skipped("\"\xC0\xAF\""), kAnyFailure},
        Case{"EncodedSurrogateSkipped", with_skipped("\"\xED\xA0\x80\""), kAnyFailure},
        Case{"TruncatedSequenceInKey", doc("[]", ",\"\xE3\x81\":1"), kAnyFailure},
        Case{"BeyondUnicodeSkipped", with_skipped("\"\xF4\x90\x80\x80\""), kAnyFailure},
        Case{"ValidPairSkipped", with_skipped(R"("\ud83c\udc04")"), "ok"}),
    case_name);

INSTANTIATE_TEST_SUITE_P(
    NumberRange, Syntax,
    ::testing::Values(
        Case{"HugeSkipped", with_skipped("1e400"), "number out of range"},
        Case{"HugeNegativeSkipped", with_skipped("[-1e400]"), "number out of range"},
        Case{"JustAboveMaxSkipped", with_skipped("1.7976931348623159e308"), "number out of range"},
        Case{"HugeInRate", doc("[]", R"(,"rate":[1e400])"), "number out of range"},
        Case{"HugeInDetails", doc_with_hand(hand_with(16, "[[1,-1e400]]")), "number out of range"},
        Case{"HugeInSkippedRuleKey", R"({"log":[],"name":["a","b","c","d"],"rule":{"x":1e999}})",
             "number out of range"},
        Case{"TinySkipped", with_skipped("1e-400"), "ok"},
        Case{"ManyDigitsSkipped", with_skipped("123456789012345678901234567890.123456789e-10"), "ok"}),
    case_name);

// Levels: document 1, log 2, hand 3, takes/results list 4, entry 5.
constexpr int kListLevel = 4;

INSTANTIATE_TEST_SUITE_P(
    Nesting, Syntax,
    ::testing::Values(
        Case{"DetailsArraysAtLevel127", doc_with_hand(hand_with(16, in_array(nested(127 - kListLevel)))), "ok"},
        Case{"DetailsArraysAtLevel128", doc_with_hand(hand_with(16, in_array(nested(128 - kListLevel)))),
             "recursion limit exceeded"},
        Case{"DetailsObjectsAtLevel127",
             doc_with_hand(hand_with(16, in_array(in_array(nested_objects(122))))), "ok"},
        Case{"DetailsObjectsAtLevel128",
             doc_with_hand(hand_with(16, in_array(in_array(nested_objects(123))))),
             "recursion limit exceeded"},
        Case{"ArrayFormDocumentAtLevel127",
             std::string("[[") + hand_with(16, in_array(nested(127 - kListLevel))) + R"(],["a","b","c","d"],{},null,null,null,null,null])",
             "ok"},
        Case{"ArrayFormDocumentAtLevel128",
             std::string("[[") + hand_with(16, in_array(nested(128 - kListLevel))) + R"(],["a","b","c","d"],{},null,null,null,null,null])",
             "recursion limit exceeded"},
        // An entry that can be neither kind is still read whole first, so its depth counts.
        Case{"ActionEntryAtLevel127", doc_with_hand(hand_with(5, in_array(nested(127 - kListLevel)))),
             "data did not match any variant of untagged enum ActionItem"},
        Case{"ActionEntryAtLevel128", doc_with_hand(hand_with(6, in_array(nested(128 - kListLevel)))),
             "recursion limit exceeded"},
        Case{"ResultObjectAtLevel127",
             doc_with_hand(hand_with(16, in_array(nested_objects(123)))),
             "data did not match any variant of untagged enum ResultItem"},
        Case{"ResultObjectAtLevel128",
             doc_with_hand(hand_with(16, in_array(nested_objects(124)))),
             "recursion limit exceeded"},
        Case{"HostileDepthInDetails", doc_with_hand(hand_with(16, in_array(nested(100000)))),
             "recursion limit exceeded"},
        // Values of keys naming no field are not counted.
        Case{"Skipped200", with_skipped(nested(200)), "ok"},
        Case{"Skipped9000", with_skipped(nested(9000)), "ok"},
        Case{"SkippedObjects9000", with_skipped(nested_objects(9000)), "ok"},
        Case{"SkippedInRule9000", R"({"log":[],"name":["a","b","c","d"],"rule":{"x":)" + nested(9000) + "}}", "ok"},
        Case{"Skipped100000FailsCleanly", with_skipped(nested(100000)), kAnyFailure},
        Case{"SkippedDeepWithFault", with_skipped(repeat("[", 300) + "1," + repeat("]", 300)), kAnyFailure}),
    case_name);

TEST(ReaderDepth, SmallThreadStackLowersTheLimitInsteadOfOverflowing) {
    EXPECT_EQ(outcome_on_stack(with_skipped(nested(9000)), 256), "too deep");
    EXPECT_EQ(outcome_on_stack(doc(), 256), "ok");
}

TEST(ReaderText, EscapesAreDecoded) {
    auto r = parse_raw_log(with_name0(R"("\"\\\/\b\f\n\r\t\u00e9\u3042\ud83c\udc04")"));
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r.value().name[0], "\"\\/\b\f\n\r\t\xC3\xA9\xE3\x81\x82\xF0\x9F\x80\x84");
}

TEST(ReaderText, NulEscapeKeepsLength) {
    auto r = parse_raw_log(with_name0(R"("a\u0000b")"));
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r.value().name[0], std::string("a\0b", 3));
}

TEST(ReaderText, LongEscapedTextsArriveWhole) {
    // Long texts with escapes reach the reader in several pieces.
    const std::string escaped = repeat(R"(\u3042)", 3000) + "end";
    const std::string decoded = repeat("\xE3\x81\x82", 3000) + "end";
    const std::string text = R"({"log":[)" + hand_with(16, R"([[{")" + escaped + R"(":1}]])") +
                             R"(],"name":[")" + escaped + R"(","b","c","d"],"rule":{"disp":")" + escaped +
                             R"("},")" + escaped + R"(":0})";
    auto r = parse_raw_log(text);
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r.value().name[0], decoded);
    EXPECT_EQ(r.value().name[1], "b");
    EXPECT_EQ(r.value().rule.disp, decoded);
    EXPECT_EQ(r.value().log.at(0).results.at(0).details.at(0).object.at(0).first, decoded);
}

TEST(ReaderText, LongEscapedKeyNamingAField) {
    // A key is compared after unescaping, however it is written.
    auto r = parse_raw_log(R"({"\u006c\u006f\u0067":[],"name":["a","b","c","d"],"rule":{"\u0064isp":"x"}})");
    ASSERT_TRUE(r.ok()) << r.error().message;
    EXPECT_EQ(r.value().rule.disp, "x");
}

TEST(ReaderNumbers, RateTakesAnyNumberAsDouble) {
    auto r = parse_raw_log(doc("[]", R"(,"rate":[1500,-2,2169.21,1e-400,-1e-400,18446744073709551616])"));
    ASSERT_TRUE(r.ok()) << r.error().message;
    const auto& rate = *r.value().rate;
    ASSERT_EQ(rate.size(), 6u);
    EXPECT_EQ(rate[0], 1500.0);
    EXPECT_EQ(rate[1], -2.0);
    EXPECT_EQ(rate[2], 2169.21);
    EXPECT_EQ(rate[3], 0.0);
    EXPECT_FALSE(std::signbit(rate[3]));
    EXPECT_TRUE(std::signbit(rate[4]));
    EXPECT_EQ(rate[5], 18446744073709551616.0);
}

TEST(ReaderErrors, PositionOfFailure) {
    auto r = parse_raw_log("{\"log\":[],\n  \"name\":null}");
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().message, "invalid type: null, expected an array of length 4");
    EXPECT_EQ(r.error().line, 2u);
    EXPECT_EQ(r.error().column, 10u);  // at the null
}

}  // namespace
