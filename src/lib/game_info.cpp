#include "game_info.hpp"

#include <array>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "py_ref.hpp"
#include "ripaion/utf8.hpp"

namespace ripaion::py {
namespace {

Ref none() { return Ref::borrow(Py_None); }

Ref text(std::string_view s) {
    if (!utf8_valid(s)) return none();
    return Ref(PyUnicode_FromStringAndSize(s.data(), static_cast<Py_ssize_t>(s.size())));
}
Ref value(const std::string& s) { return text(s); }
Ref value(double v) { return Ref(PyFloat_FromDouble(v)); }
Ref value(std::int32_t v) { return Ref(PyLong_FromLong(v)); }
Ref value(std::uint8_t v) { return Ref(PyLong_FromLong(v)); }
Ref flag(bool v) { return Ref::borrow(v ? Py_True : Py_False); }
Ref value(model::Room room) {
    static PyObject* names[std::size(model::kRoomNames)] = {};  // made once, as the keys below
    const auto i = static_cast<std::size_t>(room);
    if (!names[i] && !(names[i] = PyUnicode_InternFromString(model::kRoomNames[i]))) return Ref();
    return Ref::borrow(names[i]);
}

// A list of four, or None when one of them is not a text of UTF-8.
template <class T>
Ref value(const std::array<T, 4>& items) {
    Ref list(PyList_New(4));
    if (!list) return list;
    for (Py_ssize_t i = 0; i < 4; ++i) {
        Ref item = value(items[static_cast<std::size_t>(i)]);
        if (!item) return item;
        if (item.get() == Py_None) return item;
        PyList_SET_ITEM(list.get(), i, item.release());
    }
    return list;
}

template <class T>
Ref value(const std::optional<T>& v) {
    return v ? value(*v) : none();
}

}  // namespace

PyObject* game_info_dict(const model::GameInfo& info, std::size_t events, const mjai::StartGame& start) {
    // The keys are made once: every converted log of a batch makes a dict.
    // The module lives in one interpreter, so they are never shared.
    static constexpr const char* kKeys[] = {"hands", "events", "names", "aka", "east_only",    "ref",       "lobby",
                                            "room",  "dan",    "rate",  "sx",  "final_scores", "placements"};
    static PyObject* keys[std::size(kKeys)] = {};
    for (std::size_t i = 0; i < std::size(kKeys); ++i) {
        if (!keys[i] && !(keys[i] = PyUnicode_InternFromString(kKeys[i]))) return nullptr;
    }
    // An east-only game starts its hands at East 4 (kyoku_first 4).
    Ref values[] = {Ref(PyLong_FromSize_t(info.hands)),
                    Ref(PyLong_FromSize_t(events)),
                    value(start.names),
                    flag(start.aka_flag),
                    flag(start.kyoku_first == 4),
                    value(info.ref),
                    value(info.lobby),
                    value(info.room),
                    value(info.dan),
                    value(info.rate),
                    value(info.sx),
                    value(info.final_scores),
                    value(info.placements)};
    static_assert(std::size(values) == std::size(kKeys));
    Ref dict(PyDict_New());
    if (!dict) return nullptr;
    for (std::size_t i = 0; i < std::size(kKeys); ++i) {
        if (!values[i] || PyDict_SetItem(dict.get(), keys[i], values[i].get()) < 0) return nullptr;
    }
    return dict.release();
}

}  // namespace ripaion::py
