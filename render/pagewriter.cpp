#include "pagewriter.h"

#include "escaping.h"
#include "markupsanitizer.h"
#include "store/interaction.h"

#include <limits>

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace koa::render {

namespace {

const QString CrLf = u"\r\n"_s;
const QString SmallBreak = uR"(<font style=\'font-size:5 pt\'><br></font>)"_s;
const QString CaptionStart =
    u"<tr><td><center><table border=0 cellpadding=0 cellspacing=0><tr><td><i><font color=606060 style=font-size:8pt>"_s;
const QString CaptionEnd = u"</font></i></td><tr></table></td></tr>"_s;
// Stands for the end mark's 10 to the power 99: beyond every page.
constexpr qint64 NoEnd = std::numeric_limits<qint64>::max();

// The answer of a quiz statement as the page compares it: "true" or "false".
QString isTrue(const QString& status) {
    return status.compare(u"true"_s, Qt::CaseInsensitive) == 0 ? u"true"_s : u"false"_s;
}

QString fileName(const PlacedObject& object) {
    return urlName(plainFileName(object.file));
}

QString makerAddress() {
    return QStringLiteral(KOA_MAKER_ADDRESS);
}

// How a tab looks beside its neighbours.
struct TabLook {
    QString image;
    QString top;
    QString attribute;
    QString colour;
};

const TabLook FirstActive{u"cleanleft.gif"_s, u"top_black.gif"_s, u"bgcolor=#FFFFFF"_s,
                          u"#000000"_s};
const TabLook FirstPassive{u"greyleft.gif"_s, u"top_grey.gif"_s, QString(), u"#505050"_s};
const TabLook Active{u"intersection_left.gif"_s, u"top_black.gif"_s, u"bgColor=#FFFFFF"_s,
                     u"#000000"_s};
const TabLook AfterActive{u"intersection_right.gif"_s, u"top_grey.gif"_s, QString(), u"#505050"_s};
const TabLook Passive{u"grey_intersection_right.gif"_s, u"top_grey.gif"_s, QString(), u"505050"_s};

QString tabCell(const RenderState& state, const TabLook& look, const Tab& tab) {
    const QString skin = urlName(state.skin);
    return u"parent.upper.document.write('<td><img src=skins/"_s + skin + u"/"_s + look.image +
           u"></td><td valign=top><table "_s + state.styleAttr +
           u" border=0 cellpadding=0 cellspacing=0 "_s + look.attribute +
           uR"( height=33><tr><td valign=top>\n');)"_s + CrLf +
           u"parent.upper.document.write('<img src=skins/"_s + skin + u"/"_s + look.top +
           uR"( width=100% height=5></td></tr>\n');)"_s + CrLf +
           uR"(parent.upper.document.write('<tr><td valign=top><a href=\'JavaScript:void(0);\' onClick="parent.engine.go(\')"_s +
           nestedScriptString(tab.pageName) + uR"(\');"><font color=)"_s + look.colour + u">"_s +
           scriptString(htmlText(tab.text)) + uR"(</a></td></tr>\n');)"_s + CrLf +
           uR"(parent.upper.document.write('</table></td>\n');)"_s + CrLf;
}

// The caption in a row below its object; none without a caption.
QString captionRow(const QString& caption) {
    return caption.isEmpty() ? QString() : CaptionStart + caption + CaptionEnd;
}

// An object that does not float: on its side beside its caption, or
// centred above it.
QString unfloated(const QString& tag, const QString& alignment, const QString& caption) {
    const QString captionCell =
        u"<table border=0 cellpadding=10 cellspacing=0><tr><td><i><font color=606060 style=font-size:8pt>"_s +
        caption + u"</font></i></td><tr></table>"_s;
    if (alignment == u"Left"_s)
        return u"<div align=left><table width=600 border=0 cellpadding=0 cellspacing=0><tr><td><center>"_s +
               tag + u"</center></td><td width=100%><center>"_s + captionCell +
               u"</center></td></tr></table></div>"_s;
    if (alignment == u"Right"_s)
        return u"<div align=right><table width=600 border=0 cellpadding=0 cellspacing=0><tr><td width=100%><center>"_s +
               captionCell + u"</center></td><td><center>"_s + tag +
               u"</center></td></tr></table></div>"_s;
    return u"<center><table border=0 cellpadding=0 cellspacing=0><tr><td><center>"_s + tag +
           u"</center></td></tr>"_s + captionRow(caption) + u"</table></center>"_s;
}

} // namespace

PageWriter::PageWriter(const RenderState& state, Templates templates)
    : m_state(state), m_templates(std::move(templates)) {}

QString PageWriter::start() const {
    const QString& skin = m_state.skin;
    QString page = u"<head><base href='"_s + m_state.programPathUrl + u"'></head>"_s +
                   m_templates(u"/includes/page1.inc"_s);
    page +=
        u"skinPath = '"_s + m_state.programPathUrl + u"skins/"_s + urlName(skin) + u"/';"_s + CrLf;
    page += uR"(displayString = '<html><head><base href=\')"_s + m_state.programPathScript +
            uR"(\'><STYLE TYPE=text/css><!--)"_s + m_state.pageCss +
            m_templates(u"/includes/page2.inc"_s);
    page += u"skin='"_s + scriptString(skin) + u"';"_s + CrLf;
    if (!m_state.pageSound.isEmpty())
        page += u"displayString+='<embed hidden=\"true\" src=\""_s + m_state.programPathScript +
                u"temp/sounds/"_s + urlName(m_state.pageSound) + u"\">';"_s + CrLf;
    return page;
}

QString PageWriter::tabs(const std::vector<Tab>& tabs, qint64 position) const {
    QString page = uR"(parent.upper.document.write('<html><head><base href=\')"_s +
                   m_state.programPathScript + uR"(\'>)"_s +
                   m_templates(u"/skins/"_s + m_state.skin + u"/tab1.inc"_s);
    if (tabs.empty())
        return page + u"parent.upper.document.write('<tr><td></td></tr></table></body>'); "
                      "parent.upper.document.close();"_s;
    const auto active = [&](size_t j) {
        const qint64 next = j + 1 < tabs.size() ? tabs[j + 1].index : NoEnd;
        return position >= tabs[j].index && position < next;
    };
    page += tabCell(m_state, active(0) ? FirstActive : FirstPassive, tabs[0]);
    for (size_t j = 1; j < tabs.size(); ++j) {
        page += u"parent.upper.document.write('</td><td>')"_s + CrLf;
        page += tabCell(m_state,
                        active(j)       ? Active
                        : active(j - 1) ? AfterActive
                                        : Passive,
                        tabs[j]);
    }
    page += u"parent.upper.document.write('</td><td>');"_s;
    page += u"parent.upper.document.write('<img src=skins/"_s + urlName(m_state.skin) +
            (active(tabs.size() - 1) ? u"/cleanright.gif>');"_s : u"/greyright.gif>');"_s);
    return page + u"parent.upper.document.write('</td></tr></table>'); "
                  "parent.upper.document.close();"_s;
}

QString PageWriter::info() const {
    return u"thisPage = "_s + QString::number(m_state.pageNumber) + u";"_s + CrLf +
           u"numPages = "_s + QString::number(m_state.lastPageIndex) + u";"_s + CrLf +
           u"thisModule = "_s + QString::number(m_state.moduleNumber) + u";"_s + CrLf +
           u"numModules = "_s + QString::number(m_state.lastModuleIndex) + u";"_s + CrLf +
           uR"(parent.info.document.write('<html><head><base href=\')"_s +
           m_state.programPathScript + uR"(\'></head>');)"_s + CrLf +
           m_templates(u"/skins/"_s + m_state.skin + u"/tab2.inc"_s);
}

QString PageWriter::placed(const PlacedObject& object) const {
    switch (object.kind) {
    case PlacedObject::Kind::LineBreak:
        return u"displayString+='<br>';"_s;
    case PlacedObject::Kind::Line:
        return u"displayString+='<hr size=1 noshade>';"_s;
    case PlacedObject::Kind::Text:
        return u"displayString+='"_s + markupScriptString(sanitizeMarkup(object.text)) +
               u"<br>';"_s + CrLf;
    case PlacedObject::Kind::Quiz:
        return quiz(object);
    default:
        return layout(visualTag(object), object);
    }
}

QString PageWriter::visualTag(const PlacedObject& object) const {
    const QString file = fileName(object);
    const QString width = numberText(object.width);
    const QString height = numberText(object.height);
    if (object.kind == PlacedObject::Kind::Picture)
        return u"<img src=temp/pictures/"_s + file + u" width="_s + width + u" height="_s + height +
               u" border=0 hspace=0>"_s;
    if (object.kind == PlacedObject::Kind::Movie) {
        // The player's controls sit below the picture.
        const QString playerHeight =
            height.isEmpty() ? QString() : QString::number(height.toDouble() + 64, 'g', 15);
        return u"<OBJECT width="_s + width + u" height="_s + playerHeight +
               uR"( ID=Player CLASSID=CLSID:6BF52A52-394A-11d3-B153-00C04F79FAA6><PARAM name=AUTOSTART value=FALSE><PARAM name=URL value=\')"_s +
               m_state.programPathUrl + u"temp/movies/"_s + file + uR"(\'></OBJECT>)"_s;
    }
    return u"<EMBED width="_s + width + u" height="_s + height + uR"( src=\')"_s +
           m_state.programPathUrl + u"temp/flash/"_s + file + uR"(\'></EMBED>)"_s;
}

QString PageWriter::layout(const QString& tag, const PlacedObject& object) const {
    const QString caption = scriptString(htmlText(object.caption));
    const QString& alignment = object.alignment;
    QString statement;
    if (!object.floats) {
        statement = unfloated(tag, alignment, caption);
    } else if (alignment == u"Left"_s || alignment == u"Right"_s) {
        statement =
            u"<table align="_s + alignment.toLower() +
            u" border=0 cellpadding=10><tr><td><table border=0 cellpadding=0 cellspacing=0 width="_s +
            numberText(object.width) + u"><tr><td><center>"_s + tag + u"</center></td></tr>"_s +
            captionRow(caption) + u"</table></td></tr></table>"_s;
    } else {
        interaction().message(u"Illegal parsing combination - send an error report on "_s +
                              makerAddress());
        return {};
    }
    return u"displayString+='"_s + statement + u"';"_s + CrLf;
}

QString PageWriter::quiz(const PlacedObject& quiz) {
    const QString form = numberText(quiz.id);
    QString page = u"displayString+='<form name=quiz"_s + form + u"><b>"_s +
                   scriptString(htmlText(quiz.text)) + u"</b><br><br>';"_s + CrLf;
    QStringList tests;
    for (size_t i = 0; i < quiz.statements.size(); ++i) {
        const QString n = QString::number(i);
        page += u"displayString+='<input type=hidden value="_s + isTrue(quiz.statements[i].status) +
                u" name=answer"_s + n + u">';"_s + CrLf;
        page += u"displayString+='<input type=checkbox name=box"_s + n + u">"_s +
                scriptString(htmlText(quiz.statements[i].text)) + u"<br>';"_s + CrLf;
        tests.append(u"document.quiz"_s + form + u".box"_s + n +
                     u".checked.toString()==document.quiz"_s + form + u".answer"_s + n +
                     u".value"_s);
    }
    if (!tests.isEmpty())
        page +=
            uR"(displayString+='<br><input type=button value=\'Check answer\' onClick=\'if()"_s +
            tests.join(u" && "_s) +
            uR"(){parent.engine.correctAnswer();} else{parent.engine.falseAnswer();}\'>';)"_s;
    return page + u"displayString+='</form>';"_s;
}

QString PageWriter::pictureList(const std::vector<PlacedObject>& objects) {
    QString list;
    for (const PlacedObject& object : objects) {
        if (object.kind == PlacedObject::Kind::Picture)
            list += u"<img src=temp/pictures/"_s + fileName(object) + u">"_s + CrLf;
    }
    return list;
}

QString PageWriter::finished(QString page, const QString& pictureList) const {
    page += u"base='"_s + m_state.programPathUrl + u"';"_s + CrLf;
    page += m_templates(u"/includes/page3.inc"_s) + pictureList;
    page += m_templates(u"/includes/page4.inc"_s);
    page.replace(u"<br>"_s, SmallBreak);
    return page;
}

} // namespace koa::render
