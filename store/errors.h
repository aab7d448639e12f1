#pragma once

#include <exception>
#include <functional>
#include <stdexcept>

#include <QString>

namespace koa {

// Error numbers follow the classic runtime numbering that error reports use.
namespace errnum {
// What a failure without a number of its own is reported as.
inline constexpr int InvalidProcedureCall = 5;
inline constexpr int TypeMismatch = 13;
inline constexpr int FileNotFound = 53;
inline constexpr int DiskFull = 61;
inline constexpr int PermissionDenied = 70;
inline constexpr int PathFileAccess = 75;
inline constexpr int PathNotFound = 76;
inline constexpr int Database = 3000;
// As the database engine numbers a row that is not there.
inline constexpr int NoCurrentRecord = 3021;
inline constexpr int Archive = 31000;
// What a list reports when a key is added twice.
inline constexpr int KeyNotUnique = 35602;
// The transfer control's "still executing" family.
inline constexpr int NetworkError = 35764;
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

// A procedure's location in error reports: "composer / showModule()".
QString location(const QString& window, const QString& procedure);

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
