// libFuzzer target: arbitrary bytes through the stream checker, which must
// answer every input with a problem value or none, never a crash; a problem
// stands on a line that exists. Seeded with converted games (fuzz/run_check.sh).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ripaion/check/stream_check.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto problem = ripaion::check::check_stream(bytes);
    if (!problem) return 0;
    const std::size_t lines = std::max<std::size_t>(1, std::count(bytes.begin(), bytes.end(), '\n') + 1);
    if (problem->line < 1 || problem->line > lines || problem->message.empty()) std::abort();
    return 0;
}
