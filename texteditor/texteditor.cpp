#include "texteditor.h"

#include "charformat.h"
#include "documentcharacters.h"
#include "keywords.h"
#include "render/coursereader.h"
#include "richtextfield.h"
#include "shell/topmost.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/interaction.h"
#include "toolbaricons.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::texteditor {

namespace {

const QString Window = u"texteditor"_s;

const QStringList& formatKeys() {
    static const QStringList keys = {u"h1"_s, u"h2"_s, u"b"_s,  u"i"_s, u"n"_s,
                                     u"k"_s,  u"il"_s, u"el"_s, u"dl"_s};
    return keys;
}

bool isCaretKey(int key) {
    switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

// The typing format taken from a character or selection: font name,
// underline, bold, colour, size and italic, normal where they differ.
QTextCharFormat typingFrom(const QTextCharFormat& format) {
    QTextCharFormat typing = normalFormat();
    for (int property : {int(QTextFormat::FontFamilies), int(QTextFormat::FontWeight),
                         int(QTextFormat::FontItalic), int(QTextFormat::TextUnderlineStyle),
                         int(QTextFormat::FontUnderline), int(QTextFormat::ForegroundBrush),
                         int(QTextFormat::FontPointSize)}) {
        if (format.hasProperty(property))
            typing.setProperty(property, format.property(property));
    }
    return typing;
}

void setIndexOrPlaceholder(QComboBox* chooser, const QString& text) {
    const int index = chooser->findText(text);
    chooser->setPlaceholderText(index < 0 ? text : QString());
    chooser->setCurrentIndex(index);
}

} // namespace

texteditor::texteditor(objectpool::ObjectStore store, QString textName, QWidget* objectPool)
    : m_store(std::move(store)), m_textName(std::move(textName)), m_objectPool(objectPool),
      m_markup(keywordAdder(m_store.database())) {
    setObjectName(u"texteditor"_s);
    setWindowTitle(u"KOA Text Editor"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    rtText->setLinkTargets(&m_markup.targets());
    Timer1.setSingleShot(true);
    Timer1.setInterval(50);
    connect(&Timer1, &QTimer::timeout, this, &texteditor::Timer1_Timer);
    Form_Load();
}

void texteditor::buildControls() {
    tbToolBar = new QToolBar(this);
    tbToolBar->setObjectName(u"tbToolBar"_s);
    tbToolBar->setIconSize(QSize(20, 20));
    tbToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    auto* formats = new QActionGroup(this);
    formats->setExclusive(true);
    const struct {
        QString key;
        QString tip;
        QKeySequence shortcut;
    } buttons[] = {
        {u"h1"_s, u"Header 1"_s, QKeySequence(Qt::CTRL | Qt::Key_1)},
        {u"h2"_s, u"Header 2"_s, QKeySequence(Qt::CTRL | Qt::Key_2)},
        {u"b"_s, u"Bold"_s, QKeySequence(Qt::CTRL | Qt::Key_B)},
        {u"i"_s, u"Italic"_s, QKeySequence(Qt::CTRL | Qt::Key_I)},
        {u"n"_s, u"Normal"_s, QKeySequence(Qt::CTRL | Qt::Key_0)},
        {u"k"_s, u"Keyword"_s, {}},
        {u"il"_s, u"Internal link"_s, {}},
        {u"el"_s, u"External link"_s, {}},
        {u"dl"_s, u"Document link"_s, {}},
        {{}, {}, {}},
        {u"cut"_s, u"Cut"_s, {}},
        {u"copy"_s, u"Copy"_s, {}},
        {u"paste"_s, u"Paste"_s, {}},
        {u"undo"_s, u"Undo"_s, {}},
    };
    for (const auto& b : buttons) {
        if (b.key.isEmpty()) {
            tbToolBar->addSeparator();
            continue;
        }
        QAction* action = tbToolBar->addAction(toolIcon(b.key), b.tip);
        action->setObjectName(b.key);
        action->setData(b.key);
        action->setToolTip(b.tip);
        action->setShortcut(b.shortcut);
        if (formatKeys().contains(b.key)) {
            action->setCheckable(true);
            formats->addAction(action);
        }
        const QString key = b.key;
        connect(action, &QAction::triggered, this, [this, key] { tbToolBar_ButtonClick(key); });
    }

    rtText = new RichTextField(this);
    rtText->setObjectName(u"rtText"_s);
    QFont readable(u"sans-serif"_s);
    readable.setPointSize(size::Normal);
    rtText->document()->setDefaultFont(readable);
    rtText->installEventFilter(this);
    rtText->viewport()->installEventFilter(this);
    rtText->hide();

    txtLoading = new QLabel(u"Loading..."_s, this);
    txtLoading->setObjectName(u"txtLoading"_s);
    txtLoading->setAlignment(Qt::AlignCenter);

    // The choosers share one place; only the one of the link at the caret shows.
    cmbIlink = new QComboBox(this);
    cmbIlink->setObjectName(u"cmbIlink"_s);
    cmbDlink = new QComboBox(this);
    cmbDlink->setObjectName(u"cmbDlink"_s);
    for (QComboBox* chooser : {cmbIlink, cmbDlink}) {
        QSizePolicy policy = chooser->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        chooser->setSizePolicy(policy);
        chooser->setMinimumContentsLength(24);
        chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        chooser->hide();
    }
    connect(cmbIlink, &QComboBox::activated, this, &texteditor::cmbIlink_Click);
    connect(cmbDlink, &QComboBox::activated, this, &texteditor::cmbDlink_Click);

    txtLink = new QLineEdit(this);
    txtLink->setObjectName(u"txtLink"_s);
    txtLink->setPlaceholderText(u"Address of an external link"_s);
    txtLink->setEnabled(false);
    txtLink->installEventFilter(this);
    // Every edit counts, keys or not: pasting, middle-click and dropping too.
    connect(txtLink, &QLineEdit::textEdited, this, &texteditor::txtLink_Change);

    cmdOK = new QPushButton(u"OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    // Off until the text is loaded: storing the empty field would overwrite the text.
    cmdOK->setEnabled(false);
    cmdCancel = new QPushButton(u"Cancel"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    cmdClean = new QPushButton(u"Clean text"_s, this);
    cmdClean->setObjectName(u"cmdClean"_s);
    cmdClean->setToolTip(u"Reset all text to normal format"_s);
    connect(cmdOK, &QPushButton::clicked, this, &texteditor::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &texteditor::cmdCancel_Click);
    connect(cmdClean, &QPushButton::clicked, this, &texteditor::cmdReset_Click);

    Text1 = new QLineEdit(this);
    Text1->setObjectName(u"Text1"_s);
    Text1->setReadOnly(true);
    Text1->setFocusPolicy(Qt::NoFocus);
    Text1->setFixedWidth(Text1->fontMetrics().horizontalAdvance(u"ms sans serif"_s) * 3 / 2);

    auto* field = new QGridLayout;
    field->addWidget(txtLoading, 0, 0);
    field->addWidget(rtText, 0, 0);

    auto* details = new QGroupBox(u"Link details:"_s, this);
    auto* detailsLayout = new QHBoxLayout(details);
    auto* choosers = new QGridLayout;
    choosers->addWidget(cmbIlink, 0, 0);
    choosers->addWidget(cmbDlink, 0, 0);
    detailsLayout->addLayout(choosers);
    detailsLayout->addWidget(txtLink, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Text1);
    bottom->addStretch(1);
    bottom->addWidget(cmdClean);
    bottom->addSpacing(12);
    bottom->addWidget(cmdOK);
    bottom->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(tbToolBar);
    layout->addLayout(field, 1);
    layout->addWidget(details);
    layout->addLayout(bottom);

    setTabOrder(rtText, cmbIlink);
    setTabOrder(cmbIlink, cmbDlink);
    setTabOrder(cmbDlink, txtLink);
    setTabOrder(txtLink, cmdClean);
    setTabOrder(cmdClean, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    resize(900, 620);
}

QAction* texteditor::button(const QString& key) const {
    for (QAction* action : tbToolBar->actions()) {
        if (action->data().toString() == key)
            return action;
    }
    return nullptr;
}

void texteditor::Form_Load() {
    trap(location(Window, u"Form_Load"_s), [&] {
        shell::SetTopMostWindow(this, true);
        formatReset(m_typing);
        if (m_objectPool)
            m_objectPool->setEnabled(false);
    });
}

void texteditor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Loading starts once the window, with "Loading...", is on screen.
    if (!m_timerStarted) {
        m_timerStarted = true;
        Timer1.start();
    }
}

void texteditor::Timer1_Timer() {
    trap(location(Window, u"Timer1_Timer"_s), [&] {
        Timer1.stop();
        // The choosers list what a link can name (a page placed twice once),
        // in name order regardless of case.
        const auto fill = [](QComboBox* chooser, QStringList names) {
            std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
                return a.compare(b, Qt::CaseInsensitive) < 0;
            });
            chooser->clear();
            chooser->addItems(names);
        };
        {
            Database course(m_store.database(), Database::Mode::ReadOnly);
            fill(cmbIlink, render::CourseReader(course).pageNames());
        }
        fill(cmbDlink, m_store.names(u"dlinks"_s));
        if (!m_markup.html2rtf(*rtText->document(), m_store.markup(m_textName)))
            return;
        txtLoading->hide();
        rtText->show();
        rtText->moveCursor(QTextCursor::Start);
        m_loaded = true;
        cmdOK->setEnabled(true);
        rtText->setFocus();
        formatMode();
        showFontName();
    });
}

bool texteditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == rtText && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Undo)) {
            handleUndo();
            return true;
        }
        // The keyboard's cut, copy and paste are the toolbar's, so that
        // undo knows what came last.
        for (const auto& [sequence, button] :
             {std::pair{QKeySequence::Cut, u"cut"_s}, std::pair{QKeySequence::Copy, u"copy"_s},
              std::pair{QKeySequence::Paste, u"paste"_s}}) {
            if (key->matches(sequence)) {
                tbToolBar_ButtonClick(button);
                return true;
            }
        }
        if (key->matches(QKeySequence::Redo))
            m_undo.lastAction.clear();
        switch (key->key()) {
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            rtText_KeyDown(key);
            return false;
        default:
            return rtText_KeyPress(key);
        }
    }
    if (watched == rtText && event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isCaretKey(key->key()) && !key->isAutoRepeat())
            rtText_KeyUp();
    } else if (watched == rtText->viewport() && event->type() == QEvent::MouseButtonRelease) {
        rtText_MouseUp();
    } else if (watched == txtLink) {
        // A context menu of the field does not leave it.
        if (event->type() == QEvent::FocusIn &&
            static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            txtLink_GotFocus();
        else if (event->type() == QEvent::FocusOut &&
                 static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
            txtLink_LostFocus();
    }
    return QWidget::eventFilter(watched, event);
}

bool texteditor::rtText_KeyPress(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty() ||
        (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier | Qt::AltModifier)))
        return false;
    for (QChar c : text) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return false;
    }
    // Printable characters get the typing format, not the format of their neighbours.
    trap(location(Window, u"rtText_KeyPress"_s), [&] {
        m_undo.lastAction = u"keyPress"_s;
        QTextCursor cursor = rtText->textCursor();
        cursor.insertText(text, m_typing);
        rtText->setTextCursor(cursor);
        rtText->ensureCursorVisible();
    });
    return true;
}

