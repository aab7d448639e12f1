#pragma once

#include "coursecontent.h"
#include "renderstate.h"

#include <vector>

#include <QString>
#include <QStringList>

namespace koa::render {

// Writes the course menu, the title page and the glossary from read values
// and the paths and skin of the window's state. Every value of the course is
// escaped here, where it enters the document.
class MenuWriter {
public:
    MenuWriter(const RenderState& state, Templates templates);

    QString menu(const TitleFields& header, const QStringList& moduleNames) const;
    QString titlePage(const TitleFields& header) const;
    QString glossary(const std::vector<Keyword>& keywords) const;

private:
    QString moduleRow(int i, const QString& name, bool picture) const;

    const RenderState& m_state;
    Templates m_templates;
};

} // namespace koa::render
