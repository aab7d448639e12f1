#pragma once

#include <QList>
#include <QString>

namespace koa::editors {

// A quiz as its editor shows it: the question unescaped, with LF line
// breaks, and the statements in their stored order.
struct QuizStatement {
    QString text;
    bool isTrue = false;
    bool operator==(const QuizStatement&) const = default;
};

struct Quiz {
    QString question;
    QList<QuizStatement> statements;
    bool operator==(const Quiz&) const = default;
};

// Reads and writes one quiz of the course database: its row in `quizes`
// (the first of its name) and its rows in `statements`. No widgets.
class QuizStore {
public:
    explicit QuizStore(QString databasePath);

    // The quiz named `name` as stored; throws KoaError when there is none.
    Quiz load(const QString& name) const;
    // Replaces the question and all the statements in one transaction;
    // throws KoaError, storing nothing, when the quiz is gone.
    void save(const QString& name, const Quiz& quiz) const;

private:
    QString m_databasePath;
};

} // namespace koa::editors
