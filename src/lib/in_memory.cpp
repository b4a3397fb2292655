#include "in_memory.hpp"

#include <exception>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "data_argument.hpp"
#include "errors.hpp"
#include "game_info.hpp"
#include "manifest_members.hpp"
#include "output.hpp"
#include "py_ref.hpp"
#include "ripaion/gzip/gzip_member.hpp"
#include "ripaion/pipeline/pipeline.hpp"
#include "ripaion/utf8.hpp"
#include "signature.hpp"

namespace ripaion::py {
namespace {

constexpr const char* kConvertNames[] = {"data", "format"};
constexpr Signature kConvertSignature{"convert()", kConvertNames, 2, 1, 1};
constexpr const char* kToBytesNames[] = {"data", "gzip", "format"};
constexpr Signature kToBytesSignature{"convert_to_bytes()", kToBytesNames, 3, 1, 1};
constexpr Signature kWithInfoSignature{"convert_with_info()", kToBytesNames, 3, 1, 1};
constexpr Signature kForManifestSignature{"convert_for_manifest()", kToBytesNames, 3, 1, 1};

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

pipeline::InputFormat input_format(const LogBytes& data, FormatChoice choice) {
    return choice == FormatChoice::Mjlog     ? pipeline::InputFormat::Mjlog
           : choice == FormatChoice::Tenhou6 ? pipeline::InputFormat::TenhouJson
                                             : pipeline::detect_input_format(data.view());
}

// A copied buffer is handed over, so that it is released as soon as it is
// read; borrowed bytes stay their owner's.
Result<conv::GameLines, pipeline::Failure> convert_log(LogBytes& data, FormatChoice choice) {
    const auto format = input_format(data, choice);
    if (data.copied) return pipeline::convert(std::move(data.copy), format);
    return pipeline::convert(data.borrowed, format);
}
// The same up to the game, whose lines the caller makes.
Result<conv::ConvertedGame, pipeline::Failure> convert_log_to_game(LogBytes& data, FormatChoice choice,
                                                                   model::GameInfo* info) {
    const auto format = input_format(data, choice);
    if (data.copied) return pipeline::convert_to_game(std::move(data.copy), format, info);
    return pipeline::convert_to_game(data.borrowed, format, info);
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

// What convert_with_info takes from the conversion beside the text.
struct Described {
    model::GameInfo info;
    std::size_t events = 0;
    mjai::StartGame start{};
};

// The text's bytes of convert_to_bytes (and of convert_with_info, which
// passes `described` to take the game's description).
PyObject* text_bytes(const Signature& signature, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames,
                     Described* described = nullptr) {
    PyObject* bound[3];
    if (!bind_signature(signature, args, nargsf, kwnames, bound)) return nullptr;
    LogBytes data;
    if (!log_bytes_argument(bound[0], signature.display_name, data)) return nullptr;
    std::optional<int> level;
    if (!gzip_level_argument(bound[1], signature.display_name, level)) return nullptr;
    const auto format = format_argument(bound[2], signature.display_name);
    if (!format) return nullptr;

    std::optional<Result<conv::ConvertedGame, pipeline::Failure>> game;
    std::optional<Result<std::string, gzip::GzipFailure>> member;
    const pipeline::Failure serialize(pipeline::Failure::Serialize);
    bool unwritten = false;
    without_lock([&] {
        game.emplace(convert_log_to_game(data, *format, described ? &described->info : nullptr));
        if (*game && described) {
            described->events = game->value().events.size();  // one line an event
            described->start = game->value().start_game;
        }
        if (!*game || !level) return;
        auto text = conv::encode_game_text(game->value());
        game.reset();  // freed before the lock is taken back
        if (!text) {
            unwritten = true;
            return;
        }
        member.emplace(gzip::gzip_member(text.value().view(), *level));
    });
    if (unwritten) return raise_failure(serialize);
    if (member) {
        if (!*member) {
            if (member->error() == gzip::GzipFailure::BadLevel) return raise_internal_fault("gzip level not checked");
            return PyErr_NoMemory();
        }
        const std::string& out = member->value();
        return PyBytes_FromStringAndSize(out.data(), static_cast<Py_ssize_t>(out.size()));
    }
    if (!*game) return raise_failure(game->error());
    // The text is written in one pass straight into the bytes object, which
    // nobody else can see yet: a table line is one look-up and one copy. The
    // object is made at the text's usual size, grown if the game needs more,
    // and cut to the text. The pass holds the lock, since only then may the
    // object grow; it is short beside the conversion.
    const std::size_t estimate = conv::game_text_estimate(game->value());
    Ref bytes(PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(estimate)));
    if (!bytes) return nullptr;
    const conv::GrowText grow = [](void* context, std::size_t room) -> char* {
        Ref& held = *static_cast<Ref*>(context);
        PyObject* object = held.release();
        // On failure the object is released and `object` set to null, with an exception.
        if (_PyBytes_Resize(&object, static_cast<Py_ssize_t>(room)) < 0) return nullptr;
        held = Ref(object);
        return PyBytes_AS_STRING(object);
    };
    const auto size = conv::write_game_text(game->value(), PyBytes_AS_STRING(bytes.get()), estimate, grow, &bytes);
    if (!bytes) return nullptr;
    if (!size) return raise_failure(serialize);
    game.reset();
    PyObject* out = bytes.release();
    if (_PyBytes_Resize(&out, static_cast<Py_ssize_t>(*size)) < 0) return nullptr;
    return out;
}

PyObject* run_convert_to_bytes(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    return text_bytes(kToBytesSignature, args, nargsf, kwnames);
}

PyObject* run_convert_with_info(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    Described described;
    Ref bytes(text_bytes(kWithInfoSignature, args, nargsf, kwnames, &described));
    if (!bytes) return nullptr;
    Ref dict(game_info_dict(described.info, described.events, described.start));
    if (!dict) return nullptr;
    return PyTuple_Pack(2, bytes.get(), dict.get());
}

PyObject* run_convert_for_manifest(PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) {
    Described described;
    Ref bytes(text_bytes(kForManifestSignature, args, nargsf, kwnames, &described));
    if (!bytes) return nullptr;
    const std::string members = manifest_members(described.info, described.events, described.start);
    // Written in ASCII only, so this cannot fail on the text.
    Ref text(PyUnicode_FromStringAndSize(members.data(), static_cast<Py_ssize_t>(members.size())));
    if (!text) return nullptr;
    const auto& ref = described.info.ref;
    Ref ref_text = ref && utf8_valid(*ref)
                       ? Ref(PyUnicode_FromStringAndSize(ref->data(), static_cast<Py_ssize_t>(ref->size())))
                       : Ref::borrow(Py_None);
    if (!ref_text) return nullptr;
    return PyTuple_Pack(3, bytes.get(), text.get(), ref_text.get());
}

}  // namespace

PyObject* convert_for_manifest(PyObject*, PyObject* const* args, Py_ssize_t nargsf, PyObject* kwnames) noexcept {
    return catching_faults([&] { return run_convert_for_manifest(args, nargsf, kwnames); });
}

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
