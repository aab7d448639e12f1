#pragma once

#include <QString>

namespace koa::render {

// The style sheet that gives the tags of stored text markup their look, in
// course pages and in the object pool's preview alike.
inline const QString pageCss = QStringLiteral(
    "a{font-weight:bold} q{font:10pt Trebuchet MS} strong{font:bold 12 pt Trebuchet MS} "
    "em{font:20 pt Trebuchet MS} cite{font:bold 10 pt Trebuchet MS} cite{color:#FF0000} "
    "dfn{font:bold 10 pt Trebuchet MS} dfn{color:#00C000} code{font:bold 10 pt Trebuchet MS} "
    "code{color:#0000FF}");

} // namespace koa::render
