#include "ripaion/check/line_event.hpp"

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

std::string_view event_type_name(EventKind t) noexcept {
    return static_cast<std::size_t>(t) < mjai::kEventKindCount ? mjai::event_kind_row(t).name : std::string_view("?");
}

EventKind event_type_from_name(std::string_view name) noexcept {
    for (const auto& row : mjai::kEventKinds) {
        if (row.name == name) return row.kind;
    }
    return kUnknownKind;
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
