// The mahjong tile value: 34 kinds, three red fives and the unknown tile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ripaion/result.hpp"

namespace ripaion::mjai {

// Index order: 1m..9m, 1p..9p, 1s..9s, E S W N, P F C, 5mr 5pr 5sr, ?.
enum class Tile : std::uint8_t {};

inline constexpr int kTileCount = 38;
// The longest tile name (the red fives').
inline constexpr std::size_t kLongestTileName = 3;
inline constexpr Tile kUnknownTile = Tile{37};
inline constexpr Tile kEastTile = Tile{27};
inline constexpr Tile kNorthTile = Tile{30};

constexpr std::uint8_t tile_index(Tile t) noexcept { return static_cast<std::uint8_t>(t); }

// The mjai name, e.g. "5mr", "E" or "?". Tiles outside the 38 values never
// exist in the library; the name of such a value would be "?".
std::string_view tile_name(Tile t) noexcept;

// The mjai name -> tile; empty for any other text ("5m" and "5mr" differ).
std::optional<Tile> tile_from_name(std::string_view name) noexcept;

// Tenhou integer code -> tile; empty when the value is not one of the 38 codes.
std::optional<Tile> tile_from_tenhou_code(std::uint32_t code) noexcept;

// Two bytes of a notation text read as a tile code. The failure holds the two
// bytes as text (invalid UTF-8 replaced by U+FFFD).
struct BadCodeText {
    std::string text;
};
Result<Tile, BadCodeText> tile_from_code_text(std::string_view two_bytes);

}  // namespace ripaion::mjai
