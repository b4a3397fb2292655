#include "tenhou_to_mjai.hpp"

#include <exception>
#include <new>
#include <string>

#include "call_args.hpp"
#include "error_types.hpp"
#include "line_list.hpp"
#include "mjai_out.hpp"
#include "os_errors.hpp"
#include "path_arg.hpp"
#include "path_text.hpp"
#include "pipeline.hpp"
#include "posix_file.hpp"
#include "ripaion/source_format.hpp"

namespace ripaion::py {
namespace {

std::string with_label(std::string_view before, std::string_view after) {
    std::string out(before);
    out += kSourceFormatLabel;
    out += after;
    return out;
}

PyObject* raise_pipeline_failure(PipelineFailure failure) {
    switch (failure) {
        case PipelineFailure::NotUtf8:
            return raise_with_message(PyExc_OSError, "stream did not contain valid UTF-8");
        case PipelineFailure::Parse:
            return raise_module_error(ModuleError::JsonParsing, with_label("failed to parse ", " log"));
        case PipelineFailure::InvalidLog:
            return raise_module_error(ModuleError::TenhouLogParsing, "invalid log");
        case PipelineFailure::Convert:
            return raise_module_error(ModuleError::TenhouToMjai, with_label("failed to convert ", " log to mjai"));
        case PipelineFailure::Serialize:
            return raise_module_error(ModuleError::JsonSerialization, "failed to serialize");
    }
    return raise_internal_fault("unknown conversion failure");
}

// Reads the log whole into `text`; false with an exception set. Whether the
// bytes are UTF-8 is checked with the parsing (convert_log_text).
bool read_log_text(const std::string& path, std::string& text) {
    auto file = open_for_reading(path);
    if (!file) {
        if (file.error().handler_raised) return false;
        // Whatever the cause, the caller is told which file could not be
        // opened; the path is quoted so that it reads back exactly.
        raise_with_message(PyExc_FileNotFoundError, with_label("failed to open ", " log file ") + quoted_path(path));
        return false;
    }
    auto read = read_to_end(file.value().get());
    if (!read) {
        if (!read.error().handler_raised) raise_read_error(read.error().number);
        return false;
    }
    text = std::move(read).value();
    return true;
}

PyObject* run(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    BoundArguments bound;
    if (!bind_arguments(args, nargsf, kwnames, bound)) return nullptr;

    std::string log_path;
    if (!path_argument(bound.filename, "filename", log_path)) return nullptr;
    const bool has_out = bound.mjai_out && bound.mjai_out != Py_None;
    std::string out_path;
    if (has_out && !path_argument(bound.mjai_out, "mjai_out", out_path)) return nullptr;

    std::string text;
    if (!read_log_text(log_path, text)) return nullptr;

    auto lines = convert_log_text(std::move(text));
    if (!lines) return raise_pipeline_failure(lines.error());

    if (has_out) {
        auto written = write_mjai_out(out_path, lines.value());
        if (!written) {
            if (written.error() == OutputFailure::HandlerRaised) return nullptr;
            if (written.error() == OutputFailure::Create)
                return raise_with_message(PyExc_OSError, "failed to create mjai out file " + plain_path(out_path));
            return raise_with_message(PyExc_OSError, "failed to write to mjai out file");
        }
    }
    return new_line_list(lines.value());
}

}  // namespace

PyObject* tenhou_to_mjai(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept {
    // The library reports failures as values; anything thrown here is an
    // allocation failure or a broken invariant, and the interpreter must
    // outlive both.
    try {
        return run(args, nargsf, kwnames);
    } catch (const std::bad_alloc&) {
        return PyErr_NoMemory();
    } catch (const std::exception& fault) {
        return raise_internal_fault(fault.what());
    } catch (...) {
        return raise_internal_fault("unknown internal fault");
    }
}

}  // namespace ripaion::py
