// Gzip-compressed input, decompressed whole with a bound on its size, so
// that a small file that expands without end cannot exhaust memory.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ripaion/result.hpp"

namespace ripaion::gzip {

inline constexpr std::size_t kMaxDecompressedSize = std::size_t{64} << 20;

bool has_gzip_magic(std::string_view bytes) noexcept;

enum class GunzipError {
    Corrupt,   // not a complete, valid gzip stream
    TooLarge,  // expands beyond the bound
};

// What a person is told of each.
std::string_view gunzip_error_text(GunzipError error) noexcept;

// Every member of a (possibly multi-member) gzip stream, concatenated; zero
// bytes after the last member are ignored.
Result<std::string, GunzipError> gunzip(std::string_view bytes, std::size_t max_size = kMaxDecompressedSize);

}  // namespace ripaion::gzip
