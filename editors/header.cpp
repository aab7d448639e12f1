#include "header.h"

#include "shell/quotefree.h"
#include "store/coursedb.h"
#include "store/coursefiles.h"
#include "store/courseheader.h"
#include "store/database.h"
#include "store/errors.h"
#include "store/interaction.h"
#include "store/schema.h"
#include "store/textescape.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::editors {

namespace {

constexpr int TwipsPerPixel = 15;

} // namespace

header::header(shell::EditorSet& editors)
    : HeaderWindow(editors,
                   {shell::keys::Header, u"Header"_s, u"KOA File Header"_s, u"File Header"_s}) {
    menuSaveAs->setText(u"&Save As..."_s);
    menuAbout->setText(u"&About KOA"_s);
    buildControls();
    Timer1.setSingleShot(true);
    connect(&Timer1, &QTimer::timeout, this, &header::Timer1_Timer);
    Form_Load();
}

QSize header::sizeForScreen(int screenWidth) {
    const QSize twips = screenWidth < 1024 ? QSize(12000, 8550) : QSize(13410, 10780);
    return {(twips.width() + TwipsPerPixel / 2) / TwipsPerPixel,
            (twips.height() + TwipsPerPixel / 2) / TwipsPerPixel};
}

void header::Form_Load() {
    trap(location(u"Form_Load"_s), [&] {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QSize size = sizeForScreen(screen.width());
        resize(size);
        move(screen.x() + (screen.width() - size.width()) / 2,
             screen.y() + (screen.height() - size.height()) / 2);
        Timer1.start(1);
    });
}

void header::buildControls() {
    auto* fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    auto line = [&](QLineEdit*& edit, const QString& name, const QString& label) {
        edit = new QLineEdit(contentArea());
        edit->setObjectName(name);
        edit->installEventFilter(this);
        edit->setValidator(new shell::QuoteFreeValidator(edit));
        fields->addRow(label, edit);
    };
    line(course_name, u"course_name"_s, u"&Title"_s);
    line(author, u"author"_s, u"&Author"_s);
    line(target_group, u"target_group"_s, u"Tar&get group"_s);

    description = new shell::QuoteFreeTextEdit(contentArea());
    description->setObjectName(u"description"_s);
    description->setTabChangesFocus(true);
    description->installEventFilter(this);
    fields->addRow(u"&Description"_s, description);

    skin = new QComboBox(contentArea());
    skin->setObjectName(u"skin"_s);
    skin->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    skin->setMinimumContentsLength(24);
    skin->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(skin, &QComboBox::activated, this, &header::skin_click);
    fields->addRow(u"Ski&n"_s, skin);

    ScrollCheck = new QCheckBox(u"Show menu &scroll buttons"_s, contentArea());
    ScrollCheck->setObjectName(u"ScrollCheck"_s);
    fields->addRow(QString(), ScrollCheck);

    lblReadOnly = new QLabel(u"File is read only"_s, contentArea());
    lblReadOnly->setObjectName(u"lblReadOnly"_s);
    lblReadOnly->setStyleSheet(u"font-weight: bold; color: #b00020;"_s);
    lblReadOnly->hide();

    ShowHeader = new QPushButton(u"&Preview header"_s, contentArea());
    ShowHeader->setObjectName(u"ShowHeader"_s);
    ShowHeader->setToolTip(u"Show header preview"_s);
    connect(ShowHeader, &QPushButton::clicked, this, &header::ShowHeader_Click);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblReadOnly);
    bottom->addStretch(1);
    bottom->addWidget(ShowHeader);

    auto* layout = new QVBoxLayout(contentArea());
    layout->addLayout(fields, 1);
    layout->addLayout(bottom);
    setTabOrder(course_name, author);
    setTabOrder(author, target_group);
    setTabOrder(target_group, description);
    setTabOrder(description, skin);
    setTabOrder(skin, ScrollCheck);
    setTabOrder(ScrollCheck, ShowHeader);
}

bool header::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() == 1 && shell::isQuote(text.front()))
            return true; // discarded
    }
    return HeaderWindow::eventFilter(watched, event);
}

bool header::readOnly() const {
    return !lblReadOnly->isHidden();
}

void header::setInputsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{course_name, author, target_group, skin,
                                                      description, ScrollCheck})
        w->setEnabled(enabled);
}

void header::fillSkinList() {
    skin->addItems(schema::skinNames(editors().files().folder().settingsDatabase()));
}

void header::Timer1_Timer() {
    Timer1.stop();
    trap(location(u"Timer1.Timer"_s), [&] {
        editors().currentWindow = shell::keys::Header;
        editors().closeStaleWindows();
        author->clear();
        target_group->clear();
        description->clear();
        course_name->clear();
        ScrollCheck->setChecked(false);
        lblReadOnly->hide();
        setInputsEnabled(true);
        skin->clear();
        // Without the installation's skin list the course still shows its own.
        trap(location(u"Timer1.Timer"_s), [&] { fillSkinList(); });
        if (const std::optional<HeaderFields> h =
                readHeader(editors().files().folder().workingDatabase())) {
            course_name->setText(h->title);
            author->setText(h->author);
            target_group->setText(h->targetGroup);
            const QString shown = h->skin.isEmpty() ? u"Classic"_s : h->skin;
            // A skin this installation does not list is shown as stored.
            if (skin->findText(shown, Qt::MatchFixedString) < 0)
                skin->addItem(shown);
            skin->setCurrentIndex(skin->findText(shown, Qt::MatchFixedString));
            m_currentSkin = skin->currentText();
            description->setPlainText(withLf(unParseText(h->description)));
            ScrollCheck->setChecked(h->menuscroll);
            if (h->readOnly) {
                lblReadOnly->show();
                setInputsEnabled(false);
            }
        }
        editors().loadEditors(editors().files().displayName());
    });
    // Whatever failed, the user keeps a window to work in or to end the program from.
    show();
    if (course_name->isEnabled())
        course_name->setFocus();
}

void header::save_data() {
    trap(location(u"save_data"_s), [&] {
        QString text = withCrLf(description->toPlainText());
        HeaderFields fields;
        fields.title = course_name->text();
        fields.author = author->text();
        fields.targetGroup = target_group->text();
        fields.description = ParseLinefeeds(text);
        fields.skin = skin->currentText();
        fields.menuscroll = ScrollCheck->isChecked();
        Database course(editors().files().folder().workingDatabase());
        CourseHeader(course).write(fields);
    });
}

void header::skin_click() {
    trap(location(u"skin_click"_s), [&] {
        editors().closing = true;
        const QString chosen = skin->currentText();
        Database course(editors().files().folder().workingDatabase());
        CourseHeader(course).setSkin(chosen);
        m_currentSkin = chosen;
        // The hidden preview loads the new skin without playing its page.
        if (auto* preview = previewWindow()) {
            preview->setSkipNextRender();
            preview->Initiate();
        }
    });
    editors().closing = false;
}

void header::ShowHeader_Click() {
    trap(location(u"ShowHeader_Click"_s), [&] {
        selectOwnTab();
        if (auto* preview = previewWindow())
            preview->setPreviewMode(u"header"_s);
        save_data();
        editors().switchWindow(*this, shell::keys::Preview);
    });
}

shell::PreviewWindow* header::previewWindow() {
    return qobject_cast<shell::PreviewWindow*>(editors().window(shell::keys::Preview));
}

void header::upload() {
    if (readOnly()) {
        interaction().message(u"Read only files cannot be uploaded."_s);
        return;
    }
    HeaderWindow::upload();
}

} // namespace koa::editors
