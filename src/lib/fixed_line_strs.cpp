#include "fixed_line_strs.hpp"

#include "line_list.hpp"

namespace ripaion::py::detail {

PyObject* make_fixed_line_str(mjai::FixedLineId id) {
    PyObject* text = new_line_str(mjai::fixed_line(id));
    if (!text) return nullptr;
    g_fixed_strs[id] = text;
    return text;
}

}  // namespace ripaion::py::detail
