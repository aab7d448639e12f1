#pragma once

#include <initializer_list>

#include <QHBoxLayout>
#include <QWidget>

namespace koa::shell {

// A dialog's row of buttons: `right` at the right edge in order, `left`
// (a clock, an Exit button) at the left edge.
inline QHBoxLayout* buttonRow(std::initializer_list<QWidget*> right,
                              std::initializer_list<QWidget*> left = {}) {
    auto* row = new QHBoxLayout;
    for (QWidget* w : left)
        row->addWidget(w);
    row->addStretch();
    for (QWidget* w : right)
        row->addWidget(w);
    return row;
}

} // namespace koa::shell
