// Tenhou's tile ids in mjlog records: 0..135, four copies per kind.
#pragma once

#include <cstdint>

namespace ripaion::mjlog {

inline constexpr unsigned kTileIdCount = 136;

constexpr unsigned kind_of_id(unsigned id) noexcept { return id / 4; }

// The first copy of each five is the red one in games with red fives.
constexpr bool is_red_id(unsigned id) noexcept { return id == 16 || id == 52 || id == 88; }

// The Tenhou code of the JSON log: 11..19, 21..29, 31..39, 41..47, and
// 51..53 for the red fives.
constexpr std::uint8_t tenhou_code_of_id(unsigned id, bool red_fives) noexcept {
    const unsigned kind = kind_of_id(id);
    if (red_fives && is_red_id(id)) return static_cast<std::uint8_t>(51 + kind / 9);
    return static_cast<std::uint8_t>((kind / 9 + 1) * 10 + kind % 9 + 1);
}

// Order of a seat's starting hand and of a call's tiles: by kind, a red
// five after the other fives (its id, the first of the kind's four, is
// placed after the last of them).
constexpr unsigned hand_order_key(unsigned id, bool red_fives) noexcept {
    return id * 2 + (red_fives && is_red_id(id) ? 7 : 0);
}

}  // namespace ripaion::mjlog
