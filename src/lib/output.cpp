#include "output.hpp"

#include <array>
#include <cstring>

#include "errors.hpp"
#include "py_ref.hpp"
#include "ripaion/conv/game_lines.hpp"
#include "ripaion/pipeline/pipeline.hpp"
#include "ripaion/sys/output_file.hpp"
#include "ripaion/utf8.hpp"

namespace ripaion::py {
namespace {

// The Python str of each fixed event line, made on first need and kept for
// the rest of the process (the module cannot be unloaded from the
// interpreter that owns it), so that a result list holds new references to
// these few hundred objects instead of a new str per draw and discard.
// Strings are immutable: a caller sees the same text either way. The module
// lives in one interpreter only, and every call holds the interpreter lock,
// so the cache needs no lock of its own.
std::array<PyObject*, conv::kFixedLineCount> g_fixed_strs{};

// Kept out of line: made once per line per process.
[[gnu::noinline]] PyObject* make_fixed_line_str(conv::FixedLineId id) {
    PyObject* text = new_line_str(conv::fixed_line(id));
    if (!text) return nullptr;
    g_fixed_strs[id] = text;
    return text;
}

// A new reference to the line's str (id < kFixedLineCount), or null with an
// exception set.
inline PyObject* new_fixed_line_ref(conv::FixedLineId id) {
    PyObject* text = g_fixed_strs[id];
    if (!text) {
        text = make_fixed_line_str(id);
        if (!text) return nullptr;
    }
    Py_INCREF(text);
    return text;
}

}  // namespace

// Almost every line is pure ASCII (only player names may not be): for those
// the str is allocated at its final size and filled by one copy, which gives
// the same object as decoding without the per-character work.
PyObject* new_line_str(std::string_view line) {
    if (ascii_only(line)) {
        PyObject* text = PyUnicode_New(static_cast<Py_ssize_t>(line.size()), 127);
        if (text && !line.empty()) std::memcpy(PyUnicode_DATA(text), line.data(), line.size());
        return text;
    }
    return PyUnicode_DecodeUTF8(line.data(), static_cast<Py_ssize_t>(line.size()), nullptr);
}

PyObject* new_line_list(const conv::GameLines& lines) {
    const std::size_t count = lines.count();
    Ref list(PyList_New(static_cast<Py_ssize_t>(count)));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        const conv::GameLines::Slot& slot = lines.slots[i];
        if (slot.size == 0 && slot.start >= conv::kFixedLineCount) return raise_internal_fault("no such fixed line");
        PyObject* item = slot.size == 0
                             ? new_fixed_line_ref(static_cast<conv::FixedLineId>(slot.start))
                             : new_line_str(std::string_view(lines.text).substr(slot.start, slot.size));
        if (!item) return nullptr;
        PyList_SET_ITEM(list.get(), static_cast<Py_ssize_t>(i), item);
    }
    return list.release();
}

bool write_mjai_out(const std::string& path, const conv::GameLines& lines) {
    auto written = sys::write_output(path, pipeline::output_text(lines), signal_handler_raised);
    if (written) return true;
    raise_output_failure(written.error(), path);
    return false;
}

}  // namespace ripaion::py
