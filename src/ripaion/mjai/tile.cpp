#include "ripaion/mjai/tile.hpp"

#include <array>

#include "ripaion/utf8.hpp"

namespace ripaion::mjai {
namespace {

constexpr std::array<std::string_view, kTileCount> kNames = {
    "1m", "2m", "3m", "4m", "5m", "6m", "7m", "8m", "9m",
    "1p", "2p", "3p", "4p", "5p", "6p", "7p", "8p", "9p",
    "1s", "2s", "3s", "4s", "5s", "6s", "7s", "8s", "9s",
    "E",  "S",  "W",  "N",  "P",  "F",  "C",
    "5mr", "5pr", "5sr", "?",
};
constexpr bool names_fit() {
    for (std::string_view n : kNames)
        if (n.size() > kLongestTileName) return false;
    return true;
}
static_assert(names_fit(), "kLongestTileName bounds every name");

// Reads "+?digits" as an unsigned 8-bit number, nothing else allowed.
std::optional<std::uint32_t> parse_u8_text(std::string_view s) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    std::uint32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<std::uint32_t>(c - '0');
        if (v > 255) return std::nullopt;
    }
    return v;
}

}  // namespace

std::string_view tile_name(Tile t) noexcept {
    const auto i = tile_index(t);
    return i < kTileCount ? kNames[i] : kNames[37];
}

std::optional<Tile> tile_from_name(std::string_view name) noexcept {
    // Names are one to three bytes; a direct reading instead of a search,
    // since replaying a stream reads several names per line.
    const auto suit_base = [](char c) -> int { return c == 'm' ? 0 : c == 'p' ? 9 : c == 's' ? 18 : -1; };
    if (name.size() == 1) {
        constexpr std::string_view kSingles = "ESWNPFC";
        if (name[0] == '?') return kUnknownTile;
        const auto at = kSingles.find(name[0]);
        if (at == std::string_view::npos) return std::nullopt;
        return Tile{static_cast<std::uint8_t>(27 + at)};
    }
    if (name.size() == 2 && name[0] >= '1' && name[0] <= '9') {
        const int base = suit_base(name[1]);
        if (base < 0) return std::nullopt;
        return Tile{static_cast<std::uint8_t>(base + (name[0] - '1'))};
    }
    if (name.size() == 3 && name[0] == '5' && name[2] == 'r') {
        const int base = suit_base(name[1]);
        if (base < 0) return std::nullopt;
        return Tile{static_cast<std::uint8_t>(34 + base / 9)};
    }
    return std::nullopt;
}

std::optional<Tile> tile_from_tenhou_code(std::uint32_t code) noexcept {
    if (code == 0) return kUnknownTile;
    if (code >= 51 && code <= 53) return Tile{static_cast<std::uint8_t>(34 + code - 51)};
    const std::uint32_t suit = code / 10, rank = code % 10;
    if (rank == 0) return std::nullopt;
    if (suit >= 1 && suit <= 3) return Tile{static_cast<std::uint8_t>(suit * 9 + rank - 10)};
    if (suit == 4 && rank <= 7) return Tile{static_cast<std::uint8_t>(27 + rank - 1)};
    return std::nullopt;
}

Result<Tile, BadCodeText> tile_from_code_text(std::string_view two_bytes) {
    std::string text = utf8_lossy(two_bytes);
    if (auto n = parse_u8_text(text)) {
        if (auto t = tile_from_tenhou_code(*n)) return *t;
    }
    return fail(BadCodeText{std::move(text)});
}

}  // namespace ripaion::mjai
