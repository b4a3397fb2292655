// Real Tenhou logs read, and their values land where they belong.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_files.hpp"
#include "ripaion/mjai/tile.hpp"
#include "ripaion/tenhou/reader.hpp"

namespace {

namespace fs = std::filesystem;
using ripaion::mjai::tile_name;
using ripaion::model::ActionItem;
using ripaion::model::JsonValue;
using ripaion::tenhou::parse_raw_log;
using ripaion::model::ResultItem;

const fs::path kLogDir = fs::path(RIPAION_TEST_DATA_DIR) / "logs";

using support::read_file;

TEST(ReaderLogs, EveryTestLogReads) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(kLogDir)) {
        if (entry.path().extension() != ".json") continue;
        ++count;
        const auto r = parse_raw_log(read_file(entry.path()));
        EXPECT_TRUE(r.ok()) << entry.path() << ": " << (r.ok() ? "" : r.error().message);
        if (r.ok()) {
            EXPECT_FALSE(r.value().log.empty()) << entry.path();
        }
    }
    EXPECT_GE(count, 10);
}

// Values checked by hand against the file's text.
TEST(ReaderLogs, SpotChecksOfOneLog) {
    const auto r = parse_raw_log(read_file(kLogDir / "2019081518gm-00a9-0000-cce9d00c.json"));
    ASSERT_TRUE(r.ok()) << r.error().message;
    const auto& log = r.value();

    EXPECT_EQ(log.name[0], "メタルはまっち☆");
    EXPECT_EQ(log.name[3], "哲学する麻雀");
    EXPECT_EQ(log.rule.disp, "鳳南喰赤");
    EXPECT_EQ(log.rule.aka, 0);
    EXPECT_EQ(log.rule.aka51, 1);
    EXPECT_EQ(log.rule.aka52, 1);
    EXPECT_EQ(log.rule.aka53, 1);
    EXPECT_EQ(log.ratingc, "PF4");
    EXPECT_EQ(log.lobby, 0);
    EXPECT_EQ(log.dan->at(1), "十段");
    EXPECT_EQ(log.rate->at(3), 2114.97);
    EXPECT_EQ(*log.sx, (std::vector<std::string>{"M", "M", "F", "M"}));
    ASSERT_EQ(log.log.size(), 16u);

    const auto& first = log.log[0];
    EXPECT_EQ(first.meta.kyoku_num, 0);
    EXPECT_EQ(first.scores, (std::array<std::int32_t, 4>{25000, 25000, 25000, 25000}));
    ASSERT_EQ(first.dora.size(), 1u);
    EXPECT_EQ(tile_name(first.dora[0]), "F");  // 46
    EXPECT_EQ(tile_name(first.ura.at(0)), "9p");  // 29
    EXPECT_EQ(tile_name(first.seats[0].haipai[0]), "1m");
    EXPECT_EQ(tile_name(first.seats[0].haipai[12]), "9s");  // 39
    EXPECT_EQ(tile_name(first.seats[2].haipai[8]), "5sr");  // 53

    const auto& discards0 = first.seats[0].discards;  // [60,39,11,18,12]
    ASSERT_EQ(discards0.size(), 5u);
    EXPECT_EQ(discards0[0].kind, ActionItem::Kind::Number);
    EXPECT_EQ(discards0[0].number, 60);
    EXPECT_EQ(tile_name(discards0[1].tile), "9s");
    const auto& takes1 = first.seats[1].takes;  // [36,43,13,"c181719"]
    ASSERT_EQ(takes1.size(), 4u);
    EXPECT_EQ(takes1[3].kind, ActionItem::Kind::Notation);
    EXPECT_EQ(takes1[3].notation, "c181719");
    EXPECT_EQ(first.seats[2].discards.at(2).notation, "r38");

    ASSERT_EQ(first.results.size(), 3u);
    EXPECT_EQ(first.results[0].kind, ResultItem::Kind::Label);
    EXPECT_EQ(first.results[0].label, "和了");
    EXPECT_EQ(first.results[1].kind, ResultItem::Kind::Deltas);
    EXPECT_EQ(first.results[1].deltas, (std::array<std::int32_t, 4>{-7700, 0, 8700, 0}));
    ASSERT_EQ(first.results[2].kind, ResultItem::Kind::Details);
    const auto& details = first.results[2].details;
    ASSERT_EQ(details.size(), 8u);
    EXPECT_EQ(details[0].kind, JsonValue::Kind::UInt);
    EXPECT_EQ(details[0].uint, 2u);
    EXPECT_EQ(details[3].string, "30符4飜7700点");

    const auto& last = log.log.back();
    EXPECT_EQ(last.meta.kyoku_num, 7);
    EXPECT_TRUE(last.ura.empty());
    EXPECT_EQ(last.seats[1].takes.at(11).notation, "3333p33");
}

}  // namespace
