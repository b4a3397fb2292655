// The `m` bits of an mjlog call tag, written as the call notation of the JSON
// log that the conversion engine reads.
#pragma once

#include <cstdint>
#include <string>

#include "ripaion/result.hpp"

namespace ripaion::mjlog {

struct Meld {
    enum class Kind { Chi, Pon, OpenKan, AddedKan, ClosedKan };
    Kind kind;
    std::string notation;  // e.g. "c262527", "45p4545", "151515a51"
    // Chi, pon and open kan are takes; added and closed kans are discards.
    bool is_take() const noexcept { return kind == Kind::Chi || kind == Kind::Pon || kind == Kind::OpenKan; }
};

// What is wrong with the bits, in words.
struct BadMeld {
    const char* reason;
};

Result<Meld, BadMeld> decode_meld(std::uint32_t m, bool red_fives);

}  // namespace ripaion::mjlog
