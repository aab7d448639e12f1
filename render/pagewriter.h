#pragma once

#include "coursecontent.h"
#include "renderstate.h"

#include <vector>

#include <QString>

namespace koa::render {

// Writes the page document (the script of frame "engine") from read values
// and the paths, skin and numbers of the window's state. Every value of the
// course is escaped or sanitized here, where it enters the document.
class PageWriter {
public:
    PageWriter(const RenderState& state, Templates templates);

    // From the base address to the page's sound.
    QString start() const;
    // The script that writes the tab frame; `position`: the row of the page shown.
    QString tabs(const std::vector<Tab>& tabs, qint64 position) const;
    // The numbers of the info frame and its template.
    QString info() const;
    // The statements that add an object to the page.
    QString placed(const PlacedObject& object) const;
    // The page's pictures, which the page loads before it shows.
    static QString pictureList(const std::vector<PlacedObject>& objects);
    // `page` with its end, every line break made small.
    QString finished(QString page, const QString& pictureList) const;

private:
    QString visualTag(const PlacedObject& object) const;
    QString layout(const QString& tag, const PlacedObject& object) const;
    static QString quiz(const PlacedObject& quiz);

    const RenderState& m_state;
    Templates m_templates;
};

} // namespace koa::render
