// The rule's facts of a JSON log, from its rule record: its display text
// names the room, East-only and three-player games, and its red-five counts
// say whether red fives are played.
#pragma once

#include "ripaion/model/raw_log.hpp"

namespace ripaion::tenhou {

// Sets rule's three_player, east_only, red_fives and room from its disp and
// red-five counts.
void fill_rule_facts(model::Rule& rule) noexcept;

}  // namespace ripaion::tenhou
