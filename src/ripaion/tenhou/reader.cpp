#include "ripaion/tenhou/reader.hpp"

#include <boost/json/basic_parser_impl.hpp>

#include "ripaion/tenhou/log_sax_handler.hpp"

namespace ripaion::tenhou {
namespace {

// The parser recurses once per nesting level, skipped values included, at
// less than a hundred bytes of stack per level; this bound keeps a hostile
// document far from the end of any thread's stack. The model's own, much
// lower limit is enforced by the handler.
constexpr std::size_t kParserMaxDepth = 10000;

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

}  // namespace

Result<RawLog, ReadError> parse_raw_log(std::string_view text) {
    boost::json::parse_options options;
    options.max_depth = kParserMaxDepth;
    options.allow_comments = false;
    options.allow_trailing_commas = false;
    options.allow_invalid_utf8 = false;

    boost::json::basic_parser<detail::LogSaxHandler> parser(options);
    boost::json::error_code ec;
    const char* data = text.empty() ? "" : text.data();
    const std::size_t used = parser.write_some(false, data, text.size(), ec);
    if (ec) {
        std::string message = parser.handler().error();
        if (message.empty()) message = ec.message();
        return fail(read_error(std::move(message), text, used));
    }
    // The parser stops after one complete value; whatever follows it (other
    // than whitespace, which it consumes) is an error.
    if (used != text.size()) {
        return fail(read_error(std::string(detail::kTrailingCharacters), text, used));
    }
    return parser.handler().take_log();
}

}  // namespace ripaion::tenhou
