// How paths are shown in messages and which path names standard output.
#include <gtest/gtest.h>

#include <string>

#include "ripaion/sys/path_text.hpp"

namespace {

using ripaion::sys::names_standard_output;
using ripaion::sys::plain_path;
using ripaion::sys::quoted_path;

struct QuoteCase {
    std::string path;
    std::string quoted;
};

TEST(QuotedPath, EscapesWhatCouldNotBeReadBack) {
    const QuoteCase cases[] = {
        {"logs/a.json", "\"logs/a.json\""},
        {"", "\"\""},
        {"say \"hi\"\\it's", "\"say \\\"hi\\\"\\\\it\\'s\""},
        {std::string("a\0b", 3), "\"a\\0b\""},
        {"\t\r\n", "\"\\t\\r\\n\""},
        {"\x01\x1f\x7f", "\"\\u{1}\\u{1f}\\u{7f}\""},
        // Bytes that are not UTF-8: each one as \xHH, upper-case digits.
        {"a\xff" "b\x80", "\"a\\xFFb\\x80\""},
        {"\xc3", "\"\\xC3\""},
        // Printable text of any script stays as it is.
        {"\xe6\x9d\xb1/\xc3\xa9", "\"\xe6\x9d\xb1/\xc3\xa9\""},
        // A combining accent (U+0301) and a zero-width space (U+200B) are
        // escaped: they would vanish or merge with the character before.
        {"e\xcc\x81", "\"e\\u{301}\""},
        {"\xe2\x80\x8b", "\"\\u{200b}\""},
        // A code point beyond the assigned planes.
        {"\xf4\x8f\xbf\xbf", "\"\\u{10ffff}\""},
    };
    for (const auto& c : cases) EXPECT_EQ(quoted_path(c.path), c.quoted) << c.quoted;
}

TEST(PlainPath, ReplacesInvalidBytesOnly) {
    EXPECT_EQ(plain_path("out/\xe6\x9d\xb1.mjson"), "out/\xe6\x9d\xb1.mjson");
    EXPECT_EQ(plain_path("a\xff" "b"), "a\xef\xbf\xbd" "b");
}

TEST(NamesStandardOutput, ComponentByComponent) {
    const std::pair<const char*, bool> cases[] = {
        {"-", true},   {"-/", true},    {"-/.", true},   {"-//", true},  {"-/./", true},
        {"./-", false}, {"/-", false},  {"--", false},   {"-/-", false}, {"", false},
        {"a/-", false}, {"-a", false},  {".", false},    {"-/..", false},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(names_standard_output(path), expected) << path;
}

}  // namespace
