// A value or the text of what went wrong: the results of kestrel-pack's steps.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace kpack {

struct Failure {
    std::string error;
};

inline Failure Fail(std::string error) { return Failure{std::move(error)}; }

template <class T>
class Expected {
public:
    Expected(T value) : m_value(std::move(value)) {}
    Expected(Failure failure) : m_error(std::move(failure.error)) {}

    explicit operator bool() const { return m_value.has_value(); }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    const std::string& error() const { return m_error; }

private:
    std::optional<T> m_value;
    std::string m_error;
};

using Status = Expected<std::monostate>;
inline Status Ok() { return std::monostate{}; }

} // namespace kpack
