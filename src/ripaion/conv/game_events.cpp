#include "ripaion/conv/game_events.hpp"

#include <variant>

namespace ripaion::conv {
namespace {

mjai::Hora hora_of(const HoraResult& win, std::span<const mjai::Tile> ura) {
    return mjai::Hora{win.actor, win.target, win.deltas, std::vector<mjai::Tile>(ura.begin(), ura.end())};
}

}  // namespace

mjai::Event full_event(const GameEvent& e, const PreparedKyoku& hand) {
    const auto& c = e.consumed;
    switch (e.kind) {
        case GameEvent::StartKyoku: return make_start_kyoku(hand);
        case GameEvent::Tsumo: return mjai::Tsumo{e.actor, e.pai};
        case GameEvent::Dahai: return mjai::Dahai{e.actor, e.pai, e.tsumogiri};
        case GameEvent::Chi: return mjai::Chi{e.actor, e.target, e.pai, {c[0], c[1]}};
        case GameEvent::Pon: return mjai::Pon{e.actor, e.target, e.pai, {c[0], c[1]}};
        case GameEvent::Daiminkan: return mjai::Daiminkan{e.actor, e.target, e.pai, {c[0], c[1], c[2]}};
        case GameEvent::Kakan: return mjai::Kakan{e.actor, e.pai, {c[0], c[1], c[2]}};
        case GameEvent::Ankan: return mjai::Ankan{e.actor, c};
        case GameEvent::Dora: return mjai::Dora{e.pai};
        case GameEvent::Reach: return mjai::Reach{e.actor};
        case GameEvent::ReachAccepted: return mjai::ReachAccepted{e.actor};
        case GameEvent::Hora:
            if (const auto* hora = std::get_if<HoraOutcome>(&hand.outcome); hora && e.win < hora->wins.size()) {
                return hora_of(hora->wins[e.win], hand.ura);
            }
            break;
        case GameEvent::Ryukyoku:
            if (const auto* draw = std::get_if<RyukyokuOutcome>(&hand.outcome)) return mjai::Ryukyoku{draw->deltas};
            break;
        case GameEvent::EndKyoku: return mjai::EndKyoku{};
        case GameEvent::EndGame: return mjai::EndGame{};
        case GameEvent::StartGame:
        case GameEvent::None:
            break;
    }
    // Only a record that refers to what the hand does not hold gets here.
    return mjai::None{};
}

mjai::Event full_event(const ConvertedGame& game, const GameEvent& e) {
    if (e.kind == GameEvent::StartGame) return game.start_game;
    if (e.kind == GameEvent::EndGame) return mjai::EndGame{};
    if (e.hand >= game.hands.size()) return mjai::None{};
    return full_event(e, game.hands[e.hand]);
}

}  // namespace ripaion::conv
