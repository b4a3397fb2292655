// Re-reading of floating-point number text. The JSON parser's own conversion
// is not always correctly rounded and turns out-of-range magnitudes into
// infinity without saying so; the reader converts the written text itself.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ripaion::tenhou::detail {

// `text` is a JSON number already checked for syntax. Correctly rounded;
// a magnitude below the smallest subnormal reads as a zero of the written
// sign. Empty when the magnitude is beyond the largest finite double.
std::optional<double> read_float_text(std::string_view text) noexcept;

// A copy of the JSON text `text` in which the digits of every number's
// exponent are zeros. The JSON parser refuses an exponent that does not fit
// in 32 bits (with the number's digit count) although the rule for it is
// the same as for any number out of the double range; the copy gets such a
// text past the parser, while the reader takes every number's value from the
// original text at the same offset. Texts of strings are left as they are;
// whatever follows a syntax error may be changed, as the parser stops there.
std::string with_exponents_zeroed(std::string_view text);

}  // namespace ripaion::tenhou::detail
