// Per seat, the log's draw list and discard list turned into ready-made
// events: the take queue (tsumo, chi, pon, daiminkan) and the discard queue
// (dahai, reach, kakan, ankan; every reach directly followed by its dahai).
// Built once per hand and then only read, so a hand can be walked again
// without rebuilding anything.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ripaion/conv/hand_failure.hpp"
#include "ripaion/conv/queue_event.hpp"
#include "ripaion/mjai/event.hpp"
#include "ripaion/model/raw_log.hpp"
#include "ripaion/result.hpp"

namespace ripaion::conv {

// One seat's haipai, draws and discards as the log gives them.
using SeatLog = model::SeatRecord;

struct SeatQueues {
    std::vector<QueueEvent> take_events;
    std::vector<QueueEvent> discard_events;
};
using HandQueues = std::array<SeatQueues, 4>;

struct QueueFailure {
    HandFailure kind;  // BadNotation, BadTileCode or NumberInTakes
    std::string text;  // the offending notation or two-byte code (empty for NumberInTakes)
};

// Builds the queues of seats 0 to 3 in order into `out`, reusing its
// capacity. Stops at the first failure; `out` is then unspecified.
Result<std::monostate, QueueFailure> build_seat_queues(const std::array<SeatLog, 4>& seats, HandQueues& out);

// One seat's queues, including the pass that gives tsumogiri discards their
// tile and drops the placeholder discards of tile code 0.
Result<std::monostate, QueueFailure> build_one_seat(mjai::Seat seat, const SeatLog& log, SeatQueues& out);

}  // namespace ripaion::conv
