#pragma once

#include <string_view>

namespace ripaion {

// Names the input format inside the user-facing messages; one constant so
// that every message spells it the same way.
inline constexpr std::string_view kSourceFormatLabel = "tenhou.net/6";

}  // namespace ripaion
