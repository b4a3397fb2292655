// What the readers keep to describe a game (the JSON log's ref and sc, the
// mjlog record's lobby, ranks, ratings, sexes and final scores): sound
// values, values in a form not understood (absent, and the log still read
// exactly as before), absent values; and the placements.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "reader_test_docs.hpp"
#include "ripaion/mjlog/read_mjlog.hpp"
#include "ripaion/model/game_info.hpp"
#include "ripaion/pipeline/pipeline.hpp"
#include "test_files.hpp"

namespace {

using namespace ripaion;
using Points = std::array<std::int32_t, 4>;

model::RawLog read_json(const std::string& text) {
    auto r = tenhou::parse_raw_log(text);
    EXPECT_TRUE(r.ok()) << text;
    return r.ok() ? std::move(r).value() : model::RawLog{};
}

TEST(GameInfo, PlacementsByScoreThenSeatOrderFromTheFirstDealer) {
    struct Case {
        Points scores;
        std::uint8_t first_dealer;
        std::array<std::uint8_t, 4> places;
    };
    const Case cases[] = {
        {{41700, 32300, 15900, 10100}, 0, {1, 2, 3, 4}},
        {{10100, 15900, 32300, 41700}, 0, {4, 3, 2, 1}},
        {{30000, 20000, 30000, 20000}, 0, {1, 3, 2, 4}},
        {{30000, 20000, 30000, 20000}, 2, {2, 4, 1, 3}},
        {{25000, 25000, 25000, 25000}, 0, {1, 2, 3, 4}},
        {{25000, 25000, 25000, 25000}, 3, {2, 3, 4, 1}},
        {{-5000, 45000, -5000, 65000}, 1, {4, 2, 3, 1}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(model::placements_of(c.scores, c.first_dealer), c.places)
            << c.scores[0] << " " << c.scores[1] << " " << c.scores[2] << " " << c.scores[3] << " dealer "
            << int(c.first_dealer);
    }
}

TEST(GameInfo, JsonRefAndScKeptWhenUnderstood) {
    using reader_test::doc;
    struct Case {
        const char* extra;
        std::optional<std::string> ref;
        std::optional<Points> scores;
    };
    const Case cases[] = {
        {R"(,"ref":"2019021004gm-00a9-0000-e2f6516d","sc":[41700,46.7,32300,12.3,15900,-24.1,10100,-34.9])",
         "2019021004gm-00a9-0000-e2f6516d", Points{41700, 32300, 15900, 10100}},
        {R"(,"sc":[33800,14,77100,87,24200,-16,-35100,-85])", std::nullopt, Points{33800, 77100, 24200, -35100}},
        {"", std::nullopt, std::nullopt},
        {R"(,"ref":null,"sc":null)", std::nullopt, std::nullopt},
        {R"(,"ref":5,"sc":"x")", std::nullopt, std::nullopt},
        {R"(,"ref":["a"],"sc":{"a":1})", std::nullopt, std::nullopt},
        {R"(,"ref":"a","ref":"a")", std::nullopt, std::nullopt},  // given twice
        {R"(,"sc":[1,0,2,0,3,0,4,0],"sc":[1,0,2,0,3,0,4,0])", std::nullopt, std::nullopt},
        {R"(,"sc":[1,0,2,0,3,0,4])", std::nullopt, std::nullopt},      // seven
        {R"(,"sc":[1,0,2,0,3,0,4,0,5])", std::nullopt, std::nullopt},  // nine
        {R"(,"sc":[1.5,0,2,0,3,0,4,0])", std::nullopt, std::nullopt},  // points with a fraction
        {R"(,"sc":[1,"x",2,0,3,0,4,0])", std::nullopt, std::nullopt},
        {R"(,"sc":[2147483648,0,2,0,3,0,4,0])", std::nullopt, std::nullopt},
        {R"(,"sc":[-2147483648,0,2,0,3,0,4,0])", std::nullopt, Points{-2147483648, 2, 3, 4}},
        {R"(,"sc":[18446744073709551615,0,2,0,3,0,4,0])", std::nullopt, std::nullopt},
        {R"(,"sc":[1,[0],2,0,3,0,4,0])", std::nullopt, std::nullopt},
        {R"(,"sc":[1,0,2,0,3,0,4,{"a":[[]]}])", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        const model::RawLog log = read_json(doc(reader_test::in_array(reader_test::hand()), c.extra));
        EXPECT_EQ(log.ref, c.ref) << c.extra;
        EXPECT_EQ(log.final_scores, c.scores) << c.extra;
        EXPECT_EQ(log.log.size(), 1u) << c.extra;
    }
}

TEST(GameInfo, JsonKeptValuesNestLikeSkippedOnes) {
    // Deeper than the model's nesting limit: skipped values are not counted,
    // and neither are these.
    const std::string deep = std::string(200, '[') + std::string(200, ']');
    for (const std::string key : {"ref", "sc", "other"}) {
        const std::string text = reader_test::doc(reader_test::in_array(reader_test::hand()), ",\"" + key + "\":" + deep);
        EXPECT_TRUE(tenhou::parse_raw_log(text).ok()) << key;
        const std::string inside = reader_test::doc(reader_test::in_array(reader_test::hand()),
                                                    ",\"" + key + "\":[1,0,2,0,3,0,4," + deep + "]");
        EXPECT_TRUE(tenhou::parse_raw_log(inside).ok()) << key;
    }
    // The array form of the document has no such keys.
    EXPECT_FALSE(tenhou::parse_raw_log(R"([[],["a","b","c","d"],{},null,null,null,null,null,"ref"])").ok());
}

TEST(GameInfo, TakenFromTheLogOnePerSeat) {
    model::RawLog log = read_json(
        R"({"rule":{"disp":"般東喰"},"log":[)" + reader_test::hand() +
        R"(],"name":["a","b","c","d"],"ref":"x","lobby":7,"dan":["七段","１級","新人","天鳳"],)"
        R"("rate":[1500,2000.5,1.25,0],"sx":["M","F","C"],"sc":[10000,0,40000,0,40000,0,10000,0]})");
    const model::GameInfo info = model::take_game_info(log);
    EXPECT_EQ(info.hands, 1u);
    EXPECT_EQ(info.ref, "x");
    EXPECT_EQ(info.lobby, 7);
    EXPECT_EQ(info.room, model::Room::General);
    EXPECT_EQ(info.dan, (std::array<std::string, 4>{"七段", "１級", "新人", "天鳳"}));
    EXPECT_EQ(info.rate, (std::array<double, 4>{1500, 2000.5, 1.25, 0}));
    EXPECT_FALSE(info.sx);  // three
    EXPECT_EQ(info.final_scores, (Points{10000, 40000, 40000, 10000}));
    EXPECT_EQ(info.placements, (std::array<std::uint8_t, 4>{3, 1, 2, 4}));

    model::RawLog bare = read_json(reader_test::doc());
    const model::GameInfo none = model::take_game_info(bare);
    EXPECT_FALSE(none.ref || none.lobby || none.room || none.dan || none.rate || none.sx || none.final_scores ||
                 none.placements);
}

// An mjlog record with the given GO and UN attributes and end of game.
std::string record(const std::string& go, const std::string& un, const std::string& owari) {
    return R"(<mjloggm ver="2.3"><GO type="169")" + go + R"(/><UN n0="a" n1="b" n2="c" n3="d")" + un +
           R"(/><TAIKYOKU oya="0"/><INIT seed="0,0,0,0,0,124" ten="250,250,250,250" oya="0" )"
           R"(hai0="0,4,8,12,16,20,24,28,32,36,40,44,48" hai1="1,5,9,13,17,21,25,29,33,37,41,45,49" )"
           R"(hai2="2,6,10,14,18,22,26,30,34,38,42,46,50" hai3="3,7,11,15,19,23,27,31,35,39,43,47,51"/>)"
           R"(<RYUUKYOKU ba="0,0" sc="250,0,250,0,250,0,250,0")" +
           owari + "/></mjloggm>";
}

TEST(GameInfo, MjlogValuesKeptWhenUnderstood) {
    const std::string sound_un = R"( dan="16,9,0,20" rate="2122.87,1500.00,1800,-3.5" sx="M,F,C,M")";
    const std::string sound_owari = R"( owari="380,18.0,413,51.0,-43,-54.0,250,-15.0")";
    auto log = mjlog::read_mjlog(record(R"( lobby="0")", sound_un, sound_owari));
    ASSERT_TRUE(log.ok()) << log.error().message;
    const model::GameInfo info = model::take_game_info(log.value());
    EXPECT_EQ(info.lobby, 0);
    EXPECT_EQ(info.room, model::Room::Phoenix);
    EXPECT_EQ(info.dan, (std::array<std::string, 4>{"七段", "１級", "新人", "天鳳"}));
    EXPECT_EQ(info.rate, (std::array<double, 4>{2122.87, 1500.0, 1800.0, -3.5}));
    EXPECT_EQ(info.sx, (std::array<std::string, 4>{"M", "F", "C", "M"}));
    EXPECT_EQ(info.final_scores, (Points{38000, 41300, -4300, 25000}));
    EXPECT_EQ(info.placements, (std::array<std::uint8_t, 4>{2, 1, 4, 3}));
    EXPECT_FALSE(info.ref);

    struct Case {
        std::string go, un, owari;
        const char* absent;
    };
    const Case cases[] = {
        {"", "", sound_owari, "lobby dan rate sx"},
        {R"( lobby="x")", R"( dan="16,9,0,21" rate="1,2,3,4")", sound_owari, "lobby dan sx"},
        {R"( lobby="99999999999")", R"( dan="16,9,0" sx="M,M,M,M")", sound_owari, "lobby dan rate"},
        {"", R"( dan="16,9,0,-1" rate="1,2,3,x")", sound_owari, "lobby dan rate sx"},
        {"", R"( rate="1,2,3,4,5" sx="M,F,C")", sound_owari, "lobby dan rate sx"},
        {"", R"( rate="1,2,,4" sx="")", R"( owari="380,18.0,413,51.0,-43,-54.0,250")", "lobby dan rate sx final"},
        {"", sound_un, R"( owari="380,18.0,413,51.0,-43,-54.0,250,x")", "lobby final"},
        {"", sound_un, R"( owari="380.5,18.0,413,51.0,-43,-54.0,250,0")", "lobby final"},
        {"", sound_un, R"( owari="99999999,0,413,51.0,-43,-54.0,250,0")", "lobby final"},
        {"", sound_un, R"( owari="1")", "lobby final"},
    };
    for (const Case& c : cases) {
        auto r = mjlog::read_mjlog(record(c.go, c.un, c.owari));
        ASSERT_TRUE(r.ok()) << c.go << c.un << c.owari << ": " << r.error().message;
        const model::GameInfo got = model::take_game_info(r.value());
        std::string absent;
        const auto note = [&](bool missing, const char* name) {
            if (!missing) return;
            if (!absent.empty()) absent += ' ';
            absent += name;
        };
        note(!got.lobby, "lobby");
        note(!got.dan, "dan");
        note(!got.rate, "rate");
        note(!got.sx, "sx");
        note(!got.final_scores, "final");
        EXPECT_EQ(absent, c.absent) << c.go << c.un << c.owari;
        EXPECT_EQ(got.hands, 1u);
    }
}

TEST(GameInfo, TakingItChangesNoLine) {
    // Every log of the test data, both formats: the same lines, or the same
    // failure, with and without the description.
    std::vector<std::filesystem::path> files = support::test_logs();
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(RIPAION_TEST_DATA_DIR) / "mjlog"))
        files.push_back(entry.path());
    ASSERT_GT(files.size(), 20u);
    for (const auto& path : files) {
        const std::string bytes = support::read_file(path);
        const auto format = pipeline::detect_input_format(bytes);
        model::GameInfo info;
        const auto plain = pipeline::convert(std::string_view(bytes), format);
        const auto with_info = pipeline::convert(std::string_view(bytes), format, &info);
        ASSERT_EQ(plain.ok(), with_info.ok()) << path;
        if (!plain.ok()) {
            EXPECT_EQ(plain.error(), with_info.error()) << path;
            continue;
        }
        EXPECT_EQ(pipeline::output_text(plain.value()), pipeline::output_text(with_info.value())) << path;
        EXPECT_GT(info.hands, 0u) << path;
    }
}

}  // namespace
