#include "objectpool.h"

#include "editors/quiz.h"
#include "media/playablecopy.h"
#include "mediameasure.h"
#include "mediapreview.h"
#include "objecttypes.h"
#include "render/browser.h"
#include "render/markupsanitizer.h"
#include "render/pagecss.h"
#include "shell/editorset.h"
#include "shell/typeicons.h"
#include "store/coursefiles.h"
#include "store/errors.h"
#include "store/interaction.h"
#include "store/textescape.h"
#include "store/wait.h"
#include "texteditor/texteditor.h"
#include "updown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScopeGuard>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

using namespace Qt::Literals::StringLiterals;

namespace koa::objectpool {

namespace {

const QString InUse = u"Cannot delete object - it is beeing used in the composer."_s;
const QString FileOutside =
    u"The file of this object lies outside the course and was left alone."_s;

QString shownSize(const QVariant& kb) {
    return kb.isNull() ? QString() : QString::number(kb.toDouble());
}

// The text preview's look as pages have it. The course style sheet that the
// preview's document holds, as courses have it, names a family that may not
// be installed and sizes written "12 pt", which browsers drop, and the <q>
// around the text would draw quotation marks; this sheet is adopted beside it.
const QString TextLook = u"q{font-family:'Trebuchet MS',sans-serif;quotes:none} "
                         "q::before,q::after{content:none} "
                         "strong{font:bold 12pt 'Trebuchet MS',sans-serif} "
                         "em{font:20pt 'Trebuchet MS',sans-serif} "
                         "cite,dfn,code{font:bold 10pt 'Trebuchet MS',sans-serif}"_s;

int fieldValue(const QLineEdit* field) {
    return field->text().isEmpty() ? 0 : field->text().toInt();
}

} // namespace

objectpool::objectpool(shell::EditorSet& editors)
    : EditorWindow(editors, {shell::keys::ObjectPool, u"Objectpool"_s, u"KOA Object Pool"_s,
                             u"Object Pool"_s}),
      m_store(editors.files().folder().workingFolder()) {
    auto* layout = new QVBoxLayout(contentArea());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildMediaHalf(), 3);
    layout->addWidget(buildTextHalf(), 2);
    Form_Load();
}

objectpool::~objectpool() {
    // No media file stays open once the window is gone.
    MediaPlayer1->clear();
    // Only the program's end takes the pool away under an open editor; the
    // editor must not write into the course that goes with it.
    if (m_editor) {
        m_editor->disconnect(this);
        m_editor->close();
    }
}

QString objectpool::workingFolder() const {
    return editors().files().folder().workingFolder();
}

