#include "check.hpp"

#include <optional>
#include <string_view>

#include "data_argument.hpp"
#include "errors.hpp"
#include "py_ref.hpp"
#include "ripaion/check/stream_check.hpp"

namespace ripaion::py {
namespace {

PyStructSequence_Field g_problem_fields[] = {
    {"line", "1-based number of the line the problem stands on"},
    {"kind", "short stable label: json, type, field, frame, draw, discard, call, kan, hora, tsumogiri, riichi, "
             "tile_count, score, deltas or red_five"},
    {"message", "what is wrong, in words"},
    {nullptr, nullptr},
};

PyStructSequence_Desc g_problem_desc = {
    "ripaion_rs.Problem",
    "A problem found in an mjai stream: (line, kind, message).",
    g_problem_fields,
    3,
};

// Created with the module, kept for the rest of the process like the module.
PyObject* g_problem_type = nullptr;

PyObject* new_problem_list(const std::optional<check::Problem>& problem) {
    Ref list(PyList_New(0));
    if (!list || !problem) return list.release();
    Ref item(PyStructSequence_New(reinterpret_cast<PyTypeObject*>(g_problem_type)));
    if (!item) return nullptr;
    const std::string_view kind = check::problem_label(problem->kind);
    PyObject* line = PyLong_FromSize_t(problem->line);
    if (!line) return nullptr;
    PyStructSequence_SetItem(item.get(), 0, line);
    PyObject* label = PyUnicode_FromStringAndSize(kind.data(), static_cast<Py_ssize_t>(kind.size()));
    if (!label) return nullptr;
    PyStructSequence_SetItem(item.get(), 1, label);
    // Messages quote stream text only through the lossy UTF-8 helper, so
    // they are valid UTF-8; "replace" keeps that a promise, not a crash.
    PyObject* message = PyUnicode_DecodeUTF8(problem->message.data(),
                                             static_cast<Py_ssize_t>(problem->message.size()), "replace");
    if (!message) return nullptr;
    PyStructSequence_SetItem(item.get(), 2, message);
    if (PyList_Append(list.get(), item.get()) < 0) return nullptr;
    return list.release();
}

// A whole stream held in one buffer: checked without the interpreter lock.
std::optional<check::Problem> check_text(std::string_view text) {
    std::optional<check::Problem> problem;
    without_lock([&] { problem = check::check_stream(text); });
    return problem;
}

bool is_line(PyObject* item) { return PyUnicode_Check(item) || PyObject_CheckBuffer(item); }

PyObject* check_lines(PyObject* sequence) {
    // A tuple of the items as they are now: reading a line (a buffer export
    // may run Python code) cannot change which lines there are.
    Ref items(PySequence_Tuple(sequence));
    if (!items) return nullptr;
    const Py_ssize_t n = PyTuple_GET_SIZE(items.get());
    check::StreamChecker checker;
    for (Py_ssize_t i = 0; i < n; ++i) {
        PyObject* item = PyTuple_GET_ITEM(items.get(), i);
        if (!is_line(item)) {
            PyErr_Format(PyExc_TypeError, "check() lines must be str or bytes-like, not %.80s (line %zd)",
                         Py_TYPE(item)->tp_name, i + 1);
            return nullptr;
        }
        // Lines after the first problem are not read, but their type is
        // checked all the same: the call raises for the same arguments
        // whatever the stream holds.
        if (checker.problem()) continue;
        // Read as a whole stream is: any buffer layout, released on every path.
        LogBytes text;
        if (!log_bytes_argument(item, "check()", text)) return nullptr;
        checker.line(text.view());
    }
    return new_problem_list(checker.finish());
}

PyObject* run(PyObject* data) {
    if (PyList_Check(data) || PyTuple_Check(data)) return check_lines(data);
    if (PyUnicode_Check(data) || PyObject_CheckBuffer(data)) {
        // The same rules as the converters: a mutable buffer is copied, so
        // that another thread changing it cannot change the text under the
        // checker while the lock is released.
        LogBytes text;
        if (!log_bytes_argument(data, "check()", text)) return nullptr;
        return new_problem_list(check_text(text.view()));
    }
    PyErr_Format(PyExc_TypeError, "check() expects bytes, str or a list of lines, not %.80s", Py_TYPE(data)->tp_name);
    return nullptr;
}

}  // namespace

PyObject* make_problem_type() {
    if (!g_problem_type) {
        g_problem_type = reinterpret_cast<PyObject*>(PyStructSequence_NewType(&g_problem_desc));
    }
    Py_XINCREF(g_problem_type);
    return g_problem_type;
}

PyObject* check(PyObject*, PyObject* data) noexcept {
    return catching_faults([&] { return run(data); });
}

}  // namespace ripaion::py
