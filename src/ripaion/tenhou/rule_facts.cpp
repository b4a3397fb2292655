#include "ripaion/tenhou/rule_facts.hpp"

#include <array>
#include <optional>
#include <string_view>
#include <utility>

namespace ripaion::tenhou {
namespace {

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The room's character starts the display text of a lobby game (般東喰赤,
// 鳳南喰赤); tournament and English texts name no room.
std::optional<model::Room> room_of(std::string_view disp) {
    static constexpr std::array<std::pair<std::string_view, model::Room>, 4> kRooms{{
        {"\xE8\x88\xAC", model::Room::General},  // 般
        {"\xE4\xB8\x8A", model::Room::Upper},    // 上
        {"\xE7\x89\xB9", model::Room::Special},  // 特
        {"\xE9\xB3\xB3", model::Room::Phoenix},  // 鳳
    }};
    for (const auto& [mark, room] : kRooms) {
        if (disp.starts_with(mark)) return room;
    }
    return std::nullopt;
}

}  // namespace

void fill_rule_facts(model::Rule& rule) noexcept {
    const std::string_view disp = rule.disp;
    // Three-player texts carry the kanji for three or the English marker;
    // East-only texts the kanji for east or the English word.
    rule.three_player = contains(disp, "\xE4\xB8\x89") || contains(disp, "3-Player");
    rule.east_only = contains(disp, "\xE6\x9D\xB1") || contains(disp, "East");
    rule.red_fives = int(rule.aka) + rule.aka51 + rule.aka52 + rule.aka53 != 0;
    rule.room = room_of(disp);
}

}  // namespace ripaion::tenhou
