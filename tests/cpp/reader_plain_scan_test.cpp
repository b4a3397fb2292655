// The quick pass over plain JSON against the general parser: on every text
// the reader must give exactly what the general parser alone gives, and the
// quick pass must only ever accept texts the parser accepts, with the same
// model.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "reader_test_docs.hpp"
#include "ripaion/tenhou/reader_paths.hpp"
#include "ripaion/utf8.hpp"

namespace {

using namespace ripaion::tenhou;
namespace mjai = ripaion::mjai;
namespace fs = std::filesystem;

// Every field of the model as text; floats exactly (hexadecimal).
void dump_json(const JsonValue& v, std::string& out) {
    char buf[64];
    switch (v.kind) {
        case JsonValue::Kind::Null: out += "null"; break;
        case JsonValue::Kind::Bool: out += v.boolean ? "true" : "false"; break;
        case JsonValue::Kind::UInt: out += "u" + std::to_string(v.uint); break;
        case JsonValue::Kind::Int: out += "i" + std::to_string(v.sint); break;
        case JsonValue::Kind::Double:
            std::snprintf(buf, sizeof buf, "d%a", v.real);
            out += buf;
            break;
        case JsonValue::Kind::String: out += "s'" + v.string + "'"; break;
        case JsonValue::Kind::Array:
            out += "[";
            for (const auto& e : v.array) dump_json(e, out), out += ",";
            out += "]";
            break;
        case JsonValue::Kind::Object:
            out += "{";
            for (const auto& m : v.object) out += "'" + m.first + "':", dump_json(m.second, out), out += ",";
            out += "}";
            break;
    }
}

void dump_actions(const std::vector<ActionItem>& items, std::string& out) {
    out += "[";
    for (const auto& a : items) {
        out += std::to_string(int(a.kind)) + ":" + std::to_string(int(mjai::tile_index(a.tile))) + ":" +
               std::to_string(a.number) + ":'" + a.notation + "',";
    }
    out += "]";
}

std::string dump(const RawLog& log) {
    std::string out;
    char buf[64];
    for (const HandRecord& h : log.log) {
        out += "hand " + std::to_string(h.meta.kyoku_num) + "," + std::to_string(h.meta.honba) + "," +
               std::to_string(h.meta.kyotaku) + " scores";
        for (int s : h.scores) out += " " + std::to_string(s);
        out += " dora";
        for (auto t : h.dora) out += " " + std::to_string(int(mjai::tile_index(t)));
        out += " ura";
        for (auto t : h.ura) out += " " + std::to_string(int(mjai::tile_index(t)));
        for (const SeatRecord& seat : h.seats) {
            out += " haipai";
            for (auto t : seat.haipai) out += " " + std::to_string(int(mjai::tile_index(t)));
            dump_actions(seat.takes, out);
            dump_actions(seat.discards, out);
        }
        out += " results";
        for (const ResultItem& r : h.results) {
            out += " " + std::to_string(int(r.kind)) + "'" + r.label + "'";
            for (int d : r.deltas) out += "," + std::to_string(d);
            for (const auto& v : r.details) dump_json(v, out);
        }
        out += "\n";
    }
    for (const auto& n : log.name) out += "name '" + n + "'\n";
    out += "rule '" + log.rule.disp + "' " + std::to_string(log.rule.aka) + std::to_string(log.rule.aka51) +
           std::to_string(log.rule.aka52) + std::to_string(log.rule.aka53) + "\n";
    out += "ratingc " + (log.ratingc ? "'" + *log.ratingc + "'" : std::string("-")) + "\n";
    out += "lobby " + (log.lobby ? std::to_string(*log.lobby) : std::string("-")) + "\n";
    for (const auto* list : {&log.dan, &log.sx}) {
        out += "strings";
        if (*list) {
            for (const auto& s : **list) out += " '" + s + "'";
        } else {
            out += " -";
        }
        out += "\n";
    }
    out += "rate";
    if (log.rate) {
        for (double d : *log.rate) std::snprintf(buf, sizeof buf, " %a", d), out += buf;
    } else {
        out += " -";
    }
    return out + "\n";
}

// What the general parser alone makes of the text.
std::string reference(std::string_view text) {
    auto r = detail::parse_with_general_parser(text);
    return r ? "ok\n" + dump(r.value()) : "failed: " + r.error().message + " at " + std::to_string(r.error().offset);
}

std::string actual(std::string_view text) {
    auto r = parse_raw_log(text);
    return r ? "ok\n" + dump(r.value()) : "failed: " + r.error().message + " at " + std::to_string(r.error().offset);
}

// Bytes read as the module reads them: not UTF-8 before anything else.
std::string actual_bytes(std::string_view bytes) {
    auto r = parse_raw_log_bytes(bytes);
    if (r) return "ok\n" + dump(r.value());
    if (r.error().not_utf8) return "not UTF-8";
    return "failed: " + r.error().read.message + " at " + std::to_string(r.error().read.offset);
}

// The reader agrees with the parser; returns whether the quick pass took it.
bool check_text(const std::string& text) {
    const std::string expected = reference(text);
    EXPECT_EQ(actual(text), expected) << text.substr(0, 300);
    EXPECT_EQ(actual_bytes(text), ripaion::utf8_valid(text) ? expected : "not UTF-8") << text.substr(0, 300);
    auto plain = detail::parse_plain(text);
    if (plain) {
        EXPECT_EQ("ok\n" + dump(*plain), expected) << text.substr(0, 300);
        EXPECT_TRUE(ripaion::utf8_valid(text)) << text.substr(0, 300);  // what parse_raw_log_bytes relies on
    }
    return plain.has_value();
}

std::vector<std::string> real_logs() {
    std::vector<std::string> texts;
    for (const auto& entry : fs::directory_iterator(fs::path(RIPAION_TEST_DATA_DIR) / "logs")) {
        if (entry.path().extension() != ".json") continue;
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream ss;
        ss << in.rdbuf();
        texts.push_back(ss.str());
    }
    return texts;
}

// Every real log is plain JSON, also when laid out with spaces and line
// breaks, so the comparison covers the quick pass on each of them.
TEST(PlainScan, ReadsRealLogsLikeTheParser) {
    for (const std::string& text : real_logs()) {
        EXPECT_TRUE(check_text(text));
        std::string spaced;
        for (char c : text) {
            spaced += c;
            if (c == ',' || c == '[' || c == ':') spaced += " \n\t";
        }
        EXPECT_TRUE(check_text(spaced));
    }
}

// Texts near the edge of what the quick pass takes: each is read as the
// parser reads it, whether the quick pass takes it or leaves it.
TEST(PlainScan, EdgeTextsAsTheParser) {
    using namespace reader_test;
    const std::vector<std::string> values = {
        "0", "-0", "7", "-7", "10", "99", "100", "255", "256", "-1", "01", "-01", "00", "1.5", "-1.5", "0.0", "-0.0",
        "1.", ".5", "1e2", "1E2", "1.5e3", "-", "--1", "+1", "999999999999999999", "1000000000000000000",
        "-999999999999999999", "18446744073709551615", "18446744073709551616", "-9223372036854775808",
        "123456789012345678901234567890.5", "1.00000000000000000000000000000000000001", "true", "false", "null",
        "tru", "nul", "nulll", R"("")", R"("a")", R"("\"")", R"("\\")", R"("\/")", R"("\b\f\n\r\t")",
        R"("\u0041")", R"("\u00e9\u3042")", R"("\u0000")", R"("\uD83D\uDE00")", R"("\uD83D")", R"("\uDE00")",
        R"("\ud83d\ude00x")", R"("\u12")", R"("\u12G4")", R"("\x")", "\"\xE3\x81\x82\"", "\"\xE3\x81\"",
        "\"\xC0\xAF\"", "\"\xED\xA0\x80\"", "\"\xF4\x90\x80\x80\"", "\"a\x01\"", "\"a\x7F\"", "\"a\tb\"",
        "\xE3\x81\x82", "\"\xE3\x81\x82\xE3\"", "\"\x80\"", "\"\xF0\x9F\x80\x84\"",
        "[]", "[ ]", "[1,]", "[,1]", "[1 ,2]", "[1, 2]", "{}", R"({"a":1})", R"({"a" : 1 , "b":[2]})", R"({"a":})",
        R"({"a" 1})", R"({1:2})", "[[[[[[[[[[]]]]]]]]]]", nested(40), nested(200), "[1]]", "[1", "",
    };
    int taken = 0;
    for (const std::string& v : values) {
        // As a skipped value, as a list entry, as a tile code and as a name.
        taken += check_text(doc("[]", R"(,"skip":)" + v));
        taken += check_text(doc_with_hand(hand_with(5, "[11," + v + "," + v + "]")));
        taken += check_text(doc_with_hand(hand_with(6, "[" + v + "," + v + ",11]")));
        taken += check_text(doc_with_hand(hand_with(2, "[" + v + "]")));
        taken += check_text(doc_with_hand(hand_with(16, "[" + v + "]")));
        taken += check_text(R"({"log":[],"name":[)" + v + R"(,"b","c","d"],"rule":{}})");
        taken += check_text(doc("[]", R"(,"rate":[)" + v + "," + v + "]"));
    }
    for (const std::string& around : {std::string(" "), std::string("\t\r\n"), std::string("\f"), std::string("x")}) {
        taken += check_text(around + doc() + around);
    }
    EXPECT_GT(taken, 100);
}

