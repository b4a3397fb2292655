#include "ripaion/conv/turn_walk.hpp"

#include "ripaion/conv/walk_state.hpp"

namespace ripaion::conv {
namespace {

using mjai::Event;

class Walk {
public:
    Walk(const HandQueues& queues, std::span<const mjai::Tile> dora, mjai::Seat oya, CallChoices& choices,
         std::vector<Event>& out)
        : q_(queues), dora_(dora), choices_(choices), out_(out) {
        st_.actor = static_cast<mjai::Seat>(oya % 4);
        for (int s = 0; s < 4; ++s) {
            for (const Event& e : q_[s].discard_events) {
                if (auto* d = std::get_if<mjai::Dahai>(&e)) ++st_.remaining[s][tile_slot(d->pai)];
            }
        }
    }

    Result<std::monostate, HandFailure> run() {
        for (;;) {
            const mjai::Seat a = st_.actor;
            const auto& takes = q_[a].take_events;

            // Take: a draw, or a call on the latest discard.
            if (st_.take_pos[a] >= takes.size()) return fail(HandFailure::TakesExhausted);
            const Event& t = takes[st_.take_pos[a]++];
            if (!claims_last_discard(t)) return fail(HandFailure::CallMismatch);
            if (st_.reach_pending) out_.push_back(mjai::ReachAccepted{st_.reach_seat});
            if (std::holds_alternative<mjai::Daiminkan>(t)) {
                if (auto r = take_daiminkan(t, takes); !r) return r;
            } else if (!append_take(t)) {
                return fail(HandFailure::DoraExhausted);
            }

            // Discard. A seat that took and has nothing left to put out ends the hand.
            const auto& discards = q_[a].discard_events;
            if (st_.discard_pos[a] >= discards.size()) return std::monostate{};
            const Event& d = discards[st_.discard_pos[a]++];
            st_.reach_pending = false;
            note_discard(d);
            if (st_.kan_dora_pending) {
                // An open kan's indicator shows before the next discard or
                // concealed kan; after an added kan it waits for the next draw.
                if (std::holds_alternative<mjai::Dahai>(d) || std::holds_alternative<mjai::Ankan>(d)) {
                    if (!reveal_dora()) return fail(HandFailure::DoraExhausted);
                    st_.kan_dora_pending = false;
                } else if (std::holds_alternative<mjai::Kakan>(d)) {
                    st_.dora_before_tsumo = true;
                }
            }
            out_.push_back(d);

            if (std::holds_alternative<mjai::Reach>(d)) {
                if (st_.discard_pos[a] >= discards.size()) return fail(HandFailure::ReachWithoutDiscard);
                const Event& riichi_discard = discards[st_.discard_pos[a]++];
                note_discard(riichi_discard);
                out_.push_back(riichi_discard);
                st_.reach_pending = true;
                st_.reach_seat = a;
            }

            if (all_takes_used()) return std::monostate{};

            if (std::holds_alternative<mjai::Kakan>(d)) {
                st_.kan_dora_pending = true;
                continue;  // replacement draw by the same seat
            }
            if (std::holds_alternative<mjai::Ankan>(d)) {
                if (!reveal_dora()) return fail(HandFailure::DoraExhausted);
                continue;  // replacement draw by the same seat
            }

            const mjai::Seat next = choose_next_seat(q_, st_, choices_);
            st_.has_discarded = true;
            st_.last_discarder = a;
            st_.actor = next;
        }
    }

private:
    // A call must name the latest discard; once the turn has been handed on,
    // also its discarder, who cannot be the caller.
    bool claims_last_discard(const Event& e) const {
        const auto call = as_call(e);
        if (!call) return true;
        if (call->pai != st_.last_pai) return false;
        if (!st_.has_discarded) return true;
        return call->target == st_.last_discarder && call->actor != st_.last_discarder;
    }

    // A draw, chi or pon; false when a due indicator is missing.
    bool append_take(const Event& t) {
        if (std::holds_alternative<mjai::Tsumo>(t) && st_.dora_before_tsumo) {
            if (!reveal_dora()) return false;
            st_.dora_before_tsumo = false;
        }
        out_.push_back(t);
        return true;
    }

    // An open kan, its replacement draw(s), and the indicator timing: an
    // earlier kan's indicator shows before the new kan, and each kan that
    // follows directly as a replacement take shows the previous one's.
    Result<std::monostate, HandFailure> take_daiminkan(const Event& kan, const std::vector<Event>& takes) {
        const mjai::Seat a = st_.actor;
        if (st_.kan_dora_pending && !reveal_dora()) return fail(HandFailure::DoraExhausted);
        out_.push_back(kan);
        st_.kan_dora_pending = true;
        for (;;) {
            if (st_.take_pos[a] >= takes.size()) return fail(HandFailure::TakesExhausted);
            const Event& u = takes[st_.take_pos[a]++];
            if (!claims_last_discard(u)) return fail(HandFailure::CallMismatch);
            if (std::holds_alternative<mjai::Daiminkan>(u)) {
                if (!reveal_dora()) return fail(HandFailure::DoraExhausted);
                out_.push_back(u);
                continue;
            }
            if (!append_take(u)) return fail(HandFailure::DoraExhausted);
            return std::monostate{};
        }
    }

    void note_discard(const Event& e) {
        if (auto* d = std::get_if<mjai::Dahai>(&e)) {
            st_.last_pai = d->pai;
            --st_.remaining[st_.actor][tile_slot(d->pai)];
        }
    }

    bool reveal_dora() {
        if (st_.dora_cursor >= dora_.size()) return false;
        out_.push_back(mjai::Dora{dora_[st_.dora_cursor++]});
        return true;
    }

    bool all_takes_used() const {
        for (int s = 0; s < 4; ++s) {
            if (st_.take_pos[s] < q_[s].take_events.size()) return false;
        }
        return true;
    }

    const HandQueues& q_;
    std::span<const mjai::Tile> dora_;
    CallChoices& choices_;
    std::vector<Event>& out_;
    WalkState st_;
};

}  // namespace

Result<std::monostate, HandFailure> walk_hand(const HandQueues& queues, std::span<const mjai::Tile> dora,
                                              mjai::Seat oya, CallChoices& choices, std::vector<Event>& out) {
    return Walk(queues, dora, oya, choices, out).run();
}

}  // namespace ripaion::conv
