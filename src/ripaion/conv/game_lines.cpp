#include "ripaion/conv/game_lines.hpp"

#include <array>
#include <cstdint>

namespace ripaion::conv {
namespace {

// The events that are not table lines are a few per hand, start_kyoku the
// longest of them at about 400 bytes; the encoder asks for room for its
// longest line before it writes one.
constexpr std::size_t kTextBytesPerHand = 768;
constexpr std::size_t kEncoderRoom = 2048;

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
        (void)mjai::encode_event(fixed_line_event(static_cast<FixedLineId>(id)), t.text);
        t.text.push_back('\n');
    }
    t.starts[kFixedLineCount] = static_cast<std::uint32_t>(t.text.size());
    return t;
}

const FixedLineTable& table() {
    static const FixedLineTable t = build_table();
    return t;
}

}  // namespace

GameEvent fixed_line_record(FixedLineId id) noexcept {
    const mjai::FixedLineParts parts = mjai::fixed_line_parts(id);
    GameEvent e;
    e.kind = parts.kind;
    e.actor = parts.seat;
    e.pai = parts.tile;  // a dora record holds its marker here
    e.tsumogiri = parts.flag;
    return e;
}

mjai::Event fixed_line_event(FixedLineId id) { return mjai::fixed_line_event(id); }

std::string_view fixed_line_with_feed(FixedLineId id) {
    if (id >= kFixedLineCount) return {};
    const FixedLineTable& t = table();
    return std::string_view(t.text).substr(t.starts[id], t.starts[id + 1] - t.starts[id]);
}

std::string_view fixed_line(FixedLineId id) {
    const std::string_view with_feed = fixed_line_with_feed(id);
    return with_feed.substr(0, with_feed.empty() ? 0 : with_feed.size() - 1);
}

std::string_view GameLines::line(std::size_t i) const {
    const Slot& s = slots[i];
    if (s.size == 0) return fixed_line(static_cast<FixedLineId>(s.start));
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