void texteditor::rtText_KeyDown(QKeyEvent* event) {
    trap(location(Window, u"rtText_KeyDown"_s), [&] {
        m_undo.lastAction = u"keypress"_s;
        if (event->key() != Qt::Key_Backspace)
            return;
        const int start = rtText->textCursor().selectionStart();
        if (start == 0)
            return;
        const QList<Character> before = charactersOf(*rtText->document(), start - 1, start);
        if (!before.isEmpty())
            m_typing = typingFrom(before.front().format);
    });
}

void texteditor::rtText_KeyUp() {
    trap(location(Window, u"rtText_KeyUp"_s), [&] { caretMoved(); });
}

void texteditor::rtText_MouseUp() {
    trap(location(Window, u"rtText_MouseUp"_s), [&] { caretMoved(); });
}

void texteditor::caretMoved() {
    // Bold, italic and normal typing, and links, follow the caret; any other
    // typing format falls back to normal.
    const QTextCharFormat atCaret = commonFormat(rtText->textCursor());
    if (fontName(m_typing).size() == 1 || fontName(atCaret).startsWith(u"koa:"_s))
        m_typing = typingFrom(atCaret);
    else
        formatReset(m_typing);
    formatMode();
    showFontName();
}

void texteditor::showFontName() {
    Text1->setText(fontName(commonFormat(rtText->textCursor())));
}

