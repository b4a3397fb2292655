#include "ripaion/conv/turn_walk.hpp"

#include "ripaion/conv/walk_state.hpp"

namespace ripaion::conv {
namespace {


class Walk {
public:
    Walk(const HandQueues& queues, std::span<const mjai::Tile> dora, mjai::Seat oya, CallChoices& choices,
         std::vector<WalkStep>& steps)
        : q_(queues), dora_(dora), choices_(choices), steps_(steps) {
        st_.actor = static_cast<mjai::Seat>(oya % 4);
        for (int s = 0; s < 4; ++s) {
            for (const QueueEvent& e : q_[s].discard_events) {
                if (e.kind == QueueEvent::Dahai) ++st_.remaining[s][tile_slot(e.pai)];
            }
        }
    }

    Result<std::monostate, HandFailure> run() {
        for (;;) {
            const mjai::Seat a = st_.actor;
            const auto& takes = q_[a].take_events;

            // Take: a draw, or a call on the latest discard.
            if (st_.take_pos[a] >= takes.size()) return fail(HandFailure::TakesExhausted);
            const std::size_t ti = st_.take_pos[a]++;
            const QueueEvent& t = takes[ti];
            if (!claims_last_discard(t)) return fail(HandFailure::CallMismatch);
            if (st_.reach_pending) steps_.push_back({0, WalkStep::ReachAccepted, st_.reach_seat});
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
            steps_.push_back({di, WalkStep::Discard, a});

            if (d.kind == QueueEvent::Reach) {
                if (st_.discard_pos[a] >= discards.size()) return fail(HandFailure::ReachWithoutDiscard);
                const std::size_t ri = st_.discard_pos[a]++;
                note_discard(discards[ri]);
                steps_.push_back({ri, WalkStep::Discard, a});
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
        steps_.push_back({index, WalkStep::Take, st_.actor});
        return true;
    }

    // An open kan, its replacement draw(s), and the indicator timing: an
    // earlier kan's indicator shows before the new kan, and each kan that
    // follows directly as a replacement take shows the previous one's.
    Result<std::monostate, HandFailure> take_daiminkan(std::size_t kan_index, const std::vector<QueueEvent>& takes) {
        const mjai::Seat a = st_.actor;
        if (st_.kan_dora_pending && !reveal_dora()) return fail(HandFailure::DoraExhausted);
        steps_.push_back({kan_index, WalkStep::Take, a});
        st_.kan_dora_pending = true;
        for (;;) {
            if (st_.take_pos[a] >= takes.size()) return fail(HandFailure::TakesExhausted);
            const std::size_t ui = st_.take_pos[a]++;
            const QueueEvent& u = takes[ui];
            if (!claims_last_discard(u)) return fail(HandFailure::CallMismatch);
            if (u.kind == QueueEvent::Daiminkan) {
                if (!reveal_dora()) return fail(HandFailure::DoraExhausted);
                steps_.push_back({ui, WalkStep::Take, a});
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
        steps_.push_back({st_.dora_cursor++, WalkStep::Dora, 0});
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
    std::vector<WalkStep>& steps_;
    WalkState st_;
};

}  // namespace

Result<std::monostate, HandFailure> walk_hand(const HandQueues& queues, std::span<const mjai::Tile> dora,
                                              mjai::Seat oya, CallChoices& choices, std::vector<WalkStep>& steps) {
    steps.clear();
    return Walk(queues, dora, oya, choices, steps).run();
}

void append_walked_events(const std::vector<WalkStep>& steps, const HandQueues& queues,
                          std::span<const mjai::Tile> dora, std::uint32_t hand, std::vector<GameEvent>& out) {
    for (const WalkStep& step : steps) {
        switch (step.kind) {
            case WalkStep::Take: out.push_back(game_event_of(queues[step.seat].take_events[step.index], hand)); break;
            case WalkStep::Discard:
                out.push_back(game_event_of(queues[step.seat].discard_events[step.index], hand));
                break;
            case WalkStep::Dora: {
                GameEvent e;
                e.kind = GameEvent::Dora;
                e.pai = dora[step.index];
                e.hand = hand;
                out.push_back(e);
                break;
            }
            case WalkStep::ReachAccepted: {
                GameEvent e;
                e.kind = GameEvent::ReachAccepted;
                e.actor = step.seat;
                e.hand = hand;
                out.push_back(e);
                break;
            }
        }
    }
}

}  // namespace ripaion::conv
