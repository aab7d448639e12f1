#pragma once

#include "tests/support/testsupport.h"

#include <cstdlib>
#include <memory>
#include <optional>

#include <QImage>
#include <QPoint>
#include <QTest>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace koa::test {

// What `js` gives in the page's top-level document, or an empty text when
// the page does not answer within `milliseconds`. A late answer is dropped.
inline QString evalIn(QWebEnginePage* page, const QString& js, int milliseconds = 10000) {
    auto result = std::make_shared<std::optional<QVariant>>();
    page->runJavaScript(js, [result](const QVariant& v) { *result = v; });
    waitUntil([&] { return result->has_value(); }, milliseconds);
    return result->value_or(QVariant()).toString();
}

// Script running `body` on the window `w` and document `d` of `top` and every
// frame below it, depth first: what it put into `out`, an entry a line, or an
// empty text while any of them is loading (or when `top` is no window).
inline QString inEveryFrame(const QString& body, const QString& top = QStringLiteral("window")) {
    return QStringLiteral(R"((function () {
    var out = [], complete = true, each = Array.prototype.forEach;
    (function visit(w) {
        try {
            var d = w.document;
            complete = complete && d.readyState === 'complete';
            %1
        } catch (e) {}
        for (var i = 0; w && i < w.frames.length; ++i) visit(w.frames[i]);
    })(%2);
    return complete ? out.join('\n') : '';
})())")
        .arg(body, top);
}

// The visible text of `top` and its frames, a frame a line, once all have loaded.
inline QString everyFrameText(const QString& top = QStringLiteral("window")) {
    return inEveryFrame(QStringLiteral("out.push(d.body ? d.body.innerText : '');"), top);
}

// Script that gives what `action` makes of the first element `e` matching
// `selector`, depth first through the frames, in a document parsed so far
// that its script has wired the element; false when there is none.
inline QString onFirst(const QString& selector, const QString& action) {
    return QStringLiteral(R"((function find(w) {
    try {
        var e = w.document.querySelector('%1');
        if (e && w.document.readyState !== 'loading') return %2;
    } catch (x) {}
    for (var i = 0; i < w.frames.length; ++i) if (find(w.frames[i])) return true;
    return false;
})(window))")
        .arg(selector, action);
}

inline QString clickFirst(const QString& selector) {
    return onFirst(selector, QStringLiteral("(e.click(), true)"));
}

// Clicks the first element matching `selector` once, as soon as a frame
// has it; false when none does in time. The waiting itself never clicks.
inline bool clickOnce(QWebEnginePage* page, const QString& selector, int milliseconds = 10000) {
    const QString yes = QStringLiteral("true");
    return waitUntil([&] { return evalIn(page, onFirst(selector, yes)) == yes; }, milliseconds) &&
           evalIn(page, clickFirst(selector)) == yes;
}

// Clicks the first element matching `selector` with the mouse, as the user
// would, once a frame has it: unlike a click made by script, the page takes
// it for the user's own. The browser must be shown. False when no frame has
// the element in time.
inline bool clickByHand(QWebEnginePage* page, const QString& selector, int milliseconds = 10000) {
    const QString where = QStringLiteral(R"((function find(w) {
    try {
        var e = w.document.querySelector('%1');
        if (e && w.document.readyState !== 'loading') {
            e.scrollIntoView({block: 'center', inline: 'center'});
            var r = e.getClientRects()[0] || e.getBoundingClientRect();
            var x = r.left + r.width / 2, y = r.top + r.height / 2;
            for (; w.frameElement; w = w.parent) {
                var f = w.frameElement.getBoundingClientRect();
                x += f.left + w.frameElement.clientLeft;
                y += f.top + w.frameElement.clientTop;
            }
            return Math.round(x) + ',' + Math.round(y);
        }
    } catch (x) {}
    for (var i = 0; i < w.frames.length; ++i) {
        var at = find(w.frames[i]);
        if (at) return at;
    }
    return '';
})(window))")
                              .arg(selector);
    QString at;
    QWebEngineView* view = QWebEngineView::forPage(page);
    if (!view || !view->focusProxy() ||
        !waitUntil([&] { return !(at = evalIn(page, where)).isEmpty(); }, milliseconds))
        return false;
    // The scrolled page must be drawn before its new places take clicks.
    waitUntil([] { return false; }, 100);
    const QStringList xy = at.split(u',');
    QTest::mouseClick(view->focusProxy(), Qt::LeftButton, {},
                      QPoint(xy.at(0).toInt(), xy.at(1).toInt()));
    return true;
}

// Whether the Flash player shows, within `milliseconds`, a movie made by
// swfOf with these colours: the stage's colour near the corner of the
// player's element and the shape's in its middle, as the view draws them.
inline bool showsFlash(QWebEngineView* view, QRgb stage, QRgb shape, int milliseconds = 20000) {
    const QString where = QStringLiteral(R"((function find(w) {
    try {
        var all = w.document.querySelectorAll('*');
        for (var i = 0; i < all.length; ++i) {
            if (all[i].tagName.indexOf('RUFFLE-') !== 0) continue;
            var r = all[i].getBoundingClientRect(), x = r.left, y = r.top;
            for (; w.frameElement; w = w.parent) {
                var f = w.frameElement.getBoundingClientRect();
                x += f.left + w.frameElement.clientLeft;
                y += f.top + w.frameElement.clientTop;
            }
            return [x, y, r.width, r.height].map(Math.round).join(',');
        }
    } catch (x) {}
    for (var j = 0; j < w.frames.length; ++j) {
        var at = find(w.frames[j]);
        if (at) return at;
    }
    return '';
})(window))");
    const auto near = [](QRgb a, QRgb b) {
        return std::abs(qRed(a) - qRed(b)) < 12 && std::abs(qGreen(a) - qGreen(b)) < 12 &&
               std::abs(qBlue(a) - qBlue(b)) < 12;
    };
    return waitUntil(
        [&] {
            const QStringList r = evalIn(view->page(), where, 2000).split(u',');
            if (r.size() != 4 || r.at(2).toInt() < 8 || r.at(3).toInt() < 8)
                return false;
            const QImage image = view->grab().toImage();
            const int x = r.at(0).toInt(), y = r.at(1).toInt();
            if (!image.rect().contains(x + r.at(2).toInt() / 2, y + r.at(3).toInt() / 2))
                return false;
            return near(image.pixel(x + 3, y + 3), stage) &&
                   near(image.pixel(x + r.at(2).toInt() / 2, y + r.at(3).toInt() / 2), shape);
        },
        milliseconds);
}

} // namespace koa::test
