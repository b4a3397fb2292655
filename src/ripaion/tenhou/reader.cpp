#include "ripaion/tenhou/reader.hpp"

#include <algorithm>

#include <boost/json/basic_parser_impl.hpp>

#include "ripaion/tenhou/json_number.hpp"
#include "ripaion/tenhou/log_sax_handler.hpp"
#include "ripaion/tenhou/rule_facts.hpp"
#include "ripaion/tenhou/stack_room.hpp"
#include "ripaion/utf8.hpp"

namespace ripaion::tenhou {
namespace {

// The parser recurses once per nesting level, skipped values included. Its
// depth limit is the lower of a fixed bound and what the free stack of the
// calling thread allows, so that a hostile document fails to read instead of
// overflowing the stack. The model's own, much lower limit is enforced by
// the handler.
constexpr std::size_t kParserMaxDepth = 10000;

// Stack per level, and the room kept for what runs below the parser's
// deepest frame (the handler's callbacks with their allocations, exact
// rounding of long numbers, the parser's buffer for texts with escapes) and
// for the conversion that follows the reading on the same stack. Measured by
// filling a thread's stack with a pattern: a level takes about 112 bytes
// optimised and 176 unoptimised; the rest at most about 8 KiB optimised and
// 10 KiB unoptimised. With these margins a thread of 64 KiB still reads
// documents nesting 127 levels when called from Python, which leaves about
// 57 KiB of it. AddressSanitizer's frames are much larger.
#if defined(__SANITIZE_ADDRESS__)
#define RIPAION_STACK_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RIPAION_STACK_SANITIZED 1
#endif
#endif
#if defined(RIPAION_STACK_SANITIZED)
// Measured: about 930 bytes a level, the rest about 18 KiB.
constexpr std::size_t kStackBytesPerLevel = 1536;
constexpr std::size_t kStackReserve = 64 * 1024;
#elif defined(__OPTIMIZE__)
constexpr std::size_t kStackBytesPerLevel = 192;
constexpr std::size_t kStackReserve = 24 * 1024;
#else
constexpr std::size_t kStackBytesPerLevel = 256;
constexpr std::size_t kStackReserve = 24 * 1024;
#endif

std::size_t parser_depth_limit() noexcept {
    const auto room = detail::stack_room_bytes();
    if (!room) return kParserMaxDepth;
    if (*room <= kStackReserve) return 0;
    return std::min(kParserMaxDepth, (*room - kStackReserve) / kStackBytesPerLevel);
}

ReadError read_error(std::string message, std::string_view text, std::size_t offset) {
    ReadError e;
    e.message = std::move(message);
    e.offset = offset;
    e.line = 1;
    std::size_t line_start = 0;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++e.line;
            line_start = i + 1;
        }
    }
    e.column = offset - line_start + 1;
    return e;
}

// `numbers` is the text the reader takes numbers from when the parser reads
// a copy of it (empty otherwise). Sets `exponent_overflow` when the parser
// refused an exponent.
Result<model::RawLog, ReadError> parse_with_parser(std::string_view text, std::string_view numbers, std::size_t max_depth,
                                            bool& exponent_overflow) {
    boost::json::parse_options options;
    options.max_depth = max_depth;
    options.allow_comments = false;
    options.allow_trailing_commas = false;
    options.allow_invalid_utf8 = false;

    boost::json::basic_parser<detail::LogSaxHandler> parser(options);
    const char* data = text.empty() ? "" : text.data();
    if (!numbers.empty()) parser.handler().read_numbers_from(numbers, data);
    boost::json::error_code ec;
    const std::size_t used = parser.write_some(false, data, text.size(), ec);
    exponent_overflow = ec == boost::json::error::exponent_overflow;
    if (ec) {
        std::string message = parser.handler().error();
        if (message.empty()) message = ec.message();
        return fail(read_error(std::move(message), numbers.empty() ? text : numbers, used));
    }
    // The parser stops after one complete value; whatever follows it (other
    // than whitespace, which it consumes) is an error.
    if (used != text.size()) {
        return fail(read_error(std::string(detail::kTrailingCharacters), text, used));
    }
    return parser.handler().take_log();
}

}  // namespace

Result<model::RawLog, ReadError> parse_raw_log(std::string_view text) {
    const std::size_t max_depth = parser_depth_limit();
    bool exponent_overflow = false;
    auto parsed = parse_with_parser(text, {}, max_depth, exponent_overflow);
    if (exponent_overflow) {
        // Read again, once, with every exponent hidden from the parser.
        const std::string copy = detail::with_exponents_zeroed(text);
        parsed = parse_with_parser(copy, text, max_depth, exponent_overflow);
    }
    if (parsed) fill_rule_facts(parsed.value().rule);
    return parsed;
}

Result<model::RawLog, BytesReadError> parse_raw_log_bytes(std::string_view bytes) {
    if (!utf8_valid(bytes)) return fail(BytesReadError{true, {}});
    auto parsed = parse_raw_log(bytes);
    if (!parsed) return fail(BytesReadError{false, std::move(parsed.error())});
    return std::move(parsed).value();
}

}  // namespace ripaion::tenhou
