#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QString>
#include <QVariant>

namespace koa::render {

// What the course screens show, as the course reader reads it and the
// writers write it. Texts are as stored (a null field reads as empty); the
// writers escape them where they enter a document.

// A module's rows: its pages lie after `start` and before `end`.
struct ModuleBounds {
    qint64 start = 0;
    qint64 end = 0; // the next module's index, or no end at all
    bool hasEnd = false;
};

// The page shown: its row and, when its settings name a sound that exists,
// that sound's file.
struct PageRow {
    qint64 index = 0;
    std::optional<QString> soundFile; // a plain file name or empty
};

// A page of the module that has a tab text.
struct Tab {
    QString text;
    qint64 index = 0; // of the page's row
    QString pageName;
};

struct Statement {
    QString status; // "true" in any case is a right answer
    QString text;
};

// One row of a page's layout with its object.
struct PlacedObject {
    enum class Kind { LineBreak, Line, Text, Quiz, Picture, Movie, Flash } kind = Kind::LineBreak;
    // The markup of a text; the question of a quiz.
    QString text;
    // Pictures, movies and Flash: stored values, numbers not yet checked.
    QString file;
    QVariant width;
    QVariant height;
    QString alignment;
    bool floats = false;
    QString caption;
    // Quizzes: the form's number and the statements in their order.
    QVariant id;
    std::vector<Statement> statements;
    // The layout's row ("texts Intro") when the course has lost its object.
    QString lost;
};

// The header fields of the course menu and the title page.
struct TitleFields {
    QString title;
    QVariant menuscroll; // as stored: the menu writes it as a number
    QString author;
    QString targetGroup;
    QString description;
};

struct Keyword {
    QString name;
    QString description;
};

// What the writers put between their parts: the text of a template of the
// program folder by its path ("/includes/page1.inc"), empty when it cannot be read.
using Templates = std::function<QString(const QString& relativePath)>;

} // namespace koa::render
