#include "ripaion/mjlog/meld_notation.hpp"

#include <algorithm>
#include <array>

#include "ripaion/mjlog/tile_id.hpp"

namespace ripaion::mjlog {
namespace {

void append_code(std::string& out, unsigned id, bool red_fives) {
    const std::uint8_t code = tenhou_code_of_id(id, red_fives);
    out += static_cast<char>('0' + code / 10);
    out += static_cast<char>('0' + code % 10);
}

// Tiles of one kind, other than the called one, as the notation lists them:
// the red five last.
template <std::size_t N>
void sort_same_kind(std::array<unsigned, N>& ids, bool red_fives) {
    std::sort(ids.begin(), ids.end(), [&](unsigned a, unsigned b) {
        return hand_order_key(a, red_fives) < hand_order_key(b, red_fives);
    });
}

// The called tile, marked, goes among the others at the source's place:
// the left seat (relative 3) first, the opposite seat second, the right
// seat last.
template <std::size_t N>
std::string place_called(char mark, const std::string& called, const std::array<unsigned, N>& others,
                         unsigned relative, bool red_fives) {
    const std::size_t at = relative == 3 ? 0 : relative == 2 ? 1 : N;
    std::string out;
    for (std::size_t i = 0; i <= N; ++i) {
        if (i == at) {
            out += mark;
            out += called;
        }
        if (i < N) append_code(out, others[i], red_fives);
    }
    return out;
}

std::string code_text(unsigned id, bool red_fives) {
    std::string s;
    append_code(s, id, red_fives);
    return s;
}

Result<Meld, BadMeld> chi(std::uint32_t m, bool red_fives) {
    // A chi claims the discard of the seat to the caller's left alone.
    if ((m & 3) != 3) return fail(BadMeld{"chi from a seat other than the caller's left"});
    unsigned t = m >> 10;
    const unsigned called_at = t % 3;
    t /= 3;
    if (t >= 21) return fail(BadMeld{"chi of a run that is not in a suit"});
    const unsigned first_kind = t / 7 * 9 + t % 7;
    std::array<unsigned, 3> ids{};
    for (unsigned i = 0; i < 3; ++i) ids[i] = (first_kind + i) * 4 + ((m >> (3 + 2 * i)) & 3);
    std::string out = "c";
    append_code(out, ids[called_at], red_fives);
    for (unsigned i = 0; i < 3; ++i) {
        if (i != called_at) append_code(out, ids[i], red_fives);
    }
    return Meld{Meld::Kind::Chi, std::move(out)};
}

// Pon and added kan share their layout: the kind with the called tile's
// place among three, and the fourth copy (the added one for an added kan).
Result<Meld, BadMeld> pon_or_added_kan(std::uint32_t m, bool red_fives) {
    const unsigned relative = m & 3;
    unsigned t = m >> 9;
    const unsigned called_at = t % 3;
    t /= 3;
    if (t >= 34) return fail(BadMeld{"pon or added kan of a kind beyond the 34"});
    if (relative == 0) return fail(BadMeld{"pon or added kan called from the caller itself"});
    const unsigned fourth = t * 4 + ((m >> 5) & 3);
    std::array<unsigned, 3> three{};
    for (unsigned i = 0, k = 0; i < 4; ++i) {
        if (t * 4 + i != fourth) three[k++] = t * 4 + i;
    }
    const unsigned called = three[called_at];
    std::array<unsigned, 2> others{};
    for (unsigned i = 0, k = 0; i < 3; ++i) {
        if (i != called_at) others[k++] = three[i];
    }
    sort_same_kind(others, red_fives);
    if (m & 0x8) return Meld{Meld::Kind::Pon, place_called('p', code_text(called, red_fives), others, relative, red_fives)};
    return Meld{Meld::Kind::AddedKan,
                place_called('k', code_text(fourth, red_fives) + code_text(called, red_fives), others, relative, red_fives)};
}

Result<Meld, BadMeld> kan(std::uint32_t m, bool red_fives) {
    const unsigned relative = m & 3;
    const unsigned called = m >> 8;
    if (called >= kTileIdCount) return fail(BadMeld{"kan of a tile id beyond 135"});
    const unsigned kind = kind_of_id(called);
    if (relative == 0) {
        std::array<unsigned, 4> all{kind * 4, kind * 4 + 1, kind * 4 + 2, kind * 4 + 3};
        sort_same_kind(all, red_fives);
        std::string out;
        for (unsigned i = 0; i < 3; ++i) append_code(out, all[i], red_fives);
        out += 'a';
        append_code(out, all[3], red_fives);
        return Meld{Meld::Kind::ClosedKan, std::move(out)};
    }
    std::array<unsigned, 3> others{};
    for (unsigned i = 0, k = 0; i < 4; ++i) {
        if (kind * 4 + i != called) others[k++] = kind * 4 + i;
    }
    sort_same_kind(others, red_fives);
    return Meld{Meld::Kind::OpenKan, place_called('m', code_text(called, red_fives), others, relative, red_fives)};
}

}  // namespace

Result<Meld, BadMeld> decode_meld(std::uint32_t m, bool red_fives) {
    if (m > 0xFFFF) return fail(BadMeld{"call bits beyond 16"});
    if (m & 0x4) return chi(m, red_fives);
    if (m & 0x18) return pon_or_added_kan(m, red_fives);
    if (m & 0x20) return fail(BadMeld{"the north tile set aside, a three-player call"});
    return kan(m, red_fives);
}

}  // namespace ripaion::mjlog
