// The description of a converted game as the dict convert_with_info returns.
#pragma once

#include <Python.h>

#include <cstddef>

#include "ripaion/mjai/event.hpp"
#include "ripaion/model/game_info.hpp"

namespace ripaion::py {

// {"hands", "events", "names", "aka", "east_only", "ref", "lobby", "room",
// "dan", "rate", "sx", "final_scores", "placements"}: names and the two rule
// flags as the start_game line writes them; an absent field, or a text that
// is not UTF-8, is None. A new reference, or null with an exception set.
PyObject* game_info_dict(const model::GameInfo& info, std::size_t events, const mjai::StartGame& start);

}  // namespace ripaion::py
