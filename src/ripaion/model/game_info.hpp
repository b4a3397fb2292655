// What a converted log says about its game besides the play: its id, lobby
// and room, the players' ranks, ratings and sexes, the final scores and
// placements, and the size of the conversion. Each field is absent when the
// log lacks it or holds it in a form not understood.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "ripaion/model/raw_log.hpp"

namespace ripaion::model {

struct GameInfo {
    std::size_t hands = 0;
    std::optional<std::string> ref;
    std::optional<std::int32_t> lobby;
    std::optional<Room> room;
    std::optional<std::array<std::string, 4>> dan;
    std::optional<std::array<double, 4>> rate;
    std::optional<std::array<std::string, 4>> sx;
    std::optional<std::array<std::int32_t, 4>> final_scores;
    std::optional<std::array<std::uint8_t, 4>> placements;  // 1 to 4
};

// Taken from the log before the conversion consumes it (its texts are moved
// out). A list of players' values counts when it has one per seat.
GameInfo take_game_info(RawLog& log);

// Places 1 to 4 by final score, highest first; equal scores are ranked by
// seat order starting at the first dealer.
std::array<std::uint8_t, 4> placements_of(const std::array<std::int32_t, 4>& scores, std::uint8_t first_dealer) noexcept;

}  // namespace ripaion::model
