// The reader on threads with small stacks: its depth bound follows the free
// stack, so a deep document fails cleanly instead of overflowing it, while
// every valid log, and any document nesting at most 127 levels, reads and
// converts on a thread of 64 KiB or more.
#include <gtest/gtest.h>

#include <limits.h>
#include <string>
#include <vector>

#include "reader_test_docs.hpp"
#include "test_files.hpp"
#include "ripaion/pipeline/pipeline.hpp"

namespace {

using namespace reader_test;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

// The texts of the test data's real logs.
std::vector<std::string> test_log_texts() {
    std::vector<std::string> texts;
    for (const auto& path : support::test_logs()) texts.push_back(support::read_file(path));
    return texts;
}

// "ok" when the text reads, converts and encodes; otherwise the stage that failed.
std::string convert_outcome(const std::string& text) {
    auto log = ripaion::tenhou::parse_raw_log(text);
    if (!log.ok()) return "read: " + log.error().message;
    return ripaion::pipeline::lines_of_log(std::move(log).value()).ok() ? "ok" : "convert";
}

// A document whose skipped member nests `levels` arrays (so the document
// reaches level `levels` + 1) around `leaf`.
std::string skipped_nesting(int levels, const std::string& leaf = "") {
    return doc("[]", R"(,"x":)" + nested(levels, leaf));
}

// An array of the leaves that take the most stack below the parser's
// deepest frame: a number that needs exact arithmetic to round, a long text
// with escapes, and a number out of range, whose failure ends the reading.
const std::string kCostlyLeaves = "[9007199254740993." + std::string(300, '0') + "1,\"" +
                                  repeat(R"(\u3042)", 2000) + "\",1e400]";

// The deepest skipped nesting, with the costly leaves at the bottom, that
// the reader takes on the calling thread: each try reads to the bottom and
// fails on the last leaf, or is refused as too deep.
int deepest_skipped_nesting() {
    int lo = 0, hi = 20000;
    while (lo < hi) {
        const int mid = lo + (hi - lo + 1) / 2;
        if (outcome(skipped_nesting(mid - 1, kCostlyLeaves)) == "number out of range") lo = mid;
        else hi = mid - 1;
    }
    return lo;
}

const std::vector<std::size_t> kAtLeast64Kib = {64, 68, 72, 80, 96, 128, 256};

TEST(ReaderStack, ValidDocumentsConvertOnEveryStackOf64KibOrMore) {
    if (kSanitized) GTEST_SKIP() << "sanitizer frames are larger; the bound is for product builds";
    const auto logs = test_log_texts();
    ASSERT_FALSE(logs.empty());
    const std::vector<std::pair<std::string, std::string>> docs = {
        {"details at level 127", doc_with_hand(hand_with(16, in_array(nested(123))))},
        {"skipped value at level 127", skipped_nesting(126)},
        {"array-form document at level 127",
         "[[" + hand_with(16, in_array(nested(123))) + R"(],["a","b","c","d"],{},null,null,null,null,null])"},
    };
    for (const std::size_t kib : kAtLeast64Kib) {
        std::vector<std::string> logs_got, docs_got;
        ASSERT_TRUE(run_on_stack(kib, [&] {
            for (const auto& text : logs) logs_got.push_back(convert_outcome(text));
            for (const auto& [name, text] : docs) docs_got.push_back(outcome(text));
        }));
        for (std::size_t k = 0; k < logs.size(); ++k) EXPECT_EQ(logs_got[k], "ok") << kib << " KiB, log " << k;
        for (std::size_t k = 0; k < docs.size(); ++k) EXPECT_EQ(docs_got[k], "ok") << kib << " KiB, " << docs[k].first;
    }
}

TEST(ReaderStack, DeepestAcceptedNestingFitsEveryStack) {
    // At every stack size the reader reads to the deepest nesting it takes,
    // with the costliest leaves at the bottom, and refuses one level more;
    // real logs convert or fail cleanly. An overflow would end the program.
    const auto logs = test_log_texts();
    // Under AddressSanitizer the runtime's own frames (Boost's error path
    // included) need more than the smallest stacks hold, whatever the reader
    // does: a sanitised build starts where a failure at depth 0 fits.
    const std::size_t first_kib = kSanitized ? 48 : PTHREAD_STACK_MIN / 1024;
    for (std::size_t kib = first_kib; kib <= 160; kib += 4) {
        int deepest = -1;
        ASSERT_TRUE(run_on_stack(kib, [&] {
            deepest = deepest_skipped_nesting();
            for (const auto& text : logs) convert_outcome(text);
            outcome(skipped_nesting(100000));
        }));
        if (kib >= 64 && !kSanitized) {
            EXPECT_GE(deepest, 126) << kib << " KiB";
        }
    }
}

}  // namespace
