// libFuzzer target: arbitrary bytes through the shipped pipeline (reader,
// conversion engine, encoder), checking the invariants every successful
// call must keep. Bytes that look like an mjlog record (gzip, or an
// mjloggm tag anywhere) go to the XML reader, the rest to the JSON reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ripaion/mjlog/gzip_input.hpp"
#include "ripaion/pipeline/pipeline.hpp"
#include "ripaion/utf8.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using ripaion::pipeline::Failure;
    using ripaion::pipeline::InputFormat;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const bool xml = ripaion::mjlog::has_gzip_magic(bytes) || bytes.find("<mjloggm") != std::string_view::npos;
    auto lines = ripaion::pipeline::convert(bytes, xml ? InputFormat::Mjlog : InputFormat::TenhouJson);
    if (!lines.ok()) {
        if (xml) {
            // The XML reader has failures of its own, never the JSON reader's.
            if (lines.error() == Failure::NotUtf8 || lines.error() == Failure::Parse) std::abort();
            return 0;
        }
        // Bytes that are not UTF-8 fail as such, whatever else is wrong.
        if ((lines.error() == Failure::NotUtf8) == ripaion::utf8_valid(bytes)) std::abort();
        if (lines.error() == Failure::MjlogParse) std::abort();
        return 0;
    }
    if (!xml && !ripaion::utf8_valid(bytes)) std::abort();
    const auto& got = lines.value();
    if (got.count() < 2) std::abort();
    if (got.line(0).rfind("{\"type\":\"start_game\",", 0) != 0) std::abort();
    if (got.line(got.count() - 1) != "{\"type\":\"end_game\"}") std::abort();
    std::string joined;
    for (std::size_t i = 0; i < got.count(); ++i) {
        const std::string_view line = got.line(i);
        if (line.size() < 2 || line.front() != '{' || line.back() != '}') std::abort();
        if (line.find('\n') != std::string_view::npos || line.find('\r') != std::string_view::npos) std::abort();
        if (!ripaion::utf8_valid(line)) std::abort();
        joined.append(line).push_back('\n');
    }
    if (ripaion::pipeline::output_text(got) != joined) std::abort();
    return 0;
}
