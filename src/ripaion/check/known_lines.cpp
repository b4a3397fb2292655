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
    std::uint8_t actor = 0;
    Tile tile{};
    bool tsumogiri = false;
};

constexpr std::uint32_t bits(std::initializer_list<Field> fields) {
    std::uint32_t b = field_bit(Field::Type);
    for (Field f : fields) b |= field_bit(f);
    return b;
}

// Every line of the table, written by the encoder itself: a draw or a
// discard of each tile by each seat, riichi and its acceptance by each seat,
// each dora reveal, and the events without members.
std::vector<KnownLine> known_lines() {
    std::vector<KnownLine> lines;
    const auto add = [&](const mjai::Event& e, EventKind type, std::uint32_t present, std::uint8_t actor, Tile tile,
                         bool tsumogiri) {
        KnownLine k{{}, type, present, actor, tile, tsumogiri};
        if (mjai::encode_event(e, k.text).ok()) lines.push_back(std::move(k));
    };
    for (std::uint8_t seat = 0; seat < 4; ++seat) {
        for (int i = 0; i < mjai::kTileCount; ++i) {
            const Tile t{static_cast<std::uint8_t>(i)};
            add(mjai::Tsumo{seat, t}, EventKind::Tsumo, bits({Field::Actor, Field::Pai}), seat, t, false);
            for (bool tsumogiri : {false, true}) {
                add(mjai::Dahai{seat, t, tsumogiri}, EventKind::Dahai,
                    bits({Field::Actor, Field::Pai, Field::Tsumogiri}), seat, t, tsumogiri);
            }
        }
        add(mjai::Reach{seat}, EventKind::Reach, bits({Field::Actor}), seat, {}, false);
        add(mjai::ReachAccepted{seat}, EventKind::ReachAccepted, bits({Field::Actor}), seat, {}, false);
    }
    for (int i = 0; i < mjai::kTileCount; ++i) {
        const Tile t{static_cast<std::uint8_t>(i)};
        add(mjai::Dora{t}, EventKind::Dora, bits({Field::DoraMarker}), 0, t, false);
    }
    add(mjai::EndKyoku{}, EventKind::EndKyoku, bits({}), 0, {}, false);
    add(mjai::EndGame{}, EventKind::EndGame, bits({}), 0, {}, false);
    add(mjai::Ryukyoku{}, EventKind::Ryukyoku, bits({}), 0, {}, false);
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
        event.actor = k.actor;
        event.pai = k.tile;
        event.dora_marker = k.tile;
        event.tsumogiri = k.tsumogiri;
        return true;
    }
}

}  // namespace ripaion::check