QWidget* objectpool::buildMediaHalf() {
    auto* frame = new QGroupBox(u"Media objects"_s, contentArea());
    mediacombo = new QComboBox(frame);
    mediacombo->setObjectName(u"mediacombo"_s);
    medialist = new QListWidget(frame);
    medialist->setObjectName(u"medialist"_s);
    new_media = new QPushButton(u"&New media object"_s, frame);
    new_media->setObjectName(u"new_media"_s);
    rename_media = new QPushButton(u"&Rename"_s, frame);
    rename_media->setObjectName(u"rename_media"_s);
    delete_media = new QPushButton(u"&Delete"_s, frame);
    delete_media->setObjectName(u"delete_media"_s);
    delete_media->setToolTip(u"Delete media object"_s);

    filesize = new QLineEdit(frame);
    filesize->setObjectName(u"filesize"_s);
    filesize->setReadOnly(true);
    alignment = new QComboBox(frame);
    alignment->setObjectName(u"alignment"_s);
    auto numberField = [&](QLineEdit*& field, UpDown*& buddy, const QString& name,
                           const QString& buddyName) {
        field = new QLineEdit(frame);
        field->setObjectName(name);
        field->setValidator(new QRegularExpressionValidator(QRegularExpression(u"\\d*"_s), field));
        field->setMaximumWidth(80);
        field->installEventFilter(this);
        buddy = new UpDown(frame);
        buddy->setObjectName(buddyName);
        buddy->setRange(0, MaxDisplaySize);
        auto* box = new QHBoxLayout;
        box->setSpacing(2);
        box->addWidget(field);
        box->addWidget(buddy);
        box->addStretch(1);
        return box;
    };
    QHBoxLayout* widthBox =
        numberField(width_field, UpDownWidth, u"width_field"_s, u"UpDownWidth"_s);
    QHBoxLayout* heightBox =
        numberField(height_field, UpDownHeight, u"height_field"_s, u"UpDownHeight"_s);
    cmdOriginalSize = new QPushButton(u"Orig. si&ze"_s, frame);
    cmdOriginalSize->setObjectName(u"cmdOriginalSize"_s);
    cmdOriginalSize->setToolTip(u"Set original height and width"_s);
    heightBox->insertWidget(heightBox->count() - 1, cmdOriginalSize);
    capt = new QPlainTextEdit(frame);
    capt->setObjectName(u"capt"_s);
    capt->setTabChangesFocus(true);
    capt->setFixedHeight(capt->fontMetrics().lineSpacing() * 3 + 10);
    capt->setFixedWidth(220);
    chkFloat = new QCheckBox(u"&Float object"_s, frame);
    chkFloat->setObjectName(u"chkFloat"_s);
    chkRatio = new QCheckBox(u"&Lock aspect ratio"_s, frame);
    chkRatio->setObjectName(u"chkRatio"_s);

    auto* properties = new QFormLayout;
    properties->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    auto row = [&](const QString& text, QWidget* buddy, auto field) {
        auto* label = new QLabel(text, frame);
        label->setBuddy(buddy);
        properties->addRow(label, field);
    };
    row(u"File size (Kb)"_s, filesize, filesize);
    row(u"Ali&gnment"_s, alignment, alignment);
    row(u"Object &width"_s, width_field, widthBox);
    row(u"Object &height"_s, height_field, heightBox);
    row(u"&Caption"_s, capt, capt);
    properties->addRow(QString(), chkFloat);
    properties->addRow(QString(), chkRatio);
    auto* propertyColumn = new QVBoxLayout;
    propertyColumn->addLayout(properties);
    propertyColumn->addStretch(1);

    Image1 = new QLabel(frame);
    Image1->setObjectName(u"Image1"_s);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setMinimumSize(160, 120);
    Image1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    MediaPlayer1 = new MediaPreview(frame);
    MediaPlayer1->setObjectName(u"MediaPlayer1"_s);
    WebBrowser2 = new render::Browser(frame);
    WebBrowser2->setObjectName(u"WebBrowser2"_s);
    WebBrowser2->setMinimumSize(160, 120);

    auto* buttons = new QGridLayout;
    buttons->addWidget(new_media, 0, 0, 1, 2);
    buttons->addWidget(rename_media, 1, 0);
    buttons->addWidget(delete_media, 1, 1);
    auto* chooser = new QVBoxLayout;
    chooser->addWidget(mediacombo);
    chooser->addWidget(medialist, 1);
    chooser->addLayout(buttons);

    // The preview area keeps its frame while it shows nothing.
    auto* previewFrame = new QFrame(frame);
    previewFrame->setFrameShape(QFrame::StyledPanel);
    auto* preview = new QVBoxLayout(previewFrame);
    preview->addWidget(Image1, 1);
    preview->addWidget(MediaPlayer1, 1);
    preview->addWidget(WebBrowser2, 1);

    auto* layout = new QHBoxLayout(frame);
    layout->addLayout(chooser, 2);
    layout->addLayout(propertyColumn, 0);
    layout->addWidget(previewFrame, 3);

    connect(mediacombo, &QComboBox::activated, this, &objectpool::mediacombo_Click);
    connect(medialist, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            medialist_Click();
    });
    connect(new_media, &QPushButton::clicked, this, &objectpool::new_media_Click);
    connect(rename_media, &QPushButton::clicked, this, &objectpool::rename_media_Click);
    connect(delete_media, &QPushButton::clicked, this, &objectpool::delete_media_Click);
    connect(alignment, &QComboBox::activated, this, &objectpool::alignment_Click);
    connect(cmdOriginalSize, &QPushButton::clicked, this, &objectpool::cmdOriginalSize_Click);
    for (auto [field, buddy, height] : {std::tuple{width_field, UpDownWidth, false},
                                        std::tuple{height_field, UpDownHeight, true}}) {
        // The field and its arrows show one number; an empty field counts as 0.
        connect(field, &QLineEdit::textEdited, this, [field](const QString& text) {
            if (text.toLongLong() > MaxDisplaySize)
                field->setText(QString::number(MaxDisplaySize));
        });
        connect(field, &QLineEdit::textChanged, buddy, [field, buddy] {
            const QSignalBlocker blocker(buddy);
            buddy->setValue(fieldValue(field));
        });
        connect(buddy, &UpDown::valueChanged, field,
                [field](int value) { field->setText(QString::number(value)); });
        connect(buddy, &UpDown::released, this, [this, height = height] { keepRatio(height); });
    }
    return frame;
}

