// Checks an mjai stream: every line one JSON object of a known event type
// and form, and the events a legal game in order. Stops at the first problem.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "ripaion/check/game_replay.hpp"
#include "ripaion/check/line_event.hpp"
#include "ripaion/check/line_reader.hpp"
#include "ripaion/check/problem.hpp"

namespace ripaion::check {

// Line by line, for streams that arrive as separate lines.
class StreamChecker {
public:
    // The next line, without its line feed. Once a problem is found, the
    // later lines are not looked at and the same problem is returned.
    const std::optional<Problem>& line(std::string_view text);
    // The stream has ended: its first problem, if any.
    const std::optional<Problem>& finish();
    // The problem found so far, if any.
    const std::optional<Problem>& problem() const noexcept { return problem_; }

private:
    LineReader reader_;
    LineEvent event_;
    GameReplay replay_;
    std::string error_;
    std::size_t lines_ = 0;
    std::optional<Problem> problem_;
};

// A whole stream: lines end with a line feed (the last one may not); a
// carriage return before it is allowed.
std::optional<Problem> check_stream(std::string_view data);

}  // namespace ripaion::check
