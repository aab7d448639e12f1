#include "objectpool/mediameasure.h"
#include "objectpool/objectpool.h"
#include "objectpool/objecttypes.h"
#include "objectpool/updown.h"
#include "render/browser.h"
#include "shell/editorset.h"
#include "shell/realinteraction.h"
#include "store/coursefiles.h"
#include "store/database.h"
#include "tests/support/anchor.h"
#include "tests/support/mediafiles.h"
#include "tests/support/pagescript.h"
#include "tests/support/testsupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::objectpool;
using namespace koa::test;

namespace {

class MediaObjects : public CourseWindows {
protected:
    void SetUp() override {
        CourseWindows::SetUp();
        m_pool = static_cast<objectpool::objectpool*>(set().window(shell::keys::ObjectPool));
    }

    QString file(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        writeFile(path, bytes);
        return path;
    }
    void chooseType(const QString& key) {
        m_pool->mediacombo->setCurrentIndex(m_pool->mediacombo->findData(key));
        m_pool->mediacombo_Click();
    }
    // Makes an object through the window as the user does.
    void add(const QString& key, const QString& name, const QString& path) {
        chooseType(key);
        m_scripted->queueInput(name);
        m_scripted->queueFile(path);
        m_pool->new_media_Click();
    }
    QStringList listed() const { return itemsOf(m_pool->medialist); }
    QVariant stored(const QString& sql) { return course().scalar(sql); }
    void exec(const QString& sql) { course().exec(sql); }
    QString mediaFolder(const QString& key) const {
        return m_anchor->files().folder().workingFolder() + u'/' + key;
    }

    objectpool::objectpool* m_pool = nullptr;
};

} // namespace

TEST(MediaRules, NamesFileNamesAndSizes) {
    EXPECT_EQ(cleanObjectName(QString(60, u'x')), QString(50, u'x'));
    EXPECT_EQ(cleanObjectName(u"Ann's \"logo\""_s), u"Ann#s #logo#"_s);
    EXPECT_TRUE(cleanObjectName(u" \t "_s).isEmpty());
    EXPECT_EQ(storedFileName(12, u"/home/ann/logo.gif"_s), u"12.gif"_s);
    EXPECT_EQ(storedFileName(7, u"/home/ann/photo.jpeg"_s), u"7.jpeg"_s);
    EXPECT_EQ(storedFileName(7, u"/home/ann/ab"_s), u"7"_s);
    EXPECT_EQ(storedFileName(7, u"/home/a.b/x.c"_s), u"7.c"_s);
    EXPECT_EQ(kilobytes(1536), 1.5);
    EXPECT_EQ(kilobytes(1000), 1.0);
    EXPECT_EQ(kilobytes(1280), 1.2); // 1.25 KB: the half goes to the even neighbour
    EXPECT_EQ(roundHalfEven(75.75), 76);
    EXPECT_EQ(roundHalfEven(2.5), 2);
}

TEST(FileDialogs, ListTheFilesOfTheirPatternsInAnyCase) {
    QTemporaryDir dir;
    for (const char* name : {"one.gif", "two.jpg", "PHOTO.JPG", "three.png", "README", "c.KOF"})
        writeFile(dir.filePath(QString::fromLatin1(name)), "x");
    // The names a real dialog lists in the folder, and the filter it shows.
    auto listed = [&](const QString& filter) {
        QFileDialog dialog(nullptr, u"Open"_s, dir.path(), shell::qtNameFilter(filter));
        dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
        auto* model = dialog.findChild<QFileSystemModel*>();
        const QModelIndex root = model->index(dir.path());
        EXPECT_TRUE(waitUntil([&] { return model->rowCount(root) > 0; }, 5000));
        QStringList names;
        for (int row = 0; row < model->rowCount(root); ++row)
            names << model->index(row, 0, root).data().toString();
        names.sort(Qt::CaseInsensitive);
        return names + itemsOf(dialog.findChild<QComboBox*>(u"fileTypeCombo"_s));
    };
    EXPECT_EQ(listed(mediaTypes().constFirst().filter),
              QStringList({u"one.gif"_s, u"PHOTO.JPG"_s, u"three.png"_s, u"two.jpg"_s,
                           u"Picture files (*.gif;*.jpg;*.jpeg;*.png;*.webp;*.svg)"_s}));
    EXPECT_EQ(listed(u"Document files (*.*)|*.*"_s).size(), 7);
    EXPECT_EQ(listed(u"KOA files |*.kof"_s), QStringList({u"c.KOF"_s, u"KOA files (*.kof)"_s}));
}

