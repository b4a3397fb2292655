// The tests' oracle: a log's events in full, each one encoded on its own.
// The product makes lines from compact records, looking most of them up in
// the fixed table; this is the plain way to the same lines, for tests and
// the differential fuzz target to compare with.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ripaion/conv/convert.hpp"
#include "ripaion/conv/hand_conversion.hpp"
#include "ripaion/conv/queue_event.hpp"
#include "ripaion/mjai/encode.hpp"
#include "ripaion/mjai/event.hpp"
#include "ripaion/model/raw_log.hpp"
#include "ripaion/result.hpp"

namespace oracle {

using namespace ripaion;

// The event line on its own.
inline std::string event_line(const mjai::Event& e) {
    std::string out;
    (void)mjai::encode_event(e, out);
    return out;
}

// Every event of the log in full, in order.
inline Result<std::vector<mjai::Event>, conv::ConvertError> convert_log(model::RawLog log) {
    auto game = conv::convert_game(std::move(log));
    if (!game) return fail(game.error());
    std::vector<mjai::Event> out;
    out.reserve(game.value().events.size());
    for (const conv::GameEvent& e : game.value().events) out.push_back(conv::full_event(game.value(), e));
    return out;
}

// One hand's events in full (start_kyoku to end_kyoku) appended to `out`;
// the number of walks it took.
inline Result<int, conv::AttemptsFailed> convert_kyoku(const conv::PreparedKyoku& hand, conv::HandScratch& scratch,
                                                       std::vector<mjai::Event>& out) {
    std::vector<conv::GameEvent> events;
    auto converted = conv::convert_kyoku_events(hand, 0, scratch, events);
    if (!converted) return converted;
    for (const conv::GameEvent& e : events) out.push_back(conv::full_event(e, hand));
    return converted;
}

// The full event of a queue entry, fields copied.
inline mjai::Event to_event(const conv::QueueEvent& e) {
    const auto& c = e.consumed;
    switch (e.kind) {
        case conv::QueueEvent::Tsumo: return mjai::Tsumo{e.actor, e.pai};
        case conv::QueueEvent::Dahai: return mjai::Dahai{e.actor, e.pai, e.tsumogiri};
        case conv::QueueEvent::Chi: return mjai::Chi{e.actor, e.target, e.pai, {c[0], c[1]}};
        case conv::QueueEvent::Pon: return mjai::Pon{e.actor, e.target, e.pai, {c[0], c[1]}};
        case conv::QueueEvent::Daiminkan: return mjai::Daiminkan{e.actor, e.target, e.pai, {c[0], c[1], c[2]}};
        case conv::QueueEvent::Kakan: return mjai::Kakan{e.actor, e.pai, {c[0], c[1], c[2]}};
        case conv::QueueEvent::Ankan: return mjai::Ankan{e.actor, c};
        case conv::QueueEvent::Reach: return mjai::Reach{e.actor};
    }
    return mjai::None{};
}

// Whether the event's line belongs in the fixed table, written out per
// kind: a draw, discard, riichi or acceptance by seats 0 to 3, a dora reveal,
// end_kyoku and end_game, with tiles among the 38.
inline bool is_table_event(const mjai::Event& e) {
    const auto seat_ok = [](mjai::Seat s) { return s < 4; };
    const auto tile_ok = [](mjai::Tile t) { return mjai::tile_index(t) < mjai::kTileCount; };
    if (const auto* t = std::get_if<mjai::Tsumo>(&e)) return seat_ok(t->actor) && tile_ok(t->pai);
    if (const auto* d = std::get_if<mjai::Dahai>(&e)) return seat_ok(d->actor) && tile_ok(d->pai);
    if (const auto* r = std::get_if<mjai::Reach>(&e)) return seat_ok(r->actor);
    if (const auto* a = std::get_if<mjai::ReachAccepted>(&e)) return seat_ok(a->actor);
    if (const auto* o = std::get_if<mjai::Dora>(&e)) return tile_ok(o->dora_marker);
    return std::holds_alternative<mjai::EndKyoku>(e) || std::holds_alternative<mjai::EndGame>(e);
}

}  // namespace oracle
