#include "ripaion/conv/game_lines.hpp"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

namespace ripaion::conv {
namespace {

// The events that are not table lines are a few per hand, start_kyoku the
// longest of them at about 400 bytes; the encoder asks for room for its
// longest line before it writes one.
constexpr std::size_t kTextBytesPerHand = 768;
constexpr std::size_t kEncoderRoom = 2048;

// Table lines with their line feed are copied as blocks of this many bytes
// (a fixed-size copy is a few moves; the bytes after the line are written
// over by the next one), which needs every line to fit in one block.
constexpr std::size_t kBlock = 64;

// Every line of the table followed by a line feed, in id order; line i is
// text[starts[i], starts[i + 1] - 1). The text ends with a block of padding,
// so that a block read from any line's start stays inside it.
struct FixedLineTable {
    std::string text;
    std::array<std::uint32_t, kFixedLineCount + 1> starts{};
    bool fits_blocks = true;  // every line with its feed is at most kBlock bytes
};

FixedLineTable build_table() {
    FixedLineTable t;
    t.text.reserve(kFixedLineCount * 56 + kBlock);
    for (std::size_t id = 0; id < kFixedLineCount; ++id) {
        t.starts[id] = static_cast<std::uint32_t>(t.text.size());
        (void)mjai::encode_event(fixed_line_event(static_cast<FixedLineId>(id)), t.text);
        t.text.push_back('\n');
        t.fits_blocks = t.fits_blocks && t.text.size() - t.starts[id] <= kBlock;
    }
    t.starts[kFixedLineCount] = static_cast<std::uint32_t>(t.text.size());
    t.text.append(kBlock, '\0');
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
    return std::string_view(t.text.data() + t.starts[id], t.starts[id + 1] - t.starts[id]);
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

namespace ripaion::conv {

std::size_t game_text_bound(const ConvertedGame& game) noexcept {
    // What full_event makes of a record: start_game's names from the game,
    // a win's ura markers from its hand; other lines have the encoder's room.
    std::size_t n = 0;
    for (const GameEvent& e : game.events) {
        if (fixed_line_of(e) != kNoFixedLine) {
            n += kBlock;
            continue;
        }
        n += mjai::kLineRoom + 1;
        if (e.kind == GameEvent::StartGame) {
            for (const std::string& name : game.start_game.names) n += mjai::kEscapedByteRoom * name.size();
        } else if (e.kind == GameEvent::Hora && e.hand < game.hands.size()) {
            n += mjai::kListedTileRoom * game.hands[e.hand].ura.size();
        }
    }
    return n;
}

std::optional<std::size_t> write_game_text(const ConvertedGame& game, char* out, std::size_t room, GrowText grow,
                                           void* context) {
    const FixedLineTable& t = table();
    char* p = out;
    char* end = out + room;
    // Room for `need` more bytes at p, asked of `grow` when the text lacks it.
    const auto make_room = [&](std::size_t need) {
        if (static_cast<std::size_t>(end - p) >= need) return true;
        const std::size_t used = static_cast<std::size_t>(p - out);
        std::size_t bigger = room * 2 > used + need ? room * 2 : used + need;
        char* moved = grow ? grow(context, bigger) : nullptr;
        if (!moved) return false;
        out = moved;
        room = bigger;
        p = out + used;
        end = out + room;
        return true;
    };
    for (const GameEvent& e : game.events) {
        if (const std::size_t id = fixed_line_of(e); id != kNoFixedLine) {
            const char* line = t.text.data() + t.starts[id];
            const std::size_t size = t.starts[id + 1] - t.starts[id];
            if (!make_room(kBlock)) return std::nullopt;
            if (t.fits_blocks) {
                std::memcpy(p, line, kBlock);  // a copy of known size: a few moves, no call
            } else {
                std::memcpy(p, line, size);
            }
            p += size;
            continue;
        }
        const mjai::Event full = full_event(game, e);
        if (!make_room(mjai::line_bound(full) + 1)) return std::nullopt;
        p = mjai::write_event(full, p);
        *p++ = '\n';
    }
    return static_cast<std::size_t>(p - out);
}

std::size_t game_text_estimate(const ConvertedGame& game) noexcept {
    // Table lines are 36 to 57 bytes with their feed; about 500 bytes a hand
    // of lines that are encoded (start_kyoku, calls, results).
    return 56 * game.events.size() + 512 * game.hands.size() + kEncoderRoom;
}

Result<GameText, mjai::EncodeError> encode_game_text(const ConvertedGame& game) {
    const std::size_t room = game_text_bound(game);
    GameText text{std::unique_ptr<char[]>(new char[room == 0 ? 1 : room]), 0};
    const auto size = write_game_text(game, text.data.get(), room);
    if (!size) return fail(mjai::EncodeError{"the text outgrew its bound"});
    text.size = *size;
    return text;
}

}  // namespace ripaion::conv
