#include "header.h"

#include "store/database.h"
#include "store/errors.h"

#include <QCloseEvent>
#include <QLabel>

using namespace Qt::Literals::StringLiterals;

namespace koa::shell {

header::header(QWidget* parent) : QMainWindow(parent) {
    setObjectName(u"header"_s);
    m_summary = new QLabel(this);
    m_summary->setObjectName(u"lblSummary"_s);
    m_summary->setAlignment(Qt::AlignCenter);
    m_summary->setMargin(24);
    setCentralWidget(m_summary);
    resize(720, 480);
}

void header::load(const QString& databasePath, const QString& displayName) {
    setDisplayName(displayName);
    trap(u"Header / Timer1_Timer()"_s, [&] {
        Database db(databasePath, Database::Mode::ReadOnly);
        QSqlQuery q = db.exec(u"SELECT title, author FROM header"_s);
        const QString title = q.next() ? q.value(0).toString() : QString();
        const QString author = q.value(1).toString();
        m_summary->setText(title.isEmpty()
                               ? u"(untitled course)"_s
                               : title + (author.isEmpty() ? QString() : u"\n"_s + author));
    });
}

void header::setDisplayName(const QString& displayName) {
    setWindowTitle(u"KOA File Header - "_s + displayName);
}

void header::closeEvent(QCloseEvent* event) {
    if (closing || !closeRequested || closeRequested())
        event->accept();
    else
        event->ignore();
}

} // namespace koa::shell
