// Gzip compression of a whole text into one member, made with libdeflate
// (linked statically, so the module needs nothing more at run time).
#pragma once

#include <string>
#include <string_view>

#include "ripaion/result.hpp"

namespace ripaion::gzip {

// libdeflate's scale: 0 stores, 1 to 9 are zlib's trade-offs (sizes a little
// smaller than zlib's at the same level), 10 to 12 search much harder.
inline constexpr int kMinLevel = 0;
inline constexpr int kMaxLevel = 12;

enum class GzipFailure {
    BadLevel,  // outside kMinLevel..kMaxLevel
    NoMemory,  // the compressor's state could not be allocated
    TooLarge,  // the compressed size would not fit a size_t
};

// `data` as one gzip member at `level`: no file name, modification time 0,
// so the same data and level always give the same bytes. The compressor of
// the calling thread's last level is kept for its next call (its tables are
// hundreds of kilobytes, too costly to make for every log).
Result<std::string, GzipFailure> gzip_member(std::string_view data, int level);

}  // namespace ripaion::gzip
