#include "errors.h"

#include <QDebug>
#include <QLoggingCategory>

using namespace Qt::Literals::StringLiterals;

namespace koa {

Q_LOGGING_CATEGORY(lcErrors, "koa.errors")

namespace {
ErrorSink& sink() {
    static ErrorSink s;
    return s;
}
} // namespace

KoaError::KoaError(int number, const QString& description)
    : std::runtime_error(description.toStdString()), m_number(number), m_description(description) {}

void setErrorSink(ErrorSink s) {
    sink() = std::move(s);
}

void errorDetected(int number, const QString& description, const QString& location) {
    qCWarning(lcErrors).noquote() << "Error" << number << "(" << description << ") in" << location;
    if (sink())
        sink()(ErrorReport{number, description, location});
}

QString location(const QString& window, const QString& procedure) {
    return window + u" / "_s + procedure + u"()"_s;
}

bool trap(const QString& location, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const KoaError& e) {
        errorDetected(e.number(), e.description(), location);
    } catch (const std::exception& e) {
        errorDetected(errnum::InvalidProcedureCall, QString::fromLocal8Bit(e.what()), location);
    }
    return false;
}

} // namespace koa
