// The converted game in compact form: every event as a small record, with
// the prepared hands that the records of start_kyoku, hora and ryukyoku
// refer to. A game of a thousand events is a few tens of kilobytes this way
// instead of a hundred and more as full events; a full event is made from a
// record only to encode its line.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ripaion/conv/prepared_kyoku.hpp"
#include "ripaion/conv/queue_event.hpp"
#include "ripaion/mjai/event.hpp"

namespace ripaion::conv {

struct GameEvent {
    // The kinds of the event table; a turn event's kind has the same number
    // as in QueueEvent.
    using Kind = mjai::EventKind;
    using enum mjai::EventKind;
    Kind kind = StartGame;
    mjai::Seat actor = 0;                   // turn events, reach_accepted
    mjai::Seat target = 0;                  // chi, pon, daiminkan
    mjai::Tile pai{};                       // tsumo, dahai, calls, kakan; dora: the marker
    bool tsumogiri = false;                 // dahai
    std::array<mjai::Tile, 4> consumed{};   // as in QueueEvent
    std::uint32_t hand = 0;                 // events of a hand: the hand's index
    std::uint32_t win = 0;                  // hora: index into the hand's wins
};

// Appends a take or discard event of a seat queue as an event of hand
// number `hand`. The fields are written in place: a record built elsewhere
// and copied in would be read back in wider pieces than it was written,
// which stalls the processor on every event.
inline void append_game_event(std::vector<GameEvent>& out, const QueueEvent& e, std::uint32_t hand) {
    GameEvent& g = out.emplace_back();
    g.kind = static_cast<GameEvent::Kind>(e.kind);
    g.actor = e.actor;
    g.target = e.target;
    g.pai = e.pai;
    g.tsumogiri = e.tsumogiri;
    g.consumed = e.consumed;
    g.hand = hand;
}

struct ConvertedGame {
    mjai::StartGame start_game;
    std::vector<PreparedKyoku> hands;  // every hand of the log, in order; draw and discard lists emptied
    std::vector<GameEvent> events;     // start_game to end_game
};

// The full event, as the encoder takes it. `hand` is the hand the event
// belongs to; start_game and end_game need none (their full form is taken
// from the game).
mjai::Event full_event(const GameEvent& e, const PreparedKyoku& hand);
mjai::Event full_event(const ConvertedGame& game, const GameEvent& e);

}  // namespace ripaion::conv
