// Reads a Tenhou mjlog record (XML, optionally gzip-compressed, UTF-8 or
// UTF-16 with a byte-order mark) into the log model that the JSON reader
// fills, so that one conversion engine serves both.
#pragma once

#include <string>

#include "ripaion/mjlog/mjlog_error.hpp"
#include "ripaion/model/raw_log.hpp"
#include "ripaion/result.hpp"

namespace ripaion::mjlog {

// The file's bytes, taken by value so that they are released once parsed.
Result<model::RawLog, MjlogError> read_mjlog(std::string bytes);

// The record's XML as UTF-8 text (modified in place while parsing).
Result<model::RawLog, MjlogError> read_mjlog_xml(std::string text);

}  // namespace ripaion::mjlog
