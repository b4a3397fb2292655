#include "ripaion/model/game_info.hpp"

#include <utility>
#include <vector>

namespace ripaion::model {
namespace {

template <class T>
std::optional<std::array<T, 4>> one_per_seat(std::optional<std::vector<T>>& list) {
    if (!list || list->size() != 4) return std::nullopt;
    std::array<T, 4> out;
    for (std::size_t s = 0; s < 4; ++s) out[s] = std::move((*list)[s]);
    return out;
}

}  // namespace

std::array<std::uint8_t, 4> placements_of(const std::array<std::int32_t, 4>& scores, std::uint8_t first_dealer) noexcept {
    std::array<std::uint8_t, 4> places{};
    for (unsigned s = 0; s < 4; ++s) {
        // Seats ahead of s: a higher score, or the same score earlier in
        // the seat order that starts at the first dealer.
        const unsigned order = (s + 4 - first_dealer % 4) % 4;
        unsigned ahead = 0;
        for (unsigned t = 0; t < 4; ++t) {
            const unsigned t_order = (t + 4 - first_dealer % 4) % 4;
            if (scores[t] > scores[s] || (scores[t] == scores[s] && t_order < order)) ++ahead;
        }
        places[s] = static_cast<std::uint8_t>(ahead + 1);
    }
    return places;
}

GameInfo take_game_info(RawLog& log) {
    GameInfo info;
    info.hands = log.log.size();
    info.ref = std::move(log.ref);
    info.lobby = log.lobby;
    info.room = log.rule.room;
    info.dan = one_per_seat(log.dan);
    info.rate = one_per_seat(log.rate);
    info.sx = one_per_seat(log.sx);
    info.final_scores = log.final_scores;
    if (info.final_scores) {
        const std::uint8_t first_dealer = log.log.empty() ? 0 : log.log.front().meta.kyoku_num % 4;
        info.placements = placements_of(*info.final_scores, first_dealer);
    }
    return info;
}

}  // namespace ripaion::model
