#include "quizstore.h"

#include "store/database.h"
#include "store/errors.h"
#include "store/textescape.h"

using namespace Qt::Literals::StringLiterals;

namespace koa::editors {

namespace {

// Names are unique without regard to case; a course written elsewhere may
// still hold two, and the quiz is then the first of them.
const QString FirstRow = u"rowid = (SELECT min(rowid) FROM quizes WHERE name = ?)"_s;

KoaError noQuiz(const QString& name) {
    return KoaError(errnum::NoCurrentRecord,
                    u"No current record: there is no quiz named '"_s + name + u"'."_s);
}

} // namespace

QuizStore::QuizStore(QString databasePath) : m_databasePath(std::move(databasePath)) {}

Quiz QuizStore::load(const QString& name) const {
    Database course(m_databasePath, Database::Mode::ReadOnly);
    QSqlQuery row = course.exec(u"SELECT text FROM quizes WHERE "_s + FirstRow, {name});
    if (!row.next())
        throw noQuiz(name);
    Quiz quiz;
    quiz.question = withLf(unParseText(row.value(0)));
    QSqlQuery q = course.exec(
        u"SELECT statement, status FROM statements WHERE quizname = ? ORDER BY rowid"_s, {name});
    while (q.next()) {
        // Anything but "true" is false, as on the quiz page.
        quiz.statements.append({q.value(0).toString(), q.value(1).toString().compare(
                                                           u"true"_s, Qt::CaseInsensitive) == 0});
    }
    return quiz;
}

void QuizStore::save(const QString& name, const Quiz& quiz) const {
    QString question = withCrLf(quiz.question);
    ParseText(question);
    ParseLinefeeds(question);
    Database course(m_databasePath);
    // Without the commit, closing the database rolls all of it back.
    course.begin();
    course.exec(u"DELETE FROM statements WHERE quizname = ?"_s, {name});
    for (const QuizStatement& s : quiz.statements) {
        course.exec(u"INSERT INTO statements (quizname, statement, status) VALUES (?, ?, ?)"_s,
                    {name, s.text, s.isTrue ? u"true"_s : u"false"_s});
    }
    if (course.exec(u"UPDATE quizes SET text = ? WHERE "_s + FirstRow, {question, name})
            .numRowsAffected() < 1)
        throw noQuiz(name);
    course.commit();
}

} // namespace koa::editors
