#include "ripaion/gzip/gunzip.hpp"

#include <libdeflate.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace ripaion::gzip {
namespace {

struct DecompressorFree {
    void operator()(libdeflate_decompressor* d) const noexcept { libdeflate_free_decompressor(d); }
};

// The size a single-member stream claims in its trailer (modulo 2^32): a
// first guess for the output buffer, never trusted beyond the bound.
std::size_t claimed_size(std::string_view bytes) noexcept {
    const std::size_t n = bytes.size();
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t{static_cast<unsigned char>(bytes[n - 4 + i])} << (8 * i);
    return v;
}

}  // namespace

bool has_gzip_magic(std::string_view bytes) noexcept {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1F &&
           static_cast<unsigned char>(bytes[1]) == 0x8B;
}

std::string_view gunzip_error_text(GunzipError error) noexcept {
    return error == GunzipError::TooLarge ? "gzip content beyond the size bound" : "corrupt or truncated gzip stream";
}

Result<std::string, GunzipError> gunzip(std::string_view bytes, std::size_t max_size) {
    // A gzip member is at least 18 bytes (10 of header, 8 of trailer).
    if (!has_gzip_magic(bytes) || bytes.size() < 18) return fail(GunzipError::Corrupt);
    std::unique_ptr<libdeflate_decompressor, DecompressorFree> d(libdeflate_alloc_decompressor());
    if (!d) return fail(GunzipError::TooLarge);

    std::string out;
    // DEFLATE expands at most about 1032 to 1: a trailer claiming more is
    // not believed for the first buffer.
    const std::size_t most = bytes.size() <= max_size / 1032 ? bytes.size() * 1032 : max_size;
    std::size_t capacity = std::clamp<std::size_t>(claimed_size(bytes), 1, most);
    out.resize(capacity);
    std::size_t in_pos = 0, out_len = 0;
    while (in_pos < bytes.size()) {
        std::size_t in_used = 0, out_used = 0;
        const libdeflate_result r =
            libdeflate_gzip_decompress_ex(d.get(), bytes.data() + in_pos, bytes.size() - in_pos, out.data() + out_len,
                                          capacity - out_len, &in_used, &out_used);
        if (r == LIBDEFLATE_INSUFFICIENT_SPACE) {
            if (capacity >= max_size) return fail(GunzipError::TooLarge);
            capacity = std::min(max_size, capacity * 2);
            out.resize(capacity);
            continue;  // the member again, into the larger buffer
        }
        if (r != LIBDEFLATE_SUCCESS) return fail(GunzipError::Corrupt);
        in_pos += in_used;
        out_len += out_used;
        if (in_pos < bytes.size() && !has_gzip_magic(bytes.substr(in_pos))) {
            // Zero bytes after a member are padding (some tools write whole
            // blocks), skipped as zcat skips them; anything else is not gzip.
            if (bytes.find_first_not_of('\0', in_pos) != std::string_view::npos) return fail(GunzipError::Corrupt);
            break;
        }
    }
    out.resize(out_len);
    return out;
}

}  // namespace ripaion::gzip
