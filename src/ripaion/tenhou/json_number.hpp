// Re-reading of floating-point number text. The JSON parser's own conversion
// is not always correctly rounded and turns out-of-range magnitudes into
// infinity without saying so; the reader converts the written text itself.
#pragma once

#include <optional>
#include <string_view>

namespace ripaion::tenhou::detail {

// `text` is a JSON number already checked for syntax. Correctly rounded;
// a magnitude below the smallest subnormal reads as a zero of the written
// sign. Empty when the magnitude is beyond the largest finite double.
std::optional<double> read_float_text(std::string_view text) noexcept;

}  // namespace ripaion::tenhou::detail
