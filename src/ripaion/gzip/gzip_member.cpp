#include "gzip_member.hpp"

#include <libdeflate.h>

#include <memory>

namespace ripaion::gzip {
namespace {

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const noexcept { libdeflate_free_compressor(c); }
};

struct ThreadCompressor {
    std::unique_ptr<libdeflate_compressor, CompressorFree> state;
    int level = -1;
};

// One per thread: a compressor is not safe to share between threads.
libdeflate_compressor* compressor_for(int level) {
    thread_local ThreadCompressor cached;
    if (cached.level != level || !cached.state) {
        cached.state.reset();
        cached.level = -1;
        cached.state.reset(libdeflate_alloc_compressor(level));
        if (!cached.state) return nullptr;
        cached.level = level;
    }
    return cached.state.get();
}

}  // namespace

Result<std::string, GzipFailure> gzip_member(std::string_view data, int level) {
    if (level < kMinLevel || level > kMaxLevel) return fail(GzipFailure::BadLevel);
    libdeflate_compressor* c = compressor_for(level);
    if (!c) return fail(GzipFailure::NoMemory);
    const std::size_t bound = libdeflate_gzip_compress_bound(c, data.size());
    if (bound < data.size()) return fail(GzipFailure::TooLarge);  // wrapped around
    std::string out;
    out.resize(bound);
    const std::size_t size = libdeflate_gzip_compress(c, data.data(), data.size(), out.data(), out.size());
    // The bound always fits; a zero size would mean it did not.
    if (size == 0) return fail(GzipFailure::TooLarge);
    out.resize(size);
    return out;
}

}  // namespace ripaion::gzip
