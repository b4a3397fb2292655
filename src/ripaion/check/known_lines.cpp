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

// What a table line holds, in the form the replay reads.
struct KnownLine {
    std::string text;
    EventKind type = kUnknownKind;
    std::uint32_t present = 0;
    std::uint8_t seat = 0;
    Tile tile{};
    bool flag = false;
};

// Every line of the fixed table, by the rule and the encoder that make the
// conversion's lines.
std::vector<KnownLine> known_lines() {
    std::vector<KnownLine> lines;
    lines.reserve(mjai::kFixedLineCount);
    for (std::size_t id = 0; id < mjai::kFixedLineCount; ++id) {
        const mjai::FixedLineParts parts = mjai::fixed_line_parts(static_cast<mjai::FixedLineId>(id));
        KnownLine k{{}, parts.kind, field_bit(Field::Type), parts.seat, parts.tile, parts.flag};
        if (!mjai::encode_event(mjai::fixed_line_event(static_cast<mjai::FixedLineId>(id)), k.text).ok()) continue;
        for (const mjai::MemberUse& use : mjai::event_kind_row(parts.kind).members) k.present |= field_bit(use.member);
        lines.push_back(std::move(k));
    }
    return lines;
}

// The replay's places of every seat, tile and flag member of a fixed kind.
// A table line's values go to all of them: a place of a member the line
// lacks is not read, and stores without a test keep the look-up short.
template <class T>
struct Places {
    std::array<T LineEvent::*, mjai::kMemberCount> at{};
    std::size_t count = 0;
};
template <class T>
constexpr Places<T> fixed_places(T LineEvent::* (*slot)(Field) noexcept) {
    Places<T> p;
    for (const mjai::EventKindRow& row : mjai::kEventKinds) {
        if (row.lines != mjai::Lines::Fixed) continue;
        for (const mjai::MemberUse& use : row.members) {
            const auto at = slot(use.member);
            bool known = at == nullptr;
            for (std::size_t i = 0; i < p.count; ++i) known = known || p.at[i] == at;
            if (!known) p.at[p.count++] = at;
        }
    }
    return p;
}
constexpr Places<std::int64_t> kSeatPlaces = fixed_places<std::int64_t>(number_slot);
constexpr Places<Tile> kTilePlaces = fixed_places<Tile>(tile_slot);
constexpr Places<bool> kFlagPlaces = fixed_places<bool>(flag_slot);

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
        for (std::size_t i = 0; i < kSeatPlaces.count; ++i) event.*kSeatPlaces.at[i] = k.seat;
        for (std::size_t i = 0; i < kTilePlaces.count; ++i) event.*kTilePlaces.at[i] = k.tile;
        for (std::size_t i = 0; i < kFlagPlaces.count; ++i) event.*kFlagPlaces.at[i] = k.flag;
        return true;
    }
}

}  // namespace ripaion::check
