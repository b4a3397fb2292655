#include "ripaion/conv/convert.hpp"

#include "ripaion/conv/hand_conversion.hpp"
#include "ripaion/conv/prepared_kyoku.hpp"

namespace ripaion::conv {
namespace {

Failure<ConvertError> invalid_log() { return fail(ConvertError{ConvertErrorKind::TenhouLogParsing}); }
Failure<ConvertError> not_convertible() { return fail(ConvertError{ConvertErrorKind::TenhouToMjai}); }

}  // namespace

Result<ConvertedGame, ConvertError> convert_game(model::RawLog log) {
    const model::Rule& rule = log.rule;
    // The walk knows four seats: a three-player game is refused, whichever
    // reader read it.
    if (rule.three_player) return invalid_log();
    const mjai::Count kyoku_first = rule.east_only ? 4 : 0;

    // Every hand is prepared before any event exists, so a malformed win in
    // any hand is reported ahead of a hand that cannot be converted.
    ConvertedGame game;
    game.hands.reserve(log.log.size());
    std::size_t event_estimate = 2;
    for (model::HandRecord& record : log.log) {
        auto prepared = prepare_kyoku(std::move(record));
        if (!prepared) return invalid_log();
        game.hands.push_back(std::move(prepared).value());
        event_estimate += kyoku_event_estimate(game.hands.back());
    }
    log.log = {};

    game.start_game = mjai::StartGame{std::move(log.name), kyoku_first, rule.red_fives};

    // A hand's events go into the game list only once one of its walks has
    // succeeded; the list is sized for every hand up front.
    game.events.reserve(event_estimate);
    GameEvent start;
    start.kind = GameEvent::StartGame;
    game.events.push_back(start);
    HandScratch scratch;
    for (std::size_t i = 0; i < game.hands.size(); ++i) {
        auto converted = convert_kyoku_events(game.hands[i], static_cast<std::uint32_t>(i), scratch, game.events);
        if (!converted) return not_convertible();
        // Only the starting hands, indicators and outcome are read again (by
        // the events); the draw and discard lists go now, which keeps the
        // peak memory of a call near the size of the model.
        for (SeatLog& seat : game.hands[i].seats) {
            seat.takes = {};
            seat.discards = {};
        }
    }
    GameEvent end;
    end.kind = GameEvent::EndGame;
    game.events.push_back(end);
    return game;
}

}  // namespace ripaion::conv
