// A small result type: every fallible operation of the library returns either
// its product or a failure value. No C++ exception crosses a module boundary.
#pragma once

#include <utility>
#include <variant>

namespace ripaion {

template <class E>
struct Failure {
    E error;
};

template <class E>
Failure<std::decay_t<E>> fail(E&& error) {
    return Failure<std::decay_t<E>>{std::forward<E>(error)};
}

template <class T, class E>
class Result {
public:
    Result(T value) : data_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure<E> failure) : data_(std::in_place_index<1>, std::move(failure.error)) {}

    bool ok() const noexcept { return data_.index() == 0; }
    explicit operator bool() const noexcept { return ok(); }

    T& value() & { return *std::get_if<0>(&data_); }
    const T& value() const& { return *std::get_if<0>(&data_); }
    T&& value() && { return std::move(*std::get_if<0>(&data_)); }

    E& error() & { return *std::get_if<1>(&data_); }
    const E& error() const& { return *std::get_if<1>(&data_); }

private:
    std::variant<T, E> data_;
};

}  // namespace ripaion
