#include "samplecourse.h"

#include "mediafiles.h"
#include "store/database.h"
#include "store/schema.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

namespace koa::test {

void writeSampleCourse(const QString& work, const QString& skin) {
    schema::createBlankCourse(work);
    writeFile(work + u"/pictures/1.gif"_s, gifOf(40, 30));
    writeFile(work + u"/sounds/2.wav"_s, wavOf(200));
    Database db(work + u"/koa.kod"_s);
    db.exec(u"UPDATE header SET title = 'Sailing', author = 'Mara', description = 'One<br>Two', "
            "menuscroll = 1, skin = ?"_s,
            {skin});
    const QString welcome =
        u"Welcome aboard. See "_s + link('i', u"go"_s, u"Quiz page"_s, u"the quiz"_s) +
        u", the "_s +
        link('k', u"keyword"_s, u"Skipper&#39;s rule"_s, u"<dfn>Skipper&#39;s rule</dfn>"_s) +
        u", the "_s + link('d', u"dlink"_s, u"Checklist"_s, u"<code>checklist</code>"_s) +
        u", the "_s +
        link('e', u"xgo"_s, u"www.example.org/forecast"_s, u"<cite>forecast</cite>"_s) +
        u" and "_s + link('i', u"go"_s, u"Nowhere"_s, u"a lost page"_s) + u"."_s;
    db.exec(u"INSERT INTO texts (name, text) VALUES ('Welcome', ?), ('Ropes', 'Ropes and sails'), "
            "('Only', 'Only page'), ('Seventh', 'Seventh module')"_s,
            {welcome});
    db.exec(u"INSERT INTO keywords (name, desc) VALUES "
            "('Skipper&#39;s rule', 'One line<br>&#60;two&#62;')"_s);
    db.exec(u"INSERT INTO dlinks (name, filename) VALUES ('Checklist', '5.pdf')"_s);
    db.exec(u"INSERT INTO sounds (name, filename) VALUES ('Horn', '2.wav')"_s);
    db.exec(u"INSERT INTO pictures (name, filename, width, height, alignment, \"float\", caption) "
            "VALUES ('Boat', '1.gif', 40, 30, 'Right', 1, 'A caption')"_s);
    db.exec(u"INSERT INTO movies (name, filename, width, height, alignment, \"float\") "
            "VALUES ('Sea', '3.mp4', 320, 240, '', 0)"_s);
    db.exec(u"INSERT INTO quizes (name, text) VALUES ('Knots', 'Which knots hold?')"_s);
    db.exec(u"INSERT INTO statements (quizname, statement, status) VALUES ('Knots', 'Bowline', "
            "'true'), ('Knots', 'Granny', 'false'), ('Knots', 'Reef', 'true')"_s);
    db.exec(u"INSERT INTO pages (name, sound, tabtext) VALUES ('Start', 'Horn', 'Start'), "
            "('Quiz page', '', 'Quiz'), ('Rigging', '', 'Rigging')"_s);
    setLayout(work + u"/koa.kod"_s,
              {u"modules:Deck"_s, u"pages:Start"_s, u"texts:Welcome"_s, u"pictures:Boat"_s,
               u"movies:Sea"_s, u"horizontalline:"_s, u"pages:Quiz page"_s, u"quizes:Knots"_s,
               u"pages:Rigging"_s, u"texts:Ropes"_s, u"modules:Quay"_s, u"pages:Last words"_s,
               u"texts:Only"_s});
}

} // namespace koa::test
