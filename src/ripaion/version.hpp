// The package version, as the build states it (from pyproject.toml).
#pragma once

#include <string>
#include <string_view>

namespace ripaion {

std::string_view package_version() noexcept;

// Python's version spelling of pre-releases: "-alpha" becomes "a", then
// "-beta" becomes "b".
std::string python_version_text(std::string_view package_version);

}  // namespace ripaion
