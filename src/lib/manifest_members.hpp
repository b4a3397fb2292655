// A converted game's members of its manifest line, written straight from the
// conversion: the text Python's json.dumps writes for them (", " and ": "
// between items, only ASCII, \uXXXX escapes, floats as repr), so that the
// command's manifest lines are those a dict of convert_with_info's values
// would give, at a fraction of the cost of making that dict and encoding it.
#pragma once

#include <cstddef>
#include <string>

#include "ripaion/mjai/event.hpp"
#include "ripaion/model/game_info.hpp"

namespace ripaion::py {

// The members' keys, in the order a line holds them (the module's
// MANIFEST_KEYS); each member's value is that of the key in convert_with_info's dict.
inline constexpr const char* kManifestKeys[] = {"names", "aka", "east_only", "hands", "events",       "lobby",
                                                "room",  "dan", "rate",      "sx",    "final_scores", "placements"};

// `"names": [...], "aka": true, ..., "placements": [...]`.
std::string manifest_members(const model::GameInfo& info, std::size_t events, const mjai::StartGame& start);

}  // namespace ripaion::py
