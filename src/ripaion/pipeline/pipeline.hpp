// The library's whole conversion, the only way from a log to mjai lines:
//   read     bytes -> model::RawLog     (the reader of the input format)
//   convert  RawLog -> conv::ConvertedGame
//   encode   ConvertedGame -> conv::GameLines
// Touches no interpreter: callers may run it without the interpreter lock.
#pragma once

#include <string>
#include <string_view>

#include "ripaion/conv/game_lines.hpp"
#include "ripaion/model/game_info.hpp"
#include "ripaion/model/raw_log.hpp"
#include "ripaion/result.hpp"

namespace ripaion::pipeline {

// Which reader turns the bytes into the log model.
enum class InputFormat {
    TenhouJson,  // a JSON log of the Tenhou viewer
    Mjlog,       // Tenhou's own XML record (plain or gzip, UTF-8 or UTF-16)
    Gzip,        // gzip-compressed: the format is told once decompressed
};

// The format of a log told from its first bytes: gzip when they are gzip's
// magic; an mjlog record when they are a UTF-16 byte-order mark and a tag,
// or a tag (after an optional UTF-8 byte-order mark and blanks; no JSON text
// starts so); else a JSON log.
InputFormat detect_input_format(std::string_view bytes) noexcept;

// Every way a conversion can fail; the module maps each to its exception.
enum class FailureKind {
    NotUtf8,     // the bytes are not UTF-8 text
    Parse,       // the text is not a valid log document
    InvalidLog,  // the log is read but refused by the conversion
    Convert,     // a hand's events cannot be rebuilt
    Serialize,   // an event cannot be encoded
    MjlogParse,  // the bytes are not a well-formed mjlog record
};

struct Failure {
    using Kind = FailureKind;
    static constexpr Kind NotUtf8 = Kind::NotUtf8;
    static constexpr Kind Parse = Kind::Parse;
    static constexpr Kind InvalidLog = Kind::InvalidLog;
    static constexpr Kind Convert = Kind::Convert;
    static constexpr Kind Serialize = Kind::Serialize;
    static constexpr Kind MjlogParse = Kind::MjlogParse;

    Failure(Kind k, std::string why = {}) : kind(k), reason(std::move(why)) {}

    Kind kind;
    // Why an mjlog record is not well-formed (the tag and what is wrong
    // with it), shown after the message; empty for the other kinds.
    std::string reason;

    bool operator==(const Failure&) const = default;
    friend bool operator==(const Failure& f, Kind k) noexcept { return f.kind == k; }
};
// One more than the last failure: the module's table of exceptions has a
// row for each.
inline constexpr int kFailureCount = static_cast<int>(Failure::MjlogParse) + 1;

// The read stage alone. JSON bytes that are not UTF-8 fail as such,
// whatever else is wrong with them.
Result<model::RawLog, Failure> read_log(std::string_view bytes, InputFormat format);

// The convert and encode stages: the game's events are released once every
// line is encoded.
Result<conv::GameLines, Failure> lines_of_log(model::RawLog log);

// The read and convert stages: the game, before its lines are made (the
// caller makes them as lines or as the text, conv/game_lines.hpp). Owned
// bytes are released as soon as they are read; `info` as for convert below.
Result<conv::ConvertedGame, Failure> convert_to_game(std::string&& bytes, InputFormat format,
                                                     model::GameInfo* info = nullptr);
Result<conv::ConvertedGame, Failure> convert_to_game(std::string_view bytes, InputFormat format,
                                                     model::GameInfo* info = nullptr);

// Every stage. Owned bytes are released as soon as they are read, which
// keeps a call's peak memory near the size of the model; borrowed bytes
// stay the caller's. With `info`, what the log says about its game is taken
// into it once the log is read (whether or not the log then converts): the
// conversion never reads it, so it changes neither outcome nor lines.
Result<conv::GameLines, Failure> convert(std::string&& bytes, InputFormat format = InputFormat::TenhouJson,
                                         model::GameInfo* info = nullptr);
Result<conv::GameLines, Failure> convert(std::string_view bytes, InputFormat format = InputFormat::TenhouJson,
                                         model::GameInfo* info = nullptr);

// The conversion's text: every line followed by a line feed, back to back.
std::string output_text(const conv::GameLines& lines);
// The same written into memory the caller owns (a Python bytes object, say),
// which must hold output_text_size(lines) bytes.
std::size_t output_text_size(const conv::GameLines& lines);
void write_output_text(const conv::GameLines& lines, char* out);

}  // namespace ripaion::pipeline
