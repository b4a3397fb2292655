// An mjlog record converts to exactly the lines of the JSON log made from
// it: the copies in the test data, and every pair of the shared corpus when
// it is beside the repository.
#include <gtest/gtest.h>

#include "mjlog_test_support.hpp"

using namespace mjlogtest;

namespace {

// Returns an empty text when both give the same lines, else the first
// difference.
std::string compare(const Pair& p, bool* converted = nullptr) {
    const Lines want = json_lines(read_file(p.json));
    if (converted) *converted = want.failure.empty();
    const Lines got = mjlog_lines(read_file(p.xml));
    if (want.failure != got.failure) return "failure '" + got.failure + "' instead of '" + want.failure + "'";
    for (std::size_t i = 0; i < std::min(want.lines.size(), got.lines.size()); ++i) {
        if (want.lines[i] != got.lines[i]) return "line " + std::to_string(i) + ": " + got.lines[i] + "\n  want " + want.lines[i];
    }
    if (want.lines.size() != got.lines.size())
        return std::to_string(got.lines.size()) + " lines instead of " + std::to_string(want.lines.size());
    return {};
}

std::vector<Pair> test_data_pairs() {
    const std::filesystem::path data = RIPAION_TEST_DATA_DIR;
    std::vector<Pair> pairs;
    for (const auto& e : std::filesystem::directory_iterator(data / "mjlog")) {
        const auto ext = e.path().extension();
        if (ext != ".xml" && ext != ".mjlog") continue;
        const std::string json_name = e.path().stem().string() + ".json";
        const auto beside = data / "mjlog" / json_name;
        pairs.push_back({e.path(), std::filesystem::exists(beside) ? beside : data / "logs" / json_name});
    }
    return pairs;
}

TEST(MjlogPairs, TestDataGivesTheLinesOfItsJson) {
    const auto pairs = test_data_pairs();
    ASSERT_GE(pairs.size(), 10u);
    for (const Pair& p : pairs) {
        ASSERT_TRUE(std::filesystem::exists(p.json)) << p.json;
        bool converted = false;
        EXPECT_EQ(compare(p, &converted), "") << p.xml;
        EXPECT_TRUE(converted) << p.json;
    }
}

TEST(MjlogPairs, SharedCorpusGivesTheLinesOfItsJson) {
    const auto corpus = shared_corpus();
    if (!corpus) GTEST_SKIP() << "no shared corpus beside the repository";
    std::size_t matched = 0, total = 0, converted = 0;
    for (const Pair& p : corpus_pairs(*corpus)) {
        ++total;
        bool ok = false;
        const std::string diff = compare(p, &ok);
        converted += ok;
        if (diff.empty()) ++matched;
        else ADD_FAILURE() << p.xml << ": " << diff;
    }
    std::cout << "[ pairs    ] " << matched << " of " << total << " mjlog records give their JSON's lines (" << converted
              << " of the JSON logs convert, the others fail alike)\n";
    EXPECT_GT(total, 0u);
}

}  // namespace
