// Reading Tenhou's call, kan and riichi texts. A text holds two-character
// tile codes with one marker letter; where the letter stands says which seat
// the tile was called from and which code is the called tile.
#include "ripaion/conv/call_notation.hpp"

#include <cstddef>

#include "ripaion/mjai/tile.hpp"

namespace ripaion::conv {
namespace {

using mjai::Seat;
using mjai::Tile;

constexpr Seat left_of(Seat s) { return static_cast<Seat>((s + 3) % 4); }
constexpr Seat opposite_of(Seat s) { return static_cast<Seat>((s + 2) % 4); }
constexpr Seat right_of(Seat s) { return static_cast<Seat>((s + 1) % 4); }

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The code at byte position i (callers guarantee i + 2 <= text.size()).
// Plain digit pairs are read here directly; everything else goes through the
// general code-text reader, which also produces the failure text.
Result<Tile, QueueFailure> code_at(std::string_view text, std::size_t i) {
    const char b0 = text[i], b1 = text[i + 1];
    if (is_digit(b1) && (is_digit(b0) || b0 == '+')) {
        const unsigned n = b0 == '+' ? unsigned(b1 - '0') : unsigned(b0 - '0') * 10 + unsigned(b1 - '0');
        if (auto t = mjai::tile_from_tenhou_code(n)) return *t;
    }
    auto t = mjai::tile_from_code_text(text.substr(i, 2));
    if (t) return t.value();
    return fail(QueueFailure{HandFailure::BadTileCode, std::move(t.error().text)});
}

Failure<QueueFailure> bad_notation(std::string_view text) {
    return fail(QueueFailure{HandFailure::BadNotation, std::string(text)});
}

// Reads the codes at the given positions into `out`; false on the first bad code.
template <std::size_t N>
bool read_codes(std::string_view text, const std::array<std::size_t, N>& at, std::array<Tile, N>& out,
                QueueFailure& error) {
    for (std::size_t i = 0; i < N; ++i) {
        auto t = code_at(text, at[i]);
        if (!t) {
            error = std::move(t.error());
            return false;
        }
        out[i] = t.value();
    }
    return true;
}

// Called tile first, then the consumed tiles in text order.
template <std::size_t N>
Result<QueueEvent, QueueFailure> read_call(QueueEvent::Kind kind, Seat seat, Seat target, std::string_view text,
                                           const std::array<std::size_t, N>& at) {
    std::array<Tile, N> codes{};
    QueueFailure error{};
    if (!read_codes(text, at, codes, error)) return fail(std::move(error));
    QueueEvent call{kind, seat, target, codes[0]};
    for (std::size_t i = 1; i < N; ++i) call.consumed[i - 1] = codes[i];
    return call;
}

}  // namespace

Result<QueueEvent, QueueFailure> take_from_notation(Seat seat, std::string_view text) {
    constexpr auto npos = std::string_view::npos;
    // The letters are looked for in the order c, p, m; the first one present
    // decides the form. A chi is always taken from the left seat, and its
    // codes sit at fixed places whatever the position of the c.
    if (text.find('c') != npos) {
        if (text.size() != 7) return bad_notation(text);
        return read_call<3>(QueueEvent::Chi, seat, left_of(seat), text, {1, 3, 5});
    }
    if (const auto k = text.find('p'); k != npos) {
        if (text.size() != 7) return bad_notation(text);
        switch (k) {
            case 0: return read_call<3>(QueueEvent::Pon, seat, left_of(seat), text, {1, 3, 5});
            case 2: return read_call<3>(QueueEvent::Pon, seat, opposite_of(seat), text, {3, 0, 5});
            case 4: return read_call<3>(QueueEvent::Pon, seat, right_of(seat), text, {5, 0, 2});
            default: return bad_notation(text);
        }
    }
    if (const auto k = text.find('m'); k != npos) {
        if (text.size() != 9) return bad_notation(text);
        switch (k) {
            case 0: return read_call<4>(QueueEvent::Daiminkan, seat, left_of(seat), text, {1, 3, 5, 7});
            case 2: return read_call<4>(QueueEvent::Daiminkan, seat, opposite_of(seat), text, {3, 0, 5, 7});
            case 6: return read_call<4>(QueueEvent::Daiminkan, seat, right_of(seat), text, {7, 0, 2, 4});
            default: return bad_notation(text);
        }
    }
    return bad_notation(text);
}

Result<std::monostate, QueueFailure> append_discard_notation(Seat seat, std::string_view text,
                                                             std::vector<QueueEvent>& out) {
    constexpr auto npos = std::string_view::npos;
    QueueFailure error{};
    if (const auto k = text.find('k'); k != npos) {
        if (text.size() != 9) return bad_notation(text);
        std::array<std::size_t, 4> at{};
        switch (k) {
            case 0: at = {1, 3, 5, 7}; break;
            case 2: at = {3, 0, 5, 7}; break;
            case 4: at = {5, 0, 2, 7}; break;
            default: return bad_notation(text);
        }
        std::array<Tile, 4> codes{};
        if (!read_codes(text, at, codes, error)) return fail(std::move(error));
        out.push_back({QueueEvent::Kakan, seat, 0, codes[0], false, {codes[1], codes[2], codes[3]}});
        return std::monostate{};
    }
    if (text.find('a') != npos) {
        // Byte 6 is where the a belongs; it is not read. An a anywhere else
        // lands inside one of the codes read, which then fails as a code.
        if (text.size() != 9) return bad_notation(text);
        std::array<Tile, 4> codes{};
        if (!read_codes(text, std::array<std::size_t, 4>{0, 2, 4, 7}, codes, error)) return fail(std::move(error));
        out.push_back({QueueEvent::Ankan, seat, 0, mjai::kUnknownTile, false, codes});
        return std::monostate{};
    }
    if (text.size() == 3) {
        // Riichi: byte 0 is the declaration letter and is not examined; the
        // rest is the discarded tile, 60 for a tsumogiri whose tile the
        // pairing with the draw fills in.
        Tile pai = mjai::kUnknownTile;
        bool tsumogiri = true;
        if (!(text[1] == '6' && text[2] == '0')) {
            auto t = code_at(text, 1);
            if (!t) return fail(std::move(t.error()));
            pai = t.value();
            tsumogiri = pai == mjai::kUnknownTile;
        }
        out.push_back({QueueEvent::Reach, seat});
        out.push_back({QueueEvent::Dahai, seat, 0, pai, tsumogiri});
        return std::monostate{};
    }
    return bad_notation(text);
}

}  // namespace ripaion::conv
