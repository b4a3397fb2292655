// How much of the current thread's stack is still free. The JSON parser
// recurses once per nesting level, so its depth limit is derived from this:
// a thread started with a small stack gets a lower limit instead of a crash.
#pragma once

#include <cstddef>
#include <optional>

namespace ripaion::tenhou::detail {

// Bytes between the caller's frame and the low end of the thread's stack;
// empty when the stack bounds cannot be determined.
std::optional<std::size_t> stack_room_bytes() noexcept;

}  // namespace ripaion::tenhou::detail
