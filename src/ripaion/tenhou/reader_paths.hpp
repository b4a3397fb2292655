// The two ways parse_raw_log reads a text: first the quick pass over plain
// JSON, and when that declines, the general parser. Exposed so that tests
// can hold them against each other.
#pragma once

#include <optional>
#include <string_view>

#include "ripaion/result.hpp"
#include "ripaion/tenhou/raw_log.hpp"
#include "ripaion/tenhou/reader.hpp"

namespace ripaion::tenhou::detail {

// The general parser alone: the verdict and diagnostic of every text.
Result<RawLog, ReadError> parse_with_general_parser(std::string_view text);

// The quick pass alone: the model when the text is plain JSON that the
// model accepts, else nothing (also for texts the parser would accept).
std::optional<RawLog> parse_plain(std::string_view text);

}  // namespace ripaion::tenhou::detail
