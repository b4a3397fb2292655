// What the C++ tests share: reading the test data, builders for
// hand-written hands, a compact text form of events, and the full-event
// oracle (full_event_oracle.hpp).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "full_event_oracle.hpp"
#include "ripaion/conv/hand_conversion.hpp"
#include "ripaion/conv/prepared_kyoku.hpp"
#include "ripaion/mjai/event.hpp"
#include "ripaion/model/raw_log.hpp"
#include "test_files.hpp"

namespace support {

using namespace ripaion;
using mjai::Event;
using mjai::Tile;
using oracle::event_line;

inline Tile tile(unsigned code) { return *mjai::tile_from_tenhou_code(code); }

// Space-separated tile codes.
inline std::vector<Tile> tiles(std::string_view codes) {
    std::vector<Tile> out;
    std::istringstream in{std::string(codes)};
    for (unsigned c; in >> c;) out.push_back(tile(c));
    return out;
}

// One list entry classified as the log reader does: an integer that is a
// tile code is a tile, another integer 0..255 a number, anything else text.
inline model::ActionItem item(std::string_view token) {
    model::ActionItem it;
    bool digits = !token.empty() && token.size() <= 3;
    unsigned v = 0;
    for (char c : token) {
        if (c < '0' || c > '9') digits = false;
        else v = v * 10 + unsigned(c - '0');
    }
    if (digits && v <= 255) {
        if (auto t = mjai::tile_from_tenhou_code(v)) {
            it.kind = model::ActionItem::Kind::Tile;
            it.tile = *t;
        } else {
            it.kind = model::ActionItem::Kind::Number;
            it.number = static_cast<std::uint8_t>(v);
        }
    } else {
        it.kind = model::ActionItem::Kind::Notation;
        it.notation = std::string(token);
    }
    return it;
}

inline std::vector<model::ActionItem> items(std::string_view spaced) {
    std::vector<model::ActionItem> out;
    std::istringstream in{std::string(spaced)};
    for (std::string tok; in >> tok;) out.push_back(item(tok));
    return out;
}

inline std::string name(Tile t) { return std::string(mjai::tile_name(t)); }

template <std::size_t N>
std::string names(const std::array<Tile, N>& ts) {
    std::string s = "[";
    for (std::size_t i = 0; i < N; ++i) {
        if (i) s += ' ';
        s += mjai::tile_name(ts[i]);
    }
    return s + "]";
}

inline std::string deltas_text(const mjai::Deltas& d) {
    std::string s = "[";
    for (std::size_t i = 0; i < d.size(); ++i) {
        if (i) s += ' ';
        s += std::to_string(d[i]);
    }
    s += ']';
    return s;
}

// e.g. "tsumo 0 1m", "dahai 0 9m tsumogiri", "pon 1 from 0 9m [9m 9m]", "dora 3p".
struct ShowEvent {
    static std::string to_string(unsigned v) { return std::to_string(v); }
    std::string operator()(const mjai::None&) const { return "none"; }
    std::string operator()(const mjai::StartGame&) const { return "start_game"; }
    std::string operator()(const mjai::StartKyoku&) const { return "start_kyoku"; }
    std::string operator()(const mjai::Tsumo& x) const { return "tsumo " + to_string(x.actor) + " " + name(x.pai); }
    std::string operator()(const mjai::Dahai& x) const {
        return "dahai " + to_string(x.actor) + " " + name(x.pai) + (x.tsumogiri ? " tsumogiri" : "");
    }
    std::string operator()(const mjai::Chi& x) const { return call("chi", x); }
    std::string operator()(const mjai::Pon& x) const { return call("pon", x); }
    std::string operator()(const mjai::Daiminkan& x) const { return call("daiminkan", x); }
    std::string operator()(const mjai::Kakan& x) const {
        return "kakan " + to_string(x.actor) + " " + name(x.pai) + " " + names(x.consumed);
    }
    std::string operator()(const mjai::Ankan& x) const { return "ankan " + to_string(x.actor) + " " + names(x.consumed); }
    std::string operator()(const mjai::Dora& x) const { return "dora " + name(x.dora_marker); }
    std::string operator()(const mjai::Reach& x) const { return "reach " + to_string(x.actor); }
    std::string operator()(const mjai::ReachAccepted& x) const { return "reach_accepted " + to_string(x.actor); }
    std::string operator()(const mjai::Hora& x) const {
        std::string s = "hora " + to_string(x.actor) + " from " + to_string(x.target);
        if (x.deltas) {
            s += ' ';
            s += deltas_text(*x.deltas);
        }
        if (x.ura_markers) {
            s += " ura [";
            for (std::size_t i = 0; i < x.ura_markers->size(); ++i) {
                if (i) s += ' ';
                s += mjai::tile_name((*x.ura_markers)[i]);
            }
            s += "]";
        }
        return s;
    }
    std::string operator()(const mjai::Ryukyoku& x) const {
        return x.deltas ? "ryukyoku " + deltas_text(*x.deltas) : "ryukyoku";
    }
    std::string operator()(const mjai::EndKyoku&) const { return "end_kyoku"; }
    std::string operator()(const mjai::EndGame&) const { return "end_game"; }

