#include "koahelp.h"

#include "online/account.h"
#include "online/server.h"
#include "render/browser.h"
#include "shell/buttonrow.h"
#include "store/errors.h"
#include "store/interaction.h"

#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTextBrowser>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace koa::online {

namespace {
// At most this many announcements are listed.
constexpr int MaxAnnouncements = 1001;
// The answer's fields are separated by these literal characters.
const QString fieldSeparator = u"<vbCrLf>"_s;
} // namespace

const QList<std::pair<QString, QString>>& koahelp::sections() {
    static const QList<std::pair<QString, QString>> list = {
        {u"General comments"_s, u"general.md"_s},
        {u"Menu"_s, u"menu.md"_s},
        {u"File Header"_s, u"header.md"_s},
        {u"Object Pool"_s, u"object_pool.md"_s},
        {u"Text Editor"_s, u"text_editor.md"_s},
        {u"Composer"_s, u"composer.md"_s},
        {u"Preview"_s, u"preview.md"_s},
        {u"Known errors/limitations"_s, u"errors_limitations.md"_s}};
    return list;
}

koahelp::koahelp(const ProgramFolder& folder, QWidget* parent) : QDialog(parent), m_folder(folder) {
    setObjectName(u"koahelp"_s);
    setWindowTitle(u"KOA Help"_s);
    TabStrip1 = new QTabBar(this);
    TabStrip1->setObjectName(u"TabStrip1"_s);
    TabStrip1->setTabData(TabStrip1->addTab(u"Help Contents"_s), u"help"_s);
    TabStrip1->setTabData(TabStrip1->addTab(u"Announcements"_s), u"ann"_s);

    FrameHelp = new QGroupBox(u"Help contents"_s, this);
    FrameHelp->setObjectName(u"FrameHelp"_s);
    auto* helpLayout = new QVBoxLayout(FrameHelp);
    helpLayout->addWidget(new QLabel(u"Section"_s, FrameHelp));
    section = new QComboBox(FrameHelp);
    section->setObjectName(u"section"_s);
    helpLayout->addWidget(section);
    helpLayout->addWidget(new QLabel(u"Help text"_s, FrameHelp));
    helptext = new QTextBrowser(FrameHelp);
    helptext->setObjectName(u"helptext"_s);
    helptext->setOpenLinks(false);
    helpLayout->addWidget(helptext, 1);

    FrameAnn = new QGroupBox(u"Announcements"_s, this);
    FrameAnn->setObjectName(u"FrameAnn"_s);
    auto* annLayout = new QVBoxLayout(FrameAnn);
    annLayout->addWidget(new QLabel(u"Title"_s, FrameAnn));
    lstTitle = new QListWidget(FrameAnn);
    lstTitle->setObjectName(u"lstTitle"_s);
    annLayout->addWidget(lstTitle);
    annLayout->addWidget(new QLabel(u"Announcement"_s, FrameAnn));
    WebBrowser1 = new render::Browser(FrameAnn);
    WebBrowser1->setObjectName(u"WebBrowser1"_s);
    annLayout->addWidget(WebBrowser1, 1);
    FrameAnn->hide();

    closeButton = new QPushButton(u"Close"_s, this);
    closeButton->setObjectName(u"closeButton"_s);
    QHBoxLayout* buttons = shell::buttonRow({closeButton});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TabStrip1);
    layout->addWidget(FrameHelp, 1);
    layout->addWidget(FrameAnn, 1);
    layout->addLayout(buttons);
    resize(720, 560);

    for (const auto& [name, file] : sections())
        section->addItem(name);
    connect(section, &QComboBox::currentIndexChanged, this, &koahelp::section_Click);
    connect(TabStrip1, &QTabBar::currentChanged, this, &koahelp::TabStrip1_Click);
    connect(lstTitle, &QListWidget::currentRowChanged, this, &koahelp::lstTitle_Click);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    section_Click();
}

koahelp::~koahelp() = default;

QString koahelp::ReadFile(const QString& name) const {
    QFile file(m_folder.path(u"help/"_s + name));
    if (!file.open(QIODevice::ReadOnly))
        throw KoaError(errnum::PathFileAccess, u"Cannot read the help file "_s + file.fileName());
    return QString::fromUtf8(file.readAll());
}

void koahelp::showSection(const QString& name) {
    const qsizetype index = section->findText(name);
    if (index < 0)
        return;
    TabStrip1->setCurrentIndex(0);
    if (section->currentIndex() == index)
        section_Click();
    else
        section->setCurrentIndex(static_cast<int>(index));
}

void koahelp::section_Click() {
    trap(u"koahelp / section_Click()"_s, [&] {
        const qsizetype index = section->currentIndex();
        if (index < 0 || index >= sections().size())
            return;
        helptext->setMarkdown(ReadFile(sections()[index].second));
    });
}

void koahelp::showText(const QString& text) {
    // The server's texts are shown as text: nothing in them runs or loads.
    WebBrowser1->writeDocument(u"<!DOCTYPE html><html><body style=\"white-space: pre-wrap; "
                               "font-family: sans-serif\">"_s +
                               text.toHtmlEscaped() + u"</body></html>"_s);
}

void koahelp::TabStrip1_Click() {
    const bool help = TabStrip1->tabData(TabStrip1->currentIndex()).toString() == u"help"_s;
    FrameHelp->setVisible(help);
    FrameAnn->setVisible(!help);
    if (help)
        return;
    trap(u"koahelp / TabStrip1_Click()"_s, [&] {
        lstTitle->clear();
        m_bodies.clear();
        showText(u"Downloading announcements..."_s);
        Server server(m_http,
                      BaseDirs::SetBaseDirs(readAccount(m_folder.settingsDatabase()).server).http);
        if (!server.CheckHTMLConnection(10)) {
            showText(u"No internet connection available.\nCheck the KOAonline settings."_s);
            return;
        }
        if (readAnnouncements(server.announcements()))
            showText(QString());
        if (lstTitle->count() > 0)
            lstTitle->setCurrentRow(0);
    });
}

bool koahelp::readAnnouncements(const QString& answer) {
    lstTitle->clear();
    m_bodies.clear();
    const QStringList fields = answer.split(fieldSeparator);
    if (answer.isEmpty() || fields.first().trimmed() != u"true"_s) {
        interaction().message(u"Connection failed.\r\nCheck the KOA online settings and/or your "
                              "internet connection."_s);
        return false;
    }
    // Groups of date, title and body; an incomplete last group is left out.
    for (qsizetype i = 1; i + 2 < fields.size() && m_bodies.size() < MaxAnnouncements; i += 3) {
        lstTitle->addItem(fields[i].left(10) + u" - "_s + fields[i + 1]);
        m_bodies.append(fields[i + 2]);
    }
    return true;
}

void koahelp::lstTitle_Click() {
    const int row = lstTitle->currentRow();
    if (row >= 0 && row < m_bodies.size())
        showText(m_bodies[row]);
}

} // namespace koa::online
