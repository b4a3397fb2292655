#include "ripaion/conv/hand_results.hpp"

#include <string_view>

#include "ripaion/conv/game_events.hpp"

namespace ripaion::conv {
namespace {

using model::JsonValue;
using model::ResultItem;

using model::kWinLabel;

// A seat number from win details: non-negative integers wrap to 8 bits,
// negative and fractional numbers count as 0.
mjai::Seat seat_from(const JsonValue& v) noexcept {
    return v.kind == JsonValue::Kind::UInt ? static_cast<mjai::Seat>(v.uint & 0xFF) : mjai::Seat{0};
}

}  // namespace

Result<KyokuOutcome, MalformedWinDetails> derive_outcome(const std::vector<ResultItem>& results) {
    const std::size_t n = results.size();
    if (n == 0 || results[0].kind != ResultItem::Kind::Label) return KyokuOutcome{RyukyokuOutcome{}};
    if (results[0].label != kWinLabel) {
        // Any other label is a draw or an abort; which one is not told apart.
        RyukyokuOutcome draw{};
        if (n >= 2 && results[1].kind == ResultItem::Kind::Deltas) draw.deltas = results[1].deltas;
        return KyokuOutcome{draw};
    }
    // Wins come as (deltas, details) pairs; pairs of other shapes are skipped
    // and an unpaired last entry is ignored.
    HoraOutcome hora;
    const std::size_t pairs = (n - 1) / 2;
    hora.wins.reserve(pairs);
    for (std::size_t i = 0; i < pairs; ++i) {
        const ResultItem& p = results[1 + 2 * i];
        const ResultItem& q = results[2 + 2 * i];
        if (p.kind != ResultItem::Kind::Deltas || q.kind != ResultItem::Kind::Details) continue;
        if (q.details.size() < 2 || !q.details[0].is_number() || !q.details[1].is_number()) {
            return fail(MalformedWinDetails{});
        }
        hora.wins.push_back(HoraResult{p.deltas, seat_from(q.details[0]), seat_from(q.details[1])});
    }
    return KyokuOutcome{std::move(hora)};
}

void append_results(std::vector<mjai::Event>& out, const KyokuOutcome& outcome, std::span<const mjai::Tile> ura) {
    if (const auto* hora = std::get_if<HoraOutcome>(&outcome)) {
        for (const HoraResult& win : hora->wins) {
            out.push_back(mjai::Hora{win.actor, win.target, win.deltas, std::vector<mjai::Tile>(ura.begin(), ura.end())});
        }
    } else {
        out.push_back(mjai::Ryukyoku{std::get_if<RyukyokuOutcome>(&outcome)->deltas});
    }
    out.push_back(mjai::EndKyoku{});
}

void append_result_events(std::vector<GameEvent>& out, const KyokuOutcome& outcome, std::uint32_t hand) {
    GameEvent e;
    e.hand = hand;
    if (const auto* hora = std::get_if<HoraOutcome>(&outcome)) {
        e.kind = GameEvent::Hora;
        for (std::size_t i = 0; i < hora->wins.size(); ++i) {
            e.win = static_cast<std::uint32_t>(i);
            out.push_back(e);
        }
        e.win = 0;
    } else {
        e.kind = GameEvent::Ryukyoku;
        out.push_back(e);
    }
    e.kind = GameEvent::EndKyoku;
    out.push_back(e);
}

std::size_t result_event_count(const KyokuOutcome& outcome) noexcept {
    if (const auto* hora = std::get_if<HoraOutcome>(&outcome)) return hora->wins.size() + 1;
    return 2;
}

}  // namespace ripaion::conv
