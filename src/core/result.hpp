#pragma once

#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace orbyx {

// The error half of a Result, spelled out at the return site: `return failure(err);`.
template <class E>
struct Failure {
    E error;
};

template <class E>
Failure<std::decay_t<E>> failure(E&& error) {
    return Failure<std::decay_t<E>>{std::forward<E>(error)};
}

// A value or an error; the engine's only way to report failure (nothing throws).
template <class T, class E>
class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}

    template <class E2, class = std::enable_if_t<std::is_constructible_v<E, E2&&>>>
    Result(Failure<E2> f) : state_(std::in_place_index<1>, E(std::move(f.error))) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    // By value, so that `for (x : make().value())` does not dangle.
    T value() && { return std::get<0>(std::move(state_)); }

    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    E& error() & { return std::get<1>(state_); }
    const E& error() const& { return std::get<1>(state_); }
    E error() && { return std::get<1>(std::move(state_)); }

private:
    std::variant<T, E> state_;
};

// Success without a value, or an error.
template <class E>
class [[nodiscard]] Result<void, E> {
public:
    Result() = default;

    template <class E2, class = std::enable_if_t<std::is_constructible_v<E, E2&&>>>
    Result(Failure<E2> f) : error_(E(std::move(f.error))) {}

    bool ok() const { return !error_.has_value(); }
    explicit operator bool() const { return ok(); }

    E& error() & { return *error_; }
    const E& error() const& { return *error_; }
    E error() && { return std::move(*error_); }

private:
    std::optional<E> error_;
};

template <class E>
using Status = Result<void, E>;

}  // namespace orbyx
