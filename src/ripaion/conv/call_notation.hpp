// Reading Tenhou's call, kan and riichi texts into seat queue entries.
#pragma once

#include <string_view>
#include <variant>
#include <vector>

#include "ripaion/conv/queue_event.hpp"
#include "ripaion/conv/seat_queues.hpp"
#include "ripaion/mjai/event.hpp"
#include "ripaion/result.hpp"

namespace ripaion::conv {

// A take-list text: chi, pon or daiminkan.
Result<QueueEvent, QueueFailure> take_from_notation(mjai::Seat seat, std::string_view text);

// A discard-list text: kakan, ankan, or riichi (appends reach, then its dahai).
Result<std::monostate, QueueFailure> append_discard_notation(mjai::Seat seat, std::string_view text,
                                                             std::vector<QueueEvent>& out);

}  // namespace ripaion::conv