TEST_F(MediaObjects, NewObjectsAreCopiedMeasuredAndShown) {
    add(u"pictures"_s, u"Harbour's \"view\""_s, file(u"harbour.gif"_s, gifOf(400, 300)));
    add(u"pictures"_s, u"Photo"_s, file(u"photo.jpeg"_s, QByteArray()));
    // The empty JPEG above is no picture: written again properly.
    ASSERT_TRUE(writeJpeg(m_dir.filePath(u"photo.jpeg"_s), 64, 48));
    m_scripted->queueInput(u"Photo 2"_s);
    m_scripted->queueFile(m_dir.filePath(u"photo.jpeg"_s));
    m_pool->new_media_Click();
    // Pictures of today's formats are measured as well; an SVG by its own size.
    QImage png(30, 20, QImage::Format_RGB32);
    png.fill(Qt::green);
    ASSERT_TRUE(png.save(m_dir.filePath(u"map.png"_s)));
    m_scripted->queueInput(u"Map"_s);
    m_scripted->queueFile(m_dir.filePath(u"map.png"_s));
    m_pool->new_media_Click();
    add(u"pictures"_s, u"Drawing"_s,
        file(u"drawing.svg"_s, "<svg xmlns='http://www.w3.org/2000/svg' width='120' height='90'>"
                               "<rect width='120' height='90' fill='red'/></svg>"));
    add(u"flash"_s, u"Intro"_s, file(u"intro.swf"_s, swfHeader()));
    add(u"sounds"_s, u"Bell"_s, file(u"bell.wav"_s, wavOf(192))); // 1580 bytes

    EXPECT_EQ(stored(u"SELECT filename || ' ' || width || 'x' || height || ' ' || alignment "
                     "FROM pictures WHERE name = 'Harbour#s #view#'"_s),
              u"1.gif 400x300 Center"_s);
    EXPECT_EQ(stored(u"SELECT filename || ' ' || width || 'x' || height FROM pictures "
                     "WHERE name = 'Photo 2'"_s),
              u"3.jpeg 64x48"_s);
    EXPECT_TRUE(QFileInfo::exists(mediaFolder(u"pictures"_s) + u"/3.jpeg"_s));
    EXPECT_EQ(stored(u"SELECT group_concat(filename || ' ' || width || 'x' || height, ', ') "
                     "FROM pictures WHERE name IN ('Map', 'Drawing')"_s),
              u"4.png 30x20, 5.svg 120x90"_s);
    EXPECT_EQ(stored(u"SELECT width || 'x' || height FROM flash"_s), u"320x320"_s);
    EXPECT_EQ(stored(u"SELECT size FROM sounds"_s).toDouble(), 1.5);

    // The new object is selected and shown.
    EXPECT_EQ(m_pool->medialist->currentItem()->text(), u"Bell"_s);
    EXPECT_EQ(m_pool->filesize->text(), u"1.5"_s);
    EXPECT_FALSE(m_pool->width_field->isEnabled()); // a sound has no display size
}

TEST_F(MediaObjects, RefusedNamesCancelledDialogsAndMissingFilesAddNothing) {
    const QString gif = file(u"a.gif"_s, gifOf(8, 8));
    add(u"pictures"_s, u"Logo"_s, gif);
    m_scripted->clear();

    chooseType(u"pictures"_s);
    m_scripted->queueInput(u"LOGO"_s); // names compare without regard to case
    m_pool->new_media_Click();
    add(u"pictures"_s, u"Other"_s, m_dir.filePath(u"gone.gif"_s));
    m_scripted->queueInput(u"Cancelled"_s); // then the file dialog is cancelled
    m_pool->new_media_Click();
    m_scripted->queueInput(std::nullopt); // the name box is cancelled
    m_pool->new_media_Click();

    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"An object named 'LOGO' already exists in this category."_s,
                           u"No such file."_s}));
    EXPECT_EQ(listed(), QStringList({u"Logo"_s}));
    EXPECT_EQ(treeOf(mediaFolder(u"pictures"_s)), QStringList({u"1.gif"_s}));
}

