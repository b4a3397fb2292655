// A turn event as the seat queues hold it: everything a tsumo, dahai, chi,
// pon, daiminkan, kakan, ankan or reach carries, in nine bytes. The walk
// reads these many times over; they become full mjai events only once a
// walk of the hand has succeeded.
#pragma once

#include <array>
#include <cstdint>

#include "ripaion/mjai/event.hpp"

namespace ripaion::conv {

struct QueueEvent {
    enum Kind : std::uint8_t { Tsumo, Dahai, Chi, Pon, Daiminkan, Kakan, Ankan, Reach };
    Kind kind;
    mjai::Seat actor;
    mjai::Seat target = 0;          // chi, pon, daiminkan
    mjai::Tile pai{};               // tsumo, dahai, chi, pon, daiminkan, kakan
    bool tsumogiri = false;         // dahai
    std::array<mjai::Tile, 4> consumed{};  // chi and pon use 2, daiminkan and kakan 3, ankan 4

    bool is_call() const noexcept { return kind == Chi || kind == Pon || kind == Daiminkan; }
};

// A queue entry becomes a game event of the same kind number.
static_assert(int(QueueEvent::Tsumo) == int(mjai::EventKind::Tsumo) &&
              int(QueueEvent::Dahai) == int(mjai::EventKind::Dahai) &&
              int(QueueEvent::Chi) == int(mjai::EventKind::Chi) && int(QueueEvent::Pon) == int(mjai::EventKind::Pon) &&
              int(QueueEvent::Daiminkan) == int(mjai::EventKind::Daiminkan) &&
              int(QueueEvent::Kakan) == int(mjai::EventKind::Kakan) &&
              int(QueueEvent::Ankan) == int(mjai::EventKind::Ankan) &&
              int(QueueEvent::Reach) == int(mjai::EventKind::Reach));

}  // namespace ripaion::conv
