// How a path (held as the raw bytes passed to the system) is shown in
// messages, and which path selects standard output.
#pragma once

#include <string>
#include <string_view>

namespace ripaion::sys {

// Between double quotes, with backslash escapes for quotes, backslashes,
// control and invisible characters and \xHH for bytes that are not UTF-8,
// so that the exact path can be read back from the message.
std::string quoted_path(std::string_view path);

// The path as UTF-8 text, each invalid sequence replaced by U+FFFD.
std::string plain_path(std::string_view path);

// True when the path equals "-" component by component ("-", "-/", "-/."),
// the name of the process's standard output; "./-" and "--" are files.
bool names_standard_output(std::string_view path) noexcept;

}  // namespace ripaion::sys
