#include "ripaion/check/known_lines.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "ripaion/mjai/encode.hpp"
#include "ripaion/mjai/event.hpp"

namespace ripaion::check {
namespace {

// What a table line holds, in the form the replay reads: its kind, its
// members, and where its seat, tile and flag go.
struct KnownLine {
    std::string text;
    EventKind type = kUnknownKind;
    std::uint32_t present = 0;
    std::uint8_t seat = 0;
    Tile tile{};
    bool flag = false;
    std::int64_t LineEvent::*seat_at = nullptr;
    Tile LineEvent::*tile_at = nullptr;
    bool LineEvent::*flag_at = nullptr;
};

// Every line of the fixed table, by the rule and the encoder that make the
// conversion's lines.
std::vector<KnownLine> known_lines() {
    std::vector<KnownLine> lines;
    lines.reserve(mjai::kFixedLineCount);
    for (std::size_t id = 0; id < mjai::kFixedLineCount; ++id) {
        const mjai::FixedLineParts parts = mjai::fixed_line_parts(static_cast<mjai::FixedLineId>(id));
        KnownLine k;
        if (!mjai::encode_event(mjai::fixed_line_event(static_cast<mjai::FixedLineId>(id)), k.text).ok()) continue;
        k.type = parts.kind;
        k.present = field_bit(Field::Type);
        k.seat = parts.seat;
        k.tile = parts.tile;
        k.flag = parts.flag;
        for (const mjai::MemberUse& use : mjai::event_kind_row(parts.kind).members) {
            k.present |= field_bit(use.member);
            if (const auto at = number_slot(use.member)) k.seat_at = at;
            if (const auto at = tile_slot(use.member)) k.tile_at = at;
            if (const auto at = flag_slot(use.member)) k.flag_at = at;
        }
        lines.push_back(std::move(k));
    }
    return lines;
}

// Open addressing over a power of two well above the table's size.
constexpr std::size_t kSlots = 2048;

struct Table {
    std::vector<KnownLine> lines;
    std::array<std::uint16_t, kSlots> slots{};  // line index + 1, 0 when free
    bool ready = false;
};

std::size_t slot_of(std::string_view text) noexcept { return std::hash<std::string_view>{}(text) & (kSlots - 1); }

Table build_table() noexcept {
    Table t;
    try {
        t.lines = known_lines();
        if (2 * t.lines.size() > kSlots) return t;
        for (std::size_t id = 0; id < t.lines.size(); ++id) {
            std::size_t s = slot_of(t.lines[id].text);
            while (t.slots[s] != 0) s = (s + 1) & (kSlots - 1);
            t.slots[s] = static_cast<std::uint16_t>(id + 1);
        }
        t.ready = true;
    } catch (const std::bad_alloc&) {
        // Without the table every line takes the parser's way.
    }
    return t;
}

const Table& table() noexcept {
    static const Table t = build_table();
    return t;
}

}  // namespace

bool read_known_line(std::string_view line, LineEvent& event) noexcept {
    const Table& t = table();
    // Table lines are short; longer lines (start_kyoku, calls, wins) skip the hash.
    if (!t.ready || line.size() > 64) return false;
    for (std::size_t s = slot_of(line);; s = (s + 1) & (kSlots - 1)) {
        const std::uint16_t at = t.slots[s];
        if (at == 0) return false;
        const KnownLine& k = t.lines[at - 1];
        if (k.text != line) continue;
        event.clear();
        event.type = k.type;
        event.present = k.present;
        if (k.seat_at) event.*k.seat_at = k.seat;
        if (k.tile_at) event.*k.tile_at = k.tile;
        if (k.flag_at) event.*k.flag_at = k.flag;
        return true;
    }
}

}  // namespace ripaion::check
