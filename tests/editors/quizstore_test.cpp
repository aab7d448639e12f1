#include "editors/quizstore.h"
#include "store/errors.h"
#include "store/schema.h"
#include "tests/support/helpers.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;
using namespace koa;
using namespace koa::editors;

namespace {

// Names may hold what the escaping would change: they are stored as they are.
const QString Name = u"Fire <drill>"_s;

class QuizStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        schema::createBlankCourse(m_dir.path());
        put(u"Other"_s, {u"Kept?"_s, u"Kept|true"_s});
    }
    // No load or save of one quiz touches another.
    void TearDown() override {
        EXPECT_EQ(rows(u"Other"_s), QStringList({u"Kept?"_s, u"Kept|true"_s}));
    }

    // A quiz's rows: its text, then its statements as "text|status".
    void put(const QString& name, const QStringList& rows) {
        Database db(m_path);
        db.exec(u"DELETE FROM quizes WHERE name = ?"_s, {name});
        db.exec(u"DELETE FROM statements WHERE quizname = ?"_s, {name});
        db.exec(u"INSERT INTO quizes (name, text) VALUES (?, ?)"_s, {name, rows.value(0)});
        for (const QString& row : rows.mid(1))
            db.exec(u"INSERT INTO statements VALUES (?, ?, ?)"_s,
                    {name, row.section(u'|', 0, 0), row.section(u'|', 1)});
    }
    QStringList rows(const QString& name = Name) {
        return test::rowsOf(m_path,
                            u"SELECT ifnull((SELECT text FROM quizes WHERE name = ?), '')"_s, {},
                            {name}) +
               test::rowsOf(m_path,
                            u"SELECT statement, status FROM statements WHERE quizname = ? "
                            "ORDER BY rowid"_s,
                            {}, {name});
    }

    QTemporaryDir m_dir;
    QString m_path = m_dir.filePath(u"koa.kod"_s);
    QuizStore store{m_path};
};

} // namespace

TEST_F(QuizStoreTest, LoadsAsTheWindowShowsSavesBackInStoredFormAndNeverAMissingQuiz) {
    EXPECT_THROW(store.load(Name), KoaError);
    // Renamed while its editor was open: the editor's name finds nothing.
    put(u"Renamed"_s, {u"Q"_s, u"Kept|false"_s});
    EXPECT_THROW(store.save(Name, {u"New"_s, {{u"Lost"_s, true}}}), KoaError);
    EXPECT_EQ(rows(), QStringList({QString()}));
    EXPECT_EQ(rows(u"Renamed"_s), QStringList({u"Q"_s, u"Kept|false"_s}));

    const struct {
        QStringList stored;
        Quiz loaded;
        QStringList saved; // empty: as stored
    } cases[] = {
        {{u"Which?"_s, u"Stairs|true"_s, u"Lifts|false"_s},
         {u"Which?"_s, {{u"Stairs"_s, true}, {u"Lifts"_s, false}}},
         {}},
        // The question is escaped, statements are kept as they come.
        {{u"Ann&#39;s &#34;best&#34; &#60;pick&#62;<br>2"_s, u"a < b & 'c'|false"_s},
         {u"Ann's \"best\" <pick>\n2"_s, {{u"a < b & 'c'"_s, false}}},
         {}},
        // Anything but "true" is false, as on the quiz page.
        {{QString(), u"a|TRUE"_s, u"b|False"_s, u"c|"_s, u"d|yes"_s, u"e|true:1"_s},
         {QString(),
          {{u"a"_s, true}, {u"b"_s, false}, {u"c"_s, false}, {u"d"_s, false}, {u"e"_s, false}}},
         {QString(), u"a|true"_s, u"b|false"_s, u"c|false"_s, u"d|false"_s, u"e|false"_s}},
        {{u"None"_s}, {u"None"_s, {}}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.join(u' ').toStdString());
        put(Name, c.stored);
        EXPECT_EQ(store.load(Name), c.loaded);
        // Saving replaces the question and all the statements.
        store.save(Name, c.loaded);
        EXPECT_EQ(rows(), c.saved.isEmpty() ? c.stored : c.saved);
        store.save(Name, {});
        EXPECT_EQ(rows(), QStringList({QString()}));
    }
}
