// One gzip member per text: readable back whole, with the fixed header that
// makes the bytes depend on the text and the level alone.
#include <gtest/gtest.h>
#include <libdeflate.h>

#include <climits>
#include <cstdint>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ripaion/gzip/gzip_member.hpp"

namespace {

using ripaion::gzip::gzip_member;
using ripaion::gzip::GzipFailure;
using ripaion::gzip::kMaxLevel;
using ripaion::gzip::kMinLevel;

std::string mjai_like_text(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i) {
        text += R"({"type":"tsumo","actor":)" + std::to_string(i % 4) + R"(,"pai":")" + std::to_string(i % 9 + 1) +
                "m\"}\n";
        text += R"({"type":"dahai","actor":)" + std::to_string(i % 4) + R"(,"pai":"E","tsumogiri":false})" "\n";
    }
    return text;
}

std::string random_bytes(std::size_t n) {
    std::mt19937 gen(7);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen());
    return s;
}

std::uint32_t le32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | static_cast<unsigned char>(s[at + k]);
    return v;
}

// Decompresses exactly one member and checks that it spans all of `member`.
std::string read_single_member(const std::string& member, std::size_t text_size) {
    libdeflate_decompressor* d = libdeflate_alloc_decompressor();
    std::string out(text_size + 1, '\0');  // room for one byte too many
    std::size_t in_used = 0, out_size = 0;
    const auto r = libdeflate_gzip_decompress_ex(d, member.data(), member.size(), out.data(), out.size(), &in_used,
                                                 &out_size);
    libdeflate_free_decompressor(d);
    EXPECT_EQ(r, LIBDEFLATE_SUCCESS);
    EXPECT_EQ(in_used, member.size()) << "more than one member, or trailing bytes";
    out.resize(r == LIBDEFLATE_SUCCESS ? out_size : 0);
    return out;
}

TEST(GzipMember, EveryLevelRoundTripsAsOneMemberWithFixedHeader) {
    const std::vector<std::string> texts = {"", "\n", mjai_like_text(2000), random_bytes(100000)};
    for (int level = kMinLevel; level <= kMaxLevel; ++level) {
        for (const auto& text : texts) {
            SCOPED_TRACE("level " + std::to_string(level) + ", " + std::to_string(text.size()) + " bytes");
            auto member = gzip_member(text, level);
            ASSERT_TRUE(member.ok());
            const std::string& m = member.value();
            ASSERT_GE(m.size(), 18u);
            EXPECT_EQ(static_cast<unsigned char>(m[0]), 0x1f);
            EXPECT_EQ(static_cast<unsigned char>(m[1]), 0x8b);
            EXPECT_EQ(m[2], 8) << "deflate";
            EXPECT_EQ(m[3], 0) << "no name, comment or extra field";
            EXPECT_EQ(le32(m, 4), 0u) << "modification time";
            EXPECT_EQ(le32(m, m.size() - 4), static_cast<std::uint32_t>(text.size()));
            EXPECT_EQ(le32(m, m.size() - 8), libdeflate_crc32(0, text.data(), text.size()));
            EXPECT_EQ(read_single_member(m, text.size()), text);
        }
    }
}

TEST(GzipMember, HigherLevelsShrinkText) {
    const std::string text = mjai_like_text(5000);
    const auto stored = gzip_member(text, 0), fast = gzip_member(text, 1), best = gzip_member(text, kMaxLevel);
    ASSERT_TRUE(stored.ok() && fast.ok() && best.ok());
    EXPECT_GT(stored.value().size(), text.size());
    EXPECT_LT(fast.value().size(), text.size() / 5);
    EXPECT_LE(best.value().size(), fast.value().size());
}

TEST(GzipMember, SameTextAndLevelGiveSameBytesWhateverCameBefore) {
    const std::string text = mjai_like_text(3000);
    const auto first = gzip_member(text, 6);
    ASSERT_TRUE(first.ok());
    // The thread's kept compressor changes level and comes back.
    for (int level : {1, 12, 6, 0, 6}) {
        const auto again = gzip_member(text, level);
        ASSERT_TRUE(again.ok());
        if (level == 6) {
            EXPECT_EQ(again.value(), first.value());
        }
    }
    std::string from_thread;
    std::thread([&] { from_thread = gzip_member(text, 6).value(); }).join();
    EXPECT_EQ(from_thread, first.value());
}

TEST(GzipMember, ThreadsCompressAtOnceEachWithItsOwnState) {
    const std::string a = mjai_like_text(4000), b = random_bytes(50000);
    const std::string ga = gzip_member(a, 4).value(), gb = gzip_member(b, 9).value();
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                const bool even = (t + i) % 2 == 0;
                auto m = gzip_member(even ? a : b, even ? 4 : 9);
                if (!m.ok() || m.value() != (even ? ga : gb)) ++wrong[t];
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

TEST(GzipMember, LevelsOutsideTheRangeFail) {
    for (int level : {kMinLevel - 1, kMaxLevel + 1, 100, INT_MIN, INT_MAX}) {
        const auto r = gzip_member("text", level);
        ASSERT_FALSE(r.ok()) << level;
        EXPECT_EQ(r.error(), GzipFailure::BadLevel);
    }
}

}  // namespace
