// libFuzzer target: arbitrary bytes through the reader, the conversion engine
// and the encoder, checking the invariants every successful call must keep.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ripaion/conv/convert.hpp"
#include "ripaion/mjai/encode.hpp"
#include "ripaion/tenhou/reader.hpp"
#include "ripaion/utf8.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The module refuses non-UTF-8 files before reading, so the reader only
    // ever sees valid text.
    if (!ripaion::utf8_valid(text)) return 0;
    auto log = ripaion::tenhou::parse_raw_log(text);
    if (!log.ok()) return 0;
    auto events = ripaion::conv::convert_log(std::move(log).value());
    if (!events.ok()) return 0;
    const auto& list = events.value();
    if (list.size() < 2 || list.front().index() != 1 || list.back().index() != 16) std::abort();
    std::string out;
    for (const auto& e : list) {
        out.clear();
        if (!ripaion::mjai::encode_event(e, out).ok()) std::abort();
        if (out.empty() || out.front() != '{' || out.back() != '}') std::abort();
        if (out.find('\n') != std::string::npos || out.find('\r') != std::string::npos) std::abort();
        if (!ripaion::utf8_valid(out)) std::abort();
    }
    return 0;
}
