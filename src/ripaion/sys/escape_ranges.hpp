// Code points that the quoted path form writes as \u{...}: characters that
// are not printable and characters that extend a grapheme. Sorted, disjoint.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ripaion::sys {

struct CodePointRange {
    std::uint32_t lo;
    std::uint32_t hi;  // inclusive
};

extern const CodePointRange kEscapedRanges[];
extern const std::size_t kEscapedRangeCount;

}  // namespace ripaion::sys
