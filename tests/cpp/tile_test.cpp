#include <gtest/gtest.h>

#include <set>
#include <string>

#include "ripaion/mjai/tile.hpp"

using namespace ripaion::mjai;

namespace {

struct CodeCase {
    unsigned code;
    const char* name;  // nullptr: not a tile code
};

const CodeCase kCodeCases[] = {
    {0, "?"},    {11, "1m"},  {15, "5m"},  {19, "9m"},  {21, "1p"},  {29, "9p"},  {31, "1s"},  {39, "9s"},
    {41, "E"},   {42, "S"},   {43, "W"},   {44, "N"},   {45, "P"},   {46, "F"},   {47, "C"},   {51, "5mr"},
    {52, "5pr"}, {53, "5sr"}, {1, nullptr}, {9, nullptr}, {10, nullptr}, {20, nullptr}, {30, nullptr},
    {40, nullptr}, {48, nullptr}, {49, nullptr}, {50, nullptr}, {54, nullptr}, {60, nullptr}, {99, nullptr},
    {255, nullptr}, {256, nullptr}, {311, nullptr},
};

}  // namespace

TEST(Tile, TenhouCodes) {
    for (const auto& c : kCodeCases) {
        auto t = tile_from_tenhou_code(c.code);
        if (c.name == nullptr) {
            EXPECT_FALSE(t.has_value()) << c.code;
        } else {
            ASSERT_TRUE(t.has_value()) << c.code;
            EXPECT_EQ(tile_name(*t), c.name) << c.code;
        }
    }
}

TEST(Tile, ExactlyThirtyEightCodesMapOntoDistinctTiles) {
    std::set<int> seen;
    int codes = 0;
    for (unsigned code = 0; code < 1000; ++code) {
        if (auto t = tile_from_tenhou_code(code)) {
            ++codes;
            seen.insert(tile_index(*t));
        }
    }
    EXPECT_EQ(codes, 38);
    EXPECT_EQ(seen.size(), 38u);
    EXPECT_EQ(*seen.rbegin(), 37);
}

TEST(Tile, RedFiveIsItsOwnTile) {
    EXPECT_NE(*tile_from_tenhou_code(51), *tile_from_tenhou_code(15));
    EXPECT_EQ(tile_name(kUnknownTile), "?");
    EXPECT_EQ(tile_name(kEastTile), "E");
}

TEST(Tile, CodeTexts) {
    struct Case {
        std::string text;
        const char* name;  // nullptr: failure holding `failure_text`
        std::string failure_text;
    };
    const Case cases[] = {
        {"23", "3p", ""},     {"+5", nullptr, "+5"}, {"+0", "?", ""},       {"00", "?", ""},
        {"51", "5mr", ""},    {"47", "C", ""},       {"60", nullptr, "60"}, {"10", nullptr, "10"},
        {"54", nullptr, "54"}, {"5z", nullptr, "5z"}, {"-1", nullptr, "-1"}, {" 1", nullptr, " 1"},
        {"1 ", nullptr, "1 "}, {"++", nullptr, "++"}, {"7a", nullptr, "7a"},
        {"\xff\x31", nullptr, "\xEF\xBF\xBD" "1"},
        {"\xe6\x9d", nullptr, "\xEF\xBF\xBD"},
    };
    for (const auto& c : cases) {
        auto r = tile_from_code_text(c.text);
        if (c.name) {
            ASSERT_TRUE(r.ok()) << c.text;
            EXPECT_EQ(tile_name(r.value()), c.name) << c.text;
        } else {
            ASSERT_FALSE(r.ok()) << c.text;
            EXPECT_EQ(r.error().text, c.failure_text) << c.text;
        }
    }
}

TEST(Tile, NamesReadBackAndNothingElseIsAName) {
    for (int i = 0; i < kTileCount; ++i) {
        const Tile t{static_cast<std::uint8_t>(i)};
        auto back = tile_from_name(tile_name(t));
        ASSERT_TRUE(back.has_value()) << i;
        EXPECT_EQ(*back, t) << i;
    }
    for (const char* text : {"", "0m", "5z", "10m", "5mr ", "4mr", "5rr", "e", "Z", "??", "1", "m", "5pR"}) {
        EXPECT_FALSE(tile_from_name(text).has_value()) << text;
    }
}
