// Small Tenhou log documents for the reader tests: a sound hand and
// document, with any element or member replaced by the text under test.
#pragma once

#include <pthread.h>

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "ripaion/tenhou/reader.hpp"

namespace reader_test {

inline const std::string kHaipai = "[11,12,13,14,15,16,17,18,19,21,22,23,24]";
inline const std::string kNames = R"(["a","b","c","d"])";

// A 17-element hand; `replace` maps element positions to other texts.
inline std::string hand(const std::map<int, std::string>& replace = {}) {
    const std::string sound[17] = {
        "[0,0,0]", "[25000,25000,25000,25000]", "[11]", "[]",
        kHaipai, "[]", "[]", kHaipai, "[]", "[]", kHaipai, "[]", "[]", kHaipai, "[]", "[]", "[]",
    };
    std::string s = "[";
    for (int k = 0; k < 17; ++k) {
        if (k) s += ",";
        const auto it = replace.find(k);
        s += it == replace.end() ? sound[k] : it->second;
    }
    return s + "]";
}

inline std::string hand_with(int element, const std::string& text) { return hand({{element, text}}); }

// A document with one hand (or the given log) and extra members appended.
// (Texts are built by appending: GCC 12 warns falsely on `"literal" + temporary`.)
inline std::string in_array(const std::string& inner) { return std::string("[").append(inner).append("]"); }

inline std::string doc(const std::string& log = in_array(hand()), const std::string& extra = "") {
    return R"({"log":)" + log + R"(,"name":)" + kNames + R"(,"rule":{})" + extra + "}";
}

inline std::string doc_with_hand(const std::string& hand_text) { return doc(in_array(hand_text)); }

// Runs `work` on a new thread whose stack is `kib` KiB; false when the
// thread could not be started.
inline bool run_on_stack(std::size_t kib, const std::function<void()>& work) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, kib * 1024);
    pthread_t thread;
    const int rc = pthread_create(
        &thread, &attr,
        [](void* p) -> void* {
            (*static_cast<const std::function<void()>*>(p))();
            return nullptr;
        },
        const_cast<std::function<void()>*>(&work));
    pthread_attr_destroy(&attr);
    if (rc != 0) return false;
    pthread_join(thread, nullptr);
    return true;
}

// The failure text, or "ok" when the document reads.
inline std::string outcome(std::string_view text) {
    auto r = ripaion::tenhou::parse_raw_log(text);
    return r.ok() ? std::string("ok") : r.error().message;
}

inline std::string repeat(std::string_view s, int n) {
    std::string out;
    out.reserve(s.size() * static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) out += s;
    return out;
}

// `levels` nested arrays around `inner`.
inline std::string nested(int levels, const std::string& inner = "") {
    return repeat("[", levels) + inner + repeat("]", levels);
}

// `levels` nested objects, each the value of key "a" in the one around it.
inline std::string nested_objects(int levels) {
    return repeat(R"({"a":)", levels - 1) + "{}" + repeat("}", levels - 1);
}

inline std::string tile_code_list() {
    return "0, 11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22, 23, 24, 25, 26, 27, 28, 29, "
           "31, 32, 33, 34, 35, 36, 37, 38, 39, 41, 42, 43, 44, 45, 46, 47, 51, 52, 53";
}

}  // namespace reader_test