void texteditor::formatMode() {
    trap(location(Window, u"formatMode"_s), [&] {
        cmbIlink->hide();
        cmbDlink->hide();
        txtLink->clear();
        txtLink->setEnabled(false);
        const QTextCursor selection = rtText->textCursor();
        if (mixesFontNames(selection))
            return;
        const QTextCharFormat format = commonFormat(selection);
        const QString name = fontName(format);
        const QString target =
            m_markup.targets().at(linkNumber(name).value_or(0)).value_or(QString());
        const int colour = colourValue(format);
        QString pressed = u"n"_s;
        if (isBold(format)) {
            pressed = u"b"_s;
        } else if (format.fontItalic()) {
            pressed = u"i"_s;
        } else if (name.startsWith(u"koa:"_s) && colour == colour::Internal) {
            pressed = u"il"_s;
            setIndexOrPlaceholder(cmbIlink, target);
            cmbIlink->show();
        } else if (name.startsWith(u"koa:"_s) && colour == colour::External) {
            pressed = u"el"_s;
            txtLink->setEnabled(true);
            txtLink->setText(target);
        } else if (name.startsWith(u"koa:"_s) && colour == colour::Keyword) {
            pressed = u"k"_s;
        } else if (name.startsWith(u"koa:"_s) && colour == colour::Document) {
            pressed = u"dl"_s;
            setIndexOrPlaceholder(cmbDlink, target);
            cmbDlink->show();
        } else if (name == tag::Head1) {
            pressed = u"h1"_s;
        } else if (name == tag::Head2) {
            pressed = u"h2"_s;
        }
        button(pressed)->setChecked(true);
    });
}

