#include "ripaion/check/game_replay.hpp"

#include <string>

namespace ripaion::check {
namespace {

constexpr std::uint8_t kUnknown = mjai::tile_index(mjai::kUnknownTile);

// The kind of a tile (red fives count as their plain five); -1 for "?".
int kind_of(Tile t) noexcept {
    const int i = mjai::tile_index(t);
    if (i < 34) return i;
    if (i < 37) return (i - 34) * 9 + 4;
    return -1;
}

std::string seat_text(std::int64_t s) { return "seat " + std::to_string(s); }
std::string tile_text(Tile t) { return std::string(mjai::tile_name(t)); }

Finding found(ProblemKind kind, std::string message) { return Finding{kind, std::move(message)}; }

std::string scores_text(const std::array<std::int64_t, 4>& s) {
    std::string t = "[";
    for (std::size_t i = 0; i < 4; ++i) {
        if (i) t += ',';
        t += std::to_string(s[i]);
    }
    return t + "]";
}

bool same_kind(Tile pai, const std::array<Tile, 4>& tiles, std::size_t n) {
    const int k = kind_of(pai);
    for (std::size_t i = 0; i < n; ++i) {
        if (kind_of(tiles[i]) != k) return false;
    }
    return true;
}

// Three tiles of one suit in a run.
bool is_run(Tile pai, Tile a, Tile b) {
    int k[3] = {kind_of(pai), kind_of(a), kind_of(b)};
    for (int x : k) {
        if (x < 0 || x >= 27) return false;
    }
    if (k[0] / 9 != k[1] / 9 || k[0] / 9 != k[2] / 9) return false;
    int lo = k[0], hi = k[0];
    for (int x : k) {
        lo = x < lo ? x : lo;
        hi = x > hi ? x : hi;
    }
    return hi - lo == 2 && k[0] != k[1] && k[0] != k[2] && k[1] != k[2];
}

}  // namespace

std::optional<Finding> GameReplay::step(const LineEvent& e) {
    if (phase_ == Phase::BeforeGame) {
        if (e.type != EventKind::StartGame) return found(ProblemKind::Frame, "the stream does not open with start_game");
        // A game whose start says nothing of red fives may hold them.
        red_fives_ = !e.has(Field::AkaFlag) || e.aka_flag;
        phase_ = Phase::BetweenHands;
        return std::nullopt;
    }
    if (phase_ == Phase::AfterGame) {
        return found(ProblemKind::Frame, std::string(event_type_name(e.type)) + " after end_game");
    }
    const bool in_hand = phase_ != Phase::BetweenHands;
    switch (e.type) {
        case EventKind::StartGame: return found(ProblemKind::Frame, "a second start_game");
        case EventKind::EndGame:
            if (in_hand) return found(ProblemKind::Frame, "end_game inside a hand (no end_kyoku)");
            phase_ = Phase::AfterGame;
            return std::nullopt;
        case EventKind::StartKyoku:
            if (in_hand) return found(ProblemKind::Frame, "start_kyoku inside a hand (no end_kyoku before it)");
            return start_kyoku(e);
        case EventKind::EndKyoku:
            if (!in_hand) return found(ProblemKind::Frame, "end_kyoku outside a hand");
            return end_kyoku();
        default: break;
    }
    if (!in_hand) return found(ProblemKind::Frame, std::string(event_type_name(e.type)) + " outside a hand");
    if (reach_pending_ >= 0 &&
        !(e.type == EventKind::Dahai && e.actor == reach_pending_)) {
        return found(ProblemKind::Riichi, "the reach of " + seat_text(reach_pending_) + " is not followed by its discard");
    }
    if (phase_ == Phase::Result) {
        const bool another_win = e.type == EventKind::Hora && ron_won_;
        if (!another_win) {
            return found(ProblemKind::Frame, std::string(event_type_name(e.type)) + " after the hand's result");
        }
    }
    return turn_event(e);
}

std::optional<Finding> GameReplay::finish() const {
    switch (phase_) {
        case Phase::BeforeGame: return found(ProblemKind::Frame, "the stream is empty");
        case Phase::AfterGame: return std::nullopt;
        case Phase::BetweenHands: return found(ProblemKind::Frame, "the stream ends without end_game");
        default: return found(ProblemKind::Frame, "the stream ends inside a hand");
    }
}

std::optional<Finding> GameReplay::start_kyoku(const LineEvent& e) {
    std::array<std::int64_t, 4> scores;
    for (std::size_t s = 0; s < 4; ++s) scores[s] = e.scores[s];
    if (expect_known_ && scores != expect_scores_) {
        return found(ProblemKind::Score, "scores " + scores_text(scores) + " do not follow from the previous hand (" +
                                             scores_text(expect_scores_) + " after its deltas and riichi deposits)");
    }
    if (expect_known_ && e.kyotaku != expect_kyotaku_) {
        return found(ProblemKind::Score, "kyotaku " + std::to_string(e.kyotaku) +
                                             " does not follow from the previous hand (" +
                                             std::to_string(expect_kyotaku_) + ")");
    }
    scores_ = scores;
    kyotaku_ = e.kyotaku;
    deltas_ = {};
    deltas_known_ = true;
    any_hora_ = false;
    seats_ = {};
    seen_ = {};
    red_seen_ = {};
    winners_ = 0;
    sticks_taken_ = false;
    for (std::size_t s = 0; s < 4; ++s) {
        for (Tile t : e.tehais[s]) {
            ++seats_[s].held[mjai::tile_index(t)];
            if (auto f = see(t)) return f;
        }
    }
    if (auto f = see(e.dora_marker)) return f;
    phase_ = Phase::ToDraw;
    seat_ = static_cast<std::uint8_t>(e.oya);
    drew_ = false;
    discard_open_ = kan_open_ = ron_won_ = false;
    reach_pending_ = -1;
    return std::nullopt;
}

std::optional<Finding> GameReplay::end_kyoku() {
    if (phase_ != Phase::Result) return found(ProblemKind::Frame, "end_kyoku before the hand's hora or ryukyoku");
    expect_known_ = deltas_known_;
    std::int64_t deposits = 0;
    for (std::size_t s = 0; s < 4; ++s) {
        // A riichi is paid once accepted, and also when its discard ended the
        // hand in an abortive draw (a fourth riichi) before it could be.
        const bool paid = seats_[s].accepted || (seats_[s].riichi && !any_hora_);
        deposits += paid ? 1 : 0;
        expect_scores_[s] = scores_[s] + deltas_[s] - (paid ? 1000 : 0);
    }
    expect_kyotaku_ = any_hora_ ? 0 : kyotaku_ + deposits;
    phase_ = Phase::BetweenHands;
    return std::nullopt;
}

std::optional<Finding> GameReplay::see(Tile t) {
    const int k = kind_of(t);
    if (k < 0) return std::nullopt;
    if (++seen_[k] > 4) {
        return found(ProblemKind::TileCount, "a fifth tile of the kind of " + tile_text(t) + " (red fives included)");
    }
    // A red five is the one marked copy of its suit's five.
    if (const int i = mjai::tile_index(t); i >= 34 && i < 37) {
        if (!red_fives_) return found(ProblemKind::RedFive, tile_text(t) + " in a game without red fives (aka_flag false)");
        if (++red_seen_[i - 34] > 1) return found(ProblemKind::RedFive, "a second " + tile_text(t) + " (one red five a suit)");
    }
    return std::nullopt;
}

bool GameReplay::take(std::uint8_t seat, Tile t) {
    auto& held = seats_[seat].held;
    const auto i = mjai::tile_index(t);
    if (held[i] > 0) {
        --held[i];
        return true;
    }
    // A hand the stream does not reveal holds unknown tiles.
    if (held[kUnknown] > 0) {
        --held[kUnknown];
        return true;
    }
    return false;
}

std::optional<Finding> GameReplay::turn_event(const LineEvent& e) {
    switch (e.type) {
        case EventKind::Tsumo: return tsumo(e);
        case EventKind::Dahai: return dahai(e);
        case EventKind::Chi:
        case EventKind::Pon:
        case EventKind::Daiminkan: return claim(e);
        case EventKind::Kakan:
        case EventKind::Ankan: return own_kan(e);
        case EventKind::Reach: return reach(e);
        case EventKind::ReachAccepted: return reach_accepted(e);
        case EventKind::Dora: return see(e.dora_marker);
        case EventKind::Hora: return hora(e);
        case EventKind::Ryukyoku: {
            phase_ = Phase::Result;
            // A draw's payments (tenpai, nagashi mangan) move points between
            // the seats; the sticks stay on the table.
            std::int64_t sum = 0;
            for (std::size_t s = 0; s < 4; ++s) sum += e.has(Field::Deltas) ? e.deltas[s] : 0;
            if (sum != 0) {
                return found(ProblemKind::Deltas,
                             "ryukyoku deltas " + scores_text(e.deltas) + " sum to " + std::to_string(sum) + ", not to 0");
            }
            return result_deltas(e);
        }
        default: return found(ProblemKind::Type, std::string(event_type_name(e.type)) + " inside a hand");
    }
}

std::optional<Finding> GameReplay::tsumo(const LineEvent& e) {
    const auto actor = static_cast<std::uint8_t>(e.actor);
    if (phase_ != Phase::ToDraw) {
        return found(ProblemKind::Draw, "tsumo by " + seat_text(actor) + " while " + seat_text(seat_) +
                                            " has yet to discard");
    }
    if (actor != seat_) {
        return found(ProblemKind::Draw, "tsumo by " + seat_text(actor) + " when " + seat_text(seat_) + " draws");
    }
    if (auto f = see(e.pai)) return f;
    auto& s = seats_[actor];
    ++s.held[mjai::tile_index(e.pai)];
    s.drawn = e.pai;
    s.drawn_valid = true;
    phase_ = Phase::ToDiscard;
    drew_ = true;
    discard_open_ = kan_open_ = false;
    return std::nullopt;
}

std::optional<Finding> GameReplay::dahai(const LineEvent& e) {
    const auto actor = static_cast<std::uint8_t>(e.actor);
    if (phase_ != Phase::ToDiscard || actor != seat_) {
        return found(ProblemKind::Discard, "dahai by " + seat_text(actor) + ", whose turn it is not");
    }
    auto& s = seats_[actor];
    const auto i = mjai::tile_index(e.pai);
    const bool only_the_drawn_one = s.drawn_valid && s.drawn == e.pai && s.held[i] == 1 && i != kUnknown;
    if (!take(actor, e.pai)) {
        return found(ProblemKind::Discard, seat_text(actor) + " discards " + tile_text(e.pai) + ", which it does not hold");
    }
    if (e.tsumogiri) {
        if (!s.drawn_valid) {
            return found(ProblemKind::Tsumogiri, "tsumogiri discard by " + seat_text(actor) + ", which drew no tile");
        }
        if (s.drawn != e.pai && mjai::tile_index(s.drawn) != kUnknown) {
            return found(ProblemKind::Tsumogiri, "tsumogiri discard of " + tile_text(e.pai) + " by " + seat_text(actor) +
                                                     ", which drew " + tile_text(s.drawn));
        }
    } else if (only_the_drawn_one) {
        return found(ProblemKind::Tsumogiri, seat_text(actor) + " discards the " + tile_text(e.pai) +
                                                 " it just drew without the tsumogiri flag");
    }
    if (s.riichi && !e.tsumogiri) {
        return found(ProblemKind::Riichi, seat_text(actor) + " in riichi discards from its hand, not its draw");
    }
    if (reach_pending_ == actor) {
        s.riichi = true;
        reach_pending_ = -1;
    }
    s.drawn_valid = false;
    discard_open_ = true;
    discard_seat_ = actor;
    discard_tile_ = e.pai;
    kan_open_ = false;
    phase_ = Phase::ToDraw;
    seat_ = static_cast<std::uint8_t>((actor + 1) % 4);
    drew_ = false;
    return std::nullopt;
}

std::optional<Finding> GameReplay::claim(const LineEvent& e) {
    const auto actor = static_cast<std::uint8_t>(e.actor);
    const auto target = static_cast<std::uint8_t>(e.target);
    const std::string what(event_type_name(e.type));
    if (phase_ != Phase::ToDraw || !discard_open_) {
        return found(ProblemKind::Call, what + " by " + seat_text(actor) + " with no discard to claim");
    }
    if (target != discard_seat_ || e.pai != discard_tile_) {
        return found(ProblemKind::Call, what + " of " + tile_text(e.pai) + " from " + seat_text(target) +
                                            ", but the last discard is " + tile_text(discard_tile_) + " by " +
                                            seat_text(discard_seat_));
    }
    if (actor == target) return found(ProblemKind::Call, what + " of " + seat_text(actor) + "'s own discard");
    if (e.type == EventKind::Chi && actor != (target + 1) % 4) {
        return found(ProblemKind::Call, "chi by " + seat_text(actor) + " from " + seat_text(target) +
                                            ", which is not its left seat");
    }
    const bool shape = e.type == EventKind::Chi ? is_run(e.pai, e.consumed[0], e.consumed[1])
                                                 : same_kind(e.pai, e.consumed, e.consumed_size);
    if (!shape) return found(ProblemKind::Call, what + " of tiles that do not form one: " + tile_text(e.pai));
    auto& s = seats_[actor];
    if (s.riichi || reach_pending_ == actor) {
        return found(ProblemKind::Riichi, what + " by " + seat_text(actor) + ", which is in riichi");
    }
    for (std::size_t i = 0; i < e.consumed_size; ++i) {
        if (!take(actor, e.consumed[i])) {
            return found(ProblemKind::Call, what + " by " + seat_text(actor) + " consumes " + tile_text(e.consumed[i]) +
                                                ", which it does not hold");
        }
    }
    s.open = true;
    s.drawn_valid = false;
    if (e.type == EventKind::Pon && s.pons < 4) s.pon_kinds[s.pons++] = static_cast<std::uint8_t>(kind_of(e.pai));
    discard_open_ = false;
    seat_ = actor;
    drew_ = false;
    // A daiminkan draws its replacement tile next; chi and pon discard.
    phase_ = e.type == EventKind::Daiminkan ? Phase::ToDraw : Phase::ToDiscard;
    return std::nullopt;
}

std::optional<Finding> GameReplay::own_kan(const LineEvent& e) {
    const auto actor = static_cast<std::uint8_t>(e.actor);
    const std::string what(event_type_name(e.type));
    if (phase_ != Phase::ToDiscard || actor != seat_ || !drew_) {
        return found(ProblemKind::Kan, what + " by " + seat_text(actor) + ", which has not just drawn");
    }
    auto& s = seats_[actor];
    if (e.type == EventKind::Kakan) {
        const int k = kind_of(e.pai);
        std::size_t at = 0;
        while (at < s.pons && s.pon_kinds[at] != k) ++at;
        if (k < 0 || at == s.pons) {
            return found(ProblemKind::Kan, "kakan of " + tile_text(e.pai) + " by " + seat_text(actor) +
                                               ", which has no pon of it");
        }
        if (!same_kind(e.pai, e.consumed, 3)) return found(ProblemKind::Kan, "kakan of tiles of different kinds");
        if (!take(actor, e.pai)) {
            return found(ProblemKind::Kan, "kakan of " + tile_text(e.pai) + " by " + seat_text(actor) +
                                               ", which does not hold it");
        }
        s.pon_kinds[at] = s.pon_kinds[--s.pons];
    } else {
        if (!same_kind(e.consumed[0], e.consumed, 4) || kind_of(e.consumed[0]) < 0) {
            return found(ProblemKind::Kan, "ankan of four tiles that are not one kind");
        }
        for (std::size_t i = 0; i < 4; ++i) {
            if (!take(actor, e.consumed[i])) {
                return found(ProblemKind::Kan, "ankan by " + seat_text(actor) + " without four " +
                                                   tile_text(e.consumed[0]) + " in its hand");
            }
        }
    }
    s.drawn_valid = false;
    kan_open_ = true;
    kan_seat_ = actor;
    phase_ = Phase::ToDraw;  // the replacement tile
    drew_ = false;
    return std::nullopt;
}

std::optional<Finding> GameReplay::reach(const LineEvent& e) {
    const auto actor = static_cast<std::uint8_t>(e.actor);
    const auto& s = seats_[actor];
    if (phase_ != Phase::ToDiscard || actor != seat_ || !drew_) {
        return found(ProblemKind::Riichi, "reach by " + seat_text(actor) + ", which has not just drawn");
    }
    if (s.riichi) return found(ProblemKind::Riichi, "a second reach by " + seat_text(actor));
    if (s.open) return found(ProblemKind::Riichi, "reach by " + seat_text(actor) + ", whose hand is open");
    reach_pending_ = actor;
    return std::nullopt;
}

std::optional<Finding> GameReplay::reach_accepted(const LineEvent& e) {
    auto& s = seats_[static_cast<std::size_t>(e.actor)];
    if (!s.riichi || s.accepted) {
        return found(ProblemKind::Riichi, "reach_accepted of " + seat_text(e.actor) + " without its reach and discard");
    }
    s.accepted = true;
    return std::nullopt;
}

std::optional<Finding> GameReplay::hora(const LineEvent& e) {
    const auto actor = static_cast<std::uint8_t>(e.actor);
    const auto target = static_cast<std::uint8_t>(e.target);
    if (actor == target) {
        if (phase_ != Phase::ToDiscard || actor != seat_ || !drew_) {
            return found(ProblemKind::Hora, "tsumo hora by " + seat_text(actor) + ", which has not just drawn");
        }
    } else {
        const bool on_discard = phase_ == Phase::ToDraw && discard_open_ && discard_seat_ == target;
        const bool on_kan = phase_ == Phase::ToDraw && kan_open_ && kan_seat_ == target;
        const bool another = phase_ == Phase::Result && ron_won_ && ron_target_ == target;
        if (!(on_discard || on_kan || another)) {
            return found(ProblemKind::Hora, "ron hora by " + seat_text(actor) + " on " + seat_text(target) +
                                                ", which has not just discarded or added a kan");
        }
        ron_won_ = true;
        ron_target_ = target;
    }
    if (winners_ & (1u << actor)) return found(ProblemKind::Hora, "a second hora by " + seat_text(actor) + " in one hand");
    winners_ |= static_cast<std::uint8_t>(1u << actor);
    // Ura markers are seen once per hand, whichever win lists them.
    const auto seen = seen_;
    const auto red_seen = red_seen_;
    for (std::size_t i = 0; i < e.ura_size; ++i) {
        if (auto f = see(e.ura_markers[i])) return f;
    }
    seen_ = seen;
    red_seen_ = red_seen;
    if (auto f = win_deltas(e)) return f;
    any_hora_ = true;
    phase_ = Phase::Result;
    return result_deltas(e);
}

// Riichi sticks of earlier hands and the deposits of this hand's accepted
// riichi, in points.
std::int64_t GameReplay::sticks_on_the_table() const {
    std::int64_t sticks = kyotaku_;
    for (const auto& s : seats_) sticks += s.accepted ? 1 : 0;
    return sticks * 1000;
}

// A win's deltas move points between the seats (the hand's value, its
// honba, a pao seat's share: what one pays another gains) and give the
// winner the sticks on the table. Of two or three wins on one discard, the
// first takes the sticks and the others none.
std::optional<Finding> GameReplay::win_deltas(const LineEvent& e) {
    if (!e.has(Field::Deltas)) return std::nullopt;
    std::int64_t sum = 0;
    for (std::size_t s = 0; s < 4; ++s) sum += e.deltas[s];
    const std::int64_t want = sticks_taken_ ? 0 : sticks_on_the_table();
    sticks_taken_ = true;
    if (sum == want) return std::nullopt;
    return found(ProblemKind::Deltas, "hora deltas " + scores_text(e.deltas) + " sum to " + std::to_string(sum) +
                                          ", not to the " + std::to_string(want) + " of the sticks the win takes");
}

std::optional<Finding> GameReplay::result_deltas(const LineEvent& e) {
    if (!e.has(Field::Deltas)) {
        deltas_known_ = false;
        return std::nullopt;
    }
    for (std::size_t s = 0; s < 4; ++s) deltas_[s] += e.deltas[s];
    return std::nullopt;
}

}  // namespace ripaion::check
