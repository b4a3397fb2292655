// The converted game in compact form: every event as a small record, with
// the prepared hands that the records of start_kyoku, hora and ryukyoku
// refer to. A game of a thousand events is a few tens of kilobytes this way
// instead of a hundred and more as full events; full events are made from it
// only when a caller asks for them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "ripaion/conv/prepared_kyoku.hpp"
#include "ripaion/conv/queue_event.hpp"
#include "ripaion/mjai/event.hpp"

namespace ripaion::conv {

struct GameEvent {
    // The turn events first, numbered as in QueueEvent.
    enum Kind : std::uint8_t {
        Tsumo,
        Dahai,
        Chi,
        Pon,
        Daiminkan,
        Kakan,
        Ankan,
        Reach,
        Dora,
        ReachAccepted,
        StartGame,
        StartKyoku,
        Hora,
        Ryukyoku,
        EndKyoku,
        EndGame,
    };
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
    static_assert(int(GameEvent::Tsumo) == int(QueueEvent::Tsumo) && int(GameEvent::Dahai) == int(QueueEvent::Dahai) &&
                  int(GameEvent::Chi) == int(QueueEvent::Chi) && int(GameEvent::Pon) == int(QueueEvent::Pon) &&
                  int(GameEvent::Daiminkan) == int(QueueEvent::Daiminkan) &&
                  int(GameEvent::Kakan) == int(QueueEvent::Kakan) && int(GameEvent::Ankan) == int(QueueEvent::Ankan) &&
                  int(GameEvent::Reach) == int(QueueEvent::Reach));
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

// The full event. `hand` is the hand the event belongs to; start_game and
// end_game need none (their full form is taken from the game).
mjai::Event full_event(const GameEvent& e, const PreparedKyoku& hand);
mjai::Event full_event(const ConvertedGame& game, const GameEvent& e);

// Every event of the game in full, in order.
std::vector<mjai::Event> full_events(const ConvertedGame& game);

}  // namespace ripaion::conv
