#include "quiz.h"

#include "shell/quotefree.h"
#include "shell/topmost.h"
#include "store/errors.h"

#include <initializer_list>

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::editors {

namespace {

constexpr int IsTrueRole = Qt::UserRole;

const QString UndefinedStatement = u"Undefined statement"_s;

const QString Window = u"Quiz"_s;

// A statement is one line without quotes, however it got into the box.
QString statementText(const QString& typed) {
    QString text = shell::withoutQuotes(typed);
    text.replace(u"\r\n"_s, u" "_s).replace(u'\r', u' ').replace(u'\n', u' ');
    return text;
}

bool isTrue(const QTreeWidgetItem* entry) {
    return entry->data(0, IsTrueRole).toBool();
}

} // namespace

quiz::quiz(const QString& databasePath, const QString& quizName, QWidget* objectPool)
    : m_store(databasePath), m_objectPool(objectPool) {
    setObjectName(u"quiz"_s);
    setWindowFlags(Qt::Dialog);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"KOA Quiz Editor"_s);
    buildControls();
    Form_Load(quizName);
}

quiz::~quiz() {
    // The controls outlive this part of the window: their last signals and
    // events must not reach it.
    for (QObject* control : std::initializer_list<QObject*>{quiztext, statementlist, statement}) {
        control->removeEventFilter(this);
        control->disconnect(this);
    }
    // Deleted without being closed: the object pool must not stay disabled.
    Form_Unload();
}

void quiz::buildControls() {
    quiztext = new shell::QuoteFreeTextEdit(this);
    quiztext->setObjectName(u"quiztext"_s);
    quiztext->setTabChangesFocus(true);
    quiztext->installEventFilter(this);
    auto* questionFrame = new QGroupBox(u"&Quiz text"_s, this);
    auto* questionLayout = new QVBoxLayout(questionFrame);
    questionLayout->addWidget(quiztext);

    auto* statementsFrame = new QGroupBox(u"&Statements"_s, this);
    statementlist = new QTreeWidget(statementsFrame);
    statementlist->setObjectName(u"statementlist"_s);
    statementlist->setColumnCount(1);
    statementlist->setHeaderHidden(true);
    statementlist->setRootIsDecorated(false);
    statementlist->setUniformRowHeights(true);
    statementlist->setSelectionMode(QAbstractItemView::SingleSelection);
    statementlist->installEventFilter(this);
    connect(statementlist, &QTreeWidget::currentItemChanged, this, &quiz::statementlist_Click);

    statement = new QLineEdit(statementsFrame);
    statement->setObjectName(u"statement"_s);
    statement->setAccessibleName(u"Statement"_s);
    statement->installEventFilter(this);
    connect(statement, &QLineEdit::textEdited, this, &quiz::statement_Change);

    trueoption = new QRadioButton(u"&True"_s, statementsFrame);
    trueoption->setObjectName(u"trueoption"_s);
    falseoption = new QRadioButton(u"&False"_s, statementsFrame);
    falseoption->setObjectName(u"falseoption"_s);

    auto button = [&](QPushButton*& b, const QString& name, const QString& caption,
                      const QString& tip, void (quiz::*handler)()) {
        b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setToolTip(tip);
        // Enter presses the focused button, as in a dialog.
        b->setAutoDefault(true);
        connect(b, &QPushButton::clicked, this, handler);
    };
    button(newButton, u"new"_s, u"&New"_s, u"New statement"_s, &quiz::new_Click);
    button(deleteButton, u"delete"_s, u"&Delete"_s, u"Delete statement"_s, &quiz::delete_Click);
    button(clear, u"clear"_s, u"&Clear all"_s, QString(), &quiz::clear_Click);
    button(ok, u"ok"_s, u"&Ok"_s, QString(), &quiz::ok_Click);
    button(cancel, u"cancel"_s, u"Cancel"_s, QString(), &quiz::cancel_Click);

    auto* listButtons = new QVBoxLayout;
    listButtons->addWidget(newButton);
    listButtons->addWidget(deleteButton);
    listButtons->addStretch(1);
    auto* options = new QHBoxLayout;
    options->addWidget(trueoption);
    options->addWidget(falseoption);
    options->addStretch(1);
    auto* statementsLayout = new QGridLayout(statementsFrame);
    statementsLayout->addWidget(statementlist, 0, 0);
    statementsLayout->addLayout(listButtons, 0, 1);
    statementsLayout->addWidget(statement, 1, 0);
    statementsLayout->addLayout(options, 2, 0);
    statementsLayout->setRowStretch(0, 1);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(clear, QDialogButtonBox::ResetRole);
    buttons->addButton(ok, QDialogButtonBox::AcceptRole);
    buttons->addButton(cancel, QDialogButtonBox::RejectRole);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(questionFrame, 1);
    layout->addWidget(statementsFrame, 2);
    layout->addWidget(buttons);

    setTabOrder(quiztext, statementlist);
    setTabOrder(statementlist, statement);
    setTabOrder(statement, trueoption);
    setTabOrder(trueoption, falseoption);
    setTabOrder(falseoption, newButton);
    setTabOrder(newButton, deleteButton);
    setTabOrder(deleteButton, clear);
    setTabOrder(clear, ok);
    setTabOrder(ok, cancel);
    resize(sizeHint().expandedTo(QSize(520, 520)));
}

