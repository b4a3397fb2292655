// Every log of the test data converts, and the result holds together: the
// game and hand frames, and each seat's hand replayed through the events
// (a tile is drawn before it is discarded or melded, hand sizes stay right).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_support.hpp"
#include "ripaion/conv/convert.hpp"
#include "ripaion/tenhou/reader.hpp"

using namespace support;

namespace {

// Replays one hand: per seat, tile counts and the number of melds.
class HandReplay {
public:
    explicit HandReplay(const mjai::StartKyoku& sk) {
        for (int s = 0; s < 4; ++s)
            for (Tile t : sk.tehais[s]) ++counts_[s][mjai::tile_index(t)];
    }

    // Returns an empty text, or what went wrong.
    std::string apply(const Event& e) {
        if (auto* x = std::get_if<mjai::Tsumo>(&e)) {
            ++counts_[x->actor][mjai::tile_index(x->pai)];
            last_draw_[x->actor] = x->pai;
            return size_is(x->actor, 14);
        }
        if (auto* x = std::get_if<mjai::Dahai>(&e)) {
            if (x->tsumogiri && last_draw_[x->actor] != x->pai) return "tsumogiri of a tile not just drawn";
            if (!take(x->actor, x->pai)) return "discard of a tile not in hand: " + show(e);
            last_discard_[x->actor] = x->pai;
            last_discarder_ = x->actor;
            return size_is(x->actor, 13);
        }
        if (auto* x = std::get_if<mjai::Chi>(&e)) return call(x->actor, x->target, x->pai, x->consumed, e);
        if (auto* x = std::get_if<mjai::Pon>(&e)) return call(x->actor, x->target, x->pai, x->consumed, e);
        if (auto* x = std::get_if<mjai::Daiminkan>(&e)) {
            auto r = call(x->actor, x->target, x->pai, x->consumed, e);
            ++kans_[x->actor];
            return r;
        }
        if (auto* x = std::get_if<mjai::Kakan>(&e)) {
            if (!take(x->actor, x->pai)) return "kakan of a tile not in hand";
            ++kans_[x->actor];
            return size_is(x->actor, 13);
        }
        if (auto* x = std::get_if<mjai::Ankan>(&e)) {
            for (Tile t : x->consumed)
                if (!take(x->actor, t)) return "ankan of tiles not in hand";
            ++melds_[x->actor];
            ++kans_[x->actor];
            return size_is(x->actor, 13);
        }
        return {};
    }

private:
    template <std::size_t N>
    std::string call(mjai::Seat actor, mjai::Seat target, Tile pai, const std::array<Tile, N>& consumed,
                     const Event& e) {
        if (target != last_discarder_ || last_discard_[target] != pai) return "call of no discard: " + show(e);
        for (Tile t : consumed)
            if (!take(actor, t)) return "call with tiles not in hand: " + show(e);
        ++melds_[actor];
        // after chi or pon the caller discards next; after daiminkan it draws
        return size_is(actor, N == 2 ? 14 : 13);
    }

    bool take(mjai::Seat s, Tile t) {
        auto& c = counts_[s][mjai::tile_index(t)];
        if (c == 0) return false;
        --c;
        return true;
    }

    // Expected size with no melds; each meld holds three tiles out of the hand.
    std::string size_is(mjai::Seat s, int unmelded) const {
        int n = 0;
        for (int c : counts_[s]) n += c;
        const int expected = unmelded - 3 * melds_[s];
        return n == expected ? std::string() : "seat " + std::to_string(s) + " holds " + std::to_string(n) +
                                                   " tiles, expected " + std::to_string(expected);
    }

    std::array<std::array<int, mjai::kTileCount>, 4> counts_{};
    std::array<int, 4> melds_{};
    std::array<int, 4> kans_{};
    std::array<Tile, 4> last_draw_{};
    std::array<Tile, 4> last_discard_{};
    mjai::Seat last_discarder_ = 255;
};

void check_game(const std::vector<Event>& ev, std::size_t hands, const std::string& file) {
    ASSERT_GE(ev.size(), 2u) << file;
    EXPECT_TRUE(std::holds_alternative<mjai::StartGame>(ev.front())) << file;
    EXPECT_TRUE(std::holds_alternative<mjai::EndGame>(ev.back())) << file;
    std::size_t starts = 0, i = 1;
    while (i + 1 < ev.size()) {
        ASSERT_TRUE(std::holds_alternative<mjai::StartKyoku>(ev[i])) << file << " event " << i;
        ++starts;
        const auto& sk = std::get<mjai::StartKyoku>(ev[i]);
        for (const auto& row : sk.tehais)
            for (Tile t : row) EXPECT_NE(t, mjai::kUnknownTile) << file;
        HandReplay replay(sk);
        std::size_t j = i + 1;
        for (; j < ev.size() && !std::holds_alternative<mjai::EndKyoku>(ev[j]); ++j) {
            const std::string problem = replay.apply(ev[j]);
            EXPECT_EQ(problem, "") << file << " event " << j;
            if (!problem.empty()) return;
        }
        ASSERT_LT(j, ev.size()) << file << ": hand without end_kyoku";
        // The hand closes with its wins or its draw, and only there.
        std::size_t k = j;
        while (k > i && (std::holds_alternative<mjai::Hora>(ev[k - 1]) || std::holds_alternative<mjai::Ryukyoku>(ev[k - 1]))) --k;
        EXPECT_LT(k, j) << file << " hand at " << i << " has no closing event";
        if (j - k > 1) {
            for (std::size_t m = k; m < j; ++m) EXPECT_TRUE(std::holds_alternative<mjai::Hora>(ev[m])) << file;
        }
        for (std::size_t m = i + 1; m < k; ++m) {
            EXPECT_FALSE(std::holds_alternative<mjai::Hora>(ev[m]) || std::holds_alternative<mjai::Ryukyoku>(ev[m]))
                << file;
        }
        i = j + 1;
    }
    EXPECT_EQ(starts, hands) << file;
}

}  // namespace

TEST(RealLogs, EveryTestLogConvertsAndHoldsTogether) {
    const std::filesystem::path dir = std::filesystem::path(RIPAION_TEST_DATA_DIR) / "logs";
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().extension() != ".json") continue;
        ++files;
        const std::string file = entry.path().filename().string();
        auto log = tenhou::parse_raw_log(read_file(entry.path()));
        ASSERT_TRUE(log) << file << ": " << log.error().message;
        const std::size_t hands = log.value().log.size();
        auto events = oracle::convert_log(std::move(log).value());
        ASSERT_TRUE(events) << file;
        check_game(events.value(), hands, file);
    }
    EXPECT_GE(files, 1);
}
