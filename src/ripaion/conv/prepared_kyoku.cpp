#include "ripaion/conv/prepared_kyoku.hpp"

namespace ripaion::conv {

Result<PreparedKyoku, MalformedWinDetails> prepare_kyoku(model::HandRecord&& hand) {
    auto outcome = derive_outcome(hand.results);
    if (!outcome) return fail(MalformedWinDetails{});
    hand.results = {};  // no longer needed
    PreparedKyoku p{std::move(outcome).value(), std::move(hand.dora), std::move(hand.ura), std::move(hand.seats),
                    hand.scores, hand.meta.kyoku_num, hand.meta.honba, hand.meta.kyotaku};
    return p;
}

mjai::StartKyoku make_start_kyoku(const PreparedKyoku& hand) {
    // East, South and West rounds by the counter; anything past West is North.
    const int round = hand.kyoku_num / 4;
    const auto bakaze = round < 3 ? mjai::Tile{static_cast<std::uint8_t>(mjai::tile_index(mjai::kEastTile) + round)}
                                  : mjai::kNorthTile;
    mjai::StartKyoku sk{};
    sk.bakaze = bakaze;
    sk.dora_marker = hand.dora.empty() ? mjai::kUnknownTile : hand.dora.front();
    sk.kyoku = static_cast<mjai::Count>(hand.kyoku_num % 4 + 1);
    sk.honba = hand.honba;
    sk.kyotaku = hand.kyotaku;
    sk.oya = static_cast<mjai::Count>(hand.kyoku_num % 4);
    sk.scores = hand.scores;
    for (int s = 0; s < 4; ++s) sk.tehais[s] = hand.seats[s].haipai;
    return sk;
}

}  // namespace ripaion::conv