bool texteditor::mark() {
    return trapped<bool>(location(Window, u"mark"_s), false, [&] {
        const QTextCursor selection = rtText->textCursor();
        const int s = selection.selectionStart();
        const QString remembered = fontName(commonFormat(selection));
        const QList<Character> characters = charactersOf(*rtText->document());
        auto indexAt = [&](int position) -> qsizetype {
            const auto it =
                std::lower_bound(characters.cbegin(), characters.cend(), position,
                                 [](const Character& c, int p) { return c.position < p; });
            return it != characters.cend() && it->position == position ? it - characters.cbegin()
                                                                       : -1;
        };
        // The character before the caret, unless it is not the selection's kind.
        qsizetype k = indexAt(s > 0 ? s - 1 : s);
        if (k < 0 || fontName(characters.at(k).format) != remembered)
            k = indexAt(s);
        if (k < 0)
            return false;
        const int colour = colourValue(characters.at(k).format);
        auto inLink = [&](qsizetype at) {
            const Character& c = characters.at(at);
            return colourValue(c.format) == colour && fontName(c.format).startsWith(u"koa"_s) &&
                   c.ch.unicode() >= 32;
        };
        if (colour == colour::Normal || !inLink(k))
            return false;
        qsizetype first = k;
        while (first > 0 && inLink(first - 1))
            --first;
        qsizetype last = k;
        while (last + 1 < characters.size() && inLink(last + 1))
            ++last;
        QTextCursor link = rtText->textCursor();
        link.setPosition(characters.at(first).position);
        link.setPosition(characters.at(last).position + 1, QTextCursor::KeepAnchor);
        rtText->setTextCursor(link);
        if (colour == colour::Internal) {
            cmbIlink->show();
            cmbIlink->setFocus();
        } else if (colour == colour::Document) {
            cmbDlink->show();
            cmbDlink->setFocus();
        } else if (colour == colour::External) {
            txtLink->setEnabled(true);
            txtLink->setFocus();
        }
        return true;
    });
}

void texteditor::setSelectionFontName(const QString& name) {
    QTextCharFormat format;
    setFontName(format, name);
    rtText->mergeCurrentCharFormat(format);
}

