// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>
#include <utility>

namespace kelvor {

// The one way an operation that can fail says so: a value, or a message a user can read
// (it names what failed and why). Subsystems whose callers need more than the message
// (an exit code, a path set aside) keep their own fields next to it.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    static Result failure(QString message) { return Result(std::move(message), Failed{}); }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const QString& error() const { return m_error; }

    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T* operator->() const { return &*m_value; }
    const T& operator*() const { return *m_value; }
    T valueOr(T fallback) const { return m_value ? *m_value : std::move(fallback); }

private:
    struct Failed {};
    Result(QString message, Failed)
        : m_error(message.isEmpty() ? QStringLiteral("unknown failure") : std::move(message))
    {
    }
    std::optional<T> m_value;
    QString m_error;
};

// For operations that give nothing back but can fail.
template <>
class [[nodiscard]] Result<void> {
public:
    Result() = default;
    static Result failure(QString message)
    {
        Result r;
        r.m_error = message.isEmpty() ? QStringLiteral("unknown failure") : std::move(message);
        r.m_failed = true;
        return r;
    }
    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const QString& error() const { return m_error; }

private:
    bool m_failed = false;
    QString m_error;
};

using Status = Result<void>;

// For the older helpers that say a failure as a message and success as an empty one.
inline Status StatusOf(QString message) { return message.isEmpty() ? Status() : Status::failure(std::move(message)); }

}  // namespace kelvor
