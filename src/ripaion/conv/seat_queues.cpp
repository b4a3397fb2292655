#include "ripaion/conv/seat_queues.hpp"

#include <cstddef>

#include "ripaion/conv/call_notation.hpp"

namespace ripaion::conv {
namespace {

using mjai::Seat;

// A new entry of the queue, filled in place (see append_game_event).
QueueEvent& append(std::vector<QueueEvent>& out, QueueEvent::Kind kind, Seat seat, mjai::Tile pai) {
    QueueEvent& e = out.emplace_back();
    e.kind = kind;
    e.actor = seat;
    e.pai = pai;
    return e;
}

Result<std::monostate, QueueFailure> build_takes(Seat seat, const std::vector<model::ActionItem>& items,
                                                 std::vector<QueueEvent>& out) {
    using Kind = model::ActionItem::Kind;
    for (const auto& item : items) {
        switch (item.kind) {
            case Kind::Tile:
                append(out, QueueEvent::Tsumo, seat, item.tile);
                break;
            case Kind::Number:
                return fail(QueueFailure{HandFailure::NumberInTakes, {}});
            case Kind::Notation: {
                auto call = take_from_notation(seat, item.notation);
                if (!call) return fail(std::move(call.error()));
                out.push_back(call.value());
                break;
            }
        }
    }
    return std::monostate{};
}

Result<std::monostate, QueueFailure> build_discards(Seat seat, const std::vector<model::ActionItem>& items,
                                                    std::vector<QueueEvent>& out) {
    using Kind = model::ActionItem::Kind;
    for (const auto& item : items) {
        if (item.kind == Kind::Notation) {
            auto added = append_discard_notation(seat, item.notation, out);
            if (!added) return fail(std::move(added.error()));
            continue;
        }
        // A tile, or the tsumogiri marker (any number that is not a tile
        // code), whose tile is the one drawn, filled in by the pairing below.
        // Selected rather than branched on: the two come in no order.
        const bool marker = item.kind == Kind::Number;
        append(out, QueueEvent::Dahai, seat, marker ? mjai::kUnknownTile : item.tile).tsumogiri = marker;
    }
    return std::monostate{};
}

// Each take pairs with one discard event, in order; a riichi declaration
// stands in front of the discard it pairs through. A tsumogiri discard takes
// the tile of the draw it pairs with (a call leaves it unknown). A discard of
// tile code 0 is a placeholder that only uses up its take: it is dropped.
// Dropping compacts the queue in place, so the pass stays linear.
void pair_takes_with_discards(const std::vector<QueueEvent>& takes, std::vector<QueueEvent>& discards) {
    const std::size_t n = discards.size();
    std::size_t read = 0, write = 0;
    auto keep = [&] {
        if (write != read) discards[write] = discards[read];
        ++write;
        ++read;
    };
    for (const QueueEvent& take : takes) {
        if (read >= n) break;
        if (discards[read].kind == QueueEvent::Reach) {
            keep();
            if (read >= n) break;
        }
        QueueEvent& d = discards[read];
        if (d.kind == QueueEvent::Dahai) {
            const bool drawn_tile = d.tsumogiri && take.kind == QueueEvent::Tsumo;
            d.pai = drawn_tile ? take.pai : d.pai;
            if (!d.tsumogiri && d.pai == mjai::kUnknownTile) {
                ++read;
                continue;
            }
        }
        keep();
    }
    while (read < n) keep();
    discards.erase(discards.begin() + static_cast<std::ptrdiff_t>(write), discards.end());
}

}  // namespace

Result<std::monostate, QueueFailure> build_one_seat(Seat seat, const SeatLog& log, SeatQueues& out) {
    out.take_events.clear();
    out.discard_events.clear();
    out.take_events.reserve(log.takes.size());
    out.discard_events.reserve(log.discards.size() + 4);
    if (auto r = build_takes(seat, log.takes, out.take_events); !r) return r;
    if (auto r = build_discards(seat, log.discards, out.discard_events); !r) return r;
    pair_takes_with_discards(out.take_events, out.discard_events);
    return std::monostate{};
}

Result<std::monostate, QueueFailure> build_seat_queues(const std::array<SeatLog, 4>& seats, HandQueues& out) {
    for (Seat s = 0; s < 4; ++s) {
        if (auto r = build_one_seat(s, seats[s], out[s]); !r) return r;
    }
    return std::monostate{};
}

}  // namespace ripaion::conv
