// The `type` bits of an mjlog <GO> tag as the rule record of the log model.
#pragma once

#include <cstdint>

#include "ripaion/mjlog/mjlog_error.hpp"
#include "ripaion/model/raw_log.hpp"
#include "ripaion/result.hpp"

namespace ripaion::mjlog {

namespace game_type_bit {
inline constexpr std::uint32_t kNoRedFives = 0x02;
inline constexpr std::uint32_t kNoOpenTanyao = 0x04;
inline constexpr std::uint32_t kSouthRound = 0x08;
inline constexpr std::uint32_t kThreePlayer = 0x10;
inline constexpr std::uint32_t kTokujou = 0x20;
inline constexpr std::uint32_t kFast = 0x40;
inline constexpr std::uint32_t kJoukyuu = 0x80;
// Chip, skill-test and custom lobbies: rules the conversion is not known to
// reproduce, so such games are refused.
inline constexpr std::uint32_t kFirstUnsupported = 0x100;
}  // namespace game_type_bit

// The rule's facts (room, East only, red fives, three players). Rule bits
// the conversion is not known to reproduce are refused; a three-player game
// is not: the conversion refuses it from the rule, as it does a JSON log's.
Result<model::Rule, MjlogError> rule_of_game_type(std::int64_t type);

}  // namespace ripaion::mjlog
