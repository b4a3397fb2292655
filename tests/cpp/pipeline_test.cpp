// The pipeline as every caller runs it: bytes in, event lines or a failure
// out, and the output text made of the lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ripaion/pipeline/pipeline.hpp"
#include "test_support.hpp"

namespace {

namespace fs = std::filesystem;
using ripaion::pipeline::Failure;

std::string hand_without_dora() {
    std::string seats;
    for (int s = 0; s < 4; ++s) seats += ",[11,11,11,11,11,11,11,11,11,11,11,11,11],[12],[]";
    return "[[0,0,0],[25000,25000,25000,25000],[],[]" + seats + ",[\"\xE6\xB5\x81\xE5\xB1\x80\"]]";
}

struct FailureCase {
    const char* what;
    std::string bytes;
    Failure::Kind failure;
};

TEST(Pipeline, EachStageFailsWithItsOwnValue) {
    const FailureCase cases[] = {
        {"not UTF-8", "\xff", Failure::NotUtf8},
        // Invalid UTF-8 is reported as such even where the syntax breaks first.
        {"not UTF-8 after a syntax error", "{]\xc3", Failure::NotUtf8},
        {"not a document", "{", Failure::Parse},
        {"not a log", "[]", Failure::Parse},
        {"three players", R"({"log":[],"name":["a","b","c","d"],"rule":{"disp":"\u4e09"}})", Failure::InvalidLog},
        {"hand without dora", R"({"log":[)" + hand_without_dora() + R"(],"name":["a","b","c","d"],"rule":{}})",
         Failure::Convert},
    };
    for (const auto& c : cases) {
        auto borrowed = ripaion::pipeline::convert(std::string_view(c.bytes));
        ASSERT_FALSE(borrowed) << c.what;
        EXPECT_EQ(borrowed.error(), c.failure) << c.what;
        auto owned = ripaion::pipeline::convert(std::string(c.bytes));
        ASSERT_FALSE(owned) << c.what;
        EXPECT_EQ(owned.error(), c.failure) << c.what;
    }
}

TEST(Pipeline, EmptyGameIsItsFrame) {
    auto lines = ripaion::pipeline::convert(std::string_view(R"({"log":[],"name":["a","b","c","d"],"rule":{}})"));
    ASSERT_TRUE(lines);
    ASSERT_EQ(lines.value().count(), 2u);
    EXPECT_EQ(lines.value().line(0),
              R"({"type":"start_game","names":["a","b","c","d"],"kyoku_first":0,"aka_flag":false})");
    EXPECT_EQ(lines.value().line(1), R"({"type":"end_game"})");
    EXPECT_EQ(ripaion::pipeline::output_text(lines.value()),
              R"({"type":"start_game","names":["a","b","c","d"],"kyoku_first":0,"aka_flag":false})"
              "\n"
              R"({"type":"end_game"})"
              "\n");
}

// Owned and borrowed bytes give the same lines, and the output text is
// every line followed by a line feed.
TEST(Pipeline, RealLogsGiveTheSameLinesEitherWay) {
    int converted = 0;
    for (const fs::path& path : support::test_logs()) {
        const std::string bytes = support::read_file(path);
        auto borrowed = ripaion::pipeline::convert(std::string_view(bytes));
        auto owned = ripaion::pipeline::convert(std::string(bytes));
        ASSERT_EQ(borrowed.ok(), owned.ok()) << path;
        if (!borrowed) {
            EXPECT_EQ(borrowed.error(), owned.error()) << path;
            continue;
        }
        ++converted;
        const auto& a = borrowed.value();
        const auto& b = owned.value();
        ASSERT_EQ(a.count(), b.count()) << path;
        std::string joined;
        for (std::size_t i = 0; i < a.count(); ++i) {
            ASSERT_EQ(a.line(i), b.line(i)) << path << " line " << i;
            ASSERT_EQ(a.line(i).find('\n'), std::string_view::npos);
            joined.append(a.line(i)).push_back('\n');
        }
        EXPECT_EQ(ripaion::pipeline::output_text(a), joined) << path;
    }
    EXPECT_GT(converted, 10);
}

}  // namespace
