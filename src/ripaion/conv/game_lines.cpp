#include "ripaion/conv/game_lines.hpp"

namespace ripaion::conv {
namespace {

// The events that are not table lines are a few per hand, start_kyoku the
// longest of them at about 400 bytes.
constexpr std::size_t kTextBytesPerHand = 768;

}  // namespace

std::string_view GameLines::line(std::size_t i) const {
    const Slot& s = slots[i];
    if (s.size == 0) return mjai::fixed_line(static_cast<mjai::FixedLineId>(s.start));
    return std::string_view(text).substr(s.start, s.size);
}

std::size_t fixed_line_of(const GameEvent& e) noexcept {
    const bool seat = mjai::fixed_seat(e.actor), tile = mjai::fixed_tile(e.pai);
    switch (e.kind) {
        case GameEvent::Tsumo:
            if (seat && tile) return mjai::fixed_tsumo(e.actor, e.pai);
            break;
        case GameEvent::Dahai:
            if (seat && tile) return mjai::fixed_dahai(e.actor, e.pai, e.tsumogiri);
            break;
        case GameEvent::Reach:
            if (seat) return mjai::fixed_reach(e.actor);
            break;
        case GameEvent::ReachAccepted:
            if (seat) return mjai::fixed_reach_accepted(e.actor);
            break;
        case GameEvent::Dora:
            if (tile) return mjai::fixed_dora(e.pai);
            break;
        case GameEvent::EndKyoku: return mjai::kFixedEndKyoku;
        case GameEvent::EndGame: return mjai::kFixedEndGame;
        default: break;
    }
    return kNoFixedLine;
}

Result<GameLines, mjai::EncodeError> encode_game(const ConvertedGame& game) {
    GameLines lines;
    lines.slots.reserve(game.events.size());
    lines.text.reserve(kTextBytesPerHand * (game.hands.size() + 1));
    for (const GameEvent& e : game.events) {
        if (const std::size_t id = fixed_line_of(e); id != kNoFixedLine) {
            lines.slots.push_back({id, 0});
            continue;
        }
        const std::size_t start = lines.text.size();
        auto encoded = mjai::encode_event(full_event(game, e), lines.text);
        if (!encoded) return fail(std::move(encoded.error()));
        lines.slots.push_back({start, lines.text.size() - start});
    }
    return lines;
}

}  // namespace ripaion::conv
