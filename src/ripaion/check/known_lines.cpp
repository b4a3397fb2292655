#include "ripaion/check/known_lines.hpp"

#include <array>
#include <cstdint>
#include <functional>
#include <new>
#include <variant>

#include "ripaion/mjai/fixed_lines.hpp"

namespace ripaion::check {
namespace {

// What a table line holds, in the form the replay reads.
struct KnownLine {
    std::string_view text;
    EventType type = EventType::Unknown;
    std::uint32_t present = 0;
    std::uint8_t actor = 0;
    Tile tile{};
    bool tsumogiri = false;
};

KnownLine known_line(mjai::FixedLineId id) {
    KnownLine k;
    k.text = mjai::fixed_line(id);
    std::visit(
        [&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            const auto set = [&](EventType t, std::initializer_list<Field> fields) {
                k.type = t;
                k.present = field_bit(Field::Type);
                for (Field f : fields) k.present |= field_bit(f);
            };
            if constexpr (std::is_same_v<T, mjai::Tsumo>) {
                set(EventType::Tsumo, {Field::Actor, Field::Pai});
                k.actor = x.actor;
                k.tile = x.pai;
            } else if constexpr (std::is_same_v<T, mjai::Dahai>) {
                set(EventType::Dahai, {Field::Actor, Field::Pai, Field::Tsumogiri});
                k.actor = x.actor;
                k.tile = x.pai;
                k.tsumogiri = x.tsumogiri;
            } else if constexpr (std::is_same_v<T, mjai::Reach>) {
                set(EventType::Reach, {Field::Actor});
                k.actor = x.actor;
            } else if constexpr (std::is_same_v<T, mjai::ReachAccepted>) {
                set(EventType::ReachAccepted, {Field::Actor});
                k.actor = x.actor;
            } else if constexpr (std::is_same_v<T, mjai::Dora>) {
                set(EventType::Dora, {Field::DoraMarker});
                k.tile = x.dora_marker;
            } else if constexpr (std::is_same_v<T, mjai::EndKyoku>) {
                set(EventType::EndKyoku, {});
            } else if constexpr (std::is_same_v<T, mjai::EndGame>) {
                set(EventType::EndGame, {});
            } else if constexpr (std::is_same_v<T, mjai::Ryukyoku>) {
                set(EventType::Ryukyoku, {});
            }
            // Other kinds (none) keep the parser's way.
        },
        mjai::fixed_line_event(id));
    return k;
}

// Open addressing over a power of two well above the table's size.
constexpr std::size_t kSlots = 2048;
static_assert(kSlots >= 2 * mjai::kFixedLineCount);

struct Table {
    std::array<KnownLine, mjai::kFixedLineCount> lines{};
    std::array<std::uint16_t, kSlots> slots{};  // line index + 1, 0 when free
    bool ready = false;
};

std::size_t slot_of(std::string_view text) noexcept { return std::hash<std::string_view>{}(text) & (kSlots - 1); }

Table build_table() noexcept {
    Table t;
    try {
        for (std::size_t id = 0; id < mjai::kFixedLineCount; ++id) {
            t.lines[id] = known_line(static_cast<mjai::FixedLineId>(id));
            if (t.lines[id].type == EventType::Unknown || t.lines[id].text.empty()) continue;
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
