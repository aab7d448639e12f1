#pragma once

#include "online/curlrequest.h"
#include "store/programfolder.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QListWidget;
class QPushButton;
class QTabBar;
class QTextBrowser;

namespace koa::render {
class Browser;
}

namespace koa::online {

// "KOA Help": the program's help texts by section and the announcements of
// the publishing server.
class koahelp : public QDialog {
    Q_OBJECT
public:
    explicit koahelp(const ProgramFolder& folder, QWidget* parent = nullptr);
    ~koahelp() override;

    // The sections in list order and their files in the help folder.
    static const QList<std::pair<QString, QString>>& sections();
    // Shows the section named `name`; an unknown name does nothing.
    void showSection(const QString& name);
    // The whole text of the help file `name`. Throws KoaError.
    QString ReadFile(const QString& name) const;
    // Fills the title list from the server's answer; false when the answer is
    // not one (the message is shown).
    bool readAnnouncements(const QString& answer);
    const QStringList& bodies() const { return m_bodies; }

    QTabBar* TabStrip1 = nullptr;
    QGroupBox* FrameHelp = nullptr;
    QComboBox* section = nullptr;
    QTextBrowser* helptext = nullptr;
    QGroupBox* FrameAnn = nullptr;
    QListWidget* lstTitle = nullptr;
    render::Browser* WebBrowser1 = nullptr;
    QPushButton* closeButton = nullptr;

private:
    void section_Click();
    void TabStrip1_Click();
    void lstTitle_Click();
    void showText(const QString& text);

    ProgramFolder m_folder;
    CurlRequest m_http;
    QStringList m_bodies;
};

} // namespace koa::online
