#include "ripaion/version.hpp"

namespace ripaion {
namespace {

std::string replace_all(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    std::size_t at = 0;
    for (std::size_t hit; (hit = text.find(from, at)) != std::string_view::npos; at = hit + from.size()) {
        out.append(text.substr(at, hit - at));
        out.append(to);
    }
    out.append(text.substr(at));
    return out;
}

}  // namespace

std::string_view package_version() noexcept { return RIPAION_VERSION; }

std::string python_version_text(std::string_view package_version) {
    return replace_all(replace_all(package_version, "-alpha", "a"), "-beta", "b");
}

}  // namespace ripaion
