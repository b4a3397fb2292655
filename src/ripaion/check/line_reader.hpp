// Reads one line of an mjai stream into a LineEvent with the JSON library's
// event parser: strict JSON, exactly one object per line, a fixed nesting
// bound (so nothing recurses deeper on hostile input), no tree built.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ripaion/check/line_event.hpp"

namespace ripaion::check {

class LineReader {
public:
    LineReader();
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Fills `event` and returns true, or returns false with `error` saying
    // why the line is not one JSON object.
    bool read(std::string_view line, LineEvent& event, std::string& error);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace ripaion::check