QWidget* objectpool::buildTextHalf() {
    auto* frame = new QGroupBox(u"Text objects"_s, contentArea());
    textcombo = new QComboBox(frame);
    textcombo->setObjectName(u"textcombo"_s);
    textlist = new QListWidget(frame);
    textlist->setObjectName(u"textlist"_s);
    new_text = new QPushButton(u"New &text object"_s, frame);
    new_text->setObjectName(u"new_text"_s);
    rename_text = new QPushButton(u"R&ename"_s, frame);
    rename_text->setObjectName(u"rename_text"_s);
    delete_text = new QPushButton(u"Dele&te"_s, frame);
    delete_text->setObjectName(u"delete_text"_s);
    delete_text->setToolTip(u"Delete text object"_s);
    edit_text = new QPushButton(u"Ed&it"_s, frame);
    edit_text->setObjectName(u"edit_text"_s);
    edit_text->setToolTip(u"Edit text object"_s);

    lblDesc = new QLabel(frame);
    lblDesc->setObjectName(u"lblDesc"_s);
    description = new QPlainTextEdit(frame);
    description->setObjectName(u"description"_s);
    description->setTabChangesFocus(true);
    WebBrowser1 = new render::Browser(frame);
    WebBrowser1->setObjectName(u"WebBrowser1"_s);
    WebBrowser1->setMinimumSize(160, 100);
    QWebEngineScript look;
    look.setName(u"koa-text-look"_s);
    look.setInjectionPoint(QWebEngineScript::DocumentCreation);
    look.setWorldId(QWebEngineScript::MainWorld);
    look.setSourceCode(u"(function () { var s = new CSSStyleSheet(); s.replaceSync(\""_s +
                       TextLook +
                       u"\"); document.adoptedStyleSheets = "
                       "document.adoptedStyleSheets.concat([s]); })();"_s);
    WebBrowser1->page()->scripts().insert(look);

    auto* buttons = new QGridLayout;
    buttons->addWidget(new_text, 0, 0, 1, 2);
    buttons->addWidget(rename_text, 1, 0);
    buttons->addWidget(delete_text, 1, 1);
    buttons->addWidget(edit_text, 2, 0, 1, 2);
    auto* chooser = new QVBoxLayout;
    chooser->addWidget(textcombo);
    chooser->addWidget(textlist, 1);
    chooser->addLayout(buttons);
    // A keyword's description and a text's preview take turns under the label.
    auto* shown = new QGridLayout;
    shown->addWidget(description, 0, 0);
    shown->addWidget(WebBrowser1, 0, 0);
    auto* desc = new QVBoxLayout;
    desc->addWidget(lblDesc);
    desc->addLayout(shown, 1);
    auto* layout = new QHBoxLayout(frame);
    layout->addLayout(chooser, 2);
    layout->addLayout(desc, 5);

    connect(textcombo, &QComboBox::activated, this, &objectpool::textcombo_Click);
    connect(textlist, &QListWidget::itemDoubleClicked, this, &objectpool::edit_text_Click);
    connect(new_text, &QPushButton::clicked, this, &objectpool::new_text_Click);
    connect(rename_text, &QPushButton::clicked, this, &objectpool::rename_text_Click);
    connect(delete_text, &QPushButton::clicked, this, &objectpool::delete_text_Click);
    connect(edit_text, &QPushButton::clicked, this, &objectpool::edit_text_Click);
    connect(textlist, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            textlist_Click();
    });
    return frame;
}

