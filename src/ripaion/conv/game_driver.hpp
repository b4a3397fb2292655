// The conversion of a whole log into the compact game record, with an
// optional record of how many walks each hand needed (for measurements over
// large sets of logs).
#pragma once

#include <vector>

#include "ripaion/conv/convert.hpp"
#include "ripaion/conv/game_events.hpp"

namespace ripaion::conv {

Result<ConvertedGame, ConvertError> convert_game(tenhou::RawLog log, std::vector<int>* attempts_per_hand = nullptr);

Result<std::vector<mjai::Event>, ConvertError> convert_log_recording(tenhou::RawLog log,
                                                                     std::vector<int>* attempts_per_hand);

}  // namespace ripaion::conv
