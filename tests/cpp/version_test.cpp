#include <gtest/gtest.h>

#include <string>

#include "ripaion/version.hpp"
#include "test_support.hpp"

namespace {

TEST(Version, PythonSpellingOfPreReleases) {
    const std::pair<const char*, const char*> cases[] = {
        {"0.1.0", "0.1.0"},
        {"1.2.0-alpha", "1.2.0a"},
        {"1.2.0-alpha.3", "1.2.0a.3"},
        {"2.0.0-beta.1", "2.0.0b.1"},
        {"1.0.0-alpha-beta", "1.0.0ab"},
        {"", ""},
    };
    for (const auto& [given, shown] : cases) EXPECT_EQ(ripaion::python_version_text(given), shown) << given;
}

// The one source of the version is the package's metadata.
TEST(Version, IsThePackagesVersion) {
    const std::string pyproject = support::read_file(std::string(RIPAION_SOURCE_DIR) + "/pyproject.toml");
    const std::string key = "\nversion = \"";
    const std::size_t at = pyproject.find(key);
    ASSERT_NE(at, std::string::npos);
    const std::size_t start = at + key.size();
    EXPECT_EQ(ripaion::package_version(), pyproject.substr(start, pyproject.find('"', start) - start));
}

}  // namespace