// Real logs changed at random places, byte by byte and token by token.
TEST(PlainScan, MutatedLogsAsTheParser) {
    const std::vector<std::string> logs = real_logs();
    ASSERT_FALSE(logs.empty());
    std::mt19937 rng(20240607);
    const std::vector<std::string> inserts = {" ", "\n", ",", "]", "[", "}", "{", "\"", "\\", "-", "0", "1", ".",
                                              "e", "5.", "\\u0041", "\\ud800", "null", "\xE3\x81\x82", "\x80",
                                              "\x01", "999", "-0", "1e5", "[]", "{}"};
    int taken = 0, runs = 0;
    for (int k = 0; k < 600; ++k) {
        std::string text = logs[rng() % logs.size()];
        const int edits = 1 + static_cast<int>(rng() % 3);
        for (int e = 0; e < edits && !text.empty(); ++e) {
            const std::size_t at = rng() % text.size();
            switch (rng() % 4) {
                case 0: text.insert(at, inserts[rng() % inserts.size()]); break;
                case 1: text.erase(at, 1 + rng() % 3); break;
                case 2: text[at] = static_cast<char>(rng() % 256); break;
                default: text.resize(at); break;
            }
        }
        taken += check_text(text);
        ++runs;
    }
    // Most mutations break the document; some must still be read quickly.
    EXPECT_GT(taken, 0);
    EXPECT_EQ(runs, 600);
}

}  // namespace
