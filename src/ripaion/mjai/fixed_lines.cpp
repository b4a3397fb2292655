#include "ripaion/mjai/fixed_lines.hpp"

#include <array>
#include <cstdint>
#include <string>

#include "ripaion/mjai/encode.hpp"

namespace ripaion::mjai {
namespace {

// Every line of the table followed by a line feed, in id order; line i is
// text[starts[i], starts[i + 1] - 1).
struct FixedLineTable {
    std::string text;
    std::array<std::uint32_t, kFixedLineCount + 1> starts{};
};

FixedLineTable build_table() {
    FixedLineTable t;
    t.text.reserve(kFixedLineCount * 56);
    for (std::size_t id = 0; id < kFixedLineCount; ++id) {
        t.starts[id] = static_cast<std::uint32_t>(t.text.size());
        // The encoder writes the lines, so a table line and the encoder's
        // line for the same event cannot differ.
        (void)encode_event(fixed_line_event(static_cast<FixedLineId>(id)), t.text);
        t.text.push_back('\n');
    }
    t.starts[kFixedLineCount] = static_cast<std::uint32_t>(t.text.size());
    return t;
}

const FixedLineTable& table() {
    static const FixedLineTable t = build_table();
    return t;
}

Tile tile_at(std::size_t i) noexcept { return Tile{static_cast<std::uint8_t>(i % kTileCount)}; }
Seat seat_at(std::size_t i) noexcept { return static_cast<Seat>(i); }

}  // namespace

std::optional<FixedLineId> fixed_line_of(const Event& e) noexcept {
    if (const auto* t = std::get_if<Tsumo>(&e)) {
        if (fixed_seat(t->actor) && fixed_tile(t->pai)) return fixed_tsumo(t->actor, t->pai);
    } else if (const auto* d = std::get_if<Dahai>(&e)) {
        if (fixed_seat(d->actor) && fixed_tile(d->pai)) return fixed_dahai(d->actor, d->pai, d->tsumogiri);
    } else if (const auto* r = std::get_if<Reach>(&e)) {
        if (fixed_seat(r->actor)) return fixed_reach(r->actor);
    } else if (const auto* a = std::get_if<ReachAccepted>(&e)) {
        if (fixed_seat(a->actor)) return fixed_reach_accepted(a->actor);
    } else if (const auto* o = std::get_if<Dora>(&e)) {
        if (fixed_tile(o->dora_marker)) return fixed_dora(o->dora_marker);
    } else if (std::holds_alternative<EndKyoku>(e)) {
        return kFixedEndKyoku;
    } else if (std::holds_alternative<EndGame>(e)) {
        return kFixedEndGame;
    } else if (std::holds_alternative<None>(e)) {
        return kFixedNone;
    } else if (const auto* y = std::get_if<Ryukyoku>(&e)) {
        if (!y->deltas) return kFixedRyukyokuWithoutDeltas;
    }
    return std::nullopt;
}

Event fixed_line_event(FixedLineId id) noexcept {
    std::size_t i = id;
    if (i < kFixedDahaiBase) return Tsumo{seat_at(i / kTileCount), tile_at(i)};
    if (i < kFixedReachBase) {
        i -= kFixedDahaiBase;
        return Dahai{seat_at(i / 2 / kTileCount), tile_at(i / 2), i % 2 == 1};
    }
    if (i < kFixedReachAcceptedBase) return Reach{seat_at(i - kFixedReachBase)};
    if (i < kFixedDoraBase) return ReachAccepted{seat_at(i - kFixedReachAcceptedBase)};
    if (i < kFixedEndKyoku) return Dora{tile_at(i - kFixedDoraBase)};
    if (i == kFixedEndKyoku) return EndKyoku{};
    if (i == kFixedEndGame) return EndGame{};
    if (i == kFixedRyukyokuWithoutDeltas) return Ryukyoku{std::nullopt};
    return None{};
}

std::string_view fixed_line_with_feed(FixedLineId id) {
    if (id >= kFixedLineCount) return {};
    const FixedLineTable& t = table();
    return std::string_view(t.text).substr(t.starts[id], t.starts[id + 1] - t.starts[id]);
}

std::string_view fixed_line(FixedLineId id) {
    const std::string_view with_feed = fixed_line_with_feed(id);
    return with_feed.substr(0, with_feed.empty() ? 0 : with_feed.size() - 1);
}

}  // namespace ripaion::mjai