TEST_F(MediaObjects, LockedRatioFollowsTheOtherFieldAndFieldsTakeDigitsOnly) {
    add(u"pictures"_s, u"Wide"_s, file(u"wide.gif"_s, gifOf(400, 300)));
    m_pool->chkRatio->setChecked(true);
    m_pool->height_field->clear();
    QTest::keyClicks(m_pool->height_field, u"15x0"_s);
    EXPECT_EQ(m_pool->height_field->text(), u"150"_s);
    EXPECT_EQ(m_pool->width_field->text(), u"200"_s);
    EXPECT_EQ(m_pool->UpDownWidth->value(), 200);

    m_pool->width_field->clear();
    EXPECT_EQ(m_pool->UpDownWidth->value(), 0); // an empty field counts as 0
    QTest::keyClicks(m_pool->width_field, u"101"_s);
    EXPECT_EQ(m_pool->height_field->text(), u"76"_s); // 75.75

    m_pool->chkRatio->setChecked(false);
    m_pool->width_field->clear();
    QTest::keyClicks(m_pool->width_field, u"123456"_s);
    EXPECT_EQ(m_pool->width_field->text(), u"9999"_s);

    // Stored when the selection changes; "Orig. size" brings the picture's size back.
    add(u"pictures"_s, u"Second"_s, file(u"second.gif"_s, gifOf(10, 10)));
    EXPECT_EQ(stored(u"SELECT width || 'x' || height FROM pictures WHERE name = 'Wide'"_s),
              u"9999x76"_s);
    m_pool->medialist->setCurrentRow(0);
    m_pool->cmdOriginalSize_Click();
    EXPECT_EQ(m_pool->width_field->text(), u"400"_s);
    EXPECT_EQ(m_pool->height_field->text(), u"300"_s);
}

TEST_F(MediaObjects, PropertiesAreStoredBeforeTheTypeChanges) {
    add(u"flash"_s, u"Intro"_s, file(u"intro.swf"_s, swfHeader()));
    m_pool->alignment->setCurrentText(u"Left"_s);
    m_pool->alignment_Click();
    EXPECT_TRUE(m_pool->chkFloat->isEnabled());
    m_pool->chkFloat->setChecked(true);
    m_pool->capt->setPlainText(u"Start \"here\"\nthen go on"_s);
    m_pool->width_field->setText(u"640"_s);
    chooseType(u"movies"_s);
    EXPECT_EQ(stored(u"SELECT alignment || ' ' || float || ' ' || width || ' ' || caption "
                     "FROM flash"_s),
              u"Left 1 640 Start &#34;here&#34;<br>then go on"_s);
    EXPECT_TRUE(m_pool->selectedMediaObject().isEmpty());

    chooseType(u"flash"_s);
    m_pool->medialist->setCurrentRow(0);
    EXPECT_EQ(m_pool->capt->toPlainText(), u"Start \"here\"\nthen go on"_s);
    m_pool->alignment->setCurrentText(u"Center"_s);
    m_pool->alignment_Click();
    EXPECT_FALSE(m_pool->chkFloat->isChecked());
    EXPECT_FALSE(m_pool->chkFloat->isEnabled());
}

TEST_F(MediaObjects, AFlashObjectPlaysInThePreview) {
    constexpr QRgb stage = 0xff2060c0, shape = 0xfff0a010;
    clickTab(m_anchor->headerWindow(), shell::keys::ObjectPool);
    ASSERT_TRUE(m_pool->isVisible());
    add(u"flash"_s, u"Wave"_s, file(u"wave.swf"_s, swfOf(200, 150, stage, shape)));
    EXPECT_TRUE(m_pool->WebBrowser2->isVisible());
    EXPECT_TRUE(showsFlash(m_pool->WebBrowser2, stage, shape));
}

TEST_F(MediaObjects, DeleteRefusesPlacedObjectsAndSelectsTheNeighbour) {
    for (const QString& name : {u"One"_s, u"Two"_s, u"Three"_s})
        add(u"pictures"_s, name, file(name + u".gif"_s, gifOf(4, 4)));
    exec(u"INSERT INTO data (type, name, \"index\") VALUES ('pictures', 'Two', 2)"_s);

    m_pool->medialist->setCurrentRow(1);
    m_pool->delete_media_Click();
    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"Cannot delete object - it is beeing used in the composer."_s}));
    EXPECT_EQ(listed().size(), 3);
    EXPECT_EQ(m_pool->medialist->currentRow(), 1);

    m_pool->medialist->setCurrentRow(2);
    m_pool->delete_media_Click();
    EXPECT_EQ(listed(), QStringList({u"One"_s, u"Two"_s}));
    EXPECT_EQ(m_pool->medialist->currentRow(), 1); // the new last entry
    EXPECT_FALSE(QFileInfo::exists(mediaFolder(u"pictures"_s) + u"/3.gif"_s));

    // A file that is already gone does not keep its row for ever.
    QFile::remove(mediaFolder(u"pictures"_s) + u"/1.gif"_s);
    m_pool->medialist->setCurrentRow(0);
    m_pool->delete_media_Click();
    EXPECT_EQ(listed(), QStringList({u"Two"_s}));
}

