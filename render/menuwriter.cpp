#include "menuwriter.h"

#include "escaping.h"
#include "markupsanitizer.h"

using namespace Qt::Literals::StringLiterals;

namespace koa::render {

namespace {

const QString CrLf = u"\r\n"_s;

// A field of the title page under its label.
QString titleField(const QString& label, const QString& value) {
    return u"<b>"_s + label + u"</b><br><font size='2'>"_s + htmlText(value) + u"</font><br><br>"_s;
}

} // namespace

MenuWriter::MenuWriter(const RenderState& state, Templates templates)
    : m_state(state), m_templates(std::move(templates)) {}

QString MenuWriter::menu(const TitleFields& header, const QStringList& moduleNames) const {
    const int lastModule = int(moduleNames.size()) - 1;
    // The folder form of the program folder, as the title page's base.
    QString page = u"<html><head><base href='"_s + m_state.programPathScript + u"'>"_s;
    page += m_templates(u"/includes/menu1.inc"_s);
    page += CrLf + u"button_status='"_s + numberText(header.menuscroll) + u"';"_s + CrLf;
    page += u"skin='"_s + scriptString(m_state.skin) + u"';"_s + CrLf;
    page += u"numModules ="_s + QString::number(lastModule) + CrLf;
    page += m_templates(u"/includes/menu2.inc"_s);
    page += htmlText(header.title);
    page += m_templates(u"/includes/menu3.inc"_s);
    for (int i = 0; i <= lastModule; ++i)
        page += moduleRow(i, moduleNames[i], lastModule < 6);
    return page + m_templates(u"/includes/menu4.inc"_s);
}

// Up to six modules have the skin's pictures; more have numbered boxes.
QString MenuWriter::moduleRow(int i, const QString& name, bool picture) const {
    const QString skin = urlName(m_state.skin);
    const QString n = QString::number(i);
    const QString spacer = u"<td><img src='skins/"_s + skin + u"/spacer.gif' width='20'></td>"_s;
    const QString click = u"onClick=\"window.status='module*"_s + n + u"'; window.status='';\">"_s +
                          spacer + u"<td>"_s;
    QString row;
    if (picture)
        row = u"<tr style='cursor:hand' onMouseover='p"_s + n + u".src=activeCache["_s + n +
              u"].src' onMouseout='p"_s + n + u".src=passiveCache["_s + n + u"].src' "_s + click +
              u"<img name='p"_s + n + u"' border='0' src='skins/"_s + skin + u"/"_s +
              QString::number(i + 1) + u".gif'>"_s;
    else
        row =
            u"<tr style='cursor:hand' "_s + click +
            u"<table width='40' border='1' cellpadding='0' cellspacing='0' style='border-collapse: collapse' bordercolor='#111111'><tr><td><center>"_s +
            u"<font size=5>"_s + QString::number(i + 1) + u"</font></td></tr></table>"_s;
    return row + u"</td>"_s + spacer + u"<td>"_s + htmlText(name) + u"</td></tr>"_s;
}

QString MenuWriter::titlePage(const TitleFields& header) const {
    QString page = u"<html><head><base href='"_s + m_state.programPathScript + u"skins/"_s +
                   urlName(m_state.skin) + u"/'></head>"_s;
    page += m_templates(u"/includes/header.inc"_s);
    page += htmlText(header.title);
    page += m_templates(u"/includes/menu3.inc"_s);
    page += u"<tr><td>"_s + titleField(u"Author"_s, header.author) +
            titleField(u"Target group"_s, header.targetGroup) +
            titleField(u"Description"_s, header.description) + u"</td></tr>"_s;
    return page + m_templates(u"/includes/menu4.inc"_s);
}

QString MenuWriter::glossary(const std::vector<Keyword>& keywords) const {
    // The skin's style sheet dresses the glossary like the course.
    QString page =
        u"<html class='koa-glossary'><head><title>KOA Glossary</title><link rel='stylesheet' href='"_s +
        m_state.programPathUrl + u"skins/"_s + urlName(m_state.skin) +
        u"/skin.css'></head><body bgcolor='#FFFFFF'><table width='100%' border='1' style='border-collapse:collapse' bordercolor='#111111' cellpadding='3' cellspacing='0'>"_s;
    for (const Keyword& keyword : keywords)
        page += u"<tr><td width='200'><i>"_s + htmlText(keyword.name) + u"</i></td><td>"_s +
                htmlText(keyword.description) + u"&nbsp;</td></tr>"_s;
    return page + u"</body></html>"_s;
}

} // namespace koa::render
