#include "ripaion/check/problem.hpp"

#include <array>

namespace ripaion::check {

std::string_view problem_label(ProblemKind kind) noexcept {
    static constexpr std::array<std::string_view, kProblemKindCount> kLabels = {
        "json", "type",   "field", "frame",     "draw",  "discard",    "call",
        "kan",  "hora",   "tsumogiri", "riichi", "tile_count", "score", "deltas", "red_five",
    };
    const auto i = static_cast<std::size_t>(kind);
    return i < kLabels.size() ? kLabels[i] : std::string_view("unknown");
}

}  // namespace ripaion::check
