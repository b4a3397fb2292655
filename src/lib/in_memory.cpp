#include "in_memory.hpp"

#include <exception>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "data_argument.hpp"
#include "errors.hpp"
#include "game_info.hpp"
#include "output.hpp"
#include "py_ref.hpp"
#include "ripaion/gzip/gzip_member.hpp"
#include "ripaion/pipeline/pipeline.hpp"
#include "signature.hpp"

namespace ripaion::py {
namespace {

constexpr const char* kConvertNames[] = {"data", "format"};
constexpr Signature kConvertSignature{"convert()", kConvertNames, 2, 1, 1};
constexpr const char* kToBytesNames[] = {"data", "gzip", "format"};
constexpr Signature kToBytesSignature{"convert_to_bytes()", kToBytesNames, 3, 1, 1};
constexpr Signature kWithInfoSignature{"convert_with_info()", kToBytesNames, 3, 1, 1};

// The `format` argument: "auto" (the default: told from the bytes),
// "tenhou6" or "mjlog". Empty with an exception set.
enum class FormatChoice { Auto, Tenhou6, Mjlog };
std::optional<FormatChoice> format_argument(PyObject* value, const char* function) {
    if (!value) return FormatChoice::Auto;
    if (!PyUnicode_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s argument 'format' must be str, not '%.200s'", function,
                     Py_TYPE(value)->tp_name);
        return std::nullopt;
    }
    static constexpr std::pair<const char*, FormatChoice> kChoices[] = {
        {"auto", FormatChoice::Auto}, {"tenhou6", FormatChoice::Tenhou6}, {"mjlog", FormatChoice::Mjlog}};
    for (const auto& [name, choice] : kChoices) {
        if (PyUnicode_CompareWithASCIIString(value, name) == 0) return choice;
    }
    PyErr_Format(PyExc_ValueError, "%s argument 'format' must be 'auto', 'tenhou6' or 'mjlog', not %R", function,
                 value);
    return std::nullopt;
}

// A copied buffer is handed over, so that it is released as soon as it is
// read; borrowed bytes stay their owner's.
Result<conv::GameLines, pipeline::Failure> convert_log(LogBytes& data, FormatChoice choice,
                                                       model::GameInfo* info = nullptr) {
    const std::string_view bytes = data.view();
    const auto format = choice == FormatChoice::Mjlog     ? pipeline::InputFormat::Mjlog
                        : choice == FormatChoice::Tenhou6 ? pipeline::InputFormat::TenhouJson
                                                          : pipeline::detect_input_format(bytes);
    if (data.copied) return pipeline::convert(std::move(data.copy), format, info);
    return pipeline::convert(data.borrowed, format, info);
}

// The `gzip` argument: None (no compression) or an int level.
bool gzip_level_argument(PyObject* value, const char* function, std::optional<int>& level) {
    if (!value || value == Py_None) return true;
    if (!PyLong_Check(value) || PyBool_Check(value)) {
        PyErr_Format(PyExc_TypeError, "%s argument 'gzip' must be an int level or None, not '%.200s'", function,
                     Py_TYPE(value)->tp_name);
        return false;
    }
    int overflow = 0;
    const long n = PyLong_AsLongAndOverflow(value, &overflow);
    if (n == -1 && PyErr_Occurred()) return false;
    if (overflow || n < gzip::kMinLevel || n > gzip::kMaxLevel) {
        PyErr_Format(PyExc_ValueError, "%s argument 'gzip' must be a level from %d to %d, not %R", function,
                     gzip::kMinLevel, gzip::kMaxLevel, value);
        return false;
    }
    level = static_cast<int>(n);
    return true;
}

PyObject* run_convert(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    PyObject* bound[2];
    if (!bind_signature(kConvertSignature, args, nargsf, kwnames, bound)) return nullptr;
    LogBytes data;
    if (!log_bytes_argument(bound[0], kConvertSignature.display_name, data)) return nullptr;
    const auto format = format_argument(bound[1], kConvertSignature.display_name);
    if (!format) return nullptr;

    std::optional<Result<conv::GameLines, pipeline::Failure>> lines;
    without_lock([&] { lines.emplace(convert_log(data, *format)); });
    if (!*lines) return raise_failure(lines->error());
    return new_line_list(lines->value());
}

// The text's bytes of convert_to_bytes (and of convert_with_info, which
// passes `info` to take the game's description and its line count).
PyObject* text_bytes(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames,
                     model::GameInfo* info = nullptr, std::size_t* events = nullptr) {
    PyObject* bound[3];
    if (!bind_signature(signature, args, nargsf, kwnames, bound)) return nullptr;
    LogBytes data;
    if (!log_bytes_argument(bound[0], signature.display_name, data)) return nullptr;
    std::optional<int> level;
    if (!gzip_level_argument(bound[1], signature.display_name, level)) return nullptr;
    const auto format = format_argument(bound[2], signature.display_name);
    if (!format) return nullptr;

    std::optional<Result<conv::GameLines, pipeline::Failure>> lines;
    std::optional<Result<std::string, gzip::GzipFailure>> member;
    without_lock([&] {
        lines.emplace(convert_log(data, *format, info));
        if (*lines && events) *events = lines->value().count();
        if (!*lines || !level) return;
        member.emplace(gzip::gzip_member(pipeline::output_text(lines->value()), *level));
        lines.reset();  // freed before the lock is taken back
    });
    if (member) {
        if (!*member) {
            if (member->error() == gzip::GzipFailure::BadLevel) return raise_internal_fault("gzip level not checked");
            return PyErr_NoMemory();
        }
        const std::string& out = member->value();
        return PyBytes_FromStringAndSize(out.data(), static_cast<Py_ssize_t>(out.size()));
    }
    if (!*lines) return raise_failure(lines->error());
    // The text is written straight into the bytes object, which nobody else
    // can see yet: no copy of the whole text, and the lock released again.
    const conv::GameLines& game_lines = lines->value();
    Ref bytes(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(pipeline::output_text_size(game_lines))));
    if (!bytes) return nullptr;
    char* target = PyBytes_AS_STRING(bytes.get());
    without_lock([&] {
        pipeline::write_output_text(game_lines, target);
        lines.reset();
    });
    return bytes.release();
}

PyObject* run_convert_to_bytes(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    return text_bytes(kToBytesSignature, args, nargsf, kwnames);
}

PyObject* run_convert_with_info(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    model::GameInfo info;
    std::size_t events = 0;
    Ref bytes(text_bytes(kWithInfoSignature, args, nargsf, kwnames, &info, &events));
    if (!bytes) return nullptr;
    Ref dict(game_info_dict(info, events));
    if (!dict) return nullptr;
    return PyTuple_Pack(2, bytes.get(), dict.get());
}

}  // namespace

PyObject* convert(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept {
    return catching_faults([&] { return run_convert(args, nargsf, kwnames); });
}

PyObject* convert_to_bytes(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept {
    return catching_faults([&] { return run_convert_to_bytes(args, nargsf, kwnames); });
}

PyObject* convert_with_info(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept {
    return catching_faults([&] { return run_convert_with_info(args, nargsf, kwnames); });
}

}  // namespace ripaion::py
