// Reading the test data: a file's bytes, and the real logs of tests/data.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace support {

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The real logs of the test data, sorted.
inline std::vector<std::filesystem::path> test_logs() {
    std::vector<std::filesystem::path> out;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(RIPAION_TEST_DATA_DIR) / "logs"))
        if (entry.path().extension() == ".json") out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace support
