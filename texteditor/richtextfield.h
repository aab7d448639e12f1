#pragma once

#include <QTextEdit>

namespace koa::texteditor {

class LinkTargets;

// The rich-text field of the text editor. What is pasted or dropped keeps its
// characters and their formats only: the stored markup has no tables, lists
// or pictures, so the field never shows what cannot be stored.
class RichTextField : public QTextEdit {
    Q_OBJECT
public:
    explicit RichTextField(QWidget* parent = nullptr);

    // The link-target list of the open text. A link's number means an entry
    // of the text it was made in: copied links carry their targets along,
    // and pasted ones get entries of this list.
    void setLinkTargets(LinkTargets* targets) { m_targets = targets; }

protected:
    QMimeData* createMimeDataFromSelection() const override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    LinkTargets* m_targets = nullptr;
};

} // namespace koa::texteditor
