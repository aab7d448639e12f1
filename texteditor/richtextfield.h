#pragma once

#include <QTextEdit>

namespace koa::texteditor {

// The rich-text field of the text editor. What is pasted or dropped keeps its
// characters and their formats only: the stored markup has no tables, lists
// or pictures, so the field never shows what cannot be stored.
class RichTextField : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextField(QWidget* parent = nullptr);

protected:
    void insertFromMimeData(const QMimeData* source) override;
};

} // namespace koa::texteditor
