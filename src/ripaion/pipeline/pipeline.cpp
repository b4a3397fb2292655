#include "ripaion/pipeline/pipeline.hpp"

#include <cstring>
#include <optional>
#include <utility>

#include "ripaion/conv/convert.hpp"
#include "ripaion/gzip/gunzip.hpp"
#include "ripaion/mjlog/read_mjlog.hpp"
#include "ripaion/tenhou/reader.hpp"

namespace ripaion::pipeline {
namespace {

Result<model::RawLog, Failure> read_tenhou_json(std::string_view bytes) {
    auto parsed = tenhou::parse_raw_log_bytes(bytes);
    if (!parsed) return fail(Failure(parsed.error().not_utf8 ? Failure::NotUtf8 : Failure::Parse));
    return std::move(parsed).value();
}

// The XML reader parses in place, so it takes the bytes as its own.
Result<model::RawLog, Failure> read_mjlog(std::string bytes) {
    auto parsed = mjlog::read_mjlog(std::move(bytes));
    if (!parsed) {
        if (parsed.error().kind == mjlog::MjlogError::Kind::Refused) return fail(Failure(Failure::InvalidLog));
        return fail(Failure(Failure::MjlogParse, std::move(parsed.error().message)));
    }
    return std::move(parsed).value();
}

// Compressed bytes, decompressed (within the bound) for the reader of what
// they hold. A failure is the record reader's, as compressed logs were
// records alone before JSON logs were taken compressed too.
Result<std::string, Failure> decompressed(std::string_view bytes) {
    auto plain = gzip::gunzip(bytes);
    if (!plain) return fail(Failure(Failure::MjlogParse, std::string(gzip::gunzip_error_text(plain.error()))));
    if (gzip::has_gzip_magic(plain.value())) return fail(Failure(Failure::MjlogParse, "gzip inside gzip"));
    return std::move(plain).value();
}

Result<model::RawLog, Failure> read_owned(std::string bytes, InputFormat format) {
    if (format == InputFormat::Gzip) {
        auto plain = decompressed(bytes);
        if (!plain) return fail(std::move(plain.error()));
        std::string().swap(bytes);
        bytes = std::move(plain).value();
        format = detect_input_format(bytes);
    }
    if (format == InputFormat::Mjlog) return read_mjlog(std::move(bytes));
    return read_tenhou_json(bytes);
}

Result<conv::ConvertedGame, Failure> game_of(model::RawLog log) {
    auto converted = conv::convert_game(std::move(log));
    if (!converted) {
        return fail(Failure(converted.error().kind == conv::ConvertErrorKind::TenhouLogParsing ? Failure::InvalidLog
                                                                                               : Failure::Convert));
    }
    return std::move(converted).value();
}

}  // namespace

InputFormat detect_input_format(std::string_view bytes) noexcept {
    using namespace std::string_view_literals;
    if (gzip::has_gzip_magic(bytes)) return InputFormat::Gzip;
    // UTF-16 only with a tag after its mark: other bytes after a mark are not
    // a record, and go where the JSON reader calls them not UTF-8.
    if (bytes.starts_with("\xFF\xFE<\0"sv) || bytes.starts_with("\xFE\xFF\0<"sv)) return InputFormat::Mjlog;
    if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
    const std::size_t first = bytes.find_first_not_of(" \t\r\n");
    return first != std::string_view::npos && bytes[first] == '<' ? InputFormat::Mjlog : InputFormat::TenhouJson;
}

Result<model::RawLog, Failure> read_log(std::string_view bytes, InputFormat format) {
    switch (format) {
        case InputFormat::TenhouJson: return read_tenhou_json(bytes);
        case InputFormat::Mjlog: return read_mjlog(std::string(bytes));
        case InputFormat::Gzip: {
            auto plain = decompressed(bytes);
            if (!plain) return fail(std::move(plain.error()));
            const InputFormat inner = detect_input_format(plain.value());
            return read_owned(std::move(plain).value(), inner);
        }
    }
    return fail(Failure(Failure::Parse));
}

namespace {

Result<conv::GameLines, Failure> lines_of_game(const conv::ConvertedGame& game) {
    auto lines = conv::encode_game(game);
    if (!lines) return fail(Failure(Failure::Serialize));
    return std::move(lines).value();
}

}  // namespace

Result<conv::GameLines, Failure> lines_of_log(model::RawLog log) {
    // Encoded within this scope so that the game is freed before the caller
    // makes anything of the lines.
    auto game = game_of(std::move(log));
    if (!game) return fail(game.error());
    return lines_of_game(game.value());
}

Result<conv::ConvertedGame, Failure> convert_to_game(std::string&& bytes, InputFormat format, model::GameInfo* info) {
    std::optional<model::RawLog> log;
    {
        auto read = format == InputFormat::TenhouJson ? read_tenhou_json(bytes) : read_owned(std::move(bytes), format);
        if (!read) return fail(read.error());
        log.emplace(std::move(read).value());
    }
    std::string().swap(bytes);
    if (info) *info = model::take_game_info(*log);
    return game_of(std::move(*log));
}

Result<conv::ConvertedGame, Failure> convert_to_game(std::string_view bytes, InputFormat format,
                                                     model::GameInfo* info) {
    auto log = read_log(bytes, format);
    if (!log) return fail(log.error());
    if (info) *info = model::take_game_info(log.value());
    return game_of(std::move(log).value());
}

Result<conv::GameLines, Failure> convert(std::string&& bytes, InputFormat format, model::GameInfo* info) {
    auto game = convert_to_game(std::move(bytes), format, info);
    if (!game) return fail(game.error());
    return lines_of_game(game.value());
}

Result<conv::GameLines, Failure> convert(std::string_view bytes, InputFormat format, model::GameInfo* info) {
    auto game = convert_to_game(bytes, format, info);
    if (!game) return fail(game.error());
    return lines_of_game(game.value());
}

std::size_t output_text_size(const conv::GameLines& lines) {
    std::size_t total = 0;
    for (std::size_t i = 0; i < lines.count(); ++i) total += lines.line_with_feed_size(i);
    return total;
}

void write_output_text(const conv::GameLines& lines, char* p) {
    for (const auto& slot : lines.slots) {
        if (slot.size == 0) {
            const std::string_view line = conv::fixed_line_with_feed(static_cast<conv::FixedLineId>(slot.start));
            std::memcpy(p, line.data(), line.size());
            p += line.size();
        } else {
            std::memcpy(p, lines.text.data() + slot.start, slot.size);
            p += slot.size;
            *p++ = '\n';
        }
    }
}

std::string output_text(const conv::GameLines& lines) {
    std::string out(output_text_size(lines), '\0');
    write_output_text(lines, out.data());
    return out;
}

}  // namespace ripaion::pipeline