void texteditor::chooseTarget(const QString& target) {
    if (!mark())
        return;
    setSelectionFontName(tag::link(m_markup.targets().addLinkArray(target)));
}

void texteditor::cmbIlink_Click() {
    trap(location(Window, u"cmbIlink_Click"_s), [&] { chooseTarget(cmbIlink->currentText()); });
}

void texteditor::cmbDlink_Click() {
    trap(location(Window, u"cmbDlink_Click"_s), [&] { chooseTarget(cmbDlink->currentText()); });
}

void texteditor::txtLink_GotFocus() {
    trap(location(Window, u"txtLink_GotFocus"_s), [&] {
        m_txtLinkEntry = 0;
        if (!mark())
            return;
        m_txtLinkEntry = m_markup.targets().addLinkArray(txtLink->text());
        setSelectionFontName(tag::link(m_txtLinkEntry));
    });
}

void texteditor::txtLink_Change() {
    trap(location(Window, u"txtLink_Change"_s), [&] {
        // A drop reaches the field without giving it the focus.
        if (m_txtLinkEntry == 0)
            txtLink_GotFocus();
        if (m_txtLinkEntry > 0)
            m_markup.targets().set(m_txtLinkEntry, txtLink->text());
    });
}

void texteditor::txtLink_LostFocus() {
    trap(location(Window, u"txtLink_LostFocus"_s), [&] {
        m_txtLinkEntry = 0;
        txtLink->clear();
        txtLink->setEnabled(false);
    });
}

void texteditor::tbToolBar_ButtonClick(const QString& key) {
    trap(location(Window, u"tbToolBar_ButtonClick"_s), [&] {
        const QString k = key.toLower();
        if (formatKeys().contains(k)) {
            QTextCursor selection = rtText->textCursor();
            QTextDocument* document = rtText->document();
            const int stepsBefore = document->availableUndoSteps();
            m_undo = {u"fontChange"_s, selection.selectionStart(),
                      selection.selectionEnd() - selection.selectionStart(), m_typing};

            QTextCharFormat format = normalFormat();
            formatReset(m_typing);
            auto both = [&](const auto& change) {
                change(format);
                change(m_typing);
            };
            if (k == u"b"_s || k == u"i"_s) {
                const QString name = k == u"b"_s ? tag::Bold : tag::Italic;
                both([&](QTextCharFormat& f) {
                    if (k == u"b"_s)
                        f.setFontWeight(QFont::Bold);
                    else
                        f.setFontItalic(true);
                    setFontName(f, name);
                });
            } else if (k == u"n"_s) {
                both([](QTextCharFormat& f) { setFontName(f, tag::Plain); });
            } else if (k == u"h1"_s || k == u"h2"_s) {
                both([&](QTextCharFormat& f) {
                    setFontName(f, k == u"h1"_s ? tag::Head1 : tag::Head2);
                    f.setFontPointSize(k == u"h1"_s ? size::Head1 : size::Head2);
                });
            } else {
                const int colour = k == u"k"_s    ? colour::Keyword
                                   : k == u"il"_s ? colour::Internal
                                   : k == u"el"_s ? colour::External
                                                  : colour::Document;
                QString name = tag::Keyword;
                if (k != u"k"_s) {
                    const QString placeholder = k == u"il"_s   ? u"ilink"_s
                                                : k == u"el"_s ? u"http://"_s
                                                               : u"dlink"_s;
                    name = tag::link(m_markup.targets().addLinkArray(placeholder));
                }
                both([&](QTextCharFormat& f) {
                    f.setFontUnderline(true);
                    setColourValue(f, colour);
                    setFontName(f, name);
                });
            }
            if (selection.hasSelection()) {
                selection.beginEditBlock();
                selection.setCharFormat(format);
                selection.endEditBlock();
            } else {
                rtText->setCurrentCharFormat(m_typing);
            }
            m_undo.stepsBefore = stepsBefore;
            m_undo.stepsAfter = document->availableUndoSteps();
            m_undo.changedText = m_undo.stepsAfter != stepsBefore;
            rtText->setFocus();
        } else if (k == u"cut"_s || k == u"copy"_s || k == u"paste"_s) {
            m_undo.lastAction = k;
            if (k == u"cut"_s)
                rtText->cut();
            else if (k == u"copy"_s)
                rtText->copy();
            else
                rtText->paste();
        } else if (k == u"undo"_s) {
            handleUndo();
        }
        formatMode();
        showFontName();
    });
}

