// One hand as the conversion works on it: the parts of the log's hand record
// it needs, moved out of the record, with the outcome already derived.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ripaion/conv/hand_results.hpp"
#include "ripaion/conv/seat_queues.hpp"
#include "ripaion/mjai/event.hpp"
#include "ripaion/model/raw_log.hpp"
#include "ripaion/result.hpp"

namespace ripaion::conv {

struct PreparedKyoku {
    KyokuOutcome outcome;
    std::vector<mjai::Tile> dora;  // indicators in log order; the first is start_kyoku's
    std::vector<mjai::Tile> ura;
    std::array<SeatLog, 4> seats;
    std::array<std::int32_t, 4> scores{};
    std::uint8_t kyoku_num = 0;
    std::uint8_t honba = 0;
    std::uint8_t kyotaku = 0;
};

// Fails when the hand's win details are malformed.
Result<PreparedKyoku, MalformedWinDetails> prepare_kyoku(model::HandRecord&& hand);

// The hand's opening event. Needs a non-empty dora list.
mjai::StartKyoku make_start_kyoku(const PreparedKyoku& hand);

}  // namespace ripaion::conv
