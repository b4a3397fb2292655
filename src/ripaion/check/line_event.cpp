#include "ripaion/check/line_event.hpp"

namespace ripaion::check {

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
    const auto i = mjai::member_index(f);
    return i < mjai::kMemberCount ? mjai::kMembers[i].name : std::string_view("?");
}

Field field_from_name(std::string_view name) noexcept {
    for (const auto& row : mjai::kMembers) {
        if (row.name.size() == name.size() && row.name == name) return row.member;
    }
    return kOtherField;
}

}  // namespace ripaion::check