    template <class C>
    static std::string call(const char* kind, const C& x) {
        return std::string(kind) + " " + to_string(x.actor) + " from " + to_string(x.target) + " " + name(x.pai) +
               " " + names(x.consumed);
    }
};

inline std::string show(const Event& e) { return std::visit(ShowEvent{}, e); }

inline std::string show(const std::vector<Event>& events, std::size_t from = 0, std::size_t to = SIZE_MAX) {
    std::string s;
    for (std::size_t i = from; i < events.size() && i < to; ++i) {
        if (i != from) s += ", ";
        s += show(events[i]);
    }
    return s;
}

inline std::string show(const conv::QueueEvent& e) { return show(oracle::to_event(e)); }

inline std::string show(const std::vector<conv::QueueEvent>& events) {
    std::string s;
    for (std::size_t i = 0; i < events.size(); ++i) {
        if (i) s += ", ";
        s += show(events[i]);
    }
    return s;
}

inline const char* failure_name(conv::HandFailure f) {
    switch (f) {
        case conv::HandFailure::BadNotation: return "BadNotation";
        case conv::HandFailure::BadTileCode: return "BadTileCode";
        case conv::HandFailure::NumberInTakes: return "NumberInTakes";
        case conv::HandFailure::DoraExhausted: return "DoraExhausted";
        case conv::HandFailure::TakesExhausted: return "TakesExhausted";
        case conv::HandFailure::ReachWithoutDiscard: return "ReachWithoutDiscard";
        case conv::HandFailure::CallMismatch: return "CallMismatch";
    }
    return "?";
}

// A hand written as per-seat draw and discard lists; every haipai is 13 x 1m
// and the outcome a draw without score changes.
struct HandSpec {
    std::array<std::string, 4> takes{};
    std::array<std::string, 4> discards{};
    std::string dora = "21 22 23";
    std::uint8_t kyoku_num = 0;
};

inline conv::PreparedKyoku prepare(const HandSpec& spec) {
    conv::PreparedKyoku p{conv::RyukyokuOutcome{}, tiles(spec.dora), {}, {}, {25000, 25000, 25000, 25000},
                          spec.kyoku_num, 0, 0};
    for (int s = 0; s < 4; ++s) {
        p.seats[s].haipai.fill(tile(11));
        p.seats[s].takes = items(spec.takes[s]);
        p.seats[s].discards = items(spec.discards[s]);
    }
    return p;
}

struct Walked {
    std::string events;  // turn events only, or "failed: <kind>"
    int attempts = 0;
};

// Converts the hand and shows what lies between start_kyoku and the closing
// ryukyoku and end_kyoku.
inline Walked walk(const HandSpec& spec) {
    conv::HandScratch scratch;
    std::vector<Event> out;
    auto r = oracle::convert_kyoku(prepare(spec), scratch, out);
    if (!r) return {std::string("failed: ") + failure_name(r.error().first_failure), r.error().attempts};
    return {show(out, 1, out.size() - 2), r.value()};
}

}  // namespace support
