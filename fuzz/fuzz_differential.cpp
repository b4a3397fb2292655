// libFuzzer target: the shipped pipeline against the tests' full-event
// oracle (every event in full, each encoded on its own). Both must fail the
// same way or give the same lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "full_event_oracle.hpp"
#include "ripaion/pipeline/pipeline.hpp"

namespace {

using ripaion::pipeline::Failure;

// The oracle's outcome: its lines, or the failure as the pipeline names it.
ripaion::Result<std::vector<std::string>, Failure> oracle_lines(std::string_view bytes) {
    auto log = ripaion::pipeline::read_log(bytes, ripaion::pipeline::InputFormat::TenhouJson);
    if (!log) return ripaion::fail(log.error());
    auto events = oracle::convert_log(std::move(log).value());
    if (!events) {
        return ripaion::fail(events.error().kind == ripaion::conv::ConvertErrorKind::TenhouLogParsing
                                 ? Failure::InvalidLog
                                 : Failure::Convert);
    }
    std::vector<std::string> lines;
    for (const auto& e : events.value()) lines.push_back(oracle::event_line(e));
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto shipped = ripaion::pipeline::convert(bytes);
    auto expected = oracle_lines(bytes);
    if (shipped.ok() != expected.ok()) std::abort();
    if (!shipped.ok()) {
        if (shipped.error() != expected.error()) std::abort();
        return 0;
    }
    const auto& got = shipped.value();
    if (got.count() != expected.value().size()) std::abort();
    for (std::size_t i = 0; i < got.count(); ++i)
        if (got.line(i) != expected.value()[i]) std::abort();
    return 0;
}
