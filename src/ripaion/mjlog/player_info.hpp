// What an mjlog record says about its players and its end besides the play:
// the UN tag's ranks, ratings and sexes, and the final scores of `owari`.
// Read leniently: a value in a form not understood is absent, never a reason
// to refuse the record.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ripaion::mjlog {

// `dan`: four rank numbers 0 to 20, as the texts Tenhou's JSON writes.
std::optional<std::vector<std::string>> dan_texts(std::string_view attr);

// `rate`: four decimal numbers.
std::optional<std::vector<double>> rates(std::string_view attr);

// `sx`: four texts (M, F or C).
std::optional<std::vector<std::string>> sexes(std::string_view attr);

// `owari`: per seat the final score in hundreds and the result, eight
// numbers; the scores in points.
std::optional<std::array<std::int32_t, 4>> final_points(std::string_view attr);

}  // namespace ripaion::mjlog
