#include "ripaion/tenhou/stack_room.hpp"

#include <pthread.h>

#include <cstdint>

namespace ripaion::tenhou::detail {
namespace {

// The lowest usable address of this thread's stack, or 0 when unknown.
// Looked up once per thread: for the main thread the C library reads the
// process's memory map to find it.
std::uintptr_t find_stack_low() noexcept {
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
    void* addr = nullptr;
    std::size_t size = 0;
    const int rc = pthread_attr_getstack(&attr, &addr, &size);
    pthread_attr_destroy(&attr);
    return rc == 0 ? reinterpret_cast<std::uintptr_t>(addr) : 0;
}

}  // namespace

std::optional<std::size_t> stack_room_bytes() noexcept {
    thread_local const std::uintptr_t low = find_stack_low();
    if (low == 0) return std::nullopt;
    volatile char here = 0;
    const auto sp = reinterpret_cast<std::uintptr_t>(&here);
    return sp > low ? sp - low : 0;
}

}  // namespace ripaion::tenhou::detail