void quiz::Form_Load(const QString& quizName) {
    // First of all, so that closing always has something to undo.
    if (m_objectPool)
        m_objectPool->setEnabled(false);
    trap(location(Window, u"Form_Load"_s), [&] {
        shell::SetTopMostWindow(this, true);
        const Quiz stored = m_store.load(quizName);
        m_quizName = quizName;
        quiztext->setPlainText(stored.question);
        for (const QuizStatement& s : stored.statements)
            addEntry(s);
        // Ok stores the list as a whole: a list loaded in part must never be stored.
        m_loaded = true;
        if (statementlist->topLevelItemCount() > 0)
            statementlist->setCurrentItem(statementlist->topLevelItem(0)); // runs the click
    });
    updateControls();
}

bool quiz::save_data() {
    return trap(location(Window, u"save_data"_s), [&] {
        if (!m_loaded)
            throw KoaError(errnum::NoCurrentRecord, u"The quiz '"_s + m_quizName +
                                                        u"' was not loaded; nothing is stored."_s);
        Quiz shown{quiztext->toPlainText(), {}};
        for (int i = 0; i < statementlist->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* entry = statementlist->topLevelItem(i);
            shown.statements.append({entry->text(0), isTrue(entry)});
        }
        m_store.save(m_quizName, shown);
    });
}

void quiz::addEntry(const QuizStatement& statement) {
    auto* entry = new QTreeWidgetItem(statementlist, {statement.text});
    entry->setData(0, IsTrueRole, statement.isTrue);
}

void quiz::showEntry(const QTreeWidgetItem* entry) {
    if (!entry) {
        statement->clear();
        return;
    }
    statement->setText(entry->text(0));
    (isTrue(entry) ? trueoption : falseoption)->setChecked(true);
}

void quiz::updateControls() {
    const bool hasEntries = m_loaded && statementlist->topLevelItemCount() > 0;
    // Typing has no effect while there is no entry to type into.
    for (QWidget* w :
         std::initializer_list<QWidget*>{statement, trueoption, falseoption, deleteButton})
        w->setEnabled(hasEntries);
    for (QWidget* w :
         std::initializer_list<QWidget*>{quiztext, statementlist, newButton, clear, ok})
        w->setEnabled(m_loaded);
}

void quiz::statementlist_Click() {
    trap(location(Window, u"statementlist_Click"_s), [&] {
        QTreeWidgetItem* selected = statementlist->currentItem();
        if (statementlist->topLevelItemCount() > 0) {
            // The option buttons' choice is stored in the entry that was being edited.
            if (m_currentItem.isValid()) {
                statementlist->topLevelItem(m_currentItem.row())
                    ->setData(0, IsTrueRole, trueoption->isChecked());
            }
            showEntry(selected);
        }
        if (selected)
            m_currentItem = QPersistentModelIndex(
                statementlist->model()->index(statementlist->indexOfTopLevelItem(selected), 0));
    });
}

void quiz::statementlist_GotFocus(Qt::FocusReason reason) {
    trap(u"Quiz / statementlist_GotFocus)"_s, [&] {
        // A click on an entry goes on to its text; keyboard users stay on the
        // list, so that the arrow keys reach every entry.
        if (reason != Qt::MouseFocusReason || !statement->isEnabled())
            return;
        statement->setFocus(Qt::OtherFocusReason);
        statement->end(false);
    });
}

