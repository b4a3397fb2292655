// The Python list of event lines returned to the caller.
#pragma once

#include <Python.h>

#include <string_view>

#include "ripaion/conv/game_lines.hpp"

namespace ripaion::py {

// A new str holding one event line (UTF-8), or null with an exception set.
PyObject* new_line_str(std::string_view line);

// A new list of str, one per line, or null with an exception set.
PyObject* new_line_list(const conv::GameLines& lines);

}  // namespace ripaion::py
