#pragma once

#include <QString>

namespace koa::test {

// A course in `work` shown in `skin`: module "Deck" with a page of links
// (a page, a keyword, a document, a web address and a lost page), a picture,
// a movie and a sound, a quiz page and a third page, all with index tabs;
// module "Quay" with a single page.
void writeSampleCourse(const QString& work, const QString& skin);

} // namespace koa::test
