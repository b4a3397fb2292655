#include "ripaion/check/stream_check.hpp"

#include <cstring>

#include "ripaion/check/event_form.hpp"
#include "ripaion/check/known_lines.hpp"

namespace ripaion::check {

const std::optional<Problem>& StreamChecker::line(std::string_view text) {
    if (problem_) return problem_;
    ++lines_;
    std::optional<Finding> finding;
    if (read_known_line(text, event_)) {
        // A table line has its form by construction.
        finding = replay_.step(event_);
    } else if (!reader_.read(text, event_, error_)) {
        problem_ = Problem{lines_, ProblemKind::Json, std::move(error_)};
        return problem_;
    } else {
        finding = check_event_form(event_);
        if (!finding) finding = replay_.step(event_);
    }
    if (finding) problem_ = Problem{lines_, finding->kind, std::move(finding->message)};
    return problem_;
}

const std::optional<Problem>& StreamChecker::finish() {
    if (problem_) return problem_;
    if (auto finding = replay_.finish()) {
        problem_ = Problem{lines_ == 0 ? 1 : lines_, finding->kind, std::move(finding->message)};
    }
    return problem_;
}

std::optional<Problem> check_stream(std::string_view data) {
    StreamChecker checker;
    std::size_t at = 0;
    while (at < data.size()) {
        const void* nl = std::memchr(data.data() + at, '\n', data.size() - at);
        const std::size_t end = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - data.data()) : data.size();
        if (checker.line(data.substr(at, end - at))) break;
        at = end + 1;
    }
    return checker.finish();
}

}  // namespace ripaion::check
