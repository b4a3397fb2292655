// The choices made at ambiguous calls: per tile, whether the call waiting on
// that tile is taken at the current discard or left for a later discard of
// the same tile. Kept across the attempts of one hand.
#pragma once

#include <array>
#include <cstdint>

#include "ripaion/mjai/tile.hpp"

namespace ripaion::conv {

// The array slot of a tile. Every tile the library makes is below 38; the
// clamp only keeps a forged value inside the arrays.
constexpr std::uint8_t tile_slot(mjai::Tile t) noexcept {
    const std::uint8_t i = mjai::tile_index(t);
    return i < mjai::kTileCount ? i : std::uint8_t(mjai::kTileCount - 1);
}

struct CallChoices {
    // No entry, entry "take now", entry "let it wait".
    enum State : std::uint8_t { Absent = 0, TakeNow = 1, Wait = 2 };
    using States = std::array<std::uint8_t, mjai::kTileCount>;

    States states{};
    int present = 0;

    bool empty() const noexcept { return present == 0; }
    State get(mjai::Tile t) const noexcept { return State(states[tile_slot(t)]); }
    void set(mjai::Tile t, State s) noexcept {
        auto& cur = states[tile_slot(t)];
        present += (s != Absent) - (cur != Absent);
        cur = s;
    }
};

}  // namespace ripaion::conv
