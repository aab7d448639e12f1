#pragma once

#include <QValidator>

namespace koa::composer {

// Drops apostrophes and double quotes from what is typed or pasted into a
// name box, since names are written into script strings between apostrophes.
class QuoteFreeValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

} // namespace koa::composer
