// The description of a converted game as the dict convert_with_info returns.
#pragma once

#include <Python.h>

#include <cstddef>

#include "ripaion/model/game_info.hpp"

namespace ripaion::py {

// {"hands", "events", "ref", "lobby", "room", "dan", "rate", "sx",
// "final_scores", "placements"}: an absent field, or a text that is not
// UTF-8, is None. A new reference, or null with an exception set.
PyObject* game_info_dict(const model::GameInfo& info, std::size_t events);

}  // namespace ripaion::py
