#include "ripaion/mjai/event.hpp"

#include <array>

namespace ripaion::mjai {

std::string_view event_type_name(const Event& e) noexcept {
    static constexpr std::array<std::string_view, std::variant_size_v<Event>> kNames = {
        "none",  "start_game", "start_kyoku", "tsumo", "dahai",          "chi",  "pon",      "daiminkan", "kakan",
        "ankan", "dora",       "reach",       "reach_accepted", "hora", "ryukyoku", "end_kyoku", "end_game",
    };
    const std::size_t i = e.index();
    return i < kNames.size() ? kNames[i] : std::string_view{"none"};
}

}  // namespace ripaion::mjai
