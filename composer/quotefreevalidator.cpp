#include "quotefreevalidator.h"

namespace koa::composer {

QValidator::State QuoteFreeValidator::validate(QString& input, int& pos) const {
    for (qsizetype i = input.size() - 1; i >= 0; --i) {
        if (input[i] == u'\'' || input[i] == u'"') {
            input.remove(i, 1);
            if (i < pos)
                --pos;
        }
    }
    return Acceptable;
}

} // namespace koa::composer
