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

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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
    void exec(const QString& sql, const QVariantList& params = {}) { course().exec(sql, params); }
    // The windows afresh on `package`.
    void reopen(const QString& package) {
        start({package});
        m_pool = static_cast<objectpool::objectpool*>(set().window(shell::keys::ObjectPool));
    }
    QString mediaFolder(const QString& key) const {
        return m_anchor->files().folder().workingFolder() + u'/' + key;
    }

    objectpool::objectpool* m_pool = nullptr;
};

} // namespace

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

TEST_F(MediaObjects, NewObjectsAreMeasuredSelectedAndShownAFlashOneInThePlayer) {
    constexpr QRgb stage = 0xff2060c0, shape = 0xfff0a010;
    clickTab(m_anchor->headerWindow(), shell::keys::ObjectPool);
    ASSERT_TRUE(m_pool->isVisible());
    // Pictures by their own header, an SVG by its own size.
    file(u"harbour.gif"_s, gifOf(400, 300));
    ASSERT_TRUE(writeJpeg(m_dir.filePath(u"photo.jpeg"_s), 64, 48));
    QImage png(30, 20, QImage::Format_RGB32);
    png.fill(Qt::green);
    ASSERT_TRUE(png.save(m_dir.filePath(u"map.png"_s)));
    file(u"drawing.svg"_s, "<svg xmlns='http://www.w3.org/2000/svg' width='120' height='90'>"
                           "<rect width='120' height='90' fill='red'/></svg>");
    for (const QString& name : {u"harbour.gif"_s, u"photo.jpeg"_s, u"map.png"_s, u"drawing.svg"_s})
        add(u"pictures"_s, name, m_dir.filePath(name));
    add(u"flash"_s, u"Wave"_s, file(u"wave.swf"_s, swfOf(200, 150, stage, shape)));
    EXPECT_TRUE(m_pool->WebBrowser2->isVisible());
    EXPECT_TRUE(showsFlash(m_pool->WebBrowser2, stage, shape));
    add(u"sounds"_s, u"Bell"_s, file(u"bell.wav"_s, wavOf(192))); // 1580 bytes

    EXPECT_EQ(
        stored(u"SELECT group_concat(width || 'x' || height, ' ') FROM pictures"_s).toString(),
        u"400x300 64x48 30x20 120x90"_s);
    EXPECT_EQ(stored(u"SELECT width || 'x' || height FROM flash"_s), u"320x320"_s);
    EXPECT_EQ(m_pool->filesize->text(), u"1.5"_s);  // the new sound is selected
    EXPECT_FALSE(m_pool->width_field->isEnabled()); // a sound has no display size
}

TEST_F(MediaObjects, RefusedNamesCancelledDialogsAndObjectsInUseOrOutsideChangeNothing) {
    add(u"pictures"_s, u"Logo"_s, file(u"a.gif"_s, gifOf(8, 8)));
    m_scripted->queueInput(u"LOGO"_s); // names compare without regard to case
    m_pool->new_media_Click();
    add(u"pictures"_s, u"Other"_s, m_dir.filePath(u"gone.gif"_s));
    m_scripted->queueInput(u"Cancelled"_s); // then the file dialog is cancelled
    m_pool->new_media_Click();
    m_scripted->queueInput(std::nullopt); // the name box is cancelled
    m_pool->new_media_Click();
    EXPECT_EQ(listed(), QStringList({u"Logo"_s}));
    EXPECT_EQ(treeOf(mediaFolder(u"pictures"_s)), QStringList({u"1.gif"_s}));

    for (const QString& name : {u"Gong"_s, u"Bell"_s, u"Horn"_s})
        add(u"sounds"_s, name, file(name + u".wav"_s, wavOf(100)));
    exec(u"INSERT INTO pages (name, sound) VALUES ('A', 'Bell')"_s);
    m_pool->medialist->setCurrentRow(1);
    m_scripted->queueInput(u"GONG"_s); // refused: the rename ends there
    m_pool->rename_media_Click();
    EXPECT_EQ(listed(), QStringList({u"Gong"_s, u"Bell"_s, u"Horn"_s}));
    m_scripted->queueInput(u"Ship's bell"_s);
    m_pool->rename_media_Click();
    EXPECT_EQ(listed(), QStringList({u"Gong"_s, u"Ship#s bell"_s, u"Horn"_s}));
    m_pool->delete_media_Click(); // the renamed one stays selected; its page plays it
    EXPECT_EQ(m_pool->medialist->currentRow(), 1);
    m_pool->medialist->setCurrentRow(2);
    m_pool->delete_media_Click();
    EXPECT_EQ(listed(), QStringList({u"Gong"_s, u"Ship#s bell"_s}));
    EXPECT_EQ(m_pool->medialist->currentRow(), 1); // the new last entry

    // A stored file name that leaves its folder: the file is neither shown nor deleted.
    const QString climbing =
        QDir(mediaFolder(u"pictures"_s)).relativeFilePath(file(u"precious.gif"_s, gifOf(4, 4)));
    exec(u"INSERT INTO pictures (name, filename) VALUES ('Climber', ?)"_s, {climbing});
    exec(u"INSERT INTO dlinks (name, filename) VALUES ('Manual', ?)"_s, {climbing});
    chooseType(u"pictures"_s);
    m_pool->medialist->setCurrentRow(1);
    EXPECT_TRUE(m_pool->Image1->pixmap().isNull());
    m_pool->delete_media_Click();
    m_pool->textcombo->setCurrentIndex(m_pool->textcombo->findData(u"dlinks"_s));
    m_pool->textcombo_Click();
    m_pool->textlist->setCurrentRow(0);
    m_pool->delete_text_Click();
    const QString outside =
        u"The file of this object lies outside the course and was left alone."_s;
    EXPECT_EQ(m_scripted->messages(),
              QStringList({u"An object named 'LOGO' already exists in this category."_s,
                           u"No such file."_s,
                           u"An object named 'GONG' already exists in this category."_s,
                           u"Cannot delete object - it is beeing used in the composer."_s, outside,
                           outside}));
}

