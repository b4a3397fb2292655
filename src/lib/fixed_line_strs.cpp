#include "fixed_line_strs.hpp"

#include <cstring>

namespace ripaion::py::detail {

PyObject* make_fixed_line_str(mjai::FixedLineId id) {
    // Every table line is ASCII.
    const std::string_view line = mjai::fixed_line(id);
    PyObject* text = PyUnicode_New(static_cast<Py_ssize_t>(line.size()), 127);
    if (!text) return nullptr;
    std::memcpy(PyUnicode_DATA(text), line.data(), line.size());
    g_fixed_strs[id] = text;
    return text;
}

}  // namespace ripaion::py::detail