void texteditor::handleUndo() {
    trap(location(Window, u"handleUndo"_s), [&] {
        QTextDocument* document = rtText->document();
        if (m_undo.lastAction != u"fontChange"_s) {
            rtText->undo();
            return;
        }
        // A second undo brings the format change back.
        if (m_undo.changedText) {
            const int steps = document->availableUndoSteps();
            if (!m_undo.undone && steps == m_undo.stepsAfter) {
                document->undo();
            } else if (m_undo.undone && steps == m_undo.stepsBefore &&
                       document->isRedoAvailable()) {
                document->redo();
            } else {
                // The text changed since in a way the record does not know.
                m_undo.lastAction.clear();
                rtText->undo();
                return;
            }
        }
        std::swap(m_typing, m_undo.typing);
        m_undo.undone = !m_undo.undone;
        QTextCursor range = rtText->textCursor();
        const int end = document->characterCount() - 1;
        range.setPosition(std::min(m_undo.start, end));
        range.setPosition(std::min(m_undo.start + m_undo.length, end), QTextCursor::KeepAnchor);
        rtText->setTextCursor(range);
        if (!range.hasSelection())
            rtText->setCurrentCharFormat(m_typing);
        formatMode();
        showFontName();
    });
}

void texteditor::cmdReset_Click() {
    trap(location(Window, u"cmdReset_Click"_s), [&] {
        // Without a selection the whole text, as the button's tooltip says.
        QTextCursor selection = rtText->textCursor();
        if (!selection.hasSelection())
            selection.select(QTextCursor::Document);
        QTextDocument* document = rtText->document();
        const int stepsBefore = document->availableUndoSteps();
        m_undo = {u"fontChange"_s, selection.selectionStart(),
                  selection.selectionEnd() - selection.selectionStart(), m_typing};
        selection.beginEditBlock();
        rtReset(selection);
        selection.endEditBlock();
        m_undo.stepsBefore = stepsBefore;
        m_undo.stepsAfter = document->availableUndoSteps();
        m_undo.changedText = m_undo.stepsAfter != stepsBefore;
        formatReset(m_typing);
        rtText->setFocus();
        formatMode();
        showFontName();
    });
}

QString texteditor::rtf2html(bool& ok) {
    ok = false;
    int longLinks = 0;
    rtText->setUpdatesEnabled(false);
    const QString html = m_markup.rtf2html(*rtText->document(), ok, longLinks);
    rtText->moveCursor(QTextCursor::Start);
    rtText->setUpdatesEnabled(true);
    if (longLinks > 0)
        ShowMessage(longLinkMessage(longLinks));
    return html;
}

void texteditor::ShowMessage(const QString& text) {
    trap(location(Window, u"ShowMessage"_s), [&] {
        // A window that stays on top would hide the message box.
        shell::SetTopMostWindow(this, false);
        interaction().message(text);
        shell::SetTopMostWindow(this, true);
    });
}

void texteditor::cmdOK_Click() {
    trap(location(Window, u"cmdOK_Click"_s), [&] {
        if (!m_loaded)
            return;
        bool ok = false;
        const QString html = rtf2html(ok);
        if (!ok)
            return;
        // A text that is no longer there is an error, not a silent loss.
        m_store.setMarkup(m_textName, html);
        close();
    });
}

void texteditor::cmdCancel_Click() {
    trap(location(Window, u"cmdCancel_Click"_s), [&] { close(); });
}

void texteditor::closeEvent(QCloseEvent* event) {
    Form_Unload();
    QWidget::closeEvent(event);
}

void texteditor::Form_Unload() {
    trap(location(Window, u"Form_Unload"_s), [&] {
        Timer1.stop();
        m_undo = {};
        if (m_objectPool) {
            m_objectPool->setEnabled(true);
            m_objectPool->raise();
            m_objectPool->activateWindow();
        }
        emit closed();
    });
}

} // namespace koa::texteditor
