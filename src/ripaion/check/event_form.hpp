// The form each event type must have before it is replayed, as its row of
// the event table gives it: which members it needs, their lengths and the
// ranges of their field kinds (seats 0 to 3, counts 0 to 255, points in the
// signed 32-bit range, a wind for bakaze). Members of other producers'
// extensions are not refused.
#pragma once

#include <optional>

#include "ripaion/check/line_event.hpp"
#include "ripaion/check/problem.hpp"

namespace ripaion::check {

std::optional<Finding> check_event_form(const LineEvent& e);

}  // namespace ripaion::check
