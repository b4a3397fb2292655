#include "ripaion/conv/turn_walk.hpp"

#include "ripaion/conv/next_seat.hpp"
#include "ripaion/conv/walk_state.hpp"

namespace ripaion::conv {
namespace {

// Where a walk puts what it finds: the steps by reference, or the events.
struct StepRecorder {
    std::vector<WalkStep>& steps;

    void take(std::size_t index, mjai::Seat seat, const QueueEvent&) { steps.push_back({index, WalkStep::Take, seat}); }
    void discard(std::size_t index, mjai::Seat seat, const QueueEvent&) {
        steps.push_back({index, WalkStep::Discard, seat});
    }
    void dora(std::size_t index, mjai::Tile) { steps.push_back({index, WalkStep::Dora, 0}); }
    void reach_accepted(mjai::Seat seat) { steps.push_back({0, WalkStep::ReachAccepted, seat}); }
};

struct EventRecorder {
    std::vector<GameEvent>& events;
    std::uint32_t hand;

    void take(std::size_t, mjai::Seat, const QueueEvent& e) { append_game_event(events, e, hand); }
    void discard(std::size_t, mjai::Seat, const QueueEvent& e) { append_game_event(events, e, hand); }
    void dora(std::size_t, mjai::Tile marker) {
        GameEvent& e = events.emplace_back();
        e.kind = GameEvent::Dora;
        e.pai = marker;
        e.hand = hand;
    }
    void reach_accepted(mjai::Seat seat) {
        GameEvent& e = events.emplace_back();
        e.kind = GameEvent::ReachAccepted;
        e.actor = seat;
        e.hand = hand;
    }
};

template <class Recorder>
class Walk {
public:
    Walk(const HandQueues& queues, std::span<const mjai::Tile> dora, mjai::Seat oya, CallChoices& choices,
         Recorder out)
        : q_(queues), dora_(dora), choices_(choices), out_(out) {
        st_.actor = static_cast<mjai::Seat>(oya % 4);
        for (mjai::Seat s = 0; s < 4; ++s) {
            for (const QueueEvent& e : q_[s].discard_events) {
                if (e.kind == QueueEvent::Dahai) ++st_.remaining[s][tile_slot(e.pai)];
            }
            st_.takes_left += q_[s].take_events.size();
            st_.call_heads |= call_head_bit(q_[s], 0, s);
        }
    }