void objectpool::Form_Load() {
    trap(location(u"Form_Load"_s), [&] {
        SelectedTextObject.clear();
        Create_objecttypes();
        List_refresh(medialist, mediacombo->currentData().toString());
        List_refresh(textlist, textcombo->currentData().toString());
        selectOwnTab();
        WebBrowser1->navigate(editors().files().folder().dummyPage());
    });
}

void objectpool::Create_objecttypes() {
    trap(location(u"Create_objecttypes"_s), [&] {
        for (auto [chooser, types] :
             {std::pair{mediacombo, &mediaTypes()}, std::pair{textcombo, &textTypes()}}) {
            chooser->clear();
            for (const ObjectType& t : *types)
                chooser->addItem(shell::typeIcon(t.key()), t.shownName, t.key());
            chooser->setCurrentIndex(0);
        }
        alignment->clear();
        alignment->addItems({u"Left"_s, u"Right"_s, u"Center"_s});
    });
}

QString objectpool::mediaKey() const {
    return mediacombo->currentData().toString();
}

QString objectpool::textKey() const {
    return textcombo->currentData().toString();
}

void objectpool::List_refresh(QListWidget* list, const QString& key) {
    trap(location(u"List_refresh"_s), [&] {
        {
            const QSignalBlocker blocker(list);
            list->clear();
            list->addItems(m_store.names(key));
            list->setCurrentRow(-1);
        }
        if (list == medialist)
            mediaIdle();
        else
            textIdle();
    });
}

void objectpool::mediaIdle() {
    // The fields are emptied: they no longer show an object that a later
    // write_media could store them into.
    m_mediaObject.clear();
    m_ratio.reset();
    MediaPlayer1->clear();
    MediaPlayer1->hide();
    WebBrowser2->hide();
    Image1->clear();
    for (QWidget* w :
         std::initializer_list<QWidget*>{alignment, width_field, height_field, capt, UpDownHeight,
                                         UpDownWidth, chkFloat, chkRatio})
        w->setEnabled(false);
    filesize->clear();
    width_field->clear();
    height_field->clear();
    capt->clear();
    alignment->setCurrentText(u"Center"_s);
    cmdOriginalSize->hide();
}

void objectpool::textIdle() {
    m_textObject.clear();
    description->setEnabled(false);
    description->clear();
    description->show();
    WebBrowser1->hide();
    SelectedTextObject.clear();
    lblDesc->clear();
}

void objectpool::set_controls(QComboBox* chooser, const QString& name) {
    trap(location(u"set_controls"_s), [&] {
        if (chooser == mediacombo)
            showMedia(mediaKey(), name);
        else
            showText(textKey(), name);
    });
}