TEST_F(MediaObjects, RenamingASoundKeepsThePagesThatPlayIt) {
    add(u"sounds"_s, u"Bell"_s, file(u"bell.wav"_s, wavOf(100)));
    add(u"sounds"_s, u"Gong"_s, file(u"gong.wav"_s, wavOf(100)));
    exec(u"INSERT INTO pages (name, sound) VALUES ('A', 'Bell'), ('B', 'Bell'), ('C', 'Bell')"_s);
    m_pool->medialist->setCurrentRow(0);

    m_scripted->queueInput(u"Gong"_s); // taken
    m_pool->rename_media_Click();
    m_scripted->queueInput(u"Ship's bell"_s);
    m_pool->rename_media_Click();
    EXPECT_EQ(listed(), QStringList({u"Ship#s bell"_s, u"Gong"_s}));
    EXPECT_EQ(stored(u"SELECT count(*) FROM pages WHERE sound = 'Ship#s bell'"_s).toInt(), 3);
    EXPECT_EQ(m_pool->medialist->currentItem()->text(), u"Ship#s bell"_s);

    m_pool->delete_media_Click(); // a page's sound cannot go
    EXPECT_EQ(m_scripted->messages().constLast(),
              u"Cannot delete object - it is beeing used in the composer."_s);
}

TEST_F(MediaObjects, MovieSizeComesFromTheMediaBackEnd) {
    const QString movie = m_dir.filePath(u"clip.avi"_s);
    ASSERT_TRUE(writeMovie(movie, 320, 240));
    EXPECT_EQ(videoSize(movie), QSize(320, 240));
    EXPECT_FALSE(videoSize(file(u"not-a-movie.avi"_s, "no video here")).isValid());

    add(u"movies"_s, u"Clip"_s, movie);
    EXPECT_EQ(stored(u"SELECT width || 'x' || height FROM movies"_s), u"320x240"_s);
    EXPECT_EQ(m_pool->GetAspectRatio(), 320.0 / 240.0);
}

TEST_F(MediaObjects, StoredFileNamesThatLeaveTheirFolderAreNeverFollowed) {
    // GIVEN rows of someone else's course whose files lie outside the course
    const QString outside = file(u"precious.gif"_s, gifOf(4, 4));
    const QString climbing = QDir(mediaFolder(u"pictures"_s)).relativeFilePath(outside);
    ASSERT_TRUE(climbing.startsWith(u"../"_s));
    exec(u"INSERT INTO pictures (name, filename) VALUES ('Climber', '"_s + climbing + u"')"_s);
    exec(u"INSERT INTO sounds (name, filename) VALUES ('Absolute', '"_s + outside + u"')"_s);
    exec(u"INSERT INTO dlinks (name, filename) VALUES ('Manual', '"_s + climbing + u"')"_s);

    // WHEN they are shown and deleted THEN only their rows go, and the user hears of it
    for (const QString& key : {u"pictures"_s, u"sounds"_s}) {
        chooseType(key);
        m_pool->medialist->setCurrentRow(0);
        EXPECT_TRUE(m_pool->Image1->pixmap().isNull()); // not even shown
        m_scripted->clear();
        m_pool->delete_media_Click();
        EXPECT_EQ(m_scripted->messages(),
                  QStringList(
                      {u"The file of this object lies outside the course and was left alone."_s}));
        EXPECT_TRUE(listed().isEmpty());
    }
    m_pool->textcombo->setCurrentIndex(m_pool->textcombo->findData(u"dlinks"_s));
    m_pool->textcombo_Click();
    m_pool->textlist->setCurrentRow(0);
    m_scripted->clear();
    m_pool->delete_text_Click();
    EXPECT_EQ(
        m_scripted->messages(),
        QStringList({u"The file of this object lies outside the course and was left alone."_s}));
    EXPECT_EQ(stored(u"SELECT count(*) FROM dlinks"_s).toInt(), 0);
    EXPECT_EQ(readFile(outside), gifOf(4, 4));
}
