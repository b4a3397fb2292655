#include "ripaion/mjlog/game_type.hpp"

namespace ripaion::mjlog {

Result<model::Rule, MjlogError> rule_of_game_type(std::int64_t type) {
    using namespace game_type_bit;
    if (type < 0) return fail(malformed("negative game type"));
    model::Rule rule;
    rule.three_player = (type & kThreePlayer) != 0;
    if (!rule.three_player && type >= kFirstUnsupported) return fail(refused("unsupported rule bits"));
    // The two room bits: upper (0x80), special (0x20), phoenix both.
    static constexpr model::Room kRooms[] = {model::Room::General, model::Room::Upper, model::Room::Special,
                                             model::Room::Phoenix};
    rule.room = kRooms[((type & kTokujou) ? 2 : 0) + ((type & kJoukyuu) ? 1 : 0)];
    rule.east_only = !(type & kSouthRound);
    rule.red_fives = !(type & kNoRedFives);
    return rule;
}

}  // namespace ripaion::mjlog
