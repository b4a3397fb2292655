#include "in_memory.hpp"

#include <cstring>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "data_argument.hpp"
#include "errors.hpp"
#include "output.hpp"
#include "ripaion/gzip/gzip_member.hpp"
#include "ripaion/pipeline/pipeline.hpp"
#include "signature.hpp"

namespace ripaion::py {
namespace {

constexpr const char* kConvertNames[] = {"data", "format"};
constexpr Signature kConvertSignature{"convert()", kConvertNames, 2, 1, 1};
constexpr const char* kToBytesNames[] = {"data", "gzip", "format"};
constexpr Signature kToBytesSignature{"convert_to_bytes()", kToBytesNames, 3, 1, 1};

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

// Runs `work` with the interpreter lock released. What it throws is caught
// before the lock is taken back and raised after: MemoryError, or the
// fault exception for a broken invariant. False with an exception set.
template <class Work>
bool without_lock(Work&& work) {
    enum class Thrown { Nothing, NoMemory, Fault } thrown = Thrown::Nothing;
    char what[256] = {};
    Py_BEGIN_ALLOW_THREADS
    try {
        work();
    } catch (const std::bad_alloc&) {
        thrown = Thrown::NoMemory;
    } catch (const std::exception& fault) {
        thrown = Thrown::Fault;
        std::strncpy(what, fault.what(), sizeof what - 1);
    } catch (...) {
        thrown = Thrown::Fault;
        std::strncpy(what, "unknown internal fault", sizeof what - 1);
    }
    Py_END_ALLOW_THREADS
    if (thrown == Thrown::NoMemory) {
        PyErr_NoMemory();
        return false;
    }
    if (thrown == Thrown::Fault) {
        raise_internal_fault(what);
        return false;
    }
    return true;
}

// A copied buffer is handed over, so that it is released as soon as it is
// read; borrowed bytes stay their owner's.
Result<conv::GameLines, pipeline::Failure> convert_log(LogBytes& data, FormatChoice choice) {
    const std::string_view bytes = data.view();
    const auto format = choice == FormatChoice::Mjlog     ? pipeline::InputFormat::Mjlog
                        : choice == FormatChoice::Tenhou6 ? pipeline::InputFormat::TenhouJson
                                                          : pipeline::detect_input_format(bytes);
    if (data.copied) return pipeline::convert(std::move(data.copy), format);
    return pipeline::convert(data.borrowed, format);
}

// The `gzip` argument: None (no compression) or an int level.
bool gzip_level_argument(PyObject* value, std::optional<int>& level) {
    if (!value || value == Py_None) return true;
    if (!PyLong_Check(value) || PyBool_Check(value)) {
        PyErr_Format(PyExc_TypeError, "convert_to_bytes() argument 'gzip' must be an int level or None, not '%.200s'",
                     Py_TYPE(value)->tp_name);
        return false;
    }
    int overflow = 0;
    const long n = PyLong_AsLongAndOverflow(value, &overflow);
    if (n == -1 && PyErr_Occurred()) return false;
    if (overflow || n < gzip::kMinLevel || n > gzip::kMaxLevel) {
        PyErr_Format(PyExc_ValueError, "convert_to_bytes() argument 'gzip' must be a level from %d to %d, not %R",
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
    if (!without_lock([&] { lines.emplace(convert_log(data, *format)); })) return nullptr;
    if (!*lines) return raise_failure(lines->error());
    return new_line_list(lines->value());
}

PyObject* run_convert_to_bytes(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    PyObject* bound[3];
    if (!bind_signature(kToBytesSignature, args, nargsf, kwnames, bound)) return nullptr;
    LogBytes data;
    if (!log_bytes_argument(bound[0], kToBytesSignature.display_name, data)) return nullptr;
    std::optional<int> level;
    if (!gzip_level_argument(bound[1], level)) return nullptr;
    const auto format = format_argument(bound[2], kToBytesSignature.display_name);
    if (!format) return nullptr;

    std::optional<pipeline::Failure> failure;
    std::optional<gzip::GzipFailure> gzip_failure;
    std::string out;
    const bool done = without_lock([&] {
        {
            auto lines = convert_log(data, *format);
            if (!lines) {
                failure = lines.error();
                return;
            }
            out = pipeline::output_text(lines.value());
        }  // the lines are freed before compressing
        if (!level) return;
        auto member = gzip::gzip_member(out, *level);
        if (!member) {
            gzip_failure = member.error();
            return;
        }
        out = std::move(member).value();
    });
    if (!done) return nullptr;
    if (failure) return raise_failure(*failure);
    if (gzip_failure) {
        if (*gzip_failure == gzip::GzipFailure::BadLevel) return raise_internal_fault("gzip level not checked");
        return PyErr_NoMemory();
    }
    return PyBytes_FromStringAndSize(out.data(), static_cast<Py_ssize_t>(out.size()));
}

}  // namespace

PyObject* convert(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept {
    return catching_faults([&] { return run_convert(args, nargsf, kwnames); });
}

PyObject* convert_to_bytes(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept {
    return catching_faults([&] { return run_convert_to_bytes(args, nargsf, kwnames); });
}

}  // namespace ripaion::py