void quiz::statement_Change(const QString& text) {
    trap(location(Window, u"statement_Change"_s), [&] {
        // Pasted quotes and line breaks go the way of typed ones.
        const QString clean = statementText(text);
        if (clean != text) {
            const int cursor = int(statementText(text.left(statement->cursorPosition())).size());
            statement->setText(clean);
            statement->setCursorPosition(cursor);
        }
        if (QTreeWidgetItem* selected = statementlist->currentItem())
            selected->setText(0, clean);
    });
}

void quiz::statement_lostFocus() {
    trap(location(Window, u"statement_lostFocus"_s), [&] {
        QTreeWidgetItem* selected = statementlist->currentItem();
        if (!selected || !selected->text(0).trimmed().isEmpty())
            return;
        // A blank statement would be an empty line on the quiz page.
        selected->setText(0, UndefinedStatement);
        statement->setText(UndefinedStatement);
    });
}

void quiz::new_Click() {
    trap(location(Window, u"new_Click"_s), [&] {
        addEntry({UndefinedStatement, true});
        updateControls();
        // The new entry is selected (which stores the choice of the one being
        // edited), ready to be typed over.
        statementlist->setCurrentItem(
            statementlist->topLevelItem(statementlist->topLevelItemCount() - 1));
        statement->setFocus(Qt::OtherFocusReason);
        statement->selectAll();
    });
}

void quiz::delete_Click() {
    trap(location(Window, u"delete_Click"_s), [&] {
        m_currentItem = QPersistentModelIndex();
        if (QTreeWidgetItem* selected = statementlist->currentItem())
            delete selected; // the next entry becomes current and is shown by the click
        updateControls();
        showEntry(statementlist->currentItem());
    });
}

void quiz::clear_Click() {
    trap(location(Window, u"clear_Click"_s), [&] {
        // Forgotten first: the entry it refers to is about to be removed.
        m_currentItem = QPersistentModelIndex();
        quiztext->clear();
        statementlist->clear();
        statement->clear();
        updateControls();
    });
}

void quiz::ok_Click() {
    trap(location(Window, u"ok_Click"_s), [&] {
        // Reached by its shortcut the button takes no focus, so the statement
        // box may not have been left yet.
        if (statement->hasFocus())
            statement_lostFocus();
        statementlist_Click();
        // On a failed save the window stays open with every edit in it.
        if (save_data())
            close();
    });
}

void quiz::cancel_Click() {
    trap(location(Window, u"cancel_Click"_s), [&] { close(); });
}

void quiz::Form_Activate() {
    trap(location(Window, u"Form_Activate"_s), [&] {
        // Only the first time, and only when no click has placed the focus
        // already: coming back from another program keeps it where it was.
        if (m_activated)
            return;
        m_activated = true;
        if (!focusWidget())
            (ok->isEnabled() ? ok : cancel)->setFocus(Qt::ActiveWindowFocusReason);
    });
}

void quiz::Form_Unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    trap(location(Window, u"Form_Unload"_s), [&] {
        if (!m_objectPool)
            return;
        m_objectPool->setEnabled(true);
        m_objectPool->window()->raise();
        m_objectPool->activateWindow();
    });
    emit closed();
}

bool quiz::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress && (watched == quiztext || watched == statement)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        bool discard = false;
        trap(location(Window,
                      watched == quiztext ? u"quiztext_KeyPress"_s : u"statement_Keypress"_s),
             [&] {
                 const QString text = key->text();
                 discard = (text.size() == 1 && shell::isQuote(text.front())) ||
                           (watched == statement &&
                            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter));
             });
        if (discard)
            return true;
    } else if (type == QEvent::FocusOut && watched == statement) {
        // A context menu or another program taking the focus does not leave the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason)
            statement_lostFocus();
    } else if (type == QEvent::FocusIn && watched == statementlist) {
        statementlist_GotFocus(static_cast<QFocusEvent*>(event)->reason());
    }
    return QWidget::eventFilter(watched, event);
}

void quiz::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        Form_Activate();
    QWidget::changeEvent(event);
}

void quiz::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void quiz::keyPressEvent(QKeyEvent* event) {
    // Escape cancels, as in every dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancel_Click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace koa::editors
