#pragma once

#include <exception>
#include <functional>
#include <stdexcept>

#include <QString>

namespace koa {

// Error numbers follow the classic runtime numbering that error reports use.
namespace errnum {
inline constexpr int FileNotFound = 53;
inline constexpr int DiskFull = 61;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int Database = 3000;
inline constexpr int Archive = 31000;
} // namespace errnum

// What a procedure throws when it fails; the trap turns it into a report.
class KoaError : public std::runtime_error {
public:
    KoaError(int number, const QString& description);
    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

struct ErrorReport {
    int number = 0;
    QString description;
    QString location;
};

using ErrorSink = std::function<void(const ErrorReport&)>;

// The error manager window in koa, a recorder in tests, stderr in tools.
void setErrorSink(ErrorSink sink);
void errorDetected(int number, const QString& description, const QString& location);

// Runs a procedure body; anything it throws is reported with the procedure's
// location ("commonModule / IsDBblank()") and the procedure ends. Returns
// false when the body failed.
bool trap(const QString& location, const std::function<void()>& body);

// Trapped procedure with a result: `fallback` (false, 0, empty) on failure,
// as a procedure that had set nothing returns.
template <typename T>
T trapped(const QString& location, T fallback, const std::function<T()>& body) {
    T result = fallback;
    trap(location, [&] { result = body(); });
    return result;
}

} // namespace koa