    Result<std::monostate, HandFailure> run() {
        for (;;) {
            const mjai::Seat a = st_.actor;
            const auto& takes = q_[a].take_events;

            // Take: a draw, or a call on the latest discard.
            if (st_.take_pos[a] >= takes.size()) return fail(HandFailure::TakesExhausted);
            const std::size_t ti = next_take(a);
            const QueueEvent& t = takes[ti];
            if (!claims_last_discard(t)) return fail(HandFailure::CallMismatch);
            if (st_.reach_pending) out_.reach_accepted(st_.reach_seat);
            if (t.kind == QueueEvent::Daiminkan) {
                if (auto r = take_daiminkan(ti, takes); !r) return r;
            } else if (!append_take(t, ti)) {
                return fail(HandFailure::DoraExhausted);
            }

            // Discard. A seat that took and has nothing left to put out ends the hand.
            const auto& discards = q_[a].discard_events;
            if (st_.discard_pos[a] >= discards.size()) return std::monostate{};
            const std::size_t di = st_.discard_pos[a]++;
            const QueueEvent& d = discards[di];
            st_.reach_pending = false;
            note_discard(d);
            if (st_.kan_dora_pending) {
                // An open kan's indicator shows before the next discard or
                // concealed kan; after an added kan it waits for the next draw.
                if (d.kind == QueueEvent::Dahai || d.kind == QueueEvent::Ankan) {
                    if (!reveal_dora()) return fail(HandFailure::DoraExhausted);
                    st_.kan_dora_pending = false;
                } else if (d.kind == QueueEvent::Kakan) {
                    st_.dora_before_tsumo = true;
                }
            }
            out_.discard(di, a, d);

            if (d.kind == QueueEvent::Reach) {
                if (st_.discard_pos[a] >= discards.size()) return fail(HandFailure::ReachWithoutDiscard);
                const std::size_t ri = st_.discard_pos[a]++;
                note_discard(discards[ri]);
                out_.discard(ri, a, discards[ri]);
                st_.reach_pending = true;
                st_.reach_seat = a;
            }

            if (all_takes_used()) return std::monostate{};

            if (d.kind == QueueEvent::Kakan) {
                st_.kan_dora_pending = true;
                continue;  // replacement draw by the same seat
            }
            if (d.kind == QueueEvent::Ankan) {
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
    bool claims_last_discard(const QueueEvent& e) const {
        if (!e.is_call()) return true;
        if (e.pai != st_.last_pai) return false;
        if (!st_.has_discarded) return true;
        return e.target == st_.last_discarder && e.actor != st_.last_discarder;
    }

    // A draw, chi or pon; false when a due indicator is missing.
    bool append_take(const QueueEvent& t, std::size_t index) {
        if (t.kind == QueueEvent::Tsumo && st_.dora_before_tsumo) {
            if (!reveal_dora()) return false;
            st_.dora_before_tsumo = false;
        }
        out_.take(index, st_.actor, t);
        return true;
    }

    // An open kan, its replacement draw(s), and the indicator timing: an
    // earlier kan's indicator shows before the new kan, and each kan that
    // follows directly as a replacement take shows the previous one's.
    Result<std::monostate, HandFailure> take_daiminkan(std::size_t kan_index, const std::vector<QueueEvent>& takes) {
        const mjai::Seat a = st_.actor;
        if (st_.kan_dora_pending && !reveal_dora()) return fail(HandFailure::DoraExhausted);
        out_.take(kan_index, a, takes[kan_index]);
        st_.kan_dora_pending = true;
        for (;;) {
            if (st_.take_pos[a] >= takes.size()) return fail(HandFailure::TakesExhausted);
            const std::size_t ui = next_take(a);
            const QueueEvent& u = takes[ui];
            if (!claims_last_discard(u)) return fail(HandFailure::CallMismatch);
            if (u.kind == QueueEvent::Daiminkan) {
                if (!reveal_dora()) return fail(HandFailure::DoraExhausted);
                out_.take(ui, a, u);
                continue;
            }
            if (!append_take(u, ui)) return fail(HandFailure::DoraExhausted);
            return std::monostate{};
        }
    }

    void note_discard(const QueueEvent& e) {
        if (e.kind == QueueEvent::Dahai) {
            st_.last_pai = e.pai;
            --st_.remaining[st_.actor][tile_slot(e.pai)];
        }
    }

    bool reveal_dora() {
        if (st_.dora_cursor >= dora_.size()) return false;
        out_.dora(st_.dora_cursor, dora_[st_.dora_cursor]);
        ++st_.dora_cursor;
        return true;
    }

    bool all_takes_used() const { return st_.takes_left == 0; }

    // Uses the seat's next take event (which exists) and returns its index.
    std::size_t next_take(mjai::Seat s) {
        const std::size_t i = st_.take_pos[s]++;
        --st_.takes_left;
        st_.call_heads = (st_.call_heads & ~(1u << s)) | call_head_bit(q_[s], i + 1, s);
        return i;
    }

    const HandQueues& q_;
    std::span<const mjai::Tile> dora_;
    CallChoices& choices_;
    Recorder out_;
    WalkState st_;
};

}  // namespace

Result<std::monostate, HandFailure> walk_hand(const HandQueues& queues, std::span<const mjai::Tile> dora,
                                              mjai::Seat oya, CallChoices& choices, std::vector<WalkStep>& steps) {
    steps.clear();
    return Walk<StepRecorder>(queues, dora, oya, choices, StepRecorder{steps}).run();
}

Result<std::monostate, HandFailure> walk_hand_events(const HandQueues& queues, std::span<const mjai::Tile> dora,
                                                     mjai::Seat oya, CallChoices& choices, std::uint32_t hand,
                                                     std::vector<GameEvent>& events) {
    return Walk<EventRecorder>(queues, dora, oya, choices, EventRecorder{events, hand}).run();
}

}  // namespace ripaion::conv