void objectpool::showMedia(const QString& key, const QString& name) {
    m_ratio.reset();
    const std::optional<ObjectStore::Properties> p = m_store.read(key, name);
    if (!p)
        return;
    const QString file = m_store.filePath(key, p->filename);
    filesize->setText(shownSize(p->size));
    Image1->clear();
    MediaPlayer1->clear();
    WebBrowser2->hide();
    if (isKind(key, ObjectKind::Sound)) {
        alignment->setCurrentIndex(-1);
        if (!file.isEmpty())
            MediaPlayer1->setFile(file, false);
        MediaPlayer1->show();
        return;
    }
    for (QWidget* w : std::initializer_list<QWidget*>{alignment, width_field, height_field,
                                                      UpDownWidth, UpDownHeight, capt, chkRatio})
        w->setEnabled(true);
    cmdOriginalSize->show();
    alignment->setCurrentText(p->alignment);
    chkFloat->setChecked(p->floating);
    chkFloat->setEnabled(p->alignment != u"Center"_s);
    width_field->setText(p->width);
    height_field->setText(p->height);
    capt->setPlainText(p->caption);
    if (isKind(key, ObjectKind::Picture)) {
        MediaPlayer1->hide();
        const QPixmap picture = file.isEmpty() ? QPixmap() : QPixmap(file);
        const bool fits =
            picture.width() <= Image1->width() && picture.height() <= Image1->height();
        Image1->setPixmap(
            picture.isNull() || fits
                ? picture
                : picture.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    } else if (isKind(key, ObjectKind::Movie)) {
        if (!file.isEmpty())
            MediaPlayer1->setFile(file, true);
        MediaPlayer1->show();
    } else if (isKind(key, ObjectKind::Flash) && !file.isEmpty()) {
        MediaPlayer1->hide();
        WebBrowser2->show();
        // A document still loading would overwrite the one written now. No
        // click meanwhile: one that closed the course would delete this window.
        const auto settled = [this] {
            const render::Browser::ReadyState state = WebBrowser2->readyState();
            return state == render::Browser::Uninitialized || state >= render::Browser::Interactive;
        };
        if (waitUntil(settled, {.deadline = QDeadlineTimer(10000), .guard = this}) ==
            WaitEnd::GuardGone)
            return;
        // The file by its own name against its folder, percent-encoded: a
        // name from someone else's course may hold an apostrophe or markup.
        // The shipped Flash player plays it, as on the course's pages.
        const QString includes =
            QUrl::fromLocalFile(editors().files().folder().path(u"includes"_s) + u'/')
                .toString(QUrl::FullyEncoded);
        WebBrowser2->writeDocument(
            u"<body topmargin='0' leftmargin='0' style='margin:0;height:100vh'>"
            "<embed type='application/x-shockwave-flash' width='100%' height='100%' src='"_s +
                QString::fromLatin1(QUrl::toPercentEncoding(p->filename)) +
                u"'></embed><script src='"_s + includes +
                u"flashplayer.js'></script><script src='"_s + includes +
                u"ruffle/ruffle.js'></script></body>"_s,
            QFileInfo(file).absolutePath());
    }
}

void objectpool::write_media() {
    if (m_mediaObject.isEmpty())
        return;
    trap(location(u"write_media"_s), [&] {
        ObjectStore::Properties shown;
        shown.caption = capt->toPlainText();
        shown.alignment = alignment->currentText();
        shown.width = width_field->text();
        shown.height = height_field->text();
        shown.floating = chkFloat->isChecked();
        m_store.write(m_mediaType, m_mediaObject, shown);
    });
}

void objectpool::write_text() {
    if (m_textObject.isEmpty() || !isKind(SelectedTextType, ObjectKind::Keyword))
        return;
    trap(location(u"write_text"_s),
         [&] { m_store.setDescription(m_textObject, description->toPlainText()); });
}

void objectpool::flush() {
    write_media();
    write_text();
}

void objectpool::leave() {
    MediaPlayer1->stop();
}

bool objectpool::mayLeave() {
    if (!m_editor)
        return true;
    // What is typed in the editor would be lost with the pool.
    m_editor->raise();
    m_editor->activateWindow();
    return false;
}

void objectpool::mediacombo_Click() {
    trap(location(u"mediacombo_Click"_s), [&] {
        write_media();
        List_refresh(medialist, mediaKey());
        m_mediaObject.clear();
    });
}

void objectpool::textcombo_Click() {
    trap(location(u"textcombo_Click"_s), [&] {
        write_text();
        List_refresh(textlist, textKey());
    });
}

void objectpool::medialist_Click() {
    trap(location(u"medialist_Click"_s), [&] {
        const QString name = medialist->currentItem()->text();
        write_media();
        set_controls(mediacombo, name);
        m_mediaObject = name;
        m_mediaType = mediaKey();
    });
}

void objectpool::textlist_Click() {
    trap(location(u"textlist_Click"_s), [&] {
        const QString name = textlist->currentItem()->text();
        write_text();
        // Rows are found by the plain name: the escaped one differs for
        // names with "<" or ">".
        set_controls(textcombo, name);
        QString escaped = name;
        SelectedTextObject = ParseText(escaped);
        SelectedTextType = textKey();
        m_textObject = name;
    });
}

QString objectpool::askName(const QString& key, const QString& prompt, const QString& preset) {
    const std::optional<QString> typed = interaction().inputText(prompt, u"KOA"_s, preset);
    if (!typed)
        return {};
    const QString name = cleanObjectName(*typed);
    if (name.isEmpty())
        return {};
    if (m_store.exists(key, name)) {
        interaction().message(u"An object named '"_s + name +
                              u"' already exists in this category."_s);
        return {};
    }
    return name;
}

void objectpool::selectEntry(QListWidget* list, const QString& name) {
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    if (!found.isEmpty())
        list->setCurrentItem(found.constFirst());
}

void objectpool::selectNear(QListWidget* list, int row) {
    if (list->count() > 0)
        list->setCurrentRow(std::min(row, list->count() - 1));
}

void objectpool::renameObject(QListWidget* list, const QString& key, const QString& old) {
    const QString name =
        askName(key, u"Rename your object of type '"_s + objectType(key)->shownName + u"'"_s, old);
    if (name.isEmpty())
        return;
    m_store.rename(key, old, name);
    List_refresh(list, key); // forgets the selection of its half
    selectEntry(list, name);
}

void objectpool::new_media_Click() {
    trap(location(u"new_media_Click"_s), [&] {
        write_media();
        const QString key = mediaKey();
        const ObjectType* type = objectType(key);
        const QString name =
            askName(key, u"Name your new object of type '"_s + type->shownName + u"'"_s, QString());
        if (name.isEmpty())
            return;
        const std::optional<QString> chosen = interaction().openFile(type->shownName, type->filter);
        if (!chosen || chosen->isEmpty())
            return;
        if (!QFileInfo(*chosen).isFile()) {
            interaction().message(u"No such file."_s);
            return;
        }
        editors().startWait();
        {
            // Closed before a failure is reported.
            const auto waited = qScopeGuard([this] { editors().endWait(); });
            m_store.addWithFile(key, name, *chosen, [&](const QString& copied) -> QSize {
                if (isKind(key, ObjectKind::Picture))
                    return pictureSize(copied);
                if (isKind(key, ObjectKind::Movie))
                    return videoSize(copied);
                if (isKind(key, ObjectKind::Flash))
                    return {320, 320};
                return {};
            });
        }
        if (media::needsPlayableCopy(*chosen) && !editors().makePlayableCopies(key, name)) {
            // Cancelling the copy cancels the adding: nothing of the object stays.
            m_store.remove(key, name);
            List_refresh(medialist, key);
            return;
        }
        List_refresh(medialist, key);
        selectEntry(medialist, name);
    });
}

void objectpool::rename_media_Click() {
    trap(location(u"rename_media_Click"_s), [&] {
        if (m_mediaObject.isEmpty())
            return;
        write_media();
        renameObject(medialist, m_mediaType, m_mediaObject);
    });
}

void objectpool::delete_media_Click() {
    trap(location(u"delete_media_Click"_s), [&] {
        if (m_mediaObject.isEmpty())
            return;
        const QString key = m_mediaType;
        const int row = medialist->currentRow();
        if (m_store.inUse(key, m_mediaObject)) {
            interaction().message(InUse);
        } else {
            MediaPlayer1->clear();
            MediaPlayer1->hide();
            if (m_store.remove(key, m_mediaObject) == ObjectStore::Removed::FileLeftAlone)
                interaction().message(FileOutside);
            List_refresh(medialist, key);
            m_mediaType.clear();
        }
        selectNear(medialist, row);
    });
}

void objectpool::alignment_Click() {
    trap(location(u"alignment_Click"_s), [&] {
        const bool center = alignment->currentText() == u"Center"_s;
        if (center)
            chkFloat->setChecked(false);
        chkFloat->setEnabled(!center);
    });
}

QSize objectpool::naturalSize() {
    const std::optional<ObjectStore::Properties> p = m_store.read(m_mediaType, m_mediaObject);
    if (!p)
        return {};
    const QString file = m_store.filePath(m_mediaType, p->filename);
    if (file.isEmpty())
        return {};
    if (isKind(m_mediaType, ObjectKind::Picture))
        return pictureSize(file);
    if (isKind(m_mediaType, ObjectKind::Movie))
        return videoSize(file);
    return {};
}

std::optional<double> objectpool::GetAspectRatio() {
    if (!m_ratio) {
        std::optional<double> ratio;
        trap(location(u"GetAspectRatio"_s), [&] {
            if (isKind(m_mediaType, ObjectKind::Flash)) {
                ratio = 1.0;
            } else if (const QSize size = naturalSize(); size.isValid() && size.height() > 0) {
                ratio = double(size.width()) / double(size.height());
            }
        });
        m_ratio = ratio;
    }
    return *m_ratio;
}

void objectpool::cmdOriginalSize_Click() {
    trap(location(u"cmdOriginalSize_Click"_s), [&] {
        if (isKind(m_mediaType, ObjectKind::Flash))
            return;
        const QSize size = naturalSize();
        if (!size.isValid())
            return;
        setDisplayField(width_field, UpDownWidth, size.width());
        setDisplayField(height_field, UpDownHeight, size.height());
    });
}

void objectpool::setDisplayField(QLineEdit* field, UpDown* buddy, int value) {
    value = std::min(value, MaxDisplaySize);
    field->setText(QString::number(value));
    buddy->setValue(value);
}

void objectpool::keepRatio(bool heightEdited) {
    if (!chkRatio->isChecked())
        return;
    const std::optional<double> ratio = GetAspectRatio();
    if (!ratio || *ratio <= 0)
        return;
    const int width = fieldValue(width_field);
    const int height = fieldValue(height_field);
    if (height * *ratio == width)
        return;
    if (heightEdited)
        setDisplayField(width_field, UpDownWidth, int(roundHalfEven(height * *ratio)));
    else
        setDisplayField(height_field, UpDownHeight, int(roundHalfEven(width / *ratio)));
}

bool objectpool::eventFilter(QObject* watched, QEvent* event) {
    if (watched == width_field || watched == height_field) {
        if (event->type() == QEvent::KeyPress) {
            // Digits only; keys that type nothing (arrows, Tab, Backspace) pass.
            const QString text = static_cast<QKeyEvent*>(event)->text();
            if (text.size() == 1 && text.front().isPrint() && !text.front().isDigit())
                return true;
        } else if (event->type() == QEvent::KeyRelease) {
            keepRatio(watched == height_field);
        }
    }
    return EditorWindow::eventFilter(watched, event);
}

void objectpool::showText(const QString& key, const QString& name) {
    if (isKind(key, ObjectKind::Keyword)) {
        description->setPlainText(m_store.description(name));
        description->setEnabled(true);
        lblDesc->setText(u"Description"_s);
    } else if (isKind(key, ObjectKind::Text)) {
        lblDesc->setText(u"Preview"_s);
        description->hide();
        WebBrowser1->show();
        // Only the editor's own markup shows as such; links show as links
        // but do nothing here.
        QString markup = render::sanitizeMarkup(m_store.markup(name));
        markup.remove(u'\\');
        markup.replace(u"onclick"_s, u"click_disabled"_s);
        if (markup.isEmpty())
            markup = u" "_s;
        WebBrowser1->writeDocument(u"<head><STYLE TYPE=text/css><!--"_s + render::pageCss +
                                   u"--></STYLE></head><body leftmargin=0 topmargin=0 "
                                   "link=#782A26 alink=#782A26 vlink=#782A26><q>"_s +
                                   markup);
    } else if (isKind(key, ObjectKind::Quiz)) {
        lblDesc->clear();
    }
}

void objectpool::new_text_Click() {
    trap(location(u"new_text_Click"_s), [&] {
        write_text();
        const QString key = textKey();
        const QString name =
            askName(key, u"Name your new object of type '"_s + objectType(key)->shownName + u"'"_s,
                    QString());
        if (name.isEmpty())
            return;
        if (isKind(key, ObjectKind::Document)) {
            const std::optional<QString> chosen =
                interaction().openFile(objectType(key)->shownName, u"Document files (*.*)|*.*"_s);
            if (!chosen || chosen->isEmpty())
                return;
            if (QFileInfo(*chosen).isFile())
                m_store.addWithFile(key, name, *chosen);
            else
                interaction().message(u"No such file."_s);
        } else {
            m_store.add(key, name);
            if (isKind(key, ObjectKind::Text) || isKind(key, ObjectKind::Quiz)) {
                QString escaped = name;
                SelectedTextObject = ParseText(escaped);
                SelectedTextType = key;
                openEditor(key, name);
            }
        }
        List_refresh(textlist, key);
        selectEntry(textlist, name);
    });
}

void objectpool::rename_text_Click() {
    trap(location(u"rename_text_Click"_s), [&] {
        if (m_textObject.isEmpty())
            return;
        write_text();
        renameObject(textlist, SelectedTextType, m_textObject);
    });
}

void objectpool::delete_text_Click() {
    trap(location(u"delete_text_Click"_s), [&] {
        if (m_textObject.isEmpty())
            return;
        const QString key = SelectedTextType;
        const int row = textlist->currentRow();
        bool deleted = false;
        if (isKind(key, ObjectKind::Keyword)) {
            if (const std::optional<QString> user = m_store.textUsingKeyword(m_textObject))
                interaction().message(u"Cannot delete keyword - it is beeing used in '"_s + *user +
                                      u"'."_s);
            else
                deleted = true;
        } else if (m_store.inUse(key, m_textObject)) {
            interaction().message(InUse);
        } else {
            deleted = true;
        }
        if (deleted) {
            if (m_store.remove(key, m_textObject) == ObjectStore::Removed::FileLeftAlone)
                interaction().message(FileOutside);
            List_refresh(textlist, key);
        }
        selectNear(textlist, row);
    });
}

void objectpool::edit_text_Click() {
    trap(location(u"edit_text_Click"_s), [&] {
        if (textlist->currentItem() && !m_textObject.isEmpty())
            openEditor(SelectedTextType, m_textObject);
    });
}

void objectpool::openEditor(const QString& key, const QString& name) {
    // The editor disables the pool while it is open and shows itself on top.
    if (isKind(key, ObjectKind::Text)) {
        auto* editor = new texteditor::texteditor(m_store, name, this);
        connect(editor, &texteditor::texteditor::closed, this, &objectpool::editorClosed);
        m_editor = editor;
        editor->show();
    } else if (isKind(key, ObjectKind::Quiz)) {
        auto* editor = new editors::quiz(m_store.database(), name, this);
        connect(editor, &editors::quiz::closed, this, &objectpool::editorClosed);
        m_editor = editor;
        editor->show();
    }
}

void objectpool::editorClosed() {
    m_editor = nullptr;
    if (!m_textObject.isEmpty())
        set_controls(textcombo, m_textObject);
}

} // namespace koa::objectpool
