// The export window over the program's windows: opened by every editor
// window's Export command, its save dialog, its refusals and the composer's
// module written back before the copy.
#include "composer/composer.h"
#include "composer/droplist.h"
#include "distribution/export.h"
#include "distribution/exportwindow.h"
#include "shell/editorwindow.h"
#include "tests/support/anchor.h"

#include <functional>
#include <type_traits>

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

namespace koa::test {
namespace {

using distribution::exportWindow;
using Shown = ScriptedInteraction::Shown;

class ExportWindow : public CourseWindows {
protected:
    shell::EditorWindow* switchTo(const QString& key) {
        set().switchWindow(*set().loaded(set().currentWindow), key);
        return set().loaded(key);
    }

    // Runs the Export command of `from` (for the web, by its menu) and `inside` on
    // the window W it opens, from the window's own event loop; false when none
    // showed. A window left open is cancelled.
    template <class W = exportWindow>
    bool exportFrom(shell::EditorWindow* from,
                    const std::type_identity_t<std::function<void(W&)>>& inside) {
        bool seen = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* window = shownWindow<W>();
            if (!window)
                return;
            poll.stop();
            seen = true;
            EXPECT_FALSE(from->isEnabled()) << "the calling window waits";
            inside(*window);
            if (window->isVisible())
                window->cmdCancel->click();
        });
        poll.start();
        std::is_same_v<W, exportWindow> ? from->menuExport_Click() : from->menuExportWeb->trigger();
        EXPECT_TRUE(from->isEnabled());
        return seen;
    }

    QString target(const QString& name) { return m_dir.filePath(name); }
};

TEST_F(ExportWindow, OpensFromEveryEditorWindowAndKeepsOpenOnCancelAndRefusal) {
    const QString label = u"File: "_s + m_anchor->files().displayName();
    for (const QString& key : {shell::keys::Header, shell::keys::ObjectPool, shell::keys::Composer,
                               shell::keys::Preview}) {
        SCOPED_TRACE(key.toStdString());
        shell::EditorWindow* from = switchTo(key);
        ASSERT_TRUE(from);
        EXPECT_TRUE(exportFrom(from, [&](exportWindow& w) {
            EXPECT_EQ(w.lblFile->text(), label);
            EXPECT_FALSE(w.readonly->isChecked());
            EXPECT_TRUE(w.readonly->isEnabled());
        }));
    }

    // A cancelled save dialog keeps the window open, and so does the refusal of
    // an existing target, which writes nothing; the dialog offers the preset name.
    shell::EditorWindow* from = switchTo(shell::keys::Header);
    QDir().mkpath(target(u"taken"_s));
    m_scripted->clear();
    EXPECT_TRUE(exportFrom(from, [&](exportWindow& w) {
        w.cmdOK->click();
        EXPECT_TRUE(w.isVisible());
        m_scripted->queueFile(target(u"taken"_s));
        w.cmdOK->click();
        EXPECT_TRUE(w.isVisible());
    }));
    ASSERT_EQ(m_scripted->shown().size(), 3); // dialog, dialog, message
    const Shown& dialog = m_scripted->shown()[0];
    EXPECT_EQ(dialog.kind, Shown::Kind::SaveDialog);
    EXPECT_EQ(dialog.title + u'|' + dialog.preset, u"Export|KOA export"_s);
    EXPECT_EQ(m_scripted->messages(),
              QStringList{u"An export of this file already exists at this location."_s});
    EXPECT_TRUE(QDir(target(u"taken"_s)).isEmpty());

    // A read-only course shows its mark in the box, which cannot be cleared.
    course().exec(u"UPDATE header SET status = 1"_s);
    EXPECT_TRUE(exportFrom(from, [&](exportWindow& w) {
        EXPECT_TRUE(w.readonly->isChecked());
        EXPECT_FALSE(w.readonly->isEnabled());
    }));
}

TEST_F(ExportWindow, FromTheComposerExportsTheOpenModuleSelectsItsRowAgainAndExportsForTheWeb) {
    course().exec(u"INSERT INTO texts (name, text) VALUES ('Welcome', '')"_s);
    auto* c = static_cast<composer::composer*>(switchTo(shell::keys::Composer));
    ASSERT_TRUE(c);
    c->lstvModule_OLEDragDrop(composer::composer::DragSource::object(u"texts"_s, u"Welcome"_s), 1);
    c->cmdAddPage_Click(); // in the place of the text, which moves down
    c->lstvModule->setCurrentItem(c->lstvModule->topLevelItem(1));
    // Typed on the selected page, not yet written back.
    c->txtPageName->setText(u"Quay"_s);

    EXPECT_TRUE(exportFrom(c, [&](exportWindow& w) {
        m_scripted->queueFile(target(u"Ship course"_s));
        w.cmdOK->click();
        EXPECT_FALSE(w.isVisible()) << "an export closes the window";
    }));
    EXPECT_EQ(
        layoutOf(target(u"Ship course/temp/koa.kod"_s)),
        QStringList({u"modules:New Module"_s, u"pages:"_s, u"pages:Quay"_s, u"texts:Welcome"_s}));
    ASSERT_EQ(c->lstvModule->currentItem(), c->lstvModule->topLevelItem(1));
    EXPECT_EQ(c->lstvModule->currentItem()->text(0), u"Quay"_s);

    // For the web: a folder, refused the second time, or a SCORM package; each
    // export says where it went (and the one before, nothing).
    m_scripted->queueInput(u"Harbour"_s);
    c->cmdAddModule_Click();
    using Web = distribution::webExportWindow;
    const QString folder = target(u"Web course"_s);
    for (int run = 0; run < 2; ++run) {
        EXPECT_TRUE(exportFrom<Web>(c, [&](Web& w) {
            m_scripted->queueFile(folder);
            w.cmdOK->click();
        }));
    }
    const QString zip = target(u"course.zip"_s);
    EXPECT_TRUE(exportFrom<Web>(c, [&](Web& w) {
        w.optScorm12->setChecked(true);
        m_scripted->queueFile(zip);
        w.cmdOK->click();
        EXPECT_FALSE(w.isVisible());
    }));
    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"The course was exported for the web to "_s + folder +
                               u". Open index.html there in any browser, or put the folder on a "
                               "web server."_s,
                           distribution::messages::ExportExists,
                           u"The course was exported as a SCORM package to "_s + zip +
                               u". Upload it to your learning platform as a SCORM package."_s}));
    EXPECT_TRUE(readFile(folder + u"/course.js"_s).contains("Harbour"));
    EXPECT_EQ(readFile(zip).left(2), "PK");
}

} // namespace
} // namespace koa::test
