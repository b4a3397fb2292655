// What the caller receives: the list of event lines as str, and the lines
// written to the mjai_out path.
#pragma once

#include <Python.h>

#include <string>
#include <string_view>

#include "ripaion/conv/game_lines.hpp"

namespace ripaion::py {

// A new str holding one event line (UTF-8), or null with an exception set.
PyObject* new_line_str(std::string_view line);

// A new list of str, one per line, or null with an exception set.
PyObject* new_line_list(const conv::GameLines& lines);

// Writes every line with its line feed to `path` (raw path bytes; "-" is
// standard output). False with an exception set.
bool write_mjai_out(const std::string& path, const conv::GameLines& lines);

}  // namespace ripaion::py
