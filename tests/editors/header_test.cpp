#include "editors/header.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "tests/support/anchor.h"
#include "tests/support/testsupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::test;

namespace {

class HeaderWindow : public CourseWindows {
protected:
    void SetUp() override {
        CourseWindows::SetUp();
        m_header = static_cast<editors::header*>(m_anchor->headerWindow());
    }

    QVariant stored(const QString& column) {
        return course().scalar(u"SELECT "_s + column + u" FROM header"_s);
    }
    // Writes the header row as another program may have left it, and loads it.
    void loadHeader(const QString& assignments) {
        course().exec(u"UPDATE header SET "_s + assignments);
        m_header->Timer1_Timer();
    }

    editors::header* m_header = nullptr;
};

} // namespace

TEST_F(HeaderWindow, MissingValuesShowDefaultsNothingOfTheLastCourseAndSkinsOfTheSettings) {
    loadHeader(u"title = 'Safety', author = NULL, skin = '', menuscroll = NULL, "
               "description = 'First line<br>Second &#39;quoted&#39; line'"_s);
    EXPECT_EQ(m_header->course_name->text() + m_header->author->text(), u"Safety"_s);
    EXPECT_EQ(m_header->skin->currentText() + m_header->currentSkin(), u"ClassicClassic"_s);
    EXPECT_FALSE(m_header->ScrollCheck->isChecked());
    EXPECT_EQ(m_header->description->toPlainText(), u"First line\nSecond 'quoted' line"_s);

    m_header->description->appendPlainText(u"Third"_s);
    m_header->save_data();
    EXPECT_EQ(stored(u"skin"_s), u"Classic"_s);
    EXPECT_EQ(stored(u"menuscroll"_s).toInt(), 0);
    EXPECT_EQ(stored(u"author"_s), QString());
    // Line breaks are stored as <br>; what was quoted stays as it was typed.
    EXPECT_EQ(stored(u"description"_s), u"First line<br>Second 'quoted' line<br>Third"_s);

    // A second course leaves nothing of the first.
    loadHeader(u"title = 'First', author = 'Ann', target_group = 'Nurses', menuscroll = 1"_s);
    EXPECT_EQ(m_header->target_group->text(), u"Nurses"_s);
    EXPECT_TRUE(m_header->ScrollCheck->isChecked());
    loadHeader(u"title = 'Second', author = '', target_group = NULL, description = NULL, "
               "menuscroll = 0"_s);
    EXPECT_EQ(m_header->course_name->text() + m_header->author->text() +
                  m_header->target_group->text() + m_header->description->toPlainText(),
              u"Second"_s);
    EXPECT_FALSE(m_header->ScrollCheck->isChecked());

    // Skins come from the settings, and a choice is stored at once.
    // The list is the settings table's, whatever skins this build ships.
    const QString settings = m_anchor->files().folder().settingsDatabase();
    Database(settings).exec(u"DELETE FROM skins"_s);
    Database(settings).exec(
        u"INSERT INTO skins (name) VALUES ('Classic'), ('Harbour'), ('Meadow')"_s);
    loadHeader(u"skin = 'Retired skin'"_s);
    EXPECT_EQ(itemsOf(m_header->skin),
              QStringList({u"Classic"_s, u"Harbour"_s, u"Meadow"_s, u"Retired skin"_s}));
    EXPECT_EQ(m_header->skin->currentText(), u"Retired skin"_s);

    m_header->skin->setCurrentIndex(1);
    m_header->skin_click();
    EXPECT_EQ(stored(u"skin"_s), u"Harbour"_s);
    EXPECT_EQ(m_header->currentSkin(), u"Harbour"_s);
    EXPECT_FALSE(m_anchor->editors().closing);
}

TEST_F(HeaderWindow, QuotesNeverGetInAReadOnlyCourseLocksTheInputsAndTheSizeFollowsTheScreen) {
    QTest::keyClicks(m_header->course_name, u"Ann's \"best\""_s);
    QTest::keyClicks(m_header->description, u"it's"_s);
    EXPECT_EQ(m_header->course_name->text(), u"Anns best"_s);
    EXPECT_EQ(m_header->description->toPlainText(), u"its"_s);

    QApplication::clipboard()->setText(u"\"pasted\" 'text'"_s);
    m_header->author->paste();
    m_header->description->paste();
    EXPECT_EQ(m_header->author->text(), u"pasted text"_s);
    EXPECT_EQ(m_header->description->toPlainText(), u"itspasted text"_s);

    // A read-only course locks the inputs until the next course.
    loadHeader(u"status = 1"_s);
    EXPECT_TRUE(m_header->lblReadOnly->isVisible());
    for (QWidget* w : std::initializer_list<QWidget*>{m_header->course_name, m_header->author,
                                                      m_header->target_group, m_header->description,
                                                      m_header->skin, m_header->ScrollCheck})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(m_header->ShowHeader->isEnabled());

    m_anchor->files().New_file(false);
    EXPECT_FALSE(m_header->readOnly());
    EXPECT_TRUE(m_header->course_name->isEnabled());

    // The window's size follows the screen's width.
    EXPECT_EQ(editors::header::sizeForScreen(800), QSize(800, 570));
    EXPECT_EQ(editors::header::sizeForScreen(1023), QSize(800, 570));
    EXPECT_EQ(editors::header::sizeForScreen(1280), QSize(894, 719));
}
