#include "ripaion/check/line_event.hpp"

#include "ripaion/mjai/event.hpp"

namespace ripaion::check {
namespace {

constexpr std::array<std::string_view, kFieldCount> kFieldNames = {
    "type",   "actor",      "target", "pai",   "tsumogiri", "consumed", "names",  "kyoku_first", "aka_flag", "bakaze",
    "dora_marker", "kyoku", "honba",  "kyotaku", "oya",     "scores",   "tehais", "deltas",      "ura_markers",
};

template <std::size_t N>
int find_name(const std::array<std::string_view, N>& names, std::string_view s) noexcept {
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i].size() == s.size() && names[i] == s) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace

std::string_view event_type_name(EventType t) noexcept {
    // The encoder's own texts, taken from an event of each kind.
    static const std::array<std::string_view, kEventTypeCount> kNames = {
        mjai::event_type_name(mjai::None{}),     mjai::event_type_name(mjai::StartGame{}),
        mjai::event_type_name(mjai::StartKyoku{}), mjai::event_type_name(mjai::Tsumo{}),
        mjai::event_type_name(mjai::Dahai{}),    mjai::event_type_name(mjai::Chi{}),
        mjai::event_type_name(mjai::Pon{}),      mjai::event_type_name(mjai::Daiminkan{}),
        mjai::event_type_name(mjai::Kakan{}),    mjai::event_type_name(mjai::Ankan{}),
        mjai::event_type_name(mjai::Dora{}),     mjai::event_type_name(mjai::Reach{}),
        mjai::event_type_name(mjai::ReachAccepted{}), mjai::event_type_name(mjai::Hora{}),
        mjai::event_type_name(mjai::Ryukyoku{}), mjai::event_type_name(mjai::EndKyoku{}),
        mjai::event_type_name(mjai::EndGame{}),
    };
    const auto i = static_cast<std::size_t>(t);
    return i < kNames.size() ? kNames[i] : std::string_view("?");
}

EventType event_type_from_name(std::string_view name) noexcept {
    for (std::size_t i = 0; i < kEventTypeCount; ++i) {
        const auto t = static_cast<EventType>(i);
        if (event_type_name(t) == name) return t;
    }
    return EventType::Unknown;
}

std::string_view field_name(Field f) noexcept {
    const auto i = static_cast<std::size_t>(f);
    return i < kFieldNames.size() ? kFieldNames[i] : std::string_view("?");
}

Field field_from_name(std::string_view name) noexcept {
    const int i = find_name(kFieldNames, name);
    return i < 0 ? Field::Other : static_cast<Field>(i);
}

}  // namespace ripaion::check
