#include "ripaion/conv/game_lines.hpp"

namespace ripaion::conv {
namespace {

// The events that are not table lines are a few per hand, start_kyoku the
// longest of them at about 400 bytes; the encoder asks for room for its
// longest line before it writes one.
constexpr std::size_t kTextBytesPerHand = 768;
constexpr std::size_t kEncoderRoom = 2048;

}  // namespace

std::string_view GameLines::line(std::size_t i) const {
    const Slot& s = slots[i];
    if (s.size == 0) return mjai::fixed_line(static_cast<mjai::FixedLineId>(s.start));
    return std::string_view(text).substr(s.start, s.size);
}

Result<GameLines, mjai::EncodeError> encode_game(const ConvertedGame& game) {
    GameLines lines;
    lines.slots.reserve(game.events.size());
    lines.text.reserve(kTextBytesPerHand * game.hands.size() + kEncoderRoom);
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
