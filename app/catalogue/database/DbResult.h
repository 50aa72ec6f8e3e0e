#pragma once

#include <optional>
#include <string>
#include <utility>

namespace kavro {

// The outcome of a database call: success, or the error text to show the person. The data layer
// never shows a message itself; whoever called it decides.
class DbStatus {
public:
    DbStatus() = default;
    static DbStatus failure(std::string text)
    {
        DbStatus s;
        s.m_failed = true;
        s.m_error = std::move(text);
        return s;
    }

    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return m_error; }

private:
    bool m_failed = false;
    std::string m_error;
};

// A value or the error text that prevented it.
template <typename T> class DbResult {
public:
    DbResult(T value) : m_value(std::move(value)) {}
    DbResult(DbStatus failed) : m_error(failed.ok() ? std::string("unknown error") : failed.error()) {}

    static DbResult failure(std::string text) { return DbResult(DbStatus::failure(std::move(text))); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const std::string& error() const { return m_error; }

    T& value() { return *m_value; }
    const T& value() const { return *m_value; }
    T& operator*() { return *m_value; }
    const T& operator*() const { return *m_value; }
    T* operator->() { return &*m_value; }
    const T* operator->() const { return &*m_value; }
    T valueOr(T fallback) const { return m_value ? *m_value : std::move(fallback); }

    DbStatus status() const { return ok() ? DbStatus() : DbStatus::failure(m_error); }

private:
    std::optional<T> m_value;
    std::string m_error;
};

} // namespace kavro
