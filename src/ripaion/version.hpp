// The package version, as the build states it.
#pragma once

#include <string>
#include <string_view>

namespace ripaion {

inline constexpr std::string_view kPackageVersion = "0.1.0";

// Python's version spelling of pre-releases: "-alpha" becomes "a", then
// "-beta" becomes "b".
std::string python_version_text(std::string_view package_version);

}  // namespace ripaion
