// A small result type: every fallible operation of the library returns either
// its product or a failure value. No C++ exception crosses a module boundary.
// A result must be looked at ([[nodiscard]]); taking the value of a failure
// or the failure of a value is a programming error, caught by the asserts
// of a debug build (input can never cause it: callers test ok() first).
#pragma once

#include <cassert>
#include <type_traits>
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
class [[nodiscard]] Result {
public:
    Result(T value) : data_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure<E> failure) : data_(std::in_place_index<1>, std::move(failure.error)) {}
    // A failure of a type the error is made from (a kind, for an error that
    // may carry more).
    template <class U>
        requires(!std::is_same_v<U, E> && std::is_constructible_v<E, U>)
    Result(Failure<U> failure) : data_(std::in_place_index<1>, E(std::move(failure.error))) {}

    bool ok() const noexcept { return data_.index() == 0; }
    explicit operator bool() const noexcept { return ok(); }

    T& value() & {
        assert(ok());
        return *std::get_if<0>(&data_);
    }
    const T& value() const& {
        assert(ok());
        return *std::get_if<0>(&data_);
    }
    T&& value() && {
        assert(ok());
        return std::move(*std::get_if<0>(&data_));
    }

    E& error() & {
        assert(!ok());
        return *std::get_if<1>(&data_);
    }
    const E& error() const& {
        assert(!ok());
        return *std::get_if<1>(&data_);
    }

private:
    std::variant<T, E> data_;
};

}  // namespace ripaion