TEST_F(MediaObjects, SizeFieldsFollowTheLockedRatioAndPropertiesAreStoredBeforeTheTypeChanges) {
    add(u"pictures"_s, u"Wide"_s, file(u"wide.gif"_s, gifOf(400, 300)));
    m_pool->chkRatio->setChecked(true);
    m_pool->height_field->clear();
    QTest::keyClicks(m_pool->height_field, u"15x0"_s); // digits only
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
    EXPECT_EQ(m_pool->width_field->text() + u'x' + m_pool->height_field->text(), u"400x300"_s);

    add(u"flash"_s, u"Intro"_s, file(u"intro.swf"_s, swfHeader()));
    m_pool->alignment->setCurrentText(u"Left"_s);
    m_pool->alignment_Click();
    EXPECT_TRUE(m_pool->chkFloat->isEnabled());
    m_pool->chkFloat->setChecked(true);
    m_pool->capt->setPlainText(u"Start \"here\"\nthen go on"_s);
    m_pool->width_field->setText(u"640"_s);
    chooseType(u"movies"_s);
    EXPECT_EQ(stored(u"SELECT alignment || ' ' || float || ' ' || width FROM flash"_s),
              u"Left 1 640"_s);
    EXPECT_TRUE(m_pool->selectedMediaObject().isEmpty());
    chooseType(u"flash"_s);
    m_pool->medialist->setCurrentRow(0);
    EXPECT_EQ(m_pool->capt->toPlainText(), u"Start \"here\"\nthen go on"_s);
    m_pool->alignment->setCurrentText(u"Center"_s);
    m_pool->alignment_Click();
    EXPECT_FALSE(m_pool->chkFloat->isChecked() || m_pool->chkFloat->isEnabled());
}

TEST_F(MediaObjects, OlderMoviesGetAPlayableCopyThatTravelsWithThem) {
    const QString movie = m_dir.filePath(u"clip.avi"_s);
    ASSERT_TRUE(writeMovie(movie, 320, 240));
    EXPECT_FALSE(videoSize(file(u"not-a-movie.avi"_s, "no video here")).isValid());
    add(u"movies"_s, u"Clip"_s, movie);
    EXPECT_EQ(stored(u"SELECT width || 'x' || height FROM movies"_s), u"320x240"_s);
    EXPECT_EQ(m_pool->GetAspectRatio(), 320.0 / 240.0);
    const QString copy = mediaFolder(u"movies"_s) + u"/1.avi.webm"_s;
    const QByteArray made = readFile(copy);
    ASSERT_FALSE(made.isEmpty());

    // Saved and opened with the course; one saved before copies existed gets them as it opens.
    const QString package = m_dir.filePath(u"clip.kof"_s);
    m_scripted->queueFile(package);
    ASSERT_TRUE(m_anchor->files().Save_course(true));
    reopen(package);
    EXPECT_EQ(readFile(copy), made);
    QFile::remove(copy);
    ASSERT_TRUE(m_anchor->files().Save_course(false));
    m_scripted->clear();
    reopen(package);
    EXPECT_FALSE(readFile(copy).isEmpty());
    EXPECT_TRUE(m_scripted->messages().isEmpty())
        << m_scripted->messages().join(u'\n').toStdString();

    // A copy that cannot be made is named; the object stays for the author.
    add(u"movies"_s, u"Junk"_s, m_dir.filePath(u"not-a-movie.avi"_s));
    EXPECT_TRUE(m_scripted->messages().constLast().startsWith(
        u"KOA could not make a copy that browsers can play of:\n\n'Junk': "_s));
    EXPECT_EQ(listed(), QStringList({u"Clip"_s, u"Junk"_s}));

    // Cancelling in the "Please wait" window cancels the adding.
    const QString longer = m_dir.filePath(u"long.avi"_s);
    ASSERT_TRUE(writeMovie(longer, 320, 240, 600));
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* cancel = w->findChild<QPushButton*>(u"cancel"_s);
            if (w->objectName() == u"working"_s && w->isVisible() && cancel->isVisible())
                QTest::mouseClick(cancel, Qt::LeftButton);
        }
    });
    canceller.start(20);
    add(u"movies"_s, u"Long"_s, longer);
    canceller.stop();
    EXPECT_EQ(listed(), QStringList({u"Clip"_s, u"Junk"_s}));
    EXPECT_EQ(QDir(mediaFolder(u"movies"_s)).entryList(QDir::Files),
              QStringList({u"1.avi"_s, u"1.avi.webm"_s, u"2.avi"_s}));
}
