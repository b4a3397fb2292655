#include "ripaion/mjlog/game_type.hpp"

namespace ripaion::mjlog {

Result<model::Rule, MjlogError> rule_of_game_type(std::int64_t type) {
    using namespace game_type_bit;
    if (type < 0) return fail(malformed("negative game type"));
    if (type & kThreePlayer) return fail(refused("three-player game"));
    if (type >= kFirstUnsupported) return fail(refused("unsupported rule bits"));
    static constexpr const char* kLevel[] = {"\xE8\x88\xAC", "\xE4\xB8\x8A", "\xE7\x89\xB9", "\xE9\xB3\xB3"};  // 般上特鳳
    const unsigned level = ((type & kTokujou) ? 2 : 0) + ((type & kJoukyuu) ? 1 : 0);
    model::Rule rule;
    rule.disp = kLevel[level];
    rule.disp += (type & kSouthRound) ? "\xE5\x8D\x97" : "\xE6\x9D\xB1";  // 南 / 東
    if (!(type & kNoOpenTanyao)) rule.disp += "\xE5\x96\xB0";           // 喰
    if (!(type & kNoRedFives)) rule.disp += "\xE8\xB5\xA4";             // 赤
    if (type & kFast) rule.disp += "\xE9\x80\x9F";                      // 速
    const std::uint8_t red = (type & kNoRedFives) ? 0 : 1;
    rule.aka51 = rule.aka52 = rule.aka53 = red;
    return rule;
}

}  // namespace ripaion::mjlog
